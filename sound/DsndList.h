#pragma once

#include "foundation/dbtl/DFile.h"
#include "foundation/dbtl/DList.h"
#include "foundation/dbtl/DObject.h"
#include "foundation/dbtl/rcptr.h"
#include "sound/DWave.h"

#include <cstdint>

namespace dbtl {

// A playlist of sound-source readers with loop counts, played by a stream. All entries share
// the first entry's PCM format, since the stream's buffer is made for it.
class DsndList : public DObject {
 public:
  // One entry: the reader and its loop count (-1 repeats endlessly, 0 plays once, N > 0 plays N
  // more times). The count is used up as the entry repeats; a rewind does not restore it.
  struct _DATA : DObject {
    DWave wave;
    int32_t loop = 0;
  };

  DsndList() = default;
  DsndList(const DsndList&) = delete;
  DsndList& operator=(const DsndList&) = delete;
  ~DsndList() override;

  // Opens a reader on the file and appends it. False (nothing appended) when the file is no
  // readable sound or its PCM format differs from the first entry's (extra size aside).
  bool Add(DFile& file, int32_t loop);
  // Rewinds every reader and makes the first entry current.
  void Rewind();
  // At the end of the current entry: whether there is something to play next (the same entry
  // again, or the following one, which becomes current).
  bool Next();

  const rcptr<_DATA>& GetCurrent() const { return m_current; }
  uint32_t GetCount() const { return m_entries.GetCount(); }
  rcptr<_DATA> GetFirst() { return m_entries.Front(); }

 private:
  DList<_DATA> m_entries;
  DListBase::iterator m_position;
  rcptr<_DATA> m_current;
};

}  // namespace dbtl

#pragma once

#include "foundation/bytes/Parsed.h"
#include "foundation/dbtl/DFile.h"
#include "foundation/dbtl/DList.h"
#include "foundation/dbtl/DObject.h"
#include "foundation/dbtl/DSection.h"
#include "foundation/dbtl/Dpath.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace dbtl {

// Reader of "DMF " containers: one file holding named entries, each opened as a bounded DFile
// window onto its bytes. All numbers are little-endian 32-bit:
//
//   "DMF "  entry count  { name length (0..263)  name bytes  offset  size } ...
//
// Offsets count from the start of the window the container was opened on. Entry names are
// stored and looked up with 'A' to 'Z' folded to lower case (only single-byte characters: the
// trail byte of a two-byte character stays as it is). The index is read once; entries are read
// through their windows and never copied.
//
// The container keeps its own window onto the file, so the caller may close its file after
// Open. Lookups and entry opens may run on several threads.
// One entry of a "DMF " index as stored (the name not yet folded).
struct DMFileIndexEntry {
  std::string name;
  uint32_t offset = 0;
  uint32_t size = 0;
};

struct DMFileIndex {
  std::vector<DMFileIndexEntry> entries;
  uint64_t end = 0;  // the offset just past the index
};

// The error code of a name length above 263, a read failure of Open like a short index.
inline constexpr int DMFILE_ERROR_NAME_LENGTH = 1;

// The index of a "DMF " container from the first bytes of its window, which holds
// containerSize bytes in all. Refused: a wrong magic, an entry whose bytes pass the end of the
// container; bytes that end inside the index (truncated) and a name length above 263
// (DMFILE_ERROR_NAME_LENGTH) are what Open treats as failed reads.
Parsed<DMFileIndex> DMFileParseIndex(std::span<const uint8_t> bytes, int64_t containerSize);

class DMFile : public DObject {
 public:
  struct DMFileINFO {
    // Length of the folded name.
    uint32_t nameLength = 0;
    char name[DPATH_BUFFER_SIZE] = {};
    // Sum of the folded name's bytes modulo 256: the entry's bucket.
    uint8_t hash = 0;
    // Bounded to the entry's bytes.
    DFile window;
    // Next entry of the same bucket.
    DMFileINFO* next = nullptr;
  };

  DMFile();
  DMFile(const DMFile&) = delete;
  DMFile& operator=(const DMFile&) = delete;
  ~DMFile() override;

  // Reads the index from the start of the file's window. False for a file that is not open, a
  // wrong magic, an entry whose bytes pass the end of the container, a failing window, two
  // names that fold to the same text, or a short read or a name length above 263; the
  // container is then closed and empty. When the file is in throw mode, a short read or a bad
  // name length throws DExceptFile instead (after the container was closed). The file's throw
  // mode is as before afterwards. An open container refuses (false) and stays as it is.
  bool Open(DFile& file);
  // Opens the path for reading into a temporary file and Opens the container on it.
  bool OpenPath(const char* path);

  // The entry of that name, or null (not open, null name, no such entry).
  DMFileINFO* FindEntry(const char* name);
  // Makes target a window onto the whole entry. False when the container is not open, the
  // entry does not exist or target is already open.
  bool OpenEntry(const char* name, DFile& target);

  bool IsOpen() const { return m_open; }

 private:
  bool _ReadIndex(DFile& file, bool throwMode);
  bool _AddEntry(const char* name, DFile& window);
  void _Close();

  bool m_open = false;
  DFile m_file;
  DSection m_lock;
  DList<DMFileINFO> m_entries;
  DMFileINFO* m_buckets[256] = {};
  char m_name[DPATH_BUFFER_SIZE] = {};
};

}  // namespace dbtl

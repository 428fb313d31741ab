#pragma once

#include "foundation/dbtl/rcptr.h"
#include "sound/DsndList.h"
#include "sound/DsndStream.h"
#include "sound/bgm/BgmSystem.h"

#include <cstdint>

// The background music (an intro played once and a loop part, joined in one playlist) and up to
// three further streamed sounds for the script engines. Music files are Ogg Vorbis files of the
// application's pack, named without extension and relative to a directory. Game thread only.
class BgmPlayer {
 public:
  static constexpr uint32_t kSlotCount = 3;
  // UTF-16 units of a resolved name, and bytes of its 8-bit form, terminator included.
  static constexpr uint32_t kNameCapacity = 128;

  explicit BgmPlayer(BgmSystem* system) : m_system(system) {}
  BgmPlayer(const BgmPlayer&) = delete;
  BgmPlayer& operator=(const BgmPlayer&) = delete;
  ~BgmPlayer();

  // Replaces the music: the old stream stops at once, then intro (once) and loop part (endless
  // when loop is set, else once) play as one stream. Null, empty or missing parts are left out;
  // with neither part nothing plays.
  void play(const char16_t* directory, const char16_t* intro, const char16_t* loop, bool loopFlag);
  // Streams one file at the volume of the type in a free slot; when all three slots play, the
  // oldest gives way (even when the new file turns out to be missing). A type not below
  // BgmSystem::kVolumeCount plays nothing and touches no slot.
  void playSound(uint32_t type, const char16_t* directory, const char16_t* name);
  // Stops the music and every sound.
  void stop();

  const dbtl::rcptr<dbtl::DsndStream>& _GetStream() const { return m_stream; }
  const dbtl::rcptr<dbtl::DsndStream>& _GetSlot(uint32_t index) const { return m_slots[index]; }

 private:
  // Releases the slot's stream and moves the later slots down one place.
  void _DropSlot(uint32_t index);
  // Opens the pack file of name + ".ogg" resolved against directory; false (file untouched) when
  // the name is null or empty, does not fit the name buffers, or is not in the pack.
  bool _OpenMusicFile(const char16_t* directory, const char16_t* name, dbtl::DFile& file);

  BgmSystem* m_system;
  dbtl::rcptr<dbtl::DsndList> m_list;
  dbtl::rcptr<dbtl::DsndStream> m_stream;
  dbtl::rcptr<dbtl::DsndStream> m_slots[kSlotCount];  // slot 0 the oldest
};

#include "sound/bgm/BgmPlayer.h"

#include "foundation/dbtl/DCp932Text.h"
#include "foundation/lfm/lfmPack.h"
#include "foundation/omb/file/ombPath.h"

#include <string>

BgmPlayer::~BgmPlayer() {
  if (m_system != nullptr) {
    stop();
    m_system = nullptr;
  }
  for (auto& slot : m_slots) slot.Reset();
  m_stream.Reset();
  m_list.Reset();
}

bool BgmPlayer::_OpenMusicFile(const char16_t* directory, const char16_t* name, dbtl::DFile& file) {
  if (name == nullptr || name[0] == 0) return false;
  // A name cut to fit the buffers would name another file, so one that does not fit is taken
  // as missing. A null directory stands for the pack's root, not the framework's base directory.
  char16_t made[kNameCapacity];
  if (ombPathMake(kNameCapacity, made, nullptr, name, u"ogg") >= kNameCapacity) return false;
  char16_t resolved[kNameCapacity];
  if (ombPathResolve(resolved, directory != nullptr ? directory : u"", kNameCapacity, made) >=
      kNameCapacity) {
    return false;
  }
  const std::string path = dbtl::DCp932FromUtf16(resolved);
  if (path.size() >= kNameCapacity) return false;
  const int32_t pack = m_system->GetPack();
  if (!lfmIsPackDataExist(pack, path.c_str())) return false;
  lfmOpenPackData(pack, file, path.c_str());
  return true;
}

void BgmPlayer::play(const char16_t* directory, const char16_t* intro, const char16_t* loop,
                     bool loopFlag) {
  if (m_stream) m_stream->Stop();
  m_stream.Reset();
  m_list.Reset();
  m_list.Create(1);

  bool introTaken = false;
  {
    dbtl::DFile file;
    if (_OpenMusicFile(directory, intro, file)) {
      m_list->Add(file, 0);
      introTaken = true;  // even when the playlist refused it
    }
  }
  dbtl::DFile file;
  if (_OpenMusicFile(directory, loop, file)) {
    m_list->Add(file, loopFlag ? -1 : 0);
  } else if (!introTaken) {
    return;
  }
  m_stream = m_system->GetSoundManager().CreateStream(m_list);
  if (m_stream) m_stream->Play(m_system->GetVolume(0));
}

void BgmPlayer::_DropSlot(uint32_t index) {
  for (uint32_t i = index; i + 1 < kSlotCount; ++i) m_slots[i] = m_slots[i + 1];
  m_slots[kSlotCount - 1].Reset();
}

void BgmPlayer::playSound(uint32_t type, const char16_t* directory, const char16_t* name) {
  if (type >= BgmSystem::kVolumeCount) return;
  // Ended (or failed) sounds give their slots back, the later ones moving down, so the slots
  // stay in the order the sounds started.
  for (uint32_t i = 0; i < kSlotCount && m_slots[i];) {
    if (m_slots[i]->GetFlags() == 0) {
      _DropSlot(i);
    } else {
      ++i;
    }
  }
  uint32_t slot = 0;
  while (slot < kSlotCount && m_slots[slot]) ++slot;
  if (slot == kSlotCount) {
    _DropSlot(0);  // the oldest sound's stream is destroyed, which stops it
    slot = kSlotCount - 1;
  }
  dbtl::DFile file;
  if (!_OpenMusicFile(directory, name, file)) return;
  m_slots[slot] = m_system->GetSoundManager().CreateStreamFromFile(file);
  if (m_slots[slot]) m_slots[slot]->Play(m_system->GetVolume(type));
}

void BgmPlayer::stop() {
  if (m_stream) m_stream->Stop();
  m_stream.Reset();
  m_list.Reset();
  for (auto& slot : m_slots) slot.Reset();
}

#pragma once

#include "sound/DsndManager.h"

#include <cstdint>

// What the music player reads of the application object that owns it: the sound device
// manager, the pack the music is looked up in (the one the start-up registered) and the volume
// settings by sound type (index 0 the music, 1 and 2 the other types; 1.0 at start). The
// application object implements it; tests give their own.
class BgmSystem {
 public:
  static constexpr uint32_t kVolumeCount = 3;

  virtual ~BgmSystem() = default;
  virtual dbtl::DsndManager& GetSoundManager() = 0;
  virtual int32_t GetPack() const = 0;
  // type is below kVolumeCount.
  virtual float GetVolume(uint32_t type) const = 0;
};

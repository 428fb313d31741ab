#pragma once

#include <cstdint>

// The pack the host registered at start-up (lfmRegistPack of the one unnamed pack), in which
// the device looks up shader files by path. The host hands the device this interface when it
// constructs it; a device without one looks in pack 0.
class L3DPack {
 public:
  virtual ~L3DPack() = default;
  virtual int32_t GetRegisteredPack() const = 0;
};

int32_t l3dRegisteredPack(const L3DPack* pack);

#pragma once

#include "render/sprite/ombSprite.h"

#include <cstdint>
#include <span>

class L3DDevice;

// Sprite layer 2: the device layer under the framework sprite system. Surfaces are L3DDevice
// textures (image surfaces shared by name through the device's registry), batches are drawn
// as pre-transformed triangles, and glyphs come from one TrueType font ("sys/font.ttf")
// through FreeType's cache subsystem.
namespace sprite2 {

// What a device set needs of the host: the device, the display size and the resource scale
// (1, or 2 when the small resource set is registered).
struct DeviceSetConfig {
  L3DDevice* device;
  uint32_t screenWidth;
  uint32_t screenHeight;
  uint32_t resourceScale;
};

}  // namespace sprite2

// Once per process: reads "sys/font.ttf" (archives first) and sets up FreeType and its caches.
// Fatal on any failure.
void sprite2Init();
// The same set-up from font bytes already in memory; the bytes are copied.
void sprite2InitFromBytes(std::span<const uint8_t> font);
// Releases the caches, the library and the font bytes.
void sprite2Term();

// Allocates a device set for the host's device and fills the operation table with it.
void sprite2CreateDeviceSet(OmbSpriteDeviceOps* ops, const sprite2::DeviceSetConfig& config);
// Destroys the set named by slot 0 (nothing when it is null) and clears slot 0.
void sprite2DestroyDeviceSet(OmbSpriteDeviceOps* ops);

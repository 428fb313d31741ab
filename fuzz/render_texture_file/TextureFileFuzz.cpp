// Loads arbitrary bytes as a texture of the pack, the way a model's texture reaches the device:
// as a "dgt" container (spec, DXT levels, raw image) or as an image with an alpha companion.
// Every size and offset comes from the input; a broken file must end in the fatal error
// (LExceptGame), never in a read outside a buffer. The first byte picks the road: bit 0 a
// device that takes DXT textures (and needs powers of two), bit 1 mip levels, bit 2 the file
// as an image rather than a "dgt", bit 3 the same bytes as its alpha image too.

#include "foundation/lerr/LExceptGame.h"
#include "foundation/lerr/lerr.h"
#include "platform/d3d9/Profile.h"
#include "render/device/L3DDevice.h"
#include "render/device/l3dInit.h"

#include "render/tests/MemoryPack.h"

#include <cstdlib>

namespace {

L3DDevice* makeDevice(const char* profile) {
  d3d9::IDirect3D9* d3d = d3d9::createDirect3D(*d3d9::profileBySpec(profile));
  l3dInit(d3d);
  d3d->Release();
  auto* device = new L3DDevice();
  device->Create(0, nullptr, 0, 0, 0, 0,
                 L3DDEV_CREATE_WINDOW | L3DDEV_CREATE_COMPRESS | L3DDEV_CREATE_MIPMAP);
  return device;
}

struct Devices {
  Devices() {
    lerrSetMode(0);
    dxt = makeDevice("pow2");
    plain = makeDevice("nodxt");
  }
  L3DDevice* dxt;
  L3DDevice* plain;
  PackScope pack;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static Devices* devices = new Devices();
  if (size < 1) return 0;
  const uint8_t road = data[0];
  const std::vector<uint8_t> file(data + 1, data + size);
  L3DDevice& device = (road & 1) ? *devices->dxt : *devices->plain;
  devices->pack.Add("t.dgt", (road & 4) ? std::vector<uint8_t>{} : file);
  devices->pack.Add("t.png", file);
  if (road & 8) {
    devices->pack.Add("t_a.png", file);
  } else {
    devices->pack.Remove("t_a.png");
  }
  try {
    dbtl::rcptr<L3DTexture> texture =
        device.CreateTexturePack("t", devices->pack.Number(), "t", (road & 2) != 0);
    if (!texture || texture->texture == nullptr) std::abort();
  } catch (const LExceptGame&) {
  }
  if (device.FindTexture("t")) std::abort();  // the handle is gone, so is its name
  return 0;
}

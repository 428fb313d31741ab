// Loads texture files made from arbitrary bytes the way a model's texture reaches the device,
// so that every size and offset comes from the input. A broken file must end in the fatal
// error (LExceptGame), never in a read outside a buffer, and a texture that loads must hold a
// Direct3D texture.
//
// The first byte picks the road: bit 0 a device that takes DXT textures (and needs powers of
// two), bit 1 mip levels, bit 2 the bytes as a plain image file, bit 3 the same bytes as its
// alpha image too. Without bit 2 a "dgt" container is built around the rest: the second byte
// chooses the tag (DTCC, DTCA or four bytes of the input), the edge length (4 to 512, or four
// bytes of the input) and which entries are left out; what follows is the "compress" and the
// "raw" entry alike.

#include "foundation/lerr/LExceptGame.h"
#include "foundation/lerr/lerr.h"
#include "platform/d3d9/Profile.h"
#include "render/device/L3DDevice.h"
#include "render/device/l3dInit.h"

#include "foundation/tests/DmfBuilder.h"
#include "render/tests/MemoryPack.h"

#include <cstdlib>
#include <string>

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

std::vector<uint8_t> dgtAround(const uint8_t* data, size_t size) {
  if (size < 5) return std::vector<uint8_t>(data, data + size);
  const uint8_t choice = data[0];
  std::string spec;
  if (choice & 2) {
    spec.assign(reinterpret_cast<const char*>(data + 1), 4);
  } else {
    spec = (choice & 1) ? "DTCA" : "DTCC";
  }
  if (choice & 0x80) {
    spec.append(reinterpret_cast<const char*>(data + 1), 4);
  } else {
    const uint32_t edge = 4u << (choice >> 2 & 7);
    for (int i = 0; i < 4; ++i) spec += char(edge >> (8 * i));
  }
  const std::string rest(reinterpret_cast<const char*>(data + 5), size - 5);
  DmfBuilder dmf;
  if (!(choice & 0x20)) dmf.Add("spec", spec);
  if (!(choice & 0x40)) dmf.Add("compress", rest);
  dmf.Add("raw", rest);
  return dmf.Bytes();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static Devices* devices = new Devices();
  if (size < 1) return 0;
  const uint8_t road = data[0];
  const std::vector<uint8_t> image(data + 1, data + size);
  L3DDevice& device = (road & 1) ? *devices->dxt : *devices->plain;
  if (road & 4) {
    devices->pack.Remove("t.dgt");
  } else {
    devices->pack.Add("t.dgt", dgtAround(data + 1, size - 1));
  }
  devices->pack.Add("t.png", image);
  if (road & 8) {
    devices->pack.Add("t_a.png", image);
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

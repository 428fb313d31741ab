// Feeds arbitrary vertices, indices and states to the device's draw calls: whatever the input,
// a draw either answers an error or writes pixels inside the target, never outside memory.

#include "platform/d3d9/WindowedDevice.h"

#include <cstring>
#include <vector>

namespace {

using namespace d3d9;

struct Input {
  const uint8_t* p;
  size_t left;
  template <class T>
  T take() {
    T v{};
    const size_t n = left < sizeof(T) ? left : sizeof(T);
    std::memcpy(&v, p, n);
    p += n;
    left -= n;
    return v;
  }
};

IDirect3DDevice9* makeDevice() {
  IDirect3DDevice9* d = createWindowedDevice(*profileBySpec("default,pad=4"), 24, 17);
  IDirect3DTexture9* t = nullptr;
  d->CreateTexture(8, 4, 0, 0, D3DFMT_A4R4G4B4, D3DPOOL_MANAGED, &t, nullptr);
  d->SetTexture(0, t);
  t->Release();
  return d;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static IDirect3DDevice9* device = makeDevice();
  Input in{data, size};
  const D3DRENDERSTATETYPE renders[] = {D3DRS_CULLMODE, D3DRS_ZFUNC, D3DRS_ALPHABLENDENABLE,
                                        D3DRS_SRCBLEND, D3DRS_DESTBLEND, D3DRS_FOGENABLE,
                                        D3DRS_ALPHATESTENABLE, D3DRS_ZENABLE};
  for (D3DRENDERSTATETYPE r : renders) device->SetRenderState(r, in.take<uint8_t>() % 11);
  device->SetSamplerState(0, D3DSAMP_ADDRESSU, in.take<uint8_t>() % 5);
  device->SetSamplerState(0, D3DSAMP_MINFILTER, in.take<uint8_t>() % 4);
  device->SetSamplerState(0, D3DSAMP_MIPFILTER, in.take<uint8_t>() % 4);
  device->SetSamplerState(0, D3DSAMP_MIPMAPLODBIAS, in.take<uint32_t>());
  const DWORD fvfs[] = {D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1,
                        D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_SPECULAR | D3DFVF_TEX1,
                        D3DFVF_XYZW | D3DFVF_TEX2, 0x815E};
  device->SetFVF(fvfs[in.take<uint8_t>() % 4]);
  D3DMATRIX m;
  for (int r = 0; r < 4; ++r) {
    for (int c = 0; c < 4; ++c) m.m[r][c] = float(in.take<int8_t>()) / 32.0f;
  }
  device->SetTransform(D3DTS_PROJECTION, &m);
  const auto type = D3DPRIMITIVETYPE(1 + in.take<uint8_t>() % 6);
  const UINT primitives = in.take<uint8_t>() % 8;
  const uint16_t minIndex = in.take<uint8_t>() % 4;
  const UINT vertexCount = 1 + in.take<uint8_t>() % 12;
  std::vector<uint16_t> indices(32);
  for (auto& i : indices) i = in.take<uint8_t>() % 20;
  // Room for every vertex either call may read: the declared range of the indexed call and
  // the (at most 9) vertices of the non-indexed one.
  std::vector<uint8_t> vertices(20 * 72);
  if (in.take<uint8_t>() & 1) {
    // Raw bytes: any float, NaN and infinity included.
    std::memcpy(vertices.data(), in.p, in.left < vertices.size() ? in.left : vertices.size());
  } else {
    // Small values that land on and around the target, so that most triangles draw pixels.
    for (size_t i = 0; i + 4 <= vertices.size(); i += 4) {
      const float f = float(in.take<int8_t>()) * 0.5f;
      std::memcpy(vertices.data() + i, &f, 4);
    }
  }
  device->BeginScene();
  device->DrawIndexedPrimitiveUP(type, minIndex, vertexCount, primitives, indices.data(),
                                 D3DFMT_INDEX16, vertices.data(), 72);
  device->DrawPrimitiveUP(type, primitives % 3, vertices.data(), 72);
  device->EndScene();
  return 0;
}

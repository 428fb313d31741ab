// Renders the golden scene of the rasteriser tests with the device stand-in and writes it as a
// 24-bit BMP: three interpenetrating triangles whose depth varies across them, so the picture
// shows which surface the depth test kept at every pixel.
//
//   d3dgolden OUT.bmp
//
// The BMP is written by the small writer below, not by the image library: the rasteriser tests
// live in the platform library, which may not depend on it.

#include "platform/d3d9/WindowedDevice.h"

#include <cstdio>
#include <vector>

namespace {

using namespace d3d9;

struct Vertex {
  float x, y, z, rhw;
  uint32_t diffuse;
};

constexpr uint32_t kSize = 32;

bool render(std::vector<uint32_t>& pixels) {
  auto profile = profileBySpec("default");
  IDirect3DDevice9* d = profile ? createWindowedDevice(*profile, kSize, kSize) : nullptr;
  if (!d) return false;
  d->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
  d->SetRenderState(D3DRS_ZFUNC, D3DCMP_LESSEQUAL);
  d->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG2);
  d->SetFVF(D3DFVF_XYZRHW | D3DFVF_DIFFUSE);
  d->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF202020u, 1.0f, 0);
  const Vertex triangles[9] = {
      // Red leans back from left to right, green from top to bottom, blue the other way.
      {1.5f, 2.0f, 0.1f, 1, 0xFFFF4040u}, {30.0f, 6.0f, 0.9f, 1, 0xFFFFA0A0u},
      {4.0f, 28.5f, 0.1f, 1, 0xFFC00000u},
      {16.0f, 1.0f, 0.05f, 1, 0xFF40FF40u}, {31.0f, 30.0f, 0.95f, 1, 0xFF008000u},
      {2.0f, 30.0f, 0.95f, 1, 0xFF00C000u},
      {0.5f, 14.0f, 0.9f, 1, 0xFF4040FFu}, {28.0f, 0.5f, 0.2f, 1, 0xFFA0A0FFu},
      {26.0f, 31.0f, 0.3f, 1, 0xFF0000C0u},
  };
  bool ok = SUCCEEDED(d->BeginScene()) &&
            SUCCEEDED(d->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 3, triangles, sizeof(Vertex))) &&
            SUCCEEDED(d->EndScene()) && SUCCEEDED(d->Present(nullptr, nullptr, nullptr, nullptr));
  const PixelStore& front = d->frontBuffer();
  pixels.resize(kSize * kSize);
  for (uint32_t y = 0; y < kSize; ++y) {
    for (uint32_t x = 0; x < kSize; ++x) {
      const uint8_t* p = front.row(y) + x * 4;
      pixels[y * kSize + x] = uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16;
    }
  }
  d->Release();
  return ok;
}

void put16(std::vector<uint8_t>& out, uint32_t v) {
  out.push_back(uint8_t(v));
  out.push_back(uint8_t(v >> 8));
}

void put32(std::vector<uint8_t>& out, uint32_t v) {
  put16(out, v & 0xFFFF);
  put16(out, v >> 16);
}

// A 24-bit bottom-up BMP with rows padded to four bytes.
std::vector<uint8_t> bmp(const std::vector<uint32_t>& rgb, uint32_t w, uint32_t h) {
  const uint32_t row = (w * 3 + 3) / 4 * 4;
  std::vector<uint8_t> out;
  out.push_back('B');
  out.push_back('M');
  put32(out, 54 + row * h);
  put32(out, 0);
  put32(out, 54);
  put32(out, 40);
  put32(out, w);
  put32(out, h);
  put16(out, 1);
  put16(out, 24);
  put32(out, 0);
  put32(out, row * h);
  put32(out, 2835);
  put32(out, 2835);
  put32(out, 0);
  put32(out, 0);
  for (uint32_t y = h; y-- > 0;) {
    for (uint32_t x = 0; x < w; ++x) {
      const uint32_t c = rgb[y * w + x];
      out.push_back(uint8_t(c));
      out.push_back(uint8_t(c >> 8));
      out.push_back(uint8_t(c >> 16));
    }
    out.resize(out.size() + (row - w * 3), 0);
  }
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: d3dgolden OUT.bmp\n");
    return 2;
  }
  std::vector<uint32_t> pixels;
  if (!render(pixels)) {
    std::fprintf(stderr, "d3dgolden: the device could not draw the scene\n");
    return 1;
  }
  const std::vector<uint8_t> file = bmp(pixels, kSize, kSize);
  std::FILE* f = std::fopen(argv[1], "wb");
  if (!f) {
    std::fprintf(stderr, "d3dgolden: cannot write %s\n", argv[1]);
    return 1;
  }
  const bool written = std::fwrite(file.data(), 1, file.size(), f) == file.size();
  if (std::fclose(f) != 0 || !written) {
    std::fprintf(stderr, "d3dgolden: cannot write %s\n", argv[1]);
    return 1;
  }
  return 0;
}

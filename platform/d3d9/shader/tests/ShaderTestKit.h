#pragma once

// Helpers for the shader tests: shaders written as assembly sources and assembled in the test
// with the project's assembler.

#include "platform/d3d9/tests/D3dDrawHelpers.h"
#include "tools/vsasm/ShaderAssembler.h"

#include <string>
#include <vector>

namespace d3d9::testing {

inline std::vector<DWORD> assembled(const std::string& source) {
  const vsasm::Assembled a = vsasm::assemble(source);
  EXPECT_TRUE(a.ok) << a.error << "\n" << source;
  return a.tokens;
}

inline Ref<IDirect3DVertexShader9> vertexShader(IDirect3DDevice9* d, const std::string& source) {
  const auto tokens = assembled(source);
  IDirect3DVertexShader9* s = nullptr;
  EXPECT_EQ(d->CreateVertexShader(tokens.data(), tokens.size() * 4, &s), D3D_OK) << source;
  return Ref<IDirect3DVertexShader9>(s);
}

inline Ref<IDirect3DPixelShader9> pixelShader(IDirect3DDevice9* d, const std::string& source) {
  const auto tokens = assembled(source);
  IDirect3DPixelShader9* s = nullptr;
  EXPECT_EQ(d->CreatePixelShader(tokens.data(), tokens.size() * 4, &s), D3D_OK) << source;
  return Ref<IDirect3DPixelShader9>(s);
}

// Bytes of an A8R8G8B8 colour differ by at most `tolerance`.
inline bool near(uint32_t a, uint32_t b, int tolerance = 1) {
  for (int s = 0; s < 32; s += 8) {
    const int d = int(a >> s & 255) - int(b >> s & 255);
    if (d > tolerance || d < -tolerance) return false;
  }
  return true;
}

}  // namespace d3d9::testing

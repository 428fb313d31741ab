#pragma once

// Everything a draw reads from the device: render, sampler and texture-stage states, the bound
// texture, buffers and shaders, the transforms, the shader constants and the viewport. The
// device owns one; the draw pipeline reads it.

#include "platform/d3d9/D3d9States.h"

#include <array>
#include <vector>

namespace d3d9 {

class IDirect3DBaseTexture9;
class IDirect3DVertexBuffer9;
class IDirect3DIndexBuffer9;
class IDirect3DVertexShader9;
class IDirect3DPixelShader9;

constexpr uint32_t kRenderStateCount = 210;
constexpr uint32_t kSamplerCount = 8;
constexpr uint32_t kSamplerStateCount = 14;
constexpr uint32_t kStageCount = 8;
constexpr uint32_t kStageStateCount = 33;
constexpr uint32_t kVertexConstantCount = 8192;  // software vertex processing allows this many
constexpr uint32_t kPixelConstantCount = 224;

struct DeviceState {
  std::array<DWORD, kRenderStateCount> render{};
  std::array<std::array<DWORD, kSamplerStateCount>, kSamplerCount> sampler{};
  std::array<std::array<DWORD, kStageStateCount>, kStageCount> stage{};
  std::array<IDirect3DBaseTexture9*, kSamplerCount> textures{};  // references held
  DWORD fvf = 0;
  IDirect3DVertexShader9* vertexShader = nullptr;  // reference held
  IDirect3DPixelShader9* pixelShader = nullptr;    // reference held
  bool softwareVertexProcessing = false;
  IDirect3DVertexBuffer9* stream = nullptr;        // reference held
  UINT streamOffset = 0;
  UINT streamStride = 0;
  IDirect3DIndexBuffer9* indices = nullptr;        // reference held
  D3DMATRIX world{};
  D3DMATRIX view{};
  D3DMATRIX projection{};
  std::vector<float> vertexConstants = std::vector<float>(kVertexConstantCount * 4);
  std::vector<float> pixelConstants = std::vector<float>(kPixelConstantCount * 4);
  D3DVIEWPORT9 viewport{};

  float renderFloat(D3DRENDERSTATETYPE s) const;
  float samplerFloat(uint32_t sampler, D3DSAMPLERSTATETYPE s) const;
};

// Whether a state number names a state of the interface, and its default on a new or reset
// device. ZENABLE's default depends on the automatic depth buffer and is set by the device.
bool renderStateKnown(uint32_t state);
DWORD renderStateDefault(uint32_t state);
bool samplerStateKnown(uint32_t state);
DWORD samplerStateDefault(uint32_t state);
bool stageStateKnown(uint32_t state);
DWORD stageStateDefault(uint32_t stage, uint32_t state);

// Fills every state with its default and the transforms with the identity; releases nothing.
void resetStateValues(DeviceState& s, bool autoDepth);

DWORD floatBits(float f);
float bitsFloat(DWORD bits);

}  // namespace d3d9

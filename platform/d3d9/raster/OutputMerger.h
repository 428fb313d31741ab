#pragma once

// The last steps of a pixel: alpha test, depth write, blending with the render target, the
// colour write mask and the conversion into the target's format. Prepared once per draw.

#include "platform/d3d9/DeviceState.h"
#include "platform/d3d9/Format.h"
#include "platform/d3d9/Resource.h"

namespace d3d9 {

struct DepthSetup {
  bool test = false;
  bool write = false;
  uint32_t func = D3DCMP_LESSEQUAL;
  float* values = nullptr;  // one float per pixel of the depth surface
  uint32_t pitch = 0;       // floats from row to row
};

struct MergeSetup {
  PixelStore* target = nullptr;
  PixelCodec codec;
  uint32_t bytesPerPixel = 0;
  bool alphaTest = false;
  uint32_t alphaFunc = D3DCMP_ALWAYS;
  uint32_t alphaRef = 0;
  bool blend = false;
  uint32_t srcColour = D3DBLEND_ONE, dstColour = D3DBLEND_ZERO;
  uint32_t srcAlpha = D3DBLEND_ONE, dstAlpha = D3DBLEND_ZERO;
  uint32_t writeMask = 0xFFFFFFFFu;  // A8R8G8B8 bits that are written
  // Colours go straight into a 32-bit A8R8G8B8 or X8R8G8B8 target: no blending, full mask.
  bool direct = false;
  uint32_t directOr = 0;  // alpha forced on for X8R8G8B8
};

// Fails with the interface's codes for blend factors or operations the stand-in does not draw.
HRESULT prepareMerge(const DeviceState& state, PixelStore& target, MergeSetup& out);

// Compares `value` against `reference` with a D3DCMP function.
bool compare(uint32_t func, float value, float reference);

// Finishes `count` pixels from (x, y): those still live after the alpha test write their depth
// (`z`, when depth writes are on) and are blended into the target. `scratch` holds count words.
void mergeSpan(const MergeSetup& m, const DepthSetup& depth, uint32_t x, uint32_t y,
               uint32_t count, uint8_t* live, const uint32_t* argb, const float* z,
               uint32_t* scratch);

}  // namespace d3d9

#include "platform/d3d9/VertexLayout.h"

#include "platform/d3d9/D3d9States.h"

namespace d3d9 {

std::optional<VertexLayout> vertexLayout(DWORD fvf) {
  VertexLayout l;
  const DWORD position = fvf & D3DFVF_POSITION_MASK;
  uint32_t offset = 0;
  if (position == D3DFVF_XYZ) {
    offset = 12;
  } else if (position == D3DFVF_XYZRHW) {
    l.pretransformed = true;
    l.positionFloats = 4;
    offset = 16;
  } else if (position == D3DFVF_XYZW) {
    l.positionFloats = 4;
    offset = 16;
  } else if (position >= D3DFVF_XYZB1 && position <= D3DFVF_XYZB5 && !(position & 1)) {
    l.betaCount = (position - D3DFVF_XYZRHW) / 2;
    offset = 12 + 4 * l.betaCount;
  } else {
    return std::nullopt;
  }
  if (fvf & D3DFVF_NORMAL) {
    l.normal = int32_t(offset);
    offset += 12;
  }
  if (fvf & D3DFVF_PSIZE) {
    l.pointSize = int32_t(offset);
    offset += 4;
  }
  if (fvf & D3DFVF_DIFFUSE) {
    l.diffuse = int32_t(offset);
    offset += 4;
  }
  if (fvf & D3DFVF_SPECULAR) {
    l.specular = int32_t(offset);
    offset += 4;
  }
  l.texCount = (fvf & D3DFVF_TEXCOUNT_MASK) >> D3DFVF_TEXCOUNT_SHIFT;
  if (l.texCount > 8) return std::nullopt;
  for (uint32_t i = 0; i < l.texCount; ++i) {
    // Two bits per set from bit 16: 0 two floats, 1 three, 2 four, 3 one.
    static constexpr uint32_t kComponents[4] = {2, 3, 4, 1};
    l.texComponents[i] = kComponents[(fvf >> (16 + 2 * i)) & 3];
    l.texOffset[i] = offset;
    offset += 4 * l.texComponents[i];
  }
  l.stride = offset;
  return l;
}

}  // namespace d3d9

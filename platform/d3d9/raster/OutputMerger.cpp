#include "platform/d3d9/raster/OutputMerger.h"

#include <algorithm>
#include <cstring>

namespace d3d9 {
namespace {

bool factorSupported(uint32_t f) { return f >= D3DBLEND_ZERO && f <= D3DBLEND_INVDESTCOLOR; }

inline uint32_t mul255(uint32_t x, uint32_t y) {
  const uint32_t t = x * y + 128;
  return (t + (t >> 8)) >> 8;
}

// The factor for one channel: c is the channel's shift (24 for alpha).
inline uint32_t factor(uint32_t f, uint32_t src, uint32_t dst, int c) {
  switch (f) {
    case D3DBLEND_ZERO: return 0;
    case D3DBLEND_ONE: return 255;
    case D3DBLEND_SRCCOLOR: return src >> c & 255;
    case D3DBLEND_INVSRCCOLOR: return 255 - (src >> c & 255);
    case D3DBLEND_SRCALPHA: return src >> 24;
    case D3DBLEND_INVSRCALPHA: return 255 - (src >> 24);
    case D3DBLEND_DESTALPHA: return dst >> 24;
    case D3DBLEND_INVDESTALPHA: return 255 - (dst >> 24);
    case D3DBLEND_DESTCOLOR: return dst >> c & 255;
    default: return 255 - (dst >> c & 255);  // D3DBLEND_INVDESTCOLOR
  }
}

inline uint32_t blendPixel(const MergeSetup& m, uint32_t src, uint32_t dst) {
  uint32_t out = 0;
  for (int c = 0; c < 32; c += 8) {
    const bool alpha = c == 24;
    const uint32_t fs = factor(alpha ? m.srcAlpha : m.srcColour, src, dst, c);
    const uint32_t fd = factor(alpha ? m.dstAlpha : m.dstColour, src, dst, c);
    const uint32_t v = mul255(src >> c & 255, fs) + mul255(dst >> c & 255, fd);
    out |= std::min<uint32_t>(v, 255) << c;
  }
  return out;
}

}  // namespace

bool compare(uint32_t func, float value, float reference) {
  switch (func) {
    case D3DCMP_NEVER: return false;
    case D3DCMP_LESS: return value < reference;
    case D3DCMP_EQUAL: return value == reference;
    case D3DCMP_LESSEQUAL: return value <= reference;
    case D3DCMP_GREATER: return value > reference;
    case D3DCMP_NOTEQUAL: return value != reference;
    case D3DCMP_GREATEREQUAL: return value >= reference;
    default: return true;
  }
}

HRESULT prepareMerge(const DeviceState& state, PixelStore& target, MergeSetup& m) {
  const auto& rs = state.render;
  m = MergeSetup{};
  m.target = &target;
  m.codec = pixelCodec(target.format);
  const FormatInfo* info = formatInfo(target.format);
  if (!m.codec.encode || !info) return D3DERR_WRONGTEXTUREFORMAT;
  m.bytesPerPixel = info->bytesPerPixel;
  m.alphaTest = rs[D3DRS_ALPHATESTENABLE] != 0;
  m.alphaFunc = rs[D3DRS_ALPHAFUNC];
  m.alphaRef = rs[D3DRS_ALPHAREF] & 255;
  if (m.alphaFunc < D3DCMP_NEVER || m.alphaFunc > D3DCMP_ALWAYS) {
    return D3DERR_CONFLICTINGRENDERSTATE;
  }
  m.blend = rs[D3DRS_ALPHABLENDENABLE] != 0;
  m.srcColour = rs[D3DRS_SRCBLEND];
  m.dstColour = rs[D3DRS_DESTBLEND];
  const bool separate = rs[D3DRS_SEPARATEALPHABLENDENABLE] != 0;
  m.srcAlpha = separate ? rs[D3DRS_SRCBLENDALPHA] : m.srcColour;
  m.dstAlpha = separate ? rs[D3DRS_DESTBLENDALPHA] : m.dstColour;
  if (m.blend) {
    if (!factorSupported(m.srcColour) || !factorSupported(m.dstColour) ||
        !factorSupported(m.srcAlpha) || !factorSupported(m.dstAlpha)) {
      return D3DERR_UNSUPPORTEDFACTORVALUE;
    }
    if (rs[D3DRS_BLENDOP] != D3DBLENDOP_ADD ||
        (separate && rs[D3DRS_BLENDOPALPHA] != D3DBLENDOP_ADD)) {
      return D3DERR_UNSUPPORTEDFACTORVALUE;
    }
  }
  const DWORD mask = rs[D3DRS_COLORWRITEENABLE];
  m.writeMask = (mask & 1 ? 0x00FF0000u : 0) | (mask & 2 ? 0x0000FF00u : 0) |
                (mask & 4 ? 0x000000FFu : 0) | (mask & 8 ? 0xFF000000u : 0);
  if (!m.blend && target.format == D3DFMT_A8R8G8B8 && m.writeMask == 0xFFFFFFFFu) {
    m.direct = true;
  } else if (!m.blend && target.format == D3DFMT_X8R8G8B8 &&
             (m.writeMask & 0x00FFFFFFu) == 0x00FFFFFFu) {
    m.direct = true;
    m.directOr = 0xFF000000u;
  }
  return D3D_OK;
}

void mergeSpan(const MergeSetup& m, const DepthSetup& depth, uint32_t x, uint32_t y,
               uint32_t count, uint8_t* live, const uint32_t* argb, const float* z,
               uint32_t* scratch) {
  if (m.alphaTest) {
    for (uint32_t i = 0; i < count; ++i) {
      if (live[i] && !compare(m.alphaFunc, float(argb[i] >> 24), float(m.alphaRef))) live[i] = 0;
    }
  }
  if (depth.write) {
    float* row = depth.values + size_t(y) * depth.pitch + x;
    for (uint32_t i = 0; i < count; ++i) {
      if (live[i]) row[i] = z[i];
    }
  }
  uint8_t* dst = m.target->row(y) + size_t(x) * m.bytesPerPixel;
  if (m.direct) {
    for (uint32_t i = 0; i < count; ++i) {
      if (!live[i]) continue;
      const uint32_t v = argb[i] | m.directOr;
      std::memcpy(dst + size_t(i) * 4, &v, 4);
    }
    return;
  }
  m.codec.decode(dst, count, scratch);
  bool any = false;
  for (uint32_t i = 0; i < count; ++i) {
    if (!live[i]) continue;
    any = true;
    const uint32_t old = scratch[i];
    const uint32_t colour = m.blend ? blendPixel(m, argb[i], old) : argb[i];
    scratch[i] = (colour & m.writeMask) | (old & ~m.writeMask);
  }
  if (any) m.codec.encode(scratch, count, dst);
}

}  // namespace d3d9

#include "platform/d3d9/Format.h"

#include "platform/d3d9/CheckedSize.h"

#include <cstring>

namespace d3d9 {
namespace {

constexpr FormatInfo kFormats[] = {
    {D3DFMT_R8G8B8, "R8G8B8", 3, 0, false, false},
    {D3DFMT_A8R8G8B8, "A8R8G8B8", 4, 0, false, true},
    {D3DFMT_X8R8G8B8, "X8R8G8B8", 4, 0, false, false},
    {D3DFMT_R5G6B5, "R5G6B5", 2, 0, false, false},
    {D3DFMT_X1R5G5B5, "X1R5G5B5", 2, 0, false, false},
    {D3DFMT_A1R5G5B5, "A1R5G5B5", 2, 0, false, true},
    {D3DFMT_A4R4G4B4, "A4R4G4B4", 2, 0, false, true},
    {D3DFMT_X4R4G4B4, "X4R4G4B4", 2, 0, false, false},
    {D3DFMT_A8B8G8R8, "A8B8G8R8", 4, 0, false, true},
    {D3DFMT_X8B8G8R8, "X8B8G8R8", 4, 0, false, false},
    {D3DFMT_A2R10G10B10, "A2R10G10B10", 4, 0, false, true},
    {D3DFMT_DXT1, "DXT1", 0, 8, false, true},
    {D3DFMT_DXT3, "DXT3", 0, 16, false, true},
    {D3DFMT_DXT5, "DXT5", 0, 16, false, true},
    {D3DFMT_D16_LOCKABLE, "D16_LOCKABLE", 2, 0, true, false},
    {D3DFMT_D16, "D16", 2, 0, true, false},
    {D3DFMT_D15S1, "D15S1", 2, 0, true, false},
    {D3DFMT_D24X8, "D24X8", 4, 0, true, false},
    {D3DFMT_D24S8, "D24S8", 4, 0, true, false},
    {D3DFMT_D24X4S4, "D24X4S4", 4, 0, true, false},
    {D3DFMT_D32, "D32", 4, 0, true, false},
};

inline uint32_t widen(uint32_t v, int bits) {
  // Repeat the high bits into the low ones: 0 stays 0 and the maximum becomes 255.
  uint32_t x = v << (8 - bits);
  return x | (x >> bits);
}

inline uint32_t argb(uint32_t a, uint32_t r, uint32_t g, uint32_t b) {
  return a << 24 | r << 16 | g << 8 | b;
}

inline uint16_t load16(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }
inline void store16(uint8_t* p, uint32_t v) {
  p[0] = uint8_t(v);
  p[1] = uint8_t(v >> 8);
}

void decodeA8R8G8B8(const uint8_t* s, uint32_t n, uint32_t* o) { std::memcpy(o, s, size_t(n) * 4); }
void encodeA8R8G8B8(const uint32_t* c, uint32_t n, uint8_t* d) { std::memcpy(d, c, size_t(n) * 4); }
void decodeX8R8G8B8(const uint8_t* s, uint32_t n, uint32_t* o) {
  std::memcpy(o, s, size_t(n) * 4);
  for (uint32_t i = 0; i < n; ++i) o[i] |= 0xFF000000u;
}
void encodeX8R8G8B8(const uint32_t* c, uint32_t n, uint8_t* d) {
  for (uint32_t i = 0; i < n; ++i) {
    const uint32_t v = c[i] | 0xFF000000u;
    std::memcpy(d + size_t(i) * 4, &v, 4);
  }
}
void decodeABGR(const uint8_t* s, uint32_t n, uint32_t* o, bool alpha) {
  for (uint32_t i = 0; i < n; ++i, s += 4) o[i] = argb(alpha ? s[3] : 255, s[0], s[1], s[2]);
}
void decodeA8B8G8R8(const uint8_t* s, uint32_t n, uint32_t* o) { decodeABGR(s, n, o, true); }
void decodeX8B8G8R8(const uint8_t* s, uint32_t n, uint32_t* o) { decodeABGR(s, n, o, false); }
void encodeABGR(const uint32_t* c, uint32_t n, uint8_t* d, bool alpha) {
  for (uint32_t i = 0; i < n; ++i, d += 4) {
    d[0] = uint8_t(c[i] >> 16);
    d[1] = uint8_t(c[i] >> 8);
    d[2] = uint8_t(c[i]);
    d[3] = alpha ? uint8_t(c[i] >> 24) : 0xFF;
  }
}
void encodeA8B8G8R8(const uint32_t* c, uint32_t n, uint8_t* d) { encodeABGR(c, n, d, true); }
void encodeX8B8G8R8(const uint32_t* c, uint32_t n, uint8_t* d) { encodeABGR(c, n, d, false); }
void decodeR8G8B8(const uint8_t* s, uint32_t n, uint32_t* o) {
  for (uint32_t i = 0; i < n; ++i, s += 3) o[i] = argb(255, s[2], s[1], s[0]);
}
void encodeR8G8B8(const uint32_t* c, uint32_t n, uint8_t* d) {
  for (uint32_t i = 0; i < n; ++i, d += 3) {
    d[0] = uint8_t(c[i]);
    d[1] = uint8_t(c[i] >> 8);
    d[2] = uint8_t(c[i] >> 16);
  }
}
void decodeR5G6B5(const uint8_t* s, uint32_t n, uint32_t* o) {
  for (uint32_t i = 0; i < n; ++i, s += 2) {
    const uint32_t v = load16(s);
    o[i] = argb(255, widen(v >> 11, 5), widen((v >> 5) & 63, 6), widen(v & 31, 5));
  }
}
void encodeR5G6B5(const uint32_t* c, uint32_t n, uint8_t* d) {
  for (uint32_t i = 0; i < n; ++i, d += 2) {
    const uint32_t v = c[i];
    store16(d, ((v >> 19) & 31) << 11 | ((v >> 10) & 63) << 5 | ((v >> 3) & 31));
  }
}
void decode1555(const uint8_t* s, uint32_t n, uint32_t* o, bool alpha) {
  for (uint32_t i = 0; i < n; ++i, s += 2) {
    const uint32_t v = load16(s);
    const uint32_t a = alpha ? ((v >> 15) ? 255 : 0) : 255;
    o[i] = argb(a, widen((v >> 10) & 31, 5), widen((v >> 5) & 31, 5), widen(v & 31, 5));
  }
}
void decodeA1R5G5B5(const uint8_t* s, uint32_t n, uint32_t* o) { decode1555(s, n, o, true); }
void decodeX1R5G5B5(const uint8_t* s, uint32_t n, uint32_t* o) { decode1555(s, n, o, false); }
void encode1555(const uint32_t* c, uint32_t n, uint8_t* d, bool alpha) {
  for (uint32_t i = 0; i < n; ++i, d += 2) {
    const uint32_t v = c[i];
    const uint32_t a = alpha ? (v >> 31) : 1;
    store16(d, a << 15 | ((v >> 19) & 31) << 10 | ((v >> 11) & 31) << 5 | ((v >> 3) & 31));
  }
}
void encodeA1R5G5B5(const uint32_t* c, uint32_t n, uint8_t* d) { encode1555(c, n, d, true); }
void encodeX1R5G5B5(const uint32_t* c, uint32_t n, uint8_t* d) { encode1555(c, n, d, false); }
void decode4444(const uint8_t* s, uint32_t n, uint32_t* o, bool alpha) {
  for (uint32_t i = 0; i < n; ++i, s += 2) {
    const uint32_t v = load16(s);
    const uint32_t a = alpha ? (v >> 12) * 17 : 255;
    o[i] = argb(a, ((v >> 8) & 15) * 17, ((v >> 4) & 15) * 17, (v & 15) * 17);
  }
}
void decodeA4R4G4B4(const uint8_t* s, uint32_t n, uint32_t* o) { decode4444(s, n, o, true); }
void decodeX4R4G4B4(const uint8_t* s, uint32_t n, uint32_t* o) { decode4444(s, n, o, false); }
void encode4444(const uint32_t* c, uint32_t n, uint8_t* d, bool alpha) {
  for (uint32_t i = 0; i < n; ++i, d += 2) {
    const uint32_t v = c[i];
    const uint32_t a = alpha ? (v >> 28) : 15;
    store16(d, a << 12 | ((v >> 20) & 15) << 8 | ((v >> 12) & 15) << 4 | ((v >> 4) & 15));
  }
}
void encodeA4R4G4B4(const uint32_t* c, uint32_t n, uint8_t* d) { encode4444(c, n, d, true); }
void encodeX4R4G4B4(const uint32_t* c, uint32_t n, uint8_t* d) { encode4444(c, n, d, false); }

uint32_t colour565(uint32_t v) {
  return argb(255, widen(v >> 11, 5), widen((v >> 5) & 63, 6), widen(v & 31, 5));
}

// Mixes two colours channel by channel as (wa * a + wb * b) / div.
uint32_t mixColour(uint32_t a, uint32_t b, uint32_t wa, uint32_t wb, uint32_t div) {
  uint32_t out = 0xFF000000u;
  for (int shift = 0; shift < 24; shift += 8) {
    const uint32_t ca = (a >> shift) & 255, cb = (b >> shift) & 255;
    out |= ((wa * ca + wb * cb) / div) << shift;
  }
  return out;
}

void decodeColourBlock(const uint8_t* b, bool allowTransparent, uint32_t out[16]) {
  const uint32_t c0 = load16(b), c1 = load16(b + 2);
  uint32_t palette[4] = {colour565(c0), colour565(c1), 0, 0};
  if (c0 > c1 || !allowTransparent) {
    palette[2] = mixColour(palette[0], palette[1], 2, 1, 3);
    palette[3] = mixColour(palette[0], palette[1], 1, 2, 3);
  } else {
    palette[2] = mixColour(palette[0], palette[1], 1, 1, 2);
    palette[3] = 0;  // transparent black
  }
  for (int i = 0; i < 16; ++i) out[i] = palette[(b[4 + i / 4] >> ((i % 4) * 2)) & 3];
}

}  // namespace

const FormatInfo* formatInfo(D3DFORMAT format) {
  for (const auto& f : kFormats) {
    if (f.format == format) return &f;
  }
  return nullptr;
}

std::optional<size_t> formatRowBytes(D3DFORMAT format, uint32_t width) {
  const FormatInfo* info = formatInfo(format);
  if (!info) return std::nullopt;
  if (info->blockBytes) return checkedMul((size_t(width) + 3) / 4, info->blockBytes);
  return checkedMul(width, info->bytesPerPixel);
}

uint32_t formatRowCount(D3DFORMAT format, uint32_t height) {
  const FormatInfo* info = formatInfo(format);
  if (info && info->blockBytes) return uint32_t((uint64_t(height) + 3) / 4);
  return height;
}

PixelCodec pixelCodec(D3DFORMAT format) {
  switch (format) {
    case D3DFMT_A8R8G8B8: return {decodeA8R8G8B8, encodeA8R8G8B8};
    case D3DFMT_X8R8G8B8: return {decodeX8R8G8B8, encodeX8R8G8B8};
    case D3DFMT_A8B8G8R8: return {decodeA8B8G8R8, encodeA8B8G8R8};
    case D3DFMT_X8B8G8R8: return {decodeX8B8G8R8, encodeX8B8G8R8};
    case D3DFMT_R8G8B8: return {decodeR8G8B8, encodeR8G8B8};
    case D3DFMT_R5G6B5: return {decodeR5G6B5, encodeR5G6B5};
    case D3DFMT_X1R5G5B5: return {decodeX1R5G5B5, encodeX1R5G5B5};
    case D3DFMT_A1R5G5B5: return {decodeA1R5G5B5, encodeA1R5G5B5};
    case D3DFMT_A4R4G4B4: return {decodeA4R4G4B4, encodeA4R4G4B4};
    case D3DFMT_X4R4G4B4: return {decodeX4R4G4B4, encodeX4R4G4B4};
    default: return {};
  }
}

void decodeDxtBlock(D3DFORMAT format, const uint8_t* block, uint32_t out[16]) {
  if (format == D3DFMT_DXT1) {
    decodeColourBlock(block, true, out);
    return;
  }
  decodeColourBlock(block + 8, false, out);
  if (format == D3DFMT_DXT3) {
    for (int i = 0; i < 16; ++i) {
      const uint32_t a = (block[i / 2] >> ((i % 2) * 4)) & 15;
      out[i] = (out[i] & 0x00FFFFFFu) | (a * 17) << 24;
    }
    return;
  }
  // DXT5: two alpha end points and a 3-bit index per pixel.
  const uint32_t a0 = block[0], a1 = block[1];
  uint32_t alphas[8] = {a0, a1};
  for (uint32_t i = 1; i < 7; ++i) {
    if (a0 > a1) {
      alphas[i + 1] = ((7 - i) * a0 + i * a1) / 7;
    } else if (i < 5) {
      alphas[i + 1] = ((5 - i) * a0 + i * a1) / 5;
    }
  }
  if (a0 <= a1) {
    alphas[6] = 0;
    alphas[7] = 255;
  }
  uint64_t bits = 0;
  for (int i = 0; i < 6; ++i) bits |= uint64_t(block[2 + i]) << (8 * i);
  for (int i = 0; i < 16; ++i) {
    out[i] = (out[i] & 0x00FFFFFFu) | alphas[(bits >> (3 * i)) & 7] << 24;
  }
}

}  // namespace d3d9

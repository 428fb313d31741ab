#pragma once

// A GDI-shaped text layer over FreeType: memory device contexts, fonts made from a logical
// font record, text metrics, glyph outlines as grey bitmaps and ABC widths. It offers what
// sprite layer 1 draws its texts with, under the project's own declarations; records keep the
// fields and values the runtime reads, results keep GDI's conventions (0 or null on failure,
// kGdiError from GetGlyphOutlineW).
//
// Face names map to font files of the machine (fixed Debian paths first, then a fallback); the
// Japanese gothic faces map to IPA Gothic. Rendered glyphs are cached per font and character.
// Everything runs on one thread at a time.

#include <cstdint>

namespace gdi {

struct DeviceContext;
struct Font;
using HDC = DeviceContext*;
using HFONT = Font*;
using HGDIOBJ = void*;

inline constexpr uint32_t kGdiError = 0xFFFFFFFFu;

inline constexpr int32_t FW_NORMAL = 400;
inline constexpr uint8_t SHIFTJIS_CHARSET = 128;
inline constexpr uint8_t PROOF_QUALITY = 2;
inline constexpr uint8_t FIXED_PITCH = 0x01;
inline constexpr uint8_t FF_MODERN = 0x30;

// Formats of GetGlyphOutlineW; only the 17-level grey bitmap is offered.
inline constexpr uint32_t GGO_GRAY4_BITMAP = 5;

struct LOGFONTW {
  int32_t lfHeight;  // < 0: the em size in pixels; > 0: the cell height
  int32_t lfWidth;
  int32_t lfEscapement;
  int32_t lfOrientation;
  int32_t lfWeight;
  uint8_t lfItalic;
  uint8_t lfUnderline;
  uint8_t lfStrikeOut;
  uint8_t lfCharSet;
  uint8_t lfOutPrecision;
  uint8_t lfClipPrecision;
  uint8_t lfQuality;
  uint8_t lfPitchAndFamily;
  char16_t lfFaceName[32];
};

struct TEXTMETRICW {
  int32_t tmHeight;
  int32_t tmAscent;
  int32_t tmDescent;
  int32_t tmInternalLeading;
  int32_t tmExternalLeading;
  int32_t tmAveCharWidth;
  int32_t tmMaxCharWidth;
  int32_t tmWeight;
  int32_t tmOverhang;
  int32_t tmDigitizedAspectX;
  int32_t tmDigitizedAspectY;
  char16_t tmFirstChar;
  char16_t tmLastChar;
  char16_t tmDefaultChar;
  char16_t tmBreakChar;
  uint8_t tmItalic;
  uint8_t tmUnderlined;
  uint8_t tmStruckOut;
  uint8_t tmPitchAndFamily;
  uint8_t tmCharSet;
};

struct POINT {
  int32_t x;
  int32_t y;
};

struct GLYPHMETRICS {
  uint32_t gmBlackBoxX;
  uint32_t gmBlackBoxY;
  POINT gmptGlyphOrigin;  // left of the box from the pen; top of the box above the baseline
  int16_t gmCellIncX;
  int16_t gmCellIncY;
};

struct FIXED {
  uint16_t fract;
  int16_t value;
};

struct MAT2 {
  FIXED eM11, eM12, eM21, eM22;
};

inline constexpr MAT2 kIdentityMat2{{0, 1}, {0, 0}, {0, 0}, {0, 1}};

struct ABC {
  int32_t abcA;
  uint32_t abcB;
  int32_t abcC;
};

// A memory device context; the reference context must be null (no display exists).
HDC CreateCompatibleDC(HDC reference);
bool DeleteDC(HDC dc);
// A font of the face nearest the record, or null when no font file can be opened or the
// height is 0.
HFONT CreateFontIndirectW(const LOGFONTW* font);
// Selects a font into the context and returns the one it held before (null at first).
HGDIOBJ SelectObject(HDC dc, HGDIOBJ object);
// Frees a font; refused (false) while a context holds it.
bool DeleteObject(HGDIOBJ object);
bool GetTextMetricsW(HDC dc, TEXTMETRICW* metrics);
// GGO_GRAY4_BITMAP with the identity matrix: rows from the top, each padded to a multiple of
// four bytes, one byte a pixel holding 0 to 16. Without a buffer (or with size 0) the size
// the bitmap needs; with one, the bytes written. kGdiError on any failure, including a buffer
// smaller than the bitmap. A blank glyph has size 0 and a 1 x 1 box.
uint32_t GetGlyphOutlineW(HDC dc, uint32_t character, uint32_t format, GLYPHMETRICS* metrics,
                          uint32_t bufferSize, void* buffer, const MAT2* matrix);
// The A, B and C widths of the characters first to last into abc[0 .. last - first].
bool GetCharABCWidthsW(HDC dc, uint32_t first, uint32_t last, ABC* abc);

// The font file a face name maps to, or an empty string when none exists on this machine.
const char* FontFileForFace(const char16_t* faceName);

}  // namespace gdi

#include "platform/glyph/Gdi.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace gdi {

namespace {

// One rendered glyph in the layout GetGlyphOutlineW hands out.
struct Glyph {
  bool ok = false;
  GLYPHMETRICS metrics{};
  ABC abc{};
  std::vector<uint8_t> bitmap;  // pitch x black box height bytes; empty for a blank glyph
};

FT_Library library() {
  static FT_Library lib = [] {
    FT_Library l = nullptr;
    return FT_Init_FreeType(&l) == 0 ? l : nullptr;
  }();
  return lib;
}

int32_t scaled(int64_t units, int64_t em, int64_t unitsPerEm) {
  return static_cast<int32_t>((units * em + unitsPerEm / 2) / unitsPerEm);
}

// The 8-bit coverage FreeType gives, brought to GDI's 17 grey levels with rounding.
uint8_t greyLevel(uint8_t coverage) {
  return static_cast<uint8_t>((coverage * 16u + 127u) / 255u);
}

}  // namespace

struct Font {
  FT_Face face = nullptr;
  TEXTMETRICW metrics{};
  std::map<uint32_t, Glyph> glyphs;
  uint32_t selections = 0;  // contexts that hold the font

  ~Font() {
    if (face != nullptr) FT_Done_Face(face);
  }

  const Glyph& glyph(uint32_t character) {
    auto found = glyphs.find(character);
    if (found != glyphs.end()) return found->second;
    Glyph& g = glyphs[character];
    if (FT_Load_Char(face, character, FT_LOAD_NO_BITMAP | FT_LOAD_RENDER) != 0) return g;
    const FT_GlyphSlot slot = face->glyph;
    const FT_Bitmap& bm = slot->bitmap;
    const int32_t advance = static_cast<int32_t>((slot->advance.x + 32) >> 6);
    g.metrics.gmCellIncX = static_cast<int16_t>(advance);
    g.metrics.gmCellIncY = 0;
    if (bm.width == 0 || bm.rows == 0 || bm.pixel_mode != FT_PIXEL_MODE_GRAY) {
      g.metrics.gmBlackBoxX = 1;
      g.metrics.gmBlackBoxY = 1;
      g.metrics.gmptGlyphOrigin = {0, 0};
    } else {
      g.metrics.gmBlackBoxX = bm.width;
      g.metrics.gmBlackBoxY = bm.rows;
      g.metrics.gmptGlyphOrigin = {slot->bitmap_left, slot->bitmap_top};
      const uint32_t pitch = (bm.width + 3u) & ~3u;
      g.bitmap.assign(static_cast<size_t>(pitch) * bm.rows, 0);
      for (uint32_t y = 0; y < bm.rows; ++y) {
        const uint8_t* src = bm.buffer + static_cast<ptrdiff_t>(y) * bm.pitch;
        for (uint32_t x = 0; x < bm.width; ++x) g.bitmap[y * pitch + x] = greyLevel(src[x]);
      }
    }
    g.abc.abcA = g.metrics.gmptGlyphOrigin.x;
    g.abc.abcB = g.metrics.gmBlackBoxX;
    g.abc.abcC = advance - g.abc.abcA - static_cast<int32_t>(g.abc.abcB);
    g.ok = true;
    return g;
  }
};

struct DeviceContext {
  Font* font = nullptr;
};

namespace {

std::set<const Font*>& liveFonts() {
  static std::set<const Font*> fonts;
  return fonts;
}

Font* fontOf(HGDIOBJ object) {
  Font* f = static_cast<Font*>(object);
  return liveFonts().count(f) != 0 ? f : nullptr;
}

bool fileExists(const std::string& path) {
  FILE* f = std::fopen(path.c_str(), "rb");
  if (f == nullptr) return false;
  std::fclose(f);
  return true;
}

bool isGothicFace(const std::u16string& face) {
  static const char16_t* const kGothic[] = {u"ＭＳ ゴシック", u"ＭＳ Ｐゴシック", u"MS Gothic",
                                            u"MS PGothic", u"IPAGothic"};
  for (const char16_t* name : kGothic) {
    if (face == name) return true;
  }
  return face.find(u"ゴシック") != std::u16string::npos;
}

// The first TrueType or OpenType file under a folder, in path order, so every run on a
// machine picks the same one.
std::string firstFontUnder(const std::string& folder) {
  std::error_code error;
  std::vector<std::string> found;
  for (auto it = std::filesystem::recursive_directory_iterator(folder, error);
       !error && it != std::filesystem::recursive_directory_iterator(); it.increment(error)) {
    const std::string ext = it->path().extension().string();
    if (ext == ".ttf" || ext == ".otf" || ext == ".ttc") found.push_back(it->path().string());
  }
  std::sort(found.begin(), found.end());
  return found.empty() ? std::string() : found.front();
}

}  // namespace

const char* FontFileForFace(const char16_t* faceName) {
  static std::map<std::u16string, std::string> chosen;
  const std::u16string face = faceName != nullptr ? faceName : u"";
  auto found = chosen.find(face);
  if (found != chosen.end()) return found->second.c_str();
  std::vector<std::string> candidates = {
      "/usr/share/fonts/opentype/ipafont-gothic/ipag.ttf",
      "/usr/share/fonts/truetype/fonts-japanese-gothic.ttf",
      "/usr/share/fonts/truetype/ipafont/ipag.ttf",
  };
  if (!isGothicFace(face)) {
    candidates.insert(candidates.begin(), "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf");
  }
  std::string path;
  for (const std::string& c : candidates) {
    if (fileExists(c)) {
      path = c;
      break;
    }
  }
  if (path.empty()) path = firstFontUnder("/usr/share/fonts");
  return chosen.emplace(face, path).first->second.c_str();
}

HDC CreateCompatibleDC(HDC reference) {
  if (reference != nullptr) return nullptr;
  return new DeviceContext;
}

bool DeleteDC(HDC dc) {
  if (dc == nullptr) return false;
  if (dc->font != nullptr) --dc->font->selections;
  delete dc;
  return true;
}

HFONT CreateFontIndirectW(const LOGFONTW* logfont) {
  FT_Library lib = library();
  if (logfont == nullptr || lib == nullptr || logfont->lfHeight == 0) return nullptr;
  char16_t face[33] = {};
  std::memcpy(face, logfont->lfFaceName, sizeof logfont->lfFaceName);
  const char* file = FontFileForFace(face);
  if (file == nullptr || file[0] == 0) return nullptr;
  auto font = std::make_unique<Font>();
  if (FT_New_Face(lib, file, 0, &font->face) != 0) {
    font->face = nullptr;
    return nullptr;
  }
  FT_Face f = font->face;
  const int64_t upem = f->units_per_EM != 0 ? f->units_per_EM : 1000;
  const TT_OS2* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(f, FT_SFNT_OS2));
  int64_t ascentUnits = f->ascender;
  int64_t descentUnits = -f->descender;
  if (os2 != nullptr && os2->usWinAscent + os2->usWinDescent != 0) {
    ascentUnits = os2->usWinAscent;
    descentUnits = os2->usWinDescent;
  }
  // A negative height is the em size; a positive one the whole cell (ascent + descent).
  int64_t em = -static_cast<int64_t>(logfont->lfHeight);
  if (logfont->lfHeight > 0) {
    em = (static_cast<int64_t>(logfont->lfHeight) * upem + (ascentUnits + descentUnits) / 2) /
         std::max<int64_t>(1, ascentUnits + descentUnits);
  }
  if (em <= 0 || em > 4096 || FT_Set_Pixel_Sizes(f, 0, static_cast<FT_UInt>(em)) != 0) {
    return nullptr;
  }
  TEXTMETRICW& tm = font->metrics;
  tm.tmAscent = scaled(ascentUnits, em, upem);
  tm.tmDescent = scaled(descentUnits, em, upem);
  tm.tmHeight = tm.tmAscent + tm.tmDescent;
  tm.tmInternalLeading = std::max<int32_t>(0, tm.tmHeight - static_cast<int32_t>(em));
  const int64_t lineUnits = f->height;  // ascender - descender + line gap
  tm.tmExternalLeading =
      std::max<int32_t>(0, scaled(lineUnits - (ascentUnits + descentUnits), em, upem));
  tm.tmAveCharWidth = os2 != nullptr ? scaled(os2->xAvgCharWidth, em, upem)
                                     : static_cast<int32_t>(em / 2);
  tm.tmMaxCharWidth = scaled(f->max_advance_width, em, upem);
  tm.tmWeight = logfont->lfWeight != 0 ? logfont->lfWeight : FW_NORMAL;
  tm.tmDigitizedAspectX = 96;
  tm.tmDigitizedAspectY = 96;
  tm.tmFirstChar = 0x20;
  tm.tmLastChar = 0xFFFC;
  tm.tmDefaultChar = 0x1F;
  tm.tmBreakChar = 0x20;
  tm.tmPitchAndFamily = logfont->lfPitchAndFamily;
  tm.tmCharSet = logfont->lfCharSet;
  Font* made = font.release();
  liveFonts().insert(made);
  return made;
}

HGDIOBJ SelectObject(HDC dc, HGDIOBJ object) {
  Font* font = fontOf(object);
  if (dc == nullptr || font == nullptr) return nullptr;
  Font* previous = dc->font;
  if (previous != nullptr) --previous->selections;
  dc->font = font;
  ++font->selections;
  return previous;
}

bool DeleteObject(HGDIOBJ object) {
  Font* font = fontOf(object);
  if (font == nullptr || font->selections != 0) return false;
  liveFonts().erase(font);
  delete font;
  return true;
}

bool GetTextMetricsW(HDC dc, TEXTMETRICW* metrics) {
  if (dc == nullptr || dc->font == nullptr || metrics == nullptr) return false;
  *metrics = dc->font->metrics;
  return true;
}

uint32_t GetGlyphOutlineW(HDC dc, uint32_t character, uint32_t format, GLYPHMETRICS* metrics,
                          uint32_t bufferSize, void* buffer, const MAT2* matrix) {
  if (dc == nullptr || dc->font == nullptr || metrics == nullptr || matrix == nullptr ||
      format != GGO_GRAY4_BITMAP || std::memcmp(matrix, &kIdentityMat2, sizeof(MAT2)) != 0) {
    return kGdiError;
  }
  const Glyph& g = dc->font->glyph(character);
  if (!g.ok) return kGdiError;
  *metrics = g.metrics;
  const uint32_t size = static_cast<uint32_t>(g.bitmap.size());
  if (buffer == nullptr || bufferSize == 0) return size;
  if (bufferSize < size) return kGdiError;
  std::memcpy(buffer, g.bitmap.data(), size);
  return size;
}

bool GetCharABCWidthsW(HDC dc, uint32_t first, uint32_t last, ABC* abc) {
  if (dc == nullptr || dc->font == nullptr || abc == nullptr || last < first) return false;
  for (uint32_t c = first; c <= last; ++c) {
    const Glyph& g = dc->font->glyph(c);
    if (!g.ok) return false;
    abc[c - first] = g.abc;
  }
  return true;
}

}  // namespace gdi

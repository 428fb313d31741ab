// The process-wide font (one TrueType file in memory behind FreeType's caches), the device
// set's fonts per pixel size, and glyphs drawn into text surfaces.

#include "foundation/omb/file/ombFile.h"
#include "foundation/omb/ombLog.h"
#include "render/device/L3DDevice.h"
#include "render/sprite2/Sprite2Internal.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace sprite2 {
namespace {

struct FontState {
  bool ready = false;
  std::vector<uint8_t> bytes;
  FT_Library library = nullptr;
  FTC_Manager manager = nullptr;
  FTC_CMapCache cmaps = nullptr;
  FTC_ImageCache images = nullptr;
};

FontState& state() {
  static FontState s;
  return s;
}

// The face id is the font bytes; the requester opens face 0 of whatever bytes are loaded.
FT_Error requestFace(FTC_FaceID, FT_Library library, FT_Pointer, FT_Face* face) {
  const FontState& s = state();
  if (s.bytes.empty()) {
    return FT_Err_Invalid_Argument;
  }
  return FT_New_Memory_Face(library, s.bytes.data(), static_cast<FT_Long>(s.bytes.size()), 0, face);
}

FTC_FaceID faceId() {
  return static_cast<FTC_FaceID>(state().bytes.data());
}

void fatalInit(const char16_t* what) {
  ombLogPrintf(OMB_LOG_ERROR, u"Error: [%s] %ls", "sprite2Init", what);
}

}  // namespace

void* fontCreate(void* context, uint32_t pixelSize, uint32_t flags) {
  static const char kTag[] = "fontCreate";
  DeviceSet* set = static_cast<DeviceSet*>(context);
  ombLogPrintf(OMB_LOG_DEBUG, u"Debug: [%s] create font(%d/%x)", kTag, pixelSize, flags);
  FontState& s = state();
  FTC_ScalerRec scaler{};
  scaler.face_id = faceId();
  scaler.width = 0;
  scaler.height = pixelSize;
  scaler.pixel = 1;
  FT_Size size = nullptr;
  if (!s.ready || FTC_Manager_LookupSize(s.manager, &scaler, &size) != 0) {
    ombLogPrintf(OMB_LOG_DEBUG, u"Debug: [%s] can't lookup size", kTag);
    return nullptr;
  }
  Font* f = new Font{};
  f->set = set;
  f->pixelSize = pixelSize;
  f->lineHeight = static_cast<uint32_t>(size->metrics.height >> 6);
  f->ascender = static_cast<int32_t>(size->metrics.ascender >> 6);
  f->type.face_id = faceId();
  f->type.width = 0;
  f->type.height = pixelSize;
  f->type.flags = FT_LOAD_RENDER | FT_LOAD_FORCE_AUTOHINT;
  set->fonts.push_back(f);
  return f;
}

void fontDestroy(void* font) {
  Font* f = static_cast<Font*>(font);
  auto& list = f->set->fonts;
  list.erase(std::find(list.begin(), list.end(), f));
  delete f;
}

int32_t fontRender(void* font, char16_t character) {
  static const char kTag[] = "fontRender";
  Font* f = static_cast<Font*>(font);
  FontState& s = state();
  f->advance = 0;
  f->glyph = nullptr;
  const FT_UInt index = s.ready ? FTC_CMapCache_Lookup(s.cmaps, faceId(), 0, character) : 0;
  FT_Glyph glyph = nullptr;
  if (index == 0 || FTC_ImageCache_Lookup(s.images, &f->type, index, &glyph, nullptr) != 0 ||
      glyph == nullptr || glyph->format != FT_GLYPH_FORMAT_BITMAP) {
    const char16_t text[2] = {character, 0};
    ombLogPrintf(OMB_LOG_DEBUG, u"Debug: [%s] can't render (%ls)", kTag, text);
    return static_cast<int32_t>(0x80000006u);
  }
  // The pen keeps the whole 16-bit fraction, so half-pixel advances alternate between their
  // floor and their ceiling instead of always losing the half.
  f->advance = takeAdvance(f->carry, glyph->advance.x);
  f->glyph = reinterpret_cast<FT_BitmapGlyph>(glyph);
  return 1;
}

void fontMetrics(uint32_t* advance, uint32_t* lineHeight, void* font) {
  const Font* f = static_cast<const Font*>(font);
  *advance = f->advance;
  *lineHeight = f->lineHeight;
}

int32_t fontDraw(void* surface, uint32_t x, uint32_t y, uint32_t boxWidth, uint32_t boxHeight,
                 float red, float green, float blue, void* font, const uint8_t* gamma) {
  static const char kTag[] = "fontDraw";
  const Surface* s = static_cast<const Surface*>(surface);
  const Font* f = static_cast<const Font*>(font);
  if (s->kind != 1) {
    ombLogPrintf(OMB_LOG_DEBUG, u"Debug: [%s] not font texture", kTag);
    return static_cast<int32_t>(0x80000002u);
  }
  if (f->glyph == nullptr) {
    ombLogPrintf(OMB_LOG_DEBUG, u"Debug: [%s] not exist rendering image", kTag);
    return static_cast<int32_t>(0x80000002u);
  }
  const FT_Bitmap& bitmap = f->glyph->bitmap;
  // Signed placement: a glyph reaching left of or above the surface (a negative bearing at
  // x 0) is clipped there, not dropped.
  const int64_t x0 = static_cast<int64_t>(x) + f->glyph->left;
  const int64_t y0 = static_cast<int64_t>(y) + f->ascender - f->glyph->top;
  const int64_t x1 = std::min({x0 + static_cast<int64_t>(bitmap.width),
                               static_cast<int64_t>(s->width),
                               static_cast<int64_t>(x) + boxWidth});
  const int64_t y1 = std::min({y0 + static_cast<int64_t>(bitmap.rows),
                               static_cast<int64_t>(s->height),
                               static_cast<int64_t>(y) + boxHeight});
  const int64_t left = std::max<int64_t>(x0, 0);
  const int64_t top = std::max<int64_t>(y0, 0);
  L3DTexture* t = s->texture.Get();
  if (left >= x1 || top >= y1 || left >= t->width || top >= t->height) {
    return 1;
  }
  const uint32_t width = static_cast<uint32_t>(std::min<int64_t>(x1, t->width) - left);
  const uint32_t height = static_cast<uint32_t>(std::min<int64_t>(y1, t->height) - top);
  const uint8_t r = colorFloatToByte(red);
  const uint8_t g = colorFloatToByte(green);
  const uint8_t b = colorFloatToByte(blue);
  if (t->kind != 0 && t->kind != 2 && t->kind != 5) {
    ombLogPrintf(OMB_LOG_ERROR, u"Error: [%s] can't support format", kTag);
    return static_cast<int32_t>(0x80000002u);
  }
  int32_t pitch = 0;
  uint8_t* bits = static_cast<uint8_t*>(t->Lock(static_cast<uint32_t>(left),
                                                static_cast<uint32_t>(top), width, height, pitch));
  const uint32_t skipX = static_cast<uint32_t>(left - x0);
  const uint32_t skipY = static_cast<uint32_t>(top - y0);
  for (uint32_t j = 0; j < height; ++j) {
    const uint8_t* coverage = bitmap.buffer + static_cast<std::ptrdiff_t>(j + skipY) * bitmap.pitch;
    uint8_t* row = bits + static_cast<std::size_t>(j) * pitch;
    for (uint32_t i = 0; i < width; ++i) {
      const uint8_t alpha = gamma[coverage[i + skipX]];
      if (t->kind == 0) {
        const uint8_t px[4] = {r, g, b, alpha};
        std::memcpy(row + i * 4, px, 4);
      } else if (t->kind == 2) {
        const uint8_t px[4] = {b, g, r, alpha};
        std::memcpy(row + i * 4, px, 4);
      } else {
        // 16-bit surfaces: the gamma-corrected coverage rounded to four bits.
        const uint32_t a4 = (alpha * 15u + 127u) / 255u;
        const uint16_t v = static_cast<uint16_t>(a4 << 12 | (r >> 4) << 8 | (g >> 4) << 4 | (b >> 4));
        std::memcpy(row + i * 2, &v, 2);
      }
    }
  }
  t->texture->UnlockRect(0);
  return 1;
}

}  // namespace sprite2

using namespace sprite2;

void sprite2InitFromBytes(std::span<const uint8_t> font) {
  FontState& s = state();
  if (s.ready) {
    return;
  }
  s.bytes.assign(font.begin(), font.end());
  if (FT_Init_FreeType(&s.library) != 0) {
    fatalInit(u"FT_Init_FreeType");
    return;
  }
  if (FTC_Manager_New(s.library, 0, 0, 200000, &requestFace, nullptr, &s.manager) != 0) {
    fatalInit(u"FTC_Manager_New");
    return;
  }
  FT_Face face = nullptr;
  if (FTC_CMapCache_New(s.manager, &s.cmaps) != 0 ||
      FTC_ImageCache_New(s.manager, &s.images) != 0 ||
      FTC_Manager_LookupFace(s.manager, faceId(), &face) != 0) {
    fatalInit(u"can't open sys/font.ttf");
    return;
  }
  s.ready = true;
}

void sprite2Init() {
  if (state().ready) {
    return;
  }
  OMB_FILE* file = ombFileOpen(0, u"sys/font.ttf", 0);
  if (file == nullptr) {
    ombLogPrintf(OMB_LOG_ERROR, u"Error: [%s] \"%ls\"を開けません。", "File::create",
                 u"sys/font.ttf");
    return;
  }
  uint64_t size = 0;
  std::vector<uint8_t> bytes;
  uint32_t read = 0;
  bool ok = ombFileGetSize(&size, file) >= 0 && size <= 0x7FFFFFFFu;
  if (ok) {
    bytes.resize(static_cast<std::size_t>(size));
    ok = ombFileRead(&read, bytes.data(), static_cast<uint32_t>(size), file) >= 0 && read == size;
  }
  ombFileClose(file);
  if (!ok) {
    fatalInit(u"can't read sys/font.ttf");
    return;
  }
  sprite2InitFromBytes(bytes);
}

void sprite2Term() {
  FontState& s = state();
  if (s.manager != nullptr) {
    FTC_Manager_Done(s.manager);
  }
  if (s.library != nullptr) {
    FT_Done_FreeType(s.library);
  }
  s = FontState{};
}

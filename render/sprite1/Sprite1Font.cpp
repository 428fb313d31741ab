// GDI fonts and the texts written into dynamic images: white pixels whose alpha is the glyph
// coverage.

#include "foundation/omb/ombLog.h"
#include "render/sprite1/sprite1.h"

#include <algorithm>
#include <cstring>

namespace sprite1 {

namespace {

constexpr char16_t kGothicFace[] = u"ＭＳ ゴシック";
constexpr uint32_t kTextureKindA4R4G4B4 = 5;

void renderFailed(const char* tag, char16_t character) {
  ombLogPrintf(OMB_LOG_ERROR, u"Error: [%s] フォントをレンダリングできませんでした(%lc)", tag,
               static_cast<int>(character));
}

void release(FontContext* context) {
  if (context->dc != nullptr) gdi::DeleteDC(context->dc);
  if (context->font != nullptr) gdi::DeleteObject(context->font);
  delete context;
}

}  // namespace

FontContext* fontCreate(int32_t size, bool eightBit) {
  FontContext* context = new FontContext;
  context->dc = gdi::CreateCompatibleDC(nullptr);
  gdi::LOGFONTW lf{};
  lf.lfHeight = -size;
  lf.lfWeight = gdi::FW_NORMAL;
  lf.lfCharSet = gdi::SHIFTJIS_CHARSET;
  lf.lfQuality = gdi::PROOF_QUALITY;
  lf.lfPitchAndFamily = gdi::FIXED_PITCH | gdi::FF_MODERN;
  std::copy(std::begin(kGothicFace), std::end(kGothicFace), lf.lfFaceName);
  context->font = context->dc != nullptr ? gdi::CreateFontIndirectW(&lf) : nullptr;
  gdi::GLYPHMETRICS gm{};
  const uint32_t s =
      context->font != nullptr && gdi::SelectObject(context->dc, context->font) == nullptr &&
              gdi::GetTextMetricsW(context->dc, &context->metrics)
          ? gdi::GetGlyphOutlineW(context->dc, 0x78BA, gdi::GGO_GRAY4_BITMAP, &gm, 0, nullptr,
                                  &gdi::kIdentityMat2)
          : gdi::kGdiError;
  if (s == gdi::kGdiError) {
    release(context);
    ombLogPrintf(OMB_LOG_ERROR, u"Error: [%s] フォントを作成できませんでした", "fontCreate");
    return nullptr;
  }
  context->eightBit = eightBit;
  context->scale = eightBit ? 255.0f * 0.0625f : 15.0f * 0.0625f;
  context->glyph.resize(s / 2 + s * 2);
  context->lineHeight = context->metrics.tmHeight + context->metrics.tmExternalLeading;
  return context;
}

void fontContextDestroy(FontContext* context) {
  if (context != nullptr) release(context);
}

int32_t fontRender(FontContext* context, void* destination, int32_t width, int32_t height,
                   int32_t pitch, char16_t character) {
  gdi::GLYPHMETRICS gm{};
  const uint32_t size = gdi::GetGlyphOutlineW(context->dc, character, gdi::GGO_GRAY4_BITMAP, &gm,
                                              0, nullptr, &gdi::kIdentityMat2);
  if (size == gdi::kGdiError) {
    renderFailed("fontRender", character);
    return 0;
  }
  if (context->glyph.size() < size) context->glyph.resize(size);
  if (size != 0 &&
      gdi::GetGlyphOutlineW(context->dc, character, gdi::GGO_GRAY4_BITMAP, &gm, size,
                            context->glyph.data(), &gdi::kIdentityMat2) == gdi::kGdiError) {
    renderFailed("fontRender", character);
    return 0;
  }
  context->boxWidth = gm.gmBlackBoxX;
  context->pitch = (gm.gmBlackBoxX + 3) & ~3u;
  context->boxHeight = gm.gmBlackBoxY;
  context->originX = gm.gmptGlyphOrigin.x;
  context->top = context->metrics.tmAscent - gm.gmptGlyphOrigin.y;
  gdi::ABC abc{};
  if (!gdi::GetCharABCWidthsW(context->dc, character, character, &abc)) {
    renderFailed("fontRender", character);
    return 0;
  }
  context->advance = abc.abcA + static_cast<int32_t>(abc.abcB) + abc.abcC;
  const int64_t right = int64_t{context->originX} + context->boxWidth;
  const int64_t bottom = int64_t{context->top} + context->boxHeight;
  if (width < right || height < bottom) return 0;
  // A blank glyph has no bitmap: the buffer still holds the previous glyph.
  if (size == 0) return context->advance;
  auto* bytes = static_cast<uint8_t*>(destination);
  for (uint32_t row = 0; row < context->boxHeight; ++row) {
    const int32_t y = context->top + static_cast<int32_t>(row);
    // Parts of a glyph left of or above the destination (a negative bearing, a glyph taller
    // than the ascent) are clipped rather than written before it.
    if (y < 0) continue;
    const uint8_t* source = context->glyph.data() + static_cast<size_t>(row) * context->pitch;
    for (uint32_t column = 0; column < context->boxWidth; ++column) {
      const int32_t x = context->originX + static_cast<int32_t>(column);
      if (x < 0) continue;
      const uint32_t v = static_cast<uint32_t>(static_cast<float>(source[column]) * context->scale +
                                               0.5f);
      uint8_t* at = bytes + static_cast<ptrdiff_t>(y) * pitch;
      if (context->eightBit) {
        uint32_t pixel;
        std::memcpy(&pixel, at + static_cast<ptrdiff_t>(x) * 4, 4);
        pixel |= v << 24;
        std::memcpy(at + static_cast<ptrdiff_t>(x) * 4, &pixel, 4);
      } else {
        uint16_t pixel;
        std::memcpy(&pixel, at + static_cast<ptrdiff_t>(x) * 2, 2);
        pixel = static_cast<uint16_t>(pixel | v << 12);
        std::memcpy(at + static_cast<ptrdiff_t>(x) * 2, &pixel, 2);
      }
    }
  }
  return context->advance;
}

int32_t fontGetSpaceSize(FontContext* context) {
  gdi::ABC abc{};
  if (!gdi::GetCharABCWidthsW(context->dc, u'W', u'W', &abc)) {
    renderFailed("fontGetSpaceSize", u'W');
    return 0;
  }
  return abc.abcA + static_cast<int32_t>(abc.abcB) + abc.abcC;
}

void imageClear(Image* image) {
  L3DTexture* t = image->texture.Get();
  if (t == nullptr) return;
  int32_t pitch = 0;
  auto* bits = static_cast<uint8_t*>(t->Lock(0, 0, t->width, t->height, pitch));
  for (uint32_t y = 0; y < t->height; ++y) {
    uint8_t* row = bits + static_cast<ptrdiff_t>(y) * pitch;
    for (uint32_t x = 0; x < t->width; ++x) {
      if (t->kind == 0 || t->kind == 2) {
        const uint32_t white = 0x00FFFFFFu;
        std::memcpy(row + x * 4, &white, 4);
      } else if (t->kind == kTextureKindA4R4G4B4) {
        const uint16_t white = 0x0FFF;
        std::memcpy(row + x * 2, &white, 2);
      }
    }
  }
  t->texture->UnlockRect(0);
}

std::pair<int32_t, int32_t> imageDrawText(Image* image, Font* font, const char16_t* text) {
  FontContext* context = font->context;
  L3DTexture* t = image->texture.Get();
  if (context == nullptr || t == nullptr) return {0, 0};
  imageClear(image);
  int32_t width = 0, height = 0;
  int32_t pitch = 0;
  auto* bits = static_cast<uint8_t*>(t->Lock(0, 0, t->width, t->height, pitch));
  const int32_t pixelSize = t->kind == kTextureKindA4R4G4B4 ? 2 : 4;
  const int32_t textureWidth = static_cast<int32_t>(t->width);
  int32_t remainingWidth = textureWidth;
  int32_t remainingHeight = static_cast<int32_t>(t->height);
  int32_t x = 0;
  uint8_t* line = bits;
  uint8_t* at = bits;
  auto advance = [&](int32_t by) {
    x += by;
    // The write position never moves left of the line or past the texture's right edge.
    const int32_t step = std::clamp(by, 0, remainingWidth);
    at += static_cast<ptrdiff_t>(step) * pixelSize;
    remainingWidth -= step;
  };
  for (const char16_t* c = text; *c != 0; ++c) {
    switch (*c) {
      case u'\r':
        break;
      case u'\n': {
        width = std::max(width, x);
        height += context->lineHeight;
        const int32_t down = std::clamp(context->lineHeight, 0, remainingHeight);
        line += static_cast<ptrdiff_t>(down) * pitch;
        remainingHeight -= down;
        at = line;
        remainingWidth = textureWidth;
        x = 0;
        break;
      }
      case u' ':
        advance(fontGetSpaceSize(context));
        break;
      case u'\u3000':
        advance(fontGetSpaceSize(context) * 2);
        break;
      default:
        advance(fontRender(context, at, remainingWidth, remainingHeight, pitch, *c));
        break;
    }
  }
  width = std::max(width, x);
  height += context->lineHeight;
  t->texture->UnlockRect(0);
  return {width, height};
}

}  // namespace sprite1

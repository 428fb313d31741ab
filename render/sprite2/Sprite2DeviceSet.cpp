// The device set: surfaces as device textures, fills, and the batches of the framework sprite
// system drawn as pre-transformed, indexed triangles.

#include "foundation/dbtl/DCp932Text.h"
#include "foundation/omb/file/ombFile.h"
#include "foundation/omb/ombLog.h"
#include "image/omb/ombImage.h"
#include "render/device/L3DDevice.h"
#include "render/sprite2/Sprite2ImageFile.h"
#include "render/sprite2/Sprite2Internal.h"

#include <algorithm>
#include <cstring>

using namespace d3d9;

namespace sprite2 {

uint8_t colorFloatToByte(float value) {
  if (!(value > 0.0f)) {
    return 0;
  }
  if (value >= 1.0f) {
    return 255;
  }
  return static_cast<uint8_t>(value * 255.0f + 0.5f);
}

std::string textureName(const char16_t* path) {
  const std::string bytes = dbtl::DCp932FromUtf16(path);
  std::size_t end = 0;
  while (end < bytes.size()) {
    const uint8_t lead = static_cast<uint8_t>(bytes[end]);
    const bool dbcs = (lead >= 0x81 && lead <= 0x9F) || (lead >= 0xE0 && lead <= 0xFC);
    const std::size_t next = end + (dbcs ? 2 : 1);
    if (next > 128) {
      break;
    }
    end = next;
  }
  return bytes.substr(0, end);
}

namespace {

constexpr uint32_t kFvf = D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX2;

DeviceSet* setOf(void* context) {
  return static_cast<DeviceSet*>(context);
}

Surface* surfaceOf(void* surface) {
  return static_cast<Surface*>(surface);
}

void nothing(void*) {}

void screenSize(uint32_t* width, uint32_t* height, void* context) {
  *width = setOf(context)->config.screenWidth;
  *height = setOf(context)->config.screenHeight;
}

Surface* addSurface(DeviceSet* set, dbtl::rcptr<L3DTexture> texture, uint32_t kind,
                    uint32_t scale) {
  Surface* s = new Surface{texture, kind, texture->width * scale, texture->height * scale, set};
  set->surfaces.push_back(s);
  return s;
}

void* surfaceLoadImage(void* context, uint32_t mode, const char16_t* path) {
  static const char kTag[] = "surfaceLoadImage";
  DeviceSet* set = setOf(context);
  L3DDevice* device = set->config.device;
  const std::string name = textureName(path);
  dbtl::rcptr<L3DTexture> texture = device->FindTexture(name.c_str());
  if (!texture) {
    ImageFile image(mode, path, kTag);
    if (!image) {
      return nullptr;
    }
    OMB_FILE* file = image.file();
    OMB_IMAGE_INFO& info = image.info();
    texture = device->CreateTexture(name.c_str(), info.width, info.height);
    if (!texture) {
      ombLogPrintf(OMB_LOG_ERROR, u"Error: [%s] can't create texture", kTag);
      return nullptr;
    }
    if (texture->width != info.width || texture->height != info.height) {
      ombLogPrintf(OMB_LOG_ERROR, u"Error: [%s] invalid texture size(%ux%u)(%ux%u)", kTag,
                   texture->width, texture->height, info.width, info.height);
      return nullptr;
    }
    uint32_t format = 0;
    switch (texture->kind) {
      case 0:
      case 2:
        format = 1;
        break;
      case 5:
        format = 2;
        break;
      default:
        ombLogPrintf(OMB_LOG_ERROR, u"Error: [%s] unsupported texture format(%d)", kTag,
                     texture->kind);
        return nullptr;
    }
    int32_t pitch = 0;
    uint8_t* bits = static_cast<uint8_t*>(texture->Lock(0, 0, texture->width, texture->height, pitch));
    const int32_t loaded =
        ombImageLoad(&info, file, static_cast<uint32_t>(pitch), format, bits, texture->height);
    if (loaded >= 0 && texture->kind == 0) {
      for (uint32_t y = 0; y < texture->height; ++y) {
        uint8_t* row = bits + static_cast<std::size_t>(y) * pitch;
        for (uint32_t x = 0; x < texture->width; ++x) {
          std::swap(row[x * 4], row[x * 4 + 2]);
        }
      }
    }
    texture->texture->UnlockRect(0);
    if (loaded < 0) {
      ombLogPrintf(OMB_LOG_ERROR, u"Error: [%s] ファイルを読み込めませんでした(%ls)", kTag, path);
      return nullptr;
    }
  }
  return addSurface(set, texture, 0, set->config.resourceScale);
}

void* surfaceCreateFont(void* context, uint32_t width, uint32_t height) {
  static const char kTag[] = "surfaceCreateFont";
  DeviceSet* set = setOf(context);
  dbtl::rcptr<L3DTexture> texture = set->config.device->CreateTexture("", width, height);
  if (!texture) {
    ombLogPrintf(OMB_LOG_ERROR, u"Error: [%s] can't create texture", kTag);
    return nullptr;
  }
  if (texture->width != width || texture->height != height) {
    ombLogPrintf(OMB_LOG_ERROR, u"Error: [%s] invalid texture size(%ux%u)(%ux%u)", kTag,
                 texture->width, texture->height, width, height);
    return nullptr;
  }
  if (texture->kind != 0 && texture->kind != 2 && texture->kind != 5) {
    ombLogPrintf(OMB_LOG_ERROR, u"Error: [%s] unsupported texture format(%d)", kTag,
                 texture->kind);
    return nullptr;
  }
  return addSurface(set, texture, 1, 1);
}

void surfaceDestroy(void* surface) {
  Surface* s = surfaceOf(surface);
  auto& list = s->set->surfaces;
  list.erase(std::find(list.begin(), list.end(), s));
  delete s;
}

uint32_t surfaceKind(void* surface) {
  return surfaceOf(surface)->kind;
}

void surfaceSize(uint32_t* width, uint32_t* height, void* surface) {
  *width = surfaceOf(surface)->width;
  *height = surfaceOf(surface)->height;
}

void surfaceSetSize(void* surface, uint32_t width, uint32_t height) {
  surfaceOf(surface)->width = width;
  surfaceOf(surface)->height = height;
}

void surfaceFill(void* surface, uint32_t x, uint32_t y, uint32_t width, uint32_t height,
                 float red, float green, float blue, float alpha) {
  L3DTexture* t = surfaceOf(surface)->texture.Get();
  if (x >= t->width || y >= t->height) {
    return;
  }
  width = std::min(width, t->width - x);
  height = std::min(height, t->height - y);
  if (width == 0 || height == 0) {
    return;
  }
  const uint8_t r = colorFloatToByte(red);
  const uint8_t g = colorFloatToByte(green);
  const uint8_t b = colorFloatToByte(blue);
  const uint8_t a = colorFloatToByte(alpha);
  int32_t pitch = 0;
  uint8_t* bits = static_cast<uint8_t*>(t->Lock(x, y, width, height, pitch));
  for (uint32_t j = 0; j < height; ++j) {
    uint8_t* row = bits + static_cast<std::size_t>(j) * pitch;
    for (uint32_t i = 0; i < width; ++i) {
      if (t->kind == 0) {
        const uint8_t px[4] = {r, g, b, a};
        std::memcpy(row + i * 4, px, 4);
      } else if (t->kind == 2) {
        const uint8_t px[4] = {b, g, r, a};
        std::memcpy(row + i * 4, px, 4);
      } else if (t->kind == 5) {
        const uint16_t v = static_cast<uint16_t>((a >> 4) << 12 | (r >> 4) << 8 | (g >> 4) << 4 |
                                                 (b >> 4));
        std::memcpy(row + i * 2, &v, 2);
      }
    }
  }
  t->texture->UnlockRect(0);
}

void deviceBegin(void* context) {
  L3DDevice* d = setOf(context)->config.device;
  d->ResetState();
  d->SetVShader(d->GetDevice()->GetSoftwareVertexProcessing() != FALSE, nullptr);
  d->SetFVF(kFvf);
  d->SetStateRender(D3DRS_ZENABLE, FALSE);
  d->SetStateRender(D3DRS_CULLMODE, D3DCULL_NONE);
  for (uint32_t stage = 0; stage < 2; ++stage) {
    d->SetStateTexStage(stage, D3DTSS_COLOROP, D3DTOP_MODULATE);
    d->SetStateTexStage(stage, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
  }
}

void drawCollected(DeviceSet* set) {
  if (set->indexCount != 0) {
    L3DDevice* d = set->config.device;
    d->GetDevice()->DrawIndexedPrimitiveUP(D3DPT_TRIANGLELIST, 0, set->vertexCount,
                                           set->indexCount / 3, set->indices, D3DFMT_INDEX16,
                                           set->vertices, sizeof(Vertex));
    d->_ForgetStreamBindings();
  }
  set->vertexCount = 0;
  set->indexCount = 0;
}

uint32_t diffuse(const OmbSpriteVertex& v) {
  const auto channel = [](float c) {
    const float clamped = c < 0.0f ? 0.0f : c > 1.0f ? 1.0f : c;
    return static_cast<uint32_t>(clamped * 255.0f + 0.5f);
  };
  return channel(v.alpha) << 24 | channel(v.red) << 16 | channel(v.green) << 8 | channel(v.blue);
}

struct BlendRow {
  bool enable;
  uint32_t source, destination;
};

constexpr BlendRow kBlends[9] = {
    {false, 0, 0},
    {true, D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA},
    {true, D3DBLEND_SRCALPHA, D3DBLEND_ONE},
    {true, D3DBLEND_ONE, D3DBLEND_ONE},
    {true, D3DBLEND_ONE, D3DBLEND_INVSRCALPHA},
    {true, D3DBLEND_DESTCOLOR, D3DBLEND_SRCALPHA},
    {true, D3DBLEND_DESTCOLOR, D3DBLEND_ZERO},
    {true, D3DBLEND_INVDESTCOLOR, D3DBLEND_SRCALPHA},
    {true, D3DBLEND_INVDESTCOLOR, D3DBLEND_ZERO},
};

constexpr uint32_t kAlphaFuncs[4] = {D3DCMP_GREATER, D3DCMP_LESS, D3DCMP_EQUAL, D3DCMP_NOTEQUAL};

void deviceRender(void* context, OmbSpriteBatch* batches, uint32_t count) {
  static const char kTag[] = "deviceRender";
  DeviceSet* set = setOf(context);
  L3DDevice* d = set->config.device;
  for (uint32_t k = 0; k < count; ++k) {
    const OmbSpriteBatch& b = batches[k];
    drawCollected(set);
    uint32_t stage = 0;
    const Surface* surface = surfaceOf(b.surface);
    if (surface != nullptr) {
      d->SetStateTexture(0, surface->texture->texture);
      d->SetStateSampler(0, D3DSAMP_ADDRESSU, D3DTADDRESS_CLAMP);
      d->SetStateSampler(0, D3DSAMP_ADDRESSV, D3DTADDRESS_CLAMP);
      stage = 1;
    }
    Wipe* wipe = static_cast<Wipe*>(b.wipe);
    const uint32_t wipeStage = stage;
    if (wipe != nullptr) {
      L3DTexture* t = wipeGetHandle(wipe);
      d->SetStateTexture(stage, t != nullptr ? t->texture : nullptr);
      d->SetStateSampler(stage, D3DSAMP_ADDRESSU, D3DTADDRESS_WRAP);
      d->SetStateSampler(stage, D3DSAMP_ADDRESSV, D3DTADDRESS_WRAP);
      ++stage;
    }
    for (uint32_t s = stage; s < 2; ++s) {
      d->SetStateTexture(s, nullptr);
    }
    uint32_t filter = 0;
    if (b.filter == 0) {
      filter = D3DTEXF_POINT;
    } else if (b.filter == 1) {
      filter = D3DTEXF_LINEAR;
    } else {
      ombLogPrintf(OMB_LOG_ERROR, u"Error: [%s] 未対応のスケーリング", kTag);
      return;
    }
    for (uint32_t s = 0; s < stage; ++s) {
      d->SetStateSampler(s, D3DSAMP_MAGFILTER, filter);
      d->SetStateSampler(s, D3DSAMP_MINFILTER, filter);
      d->SetStateSampler(s, D3DSAMP_MIPFILTER, filter);
    }
    if (b.blend > 8) {
      ombLogPrintf(OMB_LOG_ERROR, u"Error: [%s] 未対応のブレンド", kTag);
      return;
    }
    const BlendRow& blend = kBlends[b.blend];
    d->SetStateRender(D3DRS_ALPHABLENDENABLE, blend.enable ? TRUE : FALSE);
    if (blend.enable) {
      d->SetStateRender(D3DRS_SRCBLEND, blend.source);
      d->SetStateRender(D3DRS_DESTBLEND, blend.destination);
    }
    if ((b.blend == 1 || b.blend == 2) && b.alphaTest == 0) {
      // Blended quads never write their fully transparent texels.
      d->SetStateRender(D3DRS_ALPHATESTENABLE, TRUE);
      d->SetStateRender(D3DRS_ALPHAFUNC, D3DCMP_GREATER);
      d->SetStateRender(D3DRS_ALPHAREF, 0);
    } else if (b.alphaTest == 0) {
      d->SetStateRender(D3DRS_ALPHATESTENABLE, FALSE);
    } else if (b.alphaTest <= 4) {
      d->SetStateRender(D3DRS_ALPHATESTENABLE, TRUE);
      d->SetStateRender(D3DRS_ALPHAFUNC, kAlphaFuncs[b.alphaTest - 1]);
      d->SetStateRender(D3DRS_ALPHAREF, colorFloatToByte(b.threshold));
    } else {
      ombLogPrintf(OMB_LOG_ERROR, u"Error: [%s] 未対応のアルファテスト", kTag);
      return;
    }
    d->ApplyState();
    for (uint32_t q = 0; q + 4 <= b.vertexCount; q += 4) {
      if (set->indexCount != 0 &&
          (set->vertexCount + 4 > kVertices || set->indexCount + 6 > kIndices)) {
        drawCollected(set);
      }
      const uint32_t first = set->vertexCount;
      for (uint32_t i = 0; i < 4; ++i) {
        const OmbSpriteVertex& in = b.vertices[q + i];
        Vertex& out = set->vertices[first + i];
        out.x = in.x - 0.5f;
        out.y = in.y - 0.5f;
        out.diffuse = diffuse(in);
        float* pairs[2] = {&out.u0, &out.u1};
        if (surface != nullptr) {
          pairs[0][0] = in.u / static_cast<float>(surface->width);
          pairs[0][1] = in.v / static_cast<float>(surface->height);
        }
        if (wipe != nullptr) {
          pairs[wipeStage][0] = in.x / wipe->width;
          pairs[wipeStage][1] = in.y / wipe->height;
        }
      }
      const uint16_t k0 = static_cast<uint16_t>(first);
      const uint16_t quad[6] = {k0,
                                static_cast<uint16_t>(k0 + 1),
                                static_cast<uint16_t>(k0 + 2),
                                static_cast<uint16_t>(k0 + 2),
                                static_cast<uint16_t>(k0 + 1),
                                static_cast<uint16_t>(k0 + 3)};
      std::memcpy(set->indices + set->indexCount, quad, sizeof(quad));
      set->indexCount += 6;
      set->vertexCount += 4;
    }
  }
  drawCollected(set);
}

}  // namespace

}  // namespace sprite2

using namespace sprite2;

void sprite2CreateDeviceSet(OmbSpriteDeviceOps* ops, const DeviceSetConfig& config) {
  DeviceSet* set = new DeviceSet{};
  set->config = config;
  for (Vertex& v : set->vertices) {
    v.z = 0.0f;
    v.rhw = 1.0f;
  }
  *ops = OmbSpriteDeviceOps{};
  ops->context = set;
  ops->screenSize = &screenSize;
  ops->begin = &deviceBegin;
  ops->end = &nothing;
  ops->render = &deviceRender;
  ops->loadImage = &surfaceLoadImage;
  ops->createTextSurface = &surfaceCreateFont;
  ops->destroySurface = &surfaceDestroy;
  ops->surfaceKind = &surfaceKind;
  ops->surfaceSize = &surfaceSize;
  ops->beginEdit = &nothing;
  ops->endEdit = &nothing;
  ops->fillSurface = &surfaceFill;
  ops->loadWipe = &wipeLoad;
  ops->destroyWipe = &wipeDestroy;
  ops->setWipe = &wipeSet;
  ops->setSurfaceSize = &surfaceSetSize;
  ops->createFont = &fontCreate;
  ops->destroyFont = &fontDestroy;
  ops->renderGlyph = &fontRender;
  ops->drawGlyph = &fontDraw;
  ops->fontMetrics = &fontMetrics;
}

void sprite2DestroyDeviceSet(OmbSpriteDeviceOps* ops) {
  static const char kTag[] = "sprite2DestroyDeviceSet";
  DeviceSet* set = static_cast<DeviceSet*>(ops->context);
  if (set == nullptr) {
    return;
  }
  while (!set->surfaces.empty()) {
    Surface* s = set->surfaces.front();
    ombLogPrintf(OMB_LOG_DEBUG, u"Debug: [%s] surface force destroy(%s)", kTag,
                 s->texture->name);
    surfaceDestroy(s);
  }
  while (!set->wipeSources.empty()) {
    WipeSource* source = set->wipeSources.front();
    ombLogPrintf(OMB_LOG_DEBUG, u"Debug: [%s] wipe force destroy(%ls)", kTag,
                 source->name.c_str());
    // The last wipe takes its source with it.
    while (!set->wipeSources.empty() && set->wipeSources.front() == source) {
      wipeDestroy(source->wipes.back());
    }
  }
  while (!set->fonts.empty()) {
    ombLogPrintf(OMB_LOG_DEBUG, u"Debug: [%s] font force destroy", kTag);
    fontDestroy(set->fonts.front());
  }
  delete set;
  ops->context = nullptr;
}

#include "render/post/PostEffect.h"

#include "foundation/lfm/lfmPack.h"
#include "render/device/L3DDevice.h"
#include "render/post/PostEffectPasses.h"
#include "render/post/PostEffectWater.h"
#include "script/ScriptHandle.h"

#include <new>
#include <utility>

using namespace d3d9;

namespace {

constexpr uint32_t kBlocksPerChunk = 16;
constexpr const char16_t* kNoiseDirectory = u"sys/posteffect/";

struct ShaderFile {
  const char* path;
  bool vertex;
  uint32_t slot;
};

// The load order; a missing or refused shader stops init at that file.
constexpr ShaderFile kShaderFiles[] = {
    {"sys/posteffect/through1.vsh", true, PostEffectShaders::kThrough1},
    {"sys/posteffect/through2.vsh", true, PostEffectShaders::kThrough2},
    {"sys/posteffect/down4.vsh", true, PostEffectShaders::kDown4},
    {"sys/posteffect/down4.psh", false, PostEffectShaders::kDown4P},
    {"sys/posteffect/mulDown4.psh", false, PostEffectShaders::kMulDown4},
    {"sys/posteffect/brightDown4.psh", false, PostEffectShaders::kBrightDown4},
    {"sys/posteffect/gaussX.vsh", true, PostEffectShaders::kGaussX},
    {"sys/posteffect/gaussY.vsh", true, PostEffectShaders::kGaussY},
    {"sys/posteffect/gauss0.psh", false, PostEffectShaders::kGauss0 + 0},
    {"sys/posteffect/gauss1.psh", false, PostEffectShaders::kGauss0 + 1},
    {"sys/posteffect/gauss2.psh", false, PostEffectShaders::kGauss0 + 2},
    {"sys/posteffect/gauss3.psh", false, PostEffectShaders::kGauss0 + 3},
    {"sys/posteffect/gauss4.psh", false, PostEffectShaders::kGauss0 + 4},
    {"sys/posteffect/gauss5.psh", false, PostEffectShaders::kGauss0 + 5},
    {"sys/posteffect/gauss6.psh", false, PostEffectShaders::kGauss0 + 6},
    {"sys/posteffect/gauss7.psh", false, PostEffectShaders::kGauss0 + 7},
    {"sys/posteffect/overlayColor.psh", false, PostEffectShaders::kOverlay},
    {"sys/posteffect/softlightColor.psh", false, PostEffectShaders::kSoftlight},
    {"sys/posteffect/hardlightColor.psh", false, PostEffectShaders::kHardlight},
    {"sys/posteffect/diffuse.psh", false, PostEffectShaders::kDiffuse},
    {"sys/posteffect/zoomblur.psh", false, PostEffectShaders::kZoomBlur},
    {"sys/posteffect/shimmer.psh", false, PostEffectShaders::kShimmer},
    {"sys/posteffect/water.vsh", true, PostEffectShaders::kWater},
    {"sys/posteffect/water.psh", false, PostEffectShaders::kWaterP},
    {"sys/posteffect/alphaDown4.psh", false, PostEffectShaders::kAlphaDown4},
};

// Levels are clamped as unsigned values, so a negative level is the widest blur.
uint32_t clampLevel(int32_t level) { return uint32_t(level) >= 8 ? 7 : uint32_t(level); }

// Integer frame terms of the zoom-blur weight are converted as unsigned values.
float unsignedFloat(int32_t value) { return float(uint32_t(value)); }

void copyName(char16_t (&out)[32], const char16_t* name) {
  uint32_t n = 0;
  if (name != nullptr) {
    for (; n < 31 && name[n] != 0; ++n) out[n] = name[n];
  }
  out[n] = 0;
}

bool allowedBackBuffer(D3DFORMAT format) {
  return format == D3DFMT_A8R8G8B8 || format == D3DFMT_A8B8G8R8 || format == D3DFMT_A4R4G4B4;
}

}  // namespace

bool PostEffect::init(const PostEffectConfig& config) {
  release();
  L3DDevice* device = config.device;
  auto fail = [this] {
    release();
    return false;
  };
  if (config.compatible || device == nullptr || device->GetDevice() == nullptr) return fail();
  const uint32_t needed = L3DDEV_FLAG_VSHADER | L3DDEV_FLAG_PSHADER;
  if ((device->GetFlags() & needed) != needed) return fail();
  if (!allowedBackBuffer(device->GetPresentParameters().BackBufferFormat)) return fail();
  if (!(device->GetCaps().PrimitiveMiscCaps & D3DPMISCCAPS_SEPARATEALPHABLEND)) return fail();

  shaders_.device = device;
  for (const ShaderFile& file : kShaderFiles) {
    // A game without post-effect shaders runs without post effects; loading a missing file
    // would end the game instead.
    if (!lfmIsPackDataExist(config.pack, file.path)) return fail();
    if (file.vertex) {
      shaders_.vertex[file.slot] = device->LoadVShader(file.path);
      if (!shaders_.vertex[file.slot]) return fail();
    } else {
      shaders_.pixel[file.slot] = device->LoadPShader(file.path);
      if (!shaders_.pixel[file.slot]) return fail();
    }
  }

  const uint32_t w = config.width;
  const uint32_t h = config.height;
  auto target = [device](dbtl::rcptr<L3DTexture>& out, uint32_t tw, uint32_t th) {
    out = device->CreateTextureBack(tw, th);
    return bool(out);
  };
  if (!target(scene_, w, h) || !target(copy_, w, h)) return fail();
  for (uint32_t shift = 2; shift <= 5; ++shift) {
    dbtl::rcptr<L3DTexture>* set = shift == 2 ? work4_ : shift == 3 ? work8_
                                                    : shift == 4   ? work16_
                                                                   : work32_;
    for (uint32_t k = 0; k < 4; ++k) {
      if (!target(set[k], w >> shift, h >> shift)) return fail();
    }
  }

  config_ = config;
  width_ = float(w);
  height_ = float(h);
  head_ = tail_ = nullptr;
  ombMempoolInit(&pool_, kBlocksPerChunk, sizeof(PostEffectEntry), OMB_MEMPOOL_GROW);
  poolReady_ = true;
  zoom_ = shimmer_ = nullptr;
  water_ = nullptr;
  initialised_ = true;
  return true;
}

void PostEffect::release() {
  if (initialised_) {
    emptyList();
    zoom_ = shimmer_ = nullptr;
    noise_.Reset();
  }
  if (poolReady_) {
    ombMempoolUninit(&pool_);
    poolReady_ = false;
  }
  initialised_ = false;
  config_ = PostEffectConfig{};
  if (water_ != nullptr) {
    water_->release();
    scriptHandles().remove(water_->handle);
    delete std::exchange(water_, nullptr);
  }
  for (auto& v : shaders_.vertex) v.Reset();
  for (auto& p : shaders_.pixel) p.Reset();
  shaders_.device = nullptr;
  noise_.Reset();
  scene_.Reset();
  copy_.Reset();
  for (uint32_t k = 0; k < 4; ++k) {
    work4_[k].Reset();
    work8_[k].Reset();
    work16_[k].Reset();
    work32_[k].Reset();
  }
}

bool PostEffect::multisampled() const {
  return config_.device->GetPresentParameters().MultiSampleType != D3DMULTISAMPLE_NONE;
}

bool PostEffect::contains(const PostEffectEntry* entry) const {
  for (const PostEffectEntry* e = head_; e != nullptr; e = e->next) {
    if (e == entry) return true;
  }
  return false;
}

PostEffectEntry* PostEffect::newEntry(uint32_t type) {
  if (!initialised_) return nullptr;
  void* block = ombMempoolAllocateBlock(&pool_);
  if (block == nullptr) {
    ombMempoolReportExhausted();
    return nullptr;
  }
  auto* entry = new (block) PostEffectEntry();
  entry->type = type;
  entry->prev = tail_;
  if (tail_ != nullptr) tail_->next = entry;
  else head_ = entry;
  tail_ = entry;
  return entry;
}

void PostEffect::unlink(PostEffectEntry* entry) {
  if (entry->prev != nullptr) entry->prev->next = entry->next;
  else head_ = entry->next;
  if (entry->next != nullptr) entry->next->prev = entry->prev;
  else tail_ = entry->prev;
  onEntryRemoved(entry);
}

// The entry's script handle goes stale with it, so a handle kept by a script never reaches a
// block the pool has handed out again.
void PostEffect::onEntryRemoved(PostEffectEntry* entry) {
  scriptHandles().remove(entry->handle);
  entry->~PostEffectEntry();
  ombMempoolReleaseBlock(&pool_, entry);
}

void PostEffect::emptyList() {
  while (head_ != nullptr) unlink(head_);
}

PostEffectEntry* PostEffect::addBright(float bright, const int32_t gaussLevel[4],
                                       const float alpha[4]) {
  PostEffectEntry* e = newEntry(POSTEFFECT_BRIGHT);
  if (e == nullptr) return nullptr;
  e->bright = bright;
  for (uint32_t k = 0; k < 4; ++k) {
    e->gaussLevel[k] = clampLevel(gaussLevel[k]);
    e->alpha[k] = alpha[k];
  }
  return e;
}

PostEffectEntry* PostEffect::addDiffuse(const int32_t gaussLevel[4], const float alpha[4],
                                        float bias) {
  PostEffectEntry* e = newEntry(POSTEFFECT_DIFFUSE);
  if (e == nullptr) return nullptr;
  for (uint32_t k = 0; k < 4; ++k) {
    e->gaussLevel[k] = clampLevel(gaussLevel[k]);
    e->alpha[k] = alpha[k];
  }
  e->bias = bias;
  return e;
}

PostEffectEntry* PostEffect::addAlpha(const int32_t gaussLevel[4], const float alpha[4]) {
  PostEffectEntry* e = newEntry(POSTEFFECT_ALPHA);
  if (e == nullptr) return nullptr;
  for (uint32_t k = 0; k < 4; ++k) {
    e->gaussLevel[k] = clampLevel(gaussLevel[k]);
    e->alpha[k] = alpha[k];
  }
  return e;
}

PostEffectEntry* PostEffect::addOverlayColor(float r, float g, float b, float a) {
  PostEffectEntry* e = newEntry(POSTEFFECT_OVERLAY_COLOR);
  if (e == nullptr) return nullptr;
  const float c[4] = {r, g, b, a};
  for (uint32_t k = 0; k < 4; ++k) {
    e->colour[k] = c[k];
    e->factor[k] = (1.0f - c[k]) * 2.0f;
  }
  return e;
}

PostEffectEntry* PostEffect::addSoftlightColor(float r, float g, float b, float a) {
  PostEffectEntry* e = newEntry(POSTEFFECT_SOFTLIGHT_COLOR);
  if (e == nullptr) return nullptr;
  const float c[3] = {r, g, b};
  for (uint32_t k = 0; k < 3; ++k) {
    e->colour[k] = c[k] < 0.5f ? (1.0f - c[k]) * 2.0f : 1.0f / (c[k] * 2.0f);
  }
  e->colour[3] = a;
  return e;
}

PostEffectEntry* PostEffect::addHardlightColor(float r, float g, float b, float a) {
  PostEffectEntry* e = newEntry(POSTEFFECT_HARDLIGHT_COLOR);
  if (e == nullptr) return nullptr;
  const float c[4] = {r, g, b, a};
  for (uint32_t k = 0; k < 4; ++k) {
    e->colour[k] = c[k];
    e->factor[k] = (1.0f - c[k]) * 2.0f;
    e->step[k] = c[k] >= 0.5f ? 1.0f : 0.0f;
  }
  return e;
}

PostEffectEntry* PostEffect::setZoomBlur(float centerX, float centerY, float centerRange,
                                         float centerBias, float power, int32_t frameStart,
                                         int32_t frameEnd, int32_t frameDead) {
  PostEffectEntry* e = zoom_ != nullptr ? zoom_ : newEntry(POSTEFFECT_ZOOM_BLUR);
  if (e == nullptr) return nullptr;
  zoom_ = e;
  e->centerX = centerX * (width_ * 0.25f) / float(work4_[0]->width);
  e->centerY = centerY * (height_ * 0.25f) / float(work4_[0]->height);
  e->range = centerRange;
  e->bias = centerBias;
  e->power = power;
  e->frameStart = frameStart;
  e->frameEnd = frameEnd;
  e->frameDead = frameDead;
  e->phase = 0.0f;
  e->frame = -1;
  e->weight = 0.0f;
  return e;
}

PostEffectEntry* PostEffect::setShimmer(const char16_t* noiseName, float sizeX, float sizeY,
                                        float powerX, float powerY, float speedX, float speedY,
                                        float alpha) {
  if (!initialised_ || config_.loadTexture == nullptr) return nullptr;
  char16_t name[32];
  copyName(name, noiseName);
  dbtl::rcptr<L3DTexture> texture = config_.loadTexture(config_.context, kNoiseDirectory, name);
  if (!texture) return nullptr;
  PostEffectEntry* e = shimmer_ != nullptr ? shimmer_ : newEntry(POSTEFFECT_SHIMMER);
  if (e == nullptr) return nullptr;
  shimmer_ = e;
  noise_ = texture;
  const float nw = float(texture->width);
  const float nh = float(texture->height);
  copyName(e->noiseName, name);
  e->scaleX = nw / sizeX;
  e->scaleY = nh / sizeY;
  e->powerX = powerX;
  e->powerY = powerY;
  e->stepX = nw * speedX;
  e->stepY = nh * speedY;
  e->blendAlpha = alpha;
  e->offsetX = -e->stepX;
  e->offsetY = -e->stepY;
  return e;
}

void PostEffect::removeEffect(PostEffectEntry* entry) {
  if (entry == nullptr || !contains(entry)) return;
  const bool wasShimmer = entry == shimmer_;
  if (entry == zoom_) zoom_ = nullptr;
  if (wasShimmer) shimmer_ = nullptr;
  unlink(entry);
  if (wasShimmer) noise_.Reset();
}

void PostEffect::clearEffects() {
  emptyList();
  zoom_ = shimmer_ = nullptr;
  noise_.Reset();
}

void PostEffect::clearWater() {
  if (water_ == nullptr) return;
  water_->release();
  scriptHandles().remove(water_->handle);
  delete std::exchange(water_, nullptr);
}

namespace {

// Adds the step and brings the offset back within one period.
void scroll(float& offset, float step, float period) {
  offset += step;
  if (offset >= period) offset -= period;
  else if (offset <= -period) offset += period;
}

}  // namespace

void PostEffect::update() {
  if (!initialised_) return;
  if (PostEffectEntry* z = zoom_) {
    z->frame += 1;
    if (z->frame >= z->frameDead) {
      zoom_ = nullptr;
      unlink(z);
    } else {
      if (z->frame >= z->frameEnd) {
        z->weight = 1.0f - unsignedFloat(z->frame - z->frameEnd + 1) /
                               unsignedFloat(z->frameDead - z->frameEnd + 1);
      } else if (z->frame >= z->frameStart) {
        z->weight = 1.0f;
      } else {
        z->weight = unsignedFloat(z->frame + 1) / unsignedFloat(z->frameStart + 1);
      }
      z->phase = z->phase + z->power;
    }
  }
  if (PostEffectEntry* s = shimmer_) {
    scroll(s->offsetX, s->stepX, float(noise_->width));
    scroll(s->offsetY, s->stepY, float(noise_->height));
  }
  if (PostEffectWater* w = water_) {
    for (PostEffectWaterNoise& n : w->noise) {
      scroll(n.offsetX, n.speedX, 1.0f);
      scroll(n.offsetY, n.speedY, 1.0f);
    }
  }
}

void PostEffect::begin() {
  if (!initialised_) return;
  L3DDevice& device = *config_.device;
  if (scene_->contentsLost) {
    scene_->FillColor(0xFF000000u);
    copy_->FillColor(0xFF000000u);
    for (auto* set : {work4_, work8_, work16_, work32_}) {
      for (uint32_t k = 0; k < 4; ++k) set[k]->FillColor(0xFF000000u);
    }
  }
  if (head_ != nullptr && !multisampled()) {
    device.SetRenderTarget(true, scene_);
    device.SetViewport(config_.width, config_.height);
  }
  device.GetDevice()->Clear(0, nullptr, D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
}

void PostEffect::apply() {
  if (!initialised_ || head_ == nullptr) return;
  L3DDevice& device = *config_.device;
  PostEffectPasses passes{*this};
  passes.setup2D();
  if (multisampled()) scene_->CopyBackBuffer();
  for (PostEffectEntry* e = head_; e != nullptr; e = e->next) passes.run(*e);
  passes.passCopy(0, 0, width_, height_, 0, 0, width_, height_, {}, scene_);
  device.SetVShader(device.IsSoftwareVP(), nullptr);
  device.SetPShader(nullptr);
  device.SetRenderTarget(true, {});
}

#pragma once

// The full-screen image filter stage between an engine's 3D pass and its 2D pass. While effects
// are registered the 3D pass is drawn into the `scene` target; apply() runs the effects in
// registration order as shader passes over it and a pyramid of reduced targets and copies the
// result to the back buffer. The water surface of a field map is drawn through the same object
// (PostEffectWater.h).

#include "foundation/dbtl/rcptr.h"
#include "foundation/omb/containers/ombMempool.h"
#include "render/device/L3DResources.h"
#include "render/device/L3DTexture.h"

#include <cstdint>

class L3DDevice;
class L3DRenderer;
struct PostEffectWater;
struct PostEffectWaterMesh;
struct PostEffectWaterModel;

enum PostEffectType : uint32_t {
  POSTEFFECT_BRIGHT = 1,
  POSTEFFECT_DIFFUSE = 2,
  POSTEFFECT_OVERLAY_COLOR = 3,
  POSTEFFECT_SOFTLIGHT_COLOR = 4,
  POSTEFFECT_HARDLIGHT_COLOR = 5,
  POSTEFFECT_ZOOM_BLUR = 6,
  POSTEFFECT_SHIMMER = 7,
  POSTEFFECT_WATER = 8,
  POSTEFFECT_ALPHA = 9,
};

// The vertex every post-effect rectangle and the water surface are drawn with (FVF 0x842).
struct PostEffectVertex {
  float x, y, z;
  uint32_t colour;
  float uv[8][2];
};
static_assert(sizeof(PostEffectVertex) == 80);
inline constexpr uint32_t POSTEFFECT_FVF = 0x842;

// One registered effect. A pool block holds any type; fields a type does not use mean nothing.
struct PostEffectEntry {
  uint32_t type = 0;
  PostEffectEntry* next = nullptr;
  PostEffectEntry* prev = nullptr;
  int32_t handle = 0;  // the script's handle, made on first request

  // Glows (bright, diffuse, alpha).
  float bright = 0.0f;
  uint32_t gaussLevel[4] = {};
  float alpha[4] = {};
  float bias = 0.0f;
  // Colour effects.
  float colour[4] = {};
  float factor[4] = {};
  float step[4] = {};
  // Zoom blur.
  float centerX = 0.0f, centerY = 0.0f, range = 0.0f, power = 0.0f;
  int32_t frameStart = 0, frameEnd = 0, frameDead = 0;
  float phase = 0.0f;
  int32_t frame = -1;
  float weight = 0.0f;
  // Shimmer.
  char16_t noiseName[32] = {};
  float scaleX = 0.0f, scaleY = 0.0f, powerX = 0.0f, powerY = 0.0f;
  float stepX = 0.0f, stepY = 0.0f, blendAlpha = 0.0f, offsetX = 0.0f, offsetY = 0.0f;
};

// The shaders of the stage, in the order they are loaded from "sys/posteffect/".
struct PostEffectShaders {
  enum V : uint32_t { kThrough1, kThrough2, kDown4, kGaussX, kGaussY, kWater, kVertexCount };
  enum P : uint32_t {
    kDown4P, kMulDown4, kBrightDown4, kGauss0, kOverlay = kGauss0 + 8, kSoftlight, kHardlight,
    kDiffuse, kZoomBlur, kShimmer, kWaterP, kAlphaDown4, kPixelCount
  };
  L3DDevice* device = nullptr;
  dbtl::rcptr<L3DVShader> vertex[kVertexCount];
  dbtl::rcptr<L3DPShader> pixel[kPixelCount];
};

// What the stage takes of its host. W and H are the configured display mode, not the size of
// the back buffer. Noise textures and water models are loaded through the host's loaders
// (the model loader lives in a library above this one).
struct PostEffectConfig {
  L3DDevice* device = nullptr;
  L3DRenderer* renderer = nullptr;  // its view and projection place the water surface
  uint32_t width = 0;
  uint32_t height = 0;
  bool compatible = false;  // the video settings ask for compatible rendering
  int32_t pack = 0;         // the pack the device reads shader files from
  // A texture of `name` in `directory`; empty when it cannot be loaded.
  dbtl::rcptr<L3DTexture> (*loadTexture)(void* context, const char16_t* directory,
                                         const char16_t* name) = nullptr;
  // The material records of a model; false when there is no model data.
  bool (*loadWaterModel)(void* context, const char16_t* directory, const char16_t* name,
                         PostEffectWaterModel& model) = nullptr;
  void* context = nullptr;
};

class PostEffect {
 public:
  PostEffect() = default;
  PostEffect(const PostEffect&) = delete;
  PostEffect& operator=(const PostEffect&) = delete;
  ~PostEffect() { release(); }

  // False (the object released, nothing reported) when the settings or the device do not allow
  // post effects or a shader or target cannot be made.
  bool init(const PostEffectConfig& config);
  void release();
  bool initialised() const { return initialised_; }

  PostEffectEntry* addBright(float bright, const int32_t gaussLevel[4], const float alpha[4]);
  PostEffectEntry* addDiffuse(const int32_t gaussLevel[4], const float alpha[4], float bias);
  PostEffectEntry* addAlpha(const int32_t gaussLevel[4], const float alpha[4]);
  PostEffectEntry* addOverlayColor(float r, float g, float b, float a);
  PostEffectEntry* addSoftlightColor(float r, float g, float b, float a);
  PostEffectEntry* addHardlightColor(float r, float g, float b, float a);
  PostEffectEntry* setZoomBlur(float centerX, float centerY, float centerRange, float centerBias,
                               float power, int32_t frameStart, int32_t frameEnd,
                               int32_t frameDead);
  PostEffectEntry* setShimmer(const char16_t* noiseName, float sizeX, float sizeY, float powerX,
                              float powerY, float speedX, float speedY, float alpha);
  PostEffectWater* setWater(float powerRedX, float powerRedY, float powerGreenX,
                            float powerGreenY, float powerBlueX, float powerBlueY,
                            float brightMin, float brightMax, const char16_t* noiseName0,
                            float sizeX0, float sizeY0, float speedX0, float speedY0,
                            const char16_t* noiseName1, float sizeX1, float sizeY1,
                            float speedX1, float speedY1);

  // Nothing for an entry that is not in the list.
  void removeEffect(PostEffectEntry* entry);
  void clearEffects();
  void clearWater();

  void update();
  void begin();
  void apply();

  PostEffectWaterMesh* createWaterMesh(const char16_t* directory, const char16_t* name);
  static void destroyWaterMesh(PostEffectWaterMesh* mesh);
  void drawWater(PostEffectWaterMesh* mesh);

  // Read access for the engine, the natives and tests.
  PostEffectEntry* firstEntry() const { return head_; }
  PostEffectEntry* zoomBlur() const { return zoom_; }
  PostEffectEntry* shimmer() const { return shimmer_; }
  PostEffectWater* water() const { return water_; }
  const dbtl::rcptr<L3DTexture>& noise() const { return noise_; }
  const dbtl::rcptr<L3DTexture>& sceneTarget() const { return scene_; }
  const dbtl::rcptr<L3DTexture>& copyTarget() const { return copy_; }
  bool contains(const PostEffectEntry* entry) const;

 private:
  friend struct PostEffectPasses;

  PostEffectEntry* newEntry(uint32_t type);
  void unlink(PostEffectEntry* entry);
  void onEntryRemoved(PostEffectEntry* entry);
  void emptyList();
  bool multisampled() const;

  bool initialised_ = false;
  PostEffectConfig config_;
  float width_ = 0.0f;  // W and H as floats
  float height_ = 0.0f;
  PostEffectEntry* head_ = nullptr;
  PostEffectEntry* tail_ = nullptr;
  OMB_MEMPOOL pool_{};
  bool poolReady_ = false;
  PostEffectEntry* zoom_ = nullptr;
  PostEffectEntry* shimmer_ = nullptr;
  PostEffectWater* water_ = nullptr;
  PostEffectShaders shaders_;
  dbtl::rcptr<L3DTexture> noise_;
  dbtl::rcptr<L3DTexture> scene_;
  dbtl::rcptr<L3DTexture> copy_;
  dbtl::rcptr<L3DTexture> work4_[4];
  dbtl::rcptr<L3DTexture> work8_[4];
  dbtl::rcptr<L3DTexture> work16_[4];
  dbtl::rcptr<L3DTexture> work32_[4];
};

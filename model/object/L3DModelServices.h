#pragma once

#include "foundation/dbtl/rcptr.h"
#include "foundation/math/LQuat.h"
#include "foundation/math/LVec3.h"
#include "model/L3DModelTypes.h"
#include "model/effect/L3DEffectTypes.h"

#include <cstdint>

class L3DNnidTable;
class L3DRenderer;
class L3DTexture;
struct L3DRandom;
class LSeManager;
struct L3D_RENDERER_NNID;

// One effect started by an animation event.
struct L3DEffectPlayRequest {
  dbtl::rcptr<L3D_EFFECT_DATA> data;
  uint32_t number = 0;
  uint32_t delay = 0;
  uint32_t life = 0;
  LVec3 position;
  LQuat rotation;
  LVec3 scale;
  L3DPoolRef tag;
  const void* key = nullptr;      // the object instance
  const float* attach = nullptr;  // transform block the effect follows
  const float* trailA = nullptr;
  const float* trailB = nullptr;
};

// What the object instances and the loaders need of the effect manager, which lives in a
// library layer above the renderer. Effect data sets are handed out shared, so a set replaced
// while events still name it stays alive until the last of them goes.
class L3DEffectPlayer {
 public:
  virtual ~L3DEffectPlayer() = default;
  virtual void Play(const L3DEffectPlayRequest& request) = 0;
  // Stops or detaches every effect started with that key; harmless when there is none.
  virtual void StopKey(const void* key) = 0;
  // The system effect set (the first loaded), or empty.
  virtual dbtl::rcptr<L3D_EFFECT_DATA> GetFirstData() = 0;
  // The set loaded for a resource name, or empty.
  virtual dbtl::rcptr<L3D_EFFECT_DATA> FindData(const L3D_RENDERER_NNID* nnid) = 0;
  virtual void LoadData(L3D_RENDERER_NNID* nnid, int32_t pack, const char* name) = 0;
};

// Texture files by pack and name (L3DRenderer::LoadTexture: one texture per pack and name).
class L3DTextureLoader {
 public:
  virtual ~L3DTextureLoader() = default;
  virtual dbtl::rcptr<L3DTexture> Load(int32_t pack, const char* name, uint32_t option) = 0;
};

struct L3D_OBJINST_EVENT;
// Told of every event an instance runs, before it runs (the model-play tool prints them).
class L3DEventTrace {
 public:
  virtual ~L3DEventTrace() = default;
  virtual void OnEvent(const void* instance, const L3D_OBJINST_EVENT& event) = 0;
};

// The managers an object instance reaches. The renderer is held without a reference: it lists
// its instances and releases them when it goes, so a counted link back would make a cycle that
// keeps both alive. Every member may be null (a test without a device, sound off, no effects).
struct L3DModelServices {
  L3DRenderer* renderer = nullptr;
  LSeManager* seManager = nullptr;
  L3DEffectPlayer* effects = nullptr;
  // The renderer's generator; sound choices draw from it (a private one when null).
  L3DRandom* random = nullptr;
  // The renderer's resource names and texture loading (the renderer's own when null), and the
  // application's pack the loaders read from.
  L3DNnidTable* names = nullptr;
  L3DTextureLoader* textures = nullptr;
  int32_t pack = 0;
  L3DEventTrace* trace = nullptr;
};

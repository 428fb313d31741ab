#pragma once

#include "foundation/dbtl/rcptr.h"
#include "foundation/math/LQuat.h"
#include "foundation/math/LookAt.h"
#include "foundation/math/LVec3.h"
#include "render/L3DRendererVertex.h"
#include "script/ScriptHandle.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class L3DTexture;

// Decals: textures laid straight down onto the land of the map. Scripts make a decal handle
// from a texture once and stamp it as often as they like; the map keeps eight live stamps that
// fade in, stay and fade out. Shadows (Shadow.h) draw through the same walk.
namespace vell {

struct CollTriangle;

// A texture with its default opacity factor. Scripts hold it as a handle of kDecalHandleKind.
struct DecalHandle {
  dbtl::rcptr<L3DTexture> texture;
  float alpha = 1.0f;
  int32_t handle = 0;
};

extern const ScriptHandleKind kDecalHandleKind;

// The engine's decal handles, from their creation to the end of the engine: a map reset keeps
// them, so one handle serves every map.
class DecalList {
 public:
  DecalList() = default;
  ~DecalList();
  DecalList(const DecalList&) = delete;
  DecalList& operator=(const DecalList&) = delete;

  // A new handle holding one reference to the texture.
  DecalHandle* add(dbtl::rcptr<L3DTexture> texture, float alpha);
  // Releases every texture; the scripts' handles go stale.
  void clear();
  std::size_t size() const { return handles_.size(); }

 private:
  std::vector<std::unique_ptr<DecalHandle>> handles_;
};

inline constexpr uint32_t kDecalSlots = 8;

// What a stamp asks for: centre, opacity, angle about +Y in radians, size, and its frame counts
// (fade-in length, the age at which the fade-out starts, the age at which it goes).
struct DecalStamp {
  LVec3 centre{};
  float alpha = 1.0f;
  float angle = 0.0f;
  LVec3 size{1.0f, 1.0f, 1.0f};
  uint32_t fadeIn = 0;
  uint32_t fadeOut = 60;
  uint32_t life = 60;
};

// A live stamp: it keeps its centre relative to vertex 0 of the triangle it lies on, so it
// follows that triangle when it moves.
struct DecalSlot {
  CollTriangle* triangle = nullptr;
  const DecalHandle* handle = nullptr;
  LVec3 offset{};
  LQuat rotation{};
  LVec3 inverseSize{};
  float alpha = 1.0f;
  uint32_t age = 0;
  uint32_t fadeIn = 0;
  uint32_t fadeOut = 0;
  uint32_t life = 0;
};

// The map's eight stamp slots, the used ones packed at the front.
class MapDecals {
 public:
  // Fills the next free slot, or replaces the oldest (the lowest slot among equals); returns
  // the slot used.
  uint32_t add(CollTriangle* triangle, const DecalHandle* handle, const DecalStamp& stamp);
  // One frame: every stamp ages by one; those that reach their life go, the last used slot
  // moving into their place.
  void age();
  void clear() { count_ = 0; }
  uint32_t count() const { return count_; }
  const DecalSlot& slot(uint32_t i) const { return slots_[i]; }

 private:
  DecalSlot slots_[kDecalSlots];
  uint32_t count_ = 0;
};

// The opacity factor of a stamp at its age: fading in over fadeIn + 1 steps, full, then fading
// out from fadeOut until life; negative once the stamp is past its life (not drawn).
float decalFade(uint32_t age, uint32_t fadeIn, uint32_t fadeOut, uint32_t life);

// The rotation of a stamp turned by `angle` radians about +Y.
LQuat decalRotation(float angle);

// The vertex batch of the decal pass. Each decal is a walk over the land triangles from one
// start triangle through the triangles' links and corner lists, as far as the decal's box
// reaches; every triangle it reaches inside the box is appended again with the decal's texture
// coordinates. The batch goes to `flush` whenever it fills, when the texture changes and at
// finish.
class DecalBatch {
 public:
  static constexpr uint32_t kCapacity = 384;
  using Flush =
      std::function<void(const DecalHandle& handle, const L3D_RENDERER_VERTEX* vertices,
                         uint32_t count)>;

  DecalBatch(Flush flush, const float offset[3], uint32_t& drawStamp);

  // Draws one decal: `projection` takes a world point into the decal's box, which spans -0.5 to
  // 0.5 on each axis; the texture coordinates are its x and z plus 0.5. The walk keeps its own
  // stack, so a decal over a large map never runs the call stack out.
  void draw(CollTriangle* start, const DecalHandle* handle, float factor,
            const LMat43& projection);
  // Hands what is left to `flush`.
  void finish();

 private:
  void flushBatch();
  void appendTriangle(CollTriangle& t, const LMat43& m, uint32_t colour, bool& inside);

  Flush flush_;
  float offset_[3];
  uint32_t& drawStamp_;
  const DecalHandle* current_ = nullptr;
  L3D_RENDERER_VERTEX vertices_[kCapacity];
  uint32_t count_ = 0;
  struct Frame {
    CollTriangle* triangle;
    uint32_t list;  // 0: the links, 1..3: corner lists 0..2
    uint32_t next;
  };
  std::vector<Frame> stack_;
};

}  // namespace vell

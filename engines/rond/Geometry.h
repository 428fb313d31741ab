#pragma once

#include "foundation/dbtl/rcptr.h"
#include "model/load/Da3dObject.h"

#include <cstdint>
#include <memory>
#include <vector>

class L3DAnimInstance;
class L3DAnimData;

namespace rond {

struct Geometry;

// One named animation of a geometry; the placeholder default entry has no instance.
struct AnimEntry {
  Geometry* geometry = nullptr;
  dbtl::rcptr<L3DAnimData> data;
  dbtl::rcptr<L3DAnimInstance> anim;
  int32_t handle = 0;  // the script's handle, 0 until a script asks for one

  bool isPlaceholder() const { return !anim; }
  // The animation's end frame; 0 for the placeholder.
  int32_t lastFrame() const;
  // min(end, loop + 1) compared unsigned; 0 for the placeholder.
  int32_t loopFrame() const;
};

// Geometry flags: which of the engine's bounding slots the model's collision groups fill.
inline constexpr uint32_t kGeometryHasExtents = 1;  // slot 0
inline constexpr uint32_t kGeometryHasBody = 2;     // slot 3
inline constexpr uint32_t kGeometryHasAttack = 4;   // slot 4

// One loaded model of an object with its animation entries, in the model data's order.
struct Geometry {
  Da3dObject model;
  uint32_t flags = 0;
  std::vector<std::unique_ptr<AnimEntry>> entries;
  AnimEntry* defaultEntry = nullptr;
  int32_t handle = 0;

  ~Geometry();
  // Flags and entries from the loaded model: every usable animation in the data's order; the
  // last one named "default" (ASCII case folded) is the default, else a placeholder is added.
  void build();
  bool hasCollisionKind(uint32_t slot) const;
  // The first entry whose animation is named so (UTF-16 converted to code page 932), else the
  // default entry.
  AnimEntry* findAnimation(const char16_t* name) const;
};

// Names compared as the model data compares them: equal length, ASCII letters folded, other
// bytes (double-byte characters included) exactly.
bool sameAnimName(const char* a, size_t lengthA, const char* b, size_t lengthB);

}  // namespace rond

#pragma once

#include "engines/rond/Geometry.h"
#include "engines/rond/SphereSet.h"
#include "foundation/math/LQuat.h"
#include "model/math/FixedPoint.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace rond {

class Engine;

// Object flags.
inline constexpr uint32_t kObjectOwnerLinked = 1;
inline constexpr uint32_t kObjectNotifyPlayers = 2;
inline constexpr uint32_t kObjectHidden = 4;

// Move-result bits per axis: the applied move differs from the requested one, it is less than
// half of it, it is zero.
inline constexpr uint32_t kMoveChangedX = 1, kMoveHalfX = 2, kMoveStoppedX = 4;
inline constexpr uint32_t kMoveChangedY = 8, kMoveHalfY = 16, kMoveStoppedY = 32;
inline constexpr uint32_t kMoveChangedZ = 64, kMoveHalfZ = 128, kMoveStoppedZ = 256;

// Move flag: the velocity is already in world space.
inline constexpr uint32_t kMoveWorldSpace = 1;

// The vertical extents of the body (bounding slot 0), as offsets from the position, and the
// position at the start of the frame's move. Radius 0: not computed yet.
struct Extents {
  FixedVec3 saved{0, 0, 0};
  int32_t radius = 0;
  int32_t radiusSq = 0;
  int32_t top = 0;
  int32_t bottom = 0;
};

// What moves in a match (players, later bullets): a fixed-point position, a rotation, a velocity
// model per axis (x side, y up, z forward), the move of the frame and the loaded geometries.
class Object {
 public:
  Object() = default;
  virtual ~Object();
  Object(const Object&) = delete;
  Object& operator=(const Object&) = delete;

  void init(Engine* engine, const char16_t* directory, int32_t kind, const FixedVec3& position,
            const LQuat& rotation);
  // Unlinks, frees the geometries and leaves the object not live.
  virtual void release();
  virtual void draw(const float lightDirection[3], const float multiplier[4],
                    const float offset[4]);
  // Told when an object that asked for it is unlinked; nothing in this engine reacts.
  virtual void notifyRelease(Object* object);
  void unlink();
  bool live() const { return engine_ != nullptr; }

  // Geometries: loaded from the object's directory, cloned, attached; the current one is drawn
  // and moved.
  Geometry* loadGeometry(const char16_t* name);
  Geometry* cloneGeometry(const Da3dObject& source);
  Geometry* attachGeometry(std::unique_ptr<Geometry> geometry);
  void clearGeometries();
  void setAnimation(AnimEntry* entry);
  void addAnimation(AnimEntry* entry);
  void stopAnimationKeys();
  // Plays an effect of the current geometry's instance (its system set or its own), attached to
  // and keyed by that instance, at the position (fixed point, relative to it); nothing without
  // a geometry or without the chosen set.
  void playEffect(const FixedVec3& at, uint32_t effect, bool system, int32_t life,
                  const LQuat& effectRotation, const float scale[3]);
  // The extents of the current geometry's slot-0 spheres; false (and nothing written) without.
  bool computeExtents(Extents& extents) const;

  // Velocity and target to the vector, acceleration 0, bias 1024.
  void setMotion(const FixedVec3& v);
  // The requested move from the velocity (rotated unless in world space); applied = requested.
  void motionToWorld();
  // Move-result bits, position += applied move, the velocity model, then the instance.
  void applyMotion();

  Engine* engine() const { return engine_; }
  const char16_t* directory() const { return directory_; }
  Geometry* currentGeometry() const { return currentGeometry_; }
  AnimEntry* currentAnimation() const { return currentAnimation_; }
  const std::vector<std::unique_ptr<Geometry>>& geometries() const { return geometries_; }

  int32_t kind = 0;
  uint32_t flags = 0;
  Object* owner = nullptr;
  FixedVec3 position{0, 0, 0};
  LQuat rotation = kQuatIdentity;
  FixedVec3 velocity{0, 0, 0};
  FixedVec3 target{0, 0, 0};
  FixedVec3 acceleration{0, 0, 0};
  FixedVec3 bias{kFixedOne, kFixedOne, kFixedOne};
  FixedVec3 requestedMove{0, 0, 0};
  FixedVec3 appliedMove{0, 0, 0};
  uint32_t moveFlags = 0;
  uint32_t moveResult = 0;

 protected:
  Engine* engine_ = nullptr;

 private:
  const char16_t* directory_ = nullptr;
  std::vector<std::unique_ptr<Geometry>> geometries_;
  Geometry* currentGeometry_ = nullptr;
  AnimEntry* currentAnimation_ = nullptr;
};

// The move-result bits of one axis (shift 0 for x, 3 for y, 6 for z).
uint32_t moveResultBits(int32_t requested, int32_t applied, uint32_t shift);
// One axis of the velocity model: acceleration toward the target, then the bias.
int32_t stepVelocity(int32_t v, int32_t target, int32_t acceleration, int32_t bias);

}  // namespace rond

#pragma once

#include "foundation/math/LMat.h"
#include "foundation/math/LVec3.h"
#include "foundation/omb/ombRandom.h"
#include "script/ScriptObject.h"

#include <cstdint>

struct ScriptThread;

namespace rond {

class Engine;

// The camera of one player slot: a view matrix and a projection with the parameters it was
// built from. The projection asked for by a view is cached by kind (1 the full view, 2 a
// half-width view of half the aspect); a new projection drops the cache.
class Camera {
 public:
  Camera() = default;
  virtual ~Camera();
  Camera(const Camera&) = delete;
  Camera& operator=(const Camera&) = delete;

  // Detaches the camera from its engine.
  virtual void release();
  virtual void update() {}

  // Identity view, perspective pi/4, 4/3, near 1, far 100, nothing cached.
  void init(Engine* engine, int32_t slot);
  void setView(const LVec3& eye, const LVec3& target, const LVec3& up);
  void setProjection(float fovDegrees, float aspect, float nearZ, float farZ);
  // The view and the projection of the kind, rebuilding the cache when the kind changed.
  void selectProjection(int32_t kind, LMat& view, LMat& projection);

  Engine* engine() const { return engine_; }
  int32_t slot() const { return slot_; }
  const LMat& view() const { return view_; }
  const LMat& projection() const { return projection_; }
  float fov() const { return fov_; }
  float aspect() const { return aspect_; }
  float nearZ() const { return near_; }
  float farZ() const { return far_; }
  int32_t cachedKind() const { return cachedKind_; }
  // How often the cache was rebuilt; lets a caller see whether a request reused it.
  uint32_t cacheBuilds() const { return cacheBuilds_; }

 protected:
  Engine* engine_ = nullptr;
  int32_t slot_ = 0;
  LMat projection_;
  float fov_ = 0.0f;
  float aspect_ = 0.0f;
  float near_ = 0.0f;
  float far_ = 0.0f;
  int32_t cachedKind_ = 0;
  LMat cached_;
  LMat view_;
  uint32_t cacheBuilds_ = 0;
};

// The camera of a slot that is not drawn.
class CameraNone : public Camera {};

// The camera of a drawn slot, moved by the system directory's "camera" script.
//
// What a camera script does must never reach the simulation: a peer or a replay may draw other
// slots and so run other camera scripts. Random draws of a camera script come from the
// camera's own generator, and the camera table refuses natives that would change parameters.
class CameraPlayer : public Camera {
 public:
  ~CameraPlayer() override;
  void release() override;
  void update() override;

  // Perspective pi/4, 4/3, near 0.1, far 100; the view from (1, 2, 5) to the origin; then the
  // script "camera" of the system directory on the camera table.
  void setup();

  OMB_RANDOM* random() const { return random_; }
  ScriptThread* thread() const { return thread_; }

 private:
  void destroyThread();

  ScriptThread* thread_ = nullptr;
  OMB_RANDOM* random_ = nullptr;
};

// The natives of the camera table (CameraNatives.cpp).
void registerCameraApi(const ScriptObject& table);

}  // namespace rond

#include "engines/rond/Camera.h"

#include "engines/rond/RondEngine.h"
#include "foundation/math/LookAt.h"
#include "script/ScriptThread.h"

#include <cstdlib>
#include <utility>

namespace rond {

namespace {

constexpr float kQuarterPi = 0.78539819f;
constexpr float kDegreesToRadians = 0.017453292f;

}  // namespace

Camera::~Camera() { engine_ = nullptr; }

void Camera::release() { engine_ = nullptr; }

void Camera::init(Engine* engine, int32_t slot) {
  engine_ = engine;
  slot_ = slot;
  view_.SetIdentity();
  fov_ = kQuarterPi;
  aspect_ = 4.0f / 3.0f;
  near_ = 1.0f;
  far_ = 100.0f;
  projection_ = perspectiveFovRH(fov_, aspect_, near_, far_);
  cachedKind_ = 0;
}

void Camera::setView(const LVec3& eye, const LVec3& target, const LVec3& up) {
  LVec3 unit;
  vec3Normalize(unit, up);
  view_ = matFromView(calcLookAtView(unit, target, eye));
}

void Camera::setProjection(float fovDegrees, float aspect, float nearZ, float farZ) {
  fov_ = fovDegrees * kDegreesToRadians;
  aspect_ = aspect;
  near_ = nearZ;
  far_ = farZ;
  projection_ = perspectiveFovRH(fov_, aspect_, near_, far_);
  cachedKind_ = 0;
}

void Camera::selectProjection(int32_t kind, LMat& view, LMat& projection) {
  if (kind != cachedKind_) {
    if (kind == 1) {
      cached_ = projection_;
      ++cacheBuilds_;
    } else if (kind == 2) {
      cached_ = perspectiveFovRH(fov_, aspect_ * 0.5f, near_, far_);
      ++cacheBuilds_;
    }
    cachedKind_ = kind;
  }
  projection = cached_;
  view = view_;
}

CameraPlayer::~CameraPlayer() {
  destroyThread();
  std::free(std::exchange(random_, nullptr));
}

void CameraPlayer::destroyThread() {
  if (thread_ != nullptr) ScriptThread::destroy(std::exchange(thread_, nullptr));
}

void CameraPlayer::release() {
  destroyThread();
  Camera::release();
}

void CameraPlayer::setup() {
  destroyThread();
  projection_ = perspectiveFovRH(kQuarterPi, 4.0f / 3.0f, 0.1f, 100.0f);
  near_ = 0.1f;
  cachedKind_ = 0;
  setView(LVec3{1.0f, 2.0f, 5.0f}, LVec3{0.0f, 0.0f, 0.0f}, LVec3{0.0f, 1.0f, 0.0f});
  if (engine_ == nullptr) return;
  // The camera's own generator, seeded from the round so a camera script behaves alike in a
  // replay; it never feeds the simulation. A zero seed would mean "the time".
  if (random_ == nullptr) {
    uint32_t seed = engine_->seed() ^ (0x9E3779B9u * uint32_t(slot_ + 1));
    random_ = ombRandomCreate(seed != 0 ? seed : 1);
  }
  thread_ = new ScriptThread(engine_->scriptManager(), engine_->cameraTable());
  thread_->loadRelative(engine_->systemDirectory(), u"camera", static_cast<::Engine*>(engine_),
                        this);
}

void CameraPlayer::update() {
  if (thread_ != nullptr) thread_->resume();
}

}  // namespace rond

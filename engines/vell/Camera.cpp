#include "engines/vell/Camera.h"

#include "foundation/math/DetMath.h"
#include "foundation/math/LookAt.h"
#include "model/math/FixedPoint.h"

#include <cmath>

namespace vell {

namespace {

LMat lookAt(const LVec3& eye, const LVec3& target, const LVec3& up) {
  LVec3 u = up;
  const float len = std::sqrt(u.x * u.x + u.y * u.y + u.z * u.z);
  if (len > 0.0f) {
    const float inv = 1.0f / len;
    u = {u.x * inv, u.y * inv, u.z * inv};
  }
  return matFromView(calcLookAtView(u, target, eye));
}

// p transformed by m with the divide by w taken as a multiplication by 1 / w.
LVec3 transformCoord(const LMat& m, const LVec3& p) {
  const float w = p.x * m.m[0][3] + p.y * m.m[1][3] + p.z * m.m[2][3] + m.m[3][3];
  const float inv = 1.0f / w;
  return {(p.x * m.m[0][0] + p.y * m.m[1][0] + p.z * m.m[2][0] + m.m[3][0]) * inv,
          (p.x * m.m[0][1] + p.y * m.m[1][1] + p.z * m.m[2][1] + m.m[3][1]) * inv,
          (p.x * m.m[0][2] + p.y * m.m[1][2] + p.z * m.m[2][2] + m.m[3][2]) * inv};
}

LMat identity() {
  LMat m{};
  m.SetIdentity();
  return m;
}

}  // namespace

LMat orthoRH(float width, float height, float zNear, float zFar) {
  LMat m{};
  m.m[0][0] = 2.0f / width;
  m.m[1][1] = 2.0f / height;
  m.m[2][2] = 1.0f / (zNear - zFar);
  m.m[3][2] = zNear / (zNear - zFar);
  m.m[3][3] = 1.0f;
  return m;
}

void Camera::reset() {
  projection = perspectiveFovRH(0.7853982f, 1.3333334f, 1.0f, 100.0f);
  view = identity();
  mapMode = false;
  mapProjection = projection;
  mapView = identity();
}

void Camera::setPerspective(float fovYDegrees, float aspect, float zNear, float zFar) {
  projection = perspectiveFovRH(fovYDegrees * kDegreesToRadians, aspect, zNear, zFar);
}

void Camera::setOrthographic(float height, float aspect, float zNear, float zFar) {
  projection = orthoRH(height * aspect, height, zNear, zFar);
}

void Camera::setView(const LVec3& eye, const LVec3& target, const LVec3& up) {
  view = lookAt(eye, target, up);
}

void Camera::setMapPerspective(float fovYDegrees, float aspect, float zNear, float zFar) {
  mapProjection = perspectiveFovRH(fovYDegrees * kDegreesToRadians, aspect, zNear, zFar);
}

void Camera::setMapOrthographic(float height, float aspect, float zNear, float zFar) {
  mapProjection = orthoRH(height * aspect, height, zNear, zFar);
}

void Camera::setMapView(const LVec3& eye, const LVec3& target, const LVec3& up) {
  mapView = lookAt(eye, target, up);
}

LVec3 Camera::calcScreenPos(const LVec3& p) const {
  return transformCoord(projection, transformCoord(view, p));
}

}  // namespace vell

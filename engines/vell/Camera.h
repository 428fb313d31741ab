#pragma once

#include "foundation/math/LMat.h"
#include "foundation/math/LVec3.h"

// The field engine's camera matrices: the normal projection and view, and a second pair for the
// map camera that map mode draws the map through. The camera script sets them through the camera
// natives; until it does they keep the defaults of reset().
namespace vell {

// The right-handed orthographic projection, in the row-vector convention of LMat (the
// perspective one is foundation/math's perspectiveFovRH).
LMat orthoRH(float width, float height, float zNear, float zFar);

struct Camera {
  LMat projection{};
  LMat view{};
  bool mapMode = false;
  LMat mapProjection{};
  LMat mapView{};

  // 45-degree vertical field of view, aspect 4/3, near 1, far 100, identity views, map mode off.
  void reset();

  void setPerspective(float fovYDegrees, float aspect, float zNear, float zFar);
  void setOrthographic(float height, float aspect, float zNear, float zFar);
  void setView(const LVec3& eye, const LVec3& target, const LVec3& up);
  void setMapPerspective(float fovYDegrees, float aspect, float zNear, float zFar);
  void setMapOrthographic(float height, float aspect, float zNear, float zFar);
  void setMapView(const LVec3& eye, const LVec3& target, const LVec3& up);

  // The normalised device position of a world point through the normal camera (map mode is
  // ignored): x and y from -1 to 1 across the viewport, y upward, z the depth.
  LVec3 calcScreenPos(const LVec3& p) const;
};

}  // namespace vell

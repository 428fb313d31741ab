#pragma once

// The one float 3-vector of the model data, the 3D library and the engines (the script class
// Vec3 is a separate thing: the scripts' own value). Zero unless given.
struct LVec3 {
  float x = 0.0f;
  float y = 0.0f;
  float z = 0.0f;
};

// dst = src * (1 / len) with len = sqrt((x*x + y*y) + z*z); a zero vector is multiplied by its
// length, so it stays zero. dst may be src.
void vec3Normalize(LVec3& dst, const LVec3& src);

LVec3 vec3Subtract(const LVec3& a, const LVec3& b);
// (a.x*b.x + a.y*b.y) + a.z*b.z
float vec3Dot(const LVec3& a, const LVec3& b);
// a x b, each component as (first product) - (second product).
LVec3 vec3Cross(const LVec3& a, const LVec3& b);

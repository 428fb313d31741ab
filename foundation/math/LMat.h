#pragma once

// The 3D library's matrix: sixteen floats row by row in the row-vector convention (a point is a
// row, transformed as p x M; the translation is the fourth row).

struct LMat {
  float m[4][4];

  // out = a x b, computed into a temporary: out may be a or b.
  static void Mul(const LMat& a, const LMat& b, LMat& out);
  // The same product; both names are called by the 3D library.
  static void Multiply(const LMat& a, const LMat& b, LMat& out);
  LMat operator*(const LMat& other) const;
  // this <- this x m
  LMat& operator*=(const LMat& other);
  // in and out may be the same matrix.
  static void Transpose(LMat& out, const LMat& in);
  // out = the identity when in has no inverse.
  static void Inverse(const LMat& in, LMat& out);

  void SetIdentity();
  void SetScaling(float sx, float sy, float sz);
  void SetTranslation(float x, float y, float z);
  // Radians.
  void SetRotationZ(float angle);
  // About a unit axis (x, y, z); the axis is not normalised here.
  void SetRotationAxis(const float axis[3], float angle);
};

// out = (p, 1) x m divided by its w; out may be p.
void vec3TransformCoord(const LMat& m, const float p[3], float out[3]);

#include "foundation/math/LMat.h"

#include "foundation/math/DetMath.h"
#include "platform/d3d9/D3dx.h"

#include <cmath>
#include <cstring>

#if defined(__SSE__)
#include <xmmintrin.h>
#endif

void LMat::Mul(const LMat& a, const LMat& b, LMat& out) {
#if defined(__SSE__)
  // Four columns at once: each lane does the scalar sum below in the same order (products
  // left to right), so the bits are those of the plain loop.
  const __m128 b0 = _mm_loadu_ps(b.m[0]);
  const __m128 b1 = _mm_loadu_ps(b.m[1]);
  const __m128 b2 = _mm_loadu_ps(b.m[2]);
  const __m128 b3 = _mm_loadu_ps(b.m[3]);
  __m128 rows[4];
  for (int i = 0; i < 4; ++i) {
    __m128 r = _mm_mul_ps(_mm_set1_ps(a.m[i][0]), b0);
    r = _mm_add_ps(r, _mm_mul_ps(_mm_set1_ps(a.m[i][1]), b1));
    r = _mm_add_ps(r, _mm_mul_ps(_mm_set1_ps(a.m[i][2]), b2));
    rows[i] = _mm_add_ps(r, _mm_mul_ps(_mm_set1_ps(a.m[i][3]), b3));
  }
  for (int i = 0; i < 4; ++i) _mm_storeu_ps(out.m[i], rows[i]);
#else
  LMat r;
  for (int i = 0; i < 4; ++i) {
    for (int j = 0; j < 4; ++j) {
      r.m[i][j] = a.m[i][0] * b.m[0][j] + a.m[i][1] * b.m[1][j] + a.m[i][2] * b.m[2][j] +
                  a.m[i][3] * b.m[3][j];
    }
  }
  out = r;
#endif
}

void LMat::Multiply(const LMat& a, const LMat& b, LMat& out) { Mul(a, b, out); }

LMat LMat::operator*(const LMat& other) const {
  LMat r;
  Mul(*this, other, r);
  return r;
}

LMat& LMat::operator*=(const LMat& other) {
  Mul(*this, other, *this);
  return *this;
}

void LMat::Transpose(LMat& out, const LMat& in) {
  LMat r;
  for (int i = 0; i < 4; ++i) {
    for (int j = 0; j < 4; ++j) r.m[i][j] = in.m[j][i];
  }
  out = r;
}

void LMat::Inverse(const LMat& in, LMat& out) {
  d3d9::D3DXMATRIX source;
  d3d9::D3DXMATRIX inverse;
  std::memcpy(source.m, in.m, sizeof in.m);
  if (d3d9::D3DXMatrixInverse(&inverse, nullptr, &source) == nullptr) {
    out.SetIdentity();
    return;
  }
  std::memcpy(out.m, inverse.m, sizeof out.m);
}

void LMat::SetIdentity() { SetScaling(1.0f, 1.0f, 1.0f); }

void LMat::SetScaling(float sx, float sy, float sz) {
  std::memset(m, 0, sizeof m);
  m[0][0] = sx;
  m[1][1] = sy;
  m[2][2] = sz;
  m[3][3] = 1.0f;
}

void LMat::SetTranslation(float x, float y, float z) {
  SetIdentity();
  m[3][0] = x;
  m[3][1] = y;
  m[3][2] = z;
}

void LMat::SetRotationZ(float angle) {
  const float c = detmath::cos(angle);
  const float s = detmath::sin(angle);
  SetIdentity();
  m[0][0] = c;
  m[0][1] = s;
  m[1][0] = -s;
  m[1][1] = c;
}

void LMat::SetRotationAxis(const float axis[3], float angle) {
  const float x = axis[0], y = axis[1], z = axis[2];
  const float k = detmath::cos(angle);
  const float s = detmath::sin(angle);
  const float t = 1.0f - k;
  SetIdentity();
  m[0][0] = x * x * t + k;
  m[0][1] = x * y * t + z * s;
  m[0][2] = x * z * t - y * s;
  m[1][0] = x * y * t - z * s;
  m[1][1] = y * y * t + k;
  m[1][2] = y * z * t + x * s;
  m[2][0] = x * z * t + y * s;
  m[2][1] = y * z * t - x * s;
  m[2][2] = z * z * t + k;
}

void vec3TransformCoord(const LMat& mat, const float p[3], float out[3]) {
  const auto& m = mat.m;
  const float x = p[0], y = p[1], z = p[2];
  const float w = x * m[0][3] + y * m[1][3] + z * m[2][3] + m[3][3];
  // A multiplication by the reciprocal, not three divisions: the two differ in the last bit
  // for about a third of all inputs, and replays need the engines' exact results.
  const float r = 1.0f / w;
  out[0] = (x * m[0][0] + y * m[1][0] + z * m[2][0] + m[3][0]) * r;
  out[1] = (x * m[0][1] + y * m[1][1] + z * m[2][1] + m[3][1]) * r;
  out[2] = (x * m[0][2] + y * m[1][2] + z * m[2][2] + m[3][2]) * r;
}

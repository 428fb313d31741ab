#include "platform/d3d9/D3dx.h"

#include <cstring>

namespace d3d9 {

D3DXMATRIX* D3DXMatrixOrthoOffCenterRH(D3DXMATRIX* out, float l, float r, float b, float t,
                                       float zn, float zf) {
  D3DXMATRIX o{};
  o(0, 0) = 2.0f / (r - l);
  o(1, 1) = 2.0f / (t - b);
  o(2, 2) = 1.0f / (zn - zf);
  o(3, 0) = (l + r) / (l - r);
  o(3, 1) = (t + b) / (b - t);
  o(3, 2) = zn / (zn - zf);
  o(3, 3) = 1.0f;
  *out = o;
  return out;
}

D3DXMATRIX* D3DXMatrixInverse(D3DXMATRIX* out, float* determinant, const D3DXMATRIX* in) {
  // Cofactors in double precision: the renderer inverts view x projection matrices whose
  // entries span several orders of magnitude.
  double a[16];
  for (int i = 0; i < 16; ++i) a[i] = in->m[i / 4][i % 4];
  double inv[16];
  inv[0] = a[5] * a[10] * a[15] - a[5] * a[11] * a[14] - a[9] * a[6] * a[15] +
           a[9] * a[7] * a[14] + a[13] * a[6] * a[11] - a[13] * a[7] * a[10];
  inv[4] = -a[4] * a[10] * a[15] + a[4] * a[11] * a[14] + a[8] * a[6] * a[15] -
           a[8] * a[7] * a[14] - a[12] * a[6] * a[11] + a[12] * a[7] * a[10];
  inv[8] = a[4] * a[9] * a[15] - a[4] * a[11] * a[13] - a[8] * a[5] * a[15] +
           a[8] * a[7] * a[13] + a[12] * a[5] * a[11] - a[12] * a[7] * a[9];
  inv[12] = -a[4] * a[9] * a[14] + a[4] * a[10] * a[13] + a[8] * a[5] * a[14] -
            a[8] * a[6] * a[13] - a[12] * a[5] * a[10] + a[12] * a[6] * a[9];
  inv[1] = -a[1] * a[10] * a[15] + a[1] * a[11] * a[14] + a[9] * a[2] * a[15] -
           a[9] * a[3] * a[14] - a[13] * a[2] * a[11] + a[13] * a[3] * a[10];
  inv[5] = a[0] * a[10] * a[15] - a[0] * a[11] * a[14] - a[8] * a[2] * a[15] +
           a[8] * a[3] * a[14] + a[12] * a[2] * a[11] - a[12] * a[3] * a[10];
  inv[9] = -a[0] * a[9] * a[15] + a[0] * a[11] * a[13] + a[8] * a[1] * a[15] -
           a[8] * a[3] * a[13] - a[12] * a[1] * a[11] + a[12] * a[3] * a[9];
  inv[13] = a[0] * a[9] * a[14] - a[0] * a[10] * a[13] - a[8] * a[1] * a[14] +
            a[8] * a[2] * a[13] + a[12] * a[1] * a[10] - a[12] * a[2] * a[9];
  inv[2] = a[1] * a[6] * a[15] - a[1] * a[7] * a[14] - a[5] * a[2] * a[15] +
           a[5] * a[3] * a[14] + a[13] * a[2] * a[7] - a[13] * a[3] * a[6];
  inv[6] = -a[0] * a[6] * a[15] + a[0] * a[7] * a[14] + a[4] * a[2] * a[15] -
           a[4] * a[3] * a[14] - a[12] * a[2] * a[7] + a[12] * a[3] * a[6];
  inv[10] = a[0] * a[5] * a[15] - a[0] * a[7] * a[13] - a[4] * a[1] * a[15] +
            a[4] * a[3] * a[13] + a[12] * a[1] * a[7] - a[12] * a[3] * a[5];
  inv[14] = -a[0] * a[5] * a[14] + a[0] * a[6] * a[13] + a[4] * a[1] * a[14] -
            a[4] * a[2] * a[13] - a[12] * a[1] * a[6] + a[12] * a[2] * a[5];
  inv[3] = -a[1] * a[6] * a[11] + a[1] * a[7] * a[10] + a[5] * a[2] * a[11] -
           a[5] * a[3] * a[10] - a[9] * a[2] * a[7] + a[9] * a[3] * a[6];
  inv[7] = a[0] * a[6] * a[11] - a[0] * a[7] * a[10] - a[4] * a[2] * a[11] +
           a[4] * a[3] * a[10] + a[8] * a[2] * a[7] - a[8] * a[3] * a[6];
  inv[11] = -a[0] * a[5] * a[11] + a[0] * a[7] * a[9] + a[4] * a[1] * a[11] -
            a[4] * a[3] * a[9] - a[8] * a[1] * a[7] + a[8] * a[3] * a[5];
  inv[15] = a[0] * a[5] * a[10] - a[0] * a[6] * a[9] - a[4] * a[1] * a[10] +
            a[4] * a[2] * a[9] + a[8] * a[1] * a[6] - a[8] * a[2] * a[5];
  const double det = a[0] * inv[0] + a[1] * inv[4] + a[2] * inv[8] + a[3] * inv[12];
  if (determinant) *determinant = float(det);
  if (det == 0.0 || float(det) == 0.0f) return nullptr;
  for (int i = 0; i < 16; ++i) out->m[i / 4][i % 4] = float(inv[i] / det);
  return out;
}

D3DXVECTOR3* D3DXVec3TransformCoordArray(D3DXVECTOR3* out, UINT outStride, const D3DXVECTOR3* in,
                                         UINT inStride, const D3DXMATRIX* m, UINT count) {
  auto* dst = reinterpret_cast<unsigned char*>(out);
  const auto* src = reinterpret_cast<const unsigned char*>(in);
  for (UINT i = 0; i < count; ++i, dst += outStride, src += inStride) {
    float v[3];
    std::memcpy(v, src, sizeof v);
    float r[4];
    for (int c = 0; c < 4; ++c) {
      r[c] = v[0] * m->m[0][c] + v[1] * m->m[1][c] + v[2] * m->m[2][c] + m->m[3][c];
    }
    const float inv = 1.0f / r[3];
    const float o[3] = {r[0] * inv, r[1] * inv, r[2] * inv};
    std::memcpy(dst, o, sizeof o);
  }
  return out;
}

}  // namespace d3d9

#pragma once

// The few matrix helpers the renderer takes from the D3DX library, as the project's own code:
// row-vector convention (a point is a row, transformed as p x M), matrices stored row by row.

#include "platform/d3d9/D3d9Types.h"

namespace d3d9 {

struct D3DXMATRIX : D3DMATRIX {
  float& operator()(int row, int column) { return m[row][column]; }
  float operator()(int row, int column) const { return m[row][column]; }
};

struct D3DXVECTOR3 {
  float x;
  float y;
  float z;
};

// Orthographic projection of the box left..right, bottom..top, zn..zf into clip space, for a
// right-handed view (looking down -z): x and y to -1..1, z from zn to 0 and from zf to 1.
D3DXMATRIX* D3DXMatrixOrthoOffCenterRH(D3DXMATRIX* out, float left, float right, float bottom,
                                       float top, float zn, float zf);

// The inverse of m into out, and its determinant into determinant when given. A singular
// matrix (determinant 0) answers null and leaves out unchanged.
D3DXMATRIX* D3DXMatrixInverse(D3DXMATRIX* out, float* determinant, const D3DXMATRIX* m);

// Transforms count points (x, y, z, 1) by m and divides by the resulting w; input and output
// elements lie inStride and outStride bytes apart, so vectors can sit inside larger vertices.
D3DXVECTOR3* D3DXVec3TransformCoordArray(D3DXVECTOR3* out, UINT outStride, const D3DXVECTOR3* in,
                                         UINT inStride, const D3DXMATRIX* m, UINT count);

}  // namespace d3d9

#include "platform/d3d9/D3dx.h"

#include <gtest/gtest.h>

namespace d3d9 {
namespace {

D3DXVECTOR3 transform(const D3DXMATRIX& m, D3DXVECTOR3 v) {
  D3DXVECTOR3 out{};
  D3DXVec3TransformCoordArray(&out, sizeof out, &v, sizeof v, &m, 1);
  return out;
}

TEST(D3dx, OrthoOffCenterMapsTheBoxToClipSpace) {
  D3DXMATRIX m;
  ASSERT_EQ(D3DXMatrixOrthoOffCenterRH(&m, 0.0f, 640.0f, 480.0f, 0.0f, -1.0f, 1.0f), &m);
  struct Case {
    D3DXVECTOR3 in, out;
  } cases[] = {
      {{0, 0, 0}, {-1, 1, 0.5f}},
      {{640, 480, 0}, {1, -1, 0.5f}},
      // Right-handed: the near plane lies at z = -zn, so z = 1 is the near end (0) and
      // z = -1 the far end (1).
      {{320, 240, 1}, {0, 0, 0}},
      {{320, 240, -1}, {0, 0, 1}},
  };
  for (const auto& c : cases) {
    const D3DXVECTOR3 r = transform(m, c.in);
    EXPECT_FLOAT_EQ(r.x, c.out.x);
    EXPECT_FLOAT_EQ(r.y, c.out.y);
    EXPECT_NEAR(r.z, c.out.z, 1e-6);
  }
}

TEST(D3dx, InverseUndoesTheMatrixAndRefusesSingular) {
  D3DXMATRIX m{};
  const float rows[4][4] = {{2, 0, 0, 0}, {0, 0, 3, 0}, {0, -1, 0, 0}, {5, 6, 7, 1}};
  for (int r = 0; r < 4; ++r) {
    for (int c = 0; c < 4; ++c) m(r, c) = rows[r][c];
  }
  D3DXMATRIX inv;
  float det = 0;
  ASSERT_EQ(D3DXMatrixInverse(&inv, &det, &m), &inv);
  EXPECT_FLOAT_EQ(det, 6.0f);
  const D3DXVECTOR3 p{1.5f, -2.0f, 4.0f};
  const D3DXVECTOR3 back = transform(inv, transform(m, p));
  EXPECT_NEAR(back.x, p.x, 1e-5);
  EXPECT_NEAR(back.y, p.y, 1e-5);
  EXPECT_NEAR(back.z, p.z, 1e-5);

  D3DXMATRIX singular = m;
  for (int c = 0; c < 4; ++c) singular(2, c) = 2 * singular(0, c);
  D3DXMATRIX untouched = inv;
  EXPECT_EQ(D3DXMatrixInverse(&untouched, nullptr, &singular), nullptr);
  EXPECT_EQ(untouched(0, 0), inv(0, 0));
}

TEST(D3dx, TransformCoordArrayHonoursStridesAndDividesByW) {
  D3DXMATRIX m{};
  m(0, 0) = m(1, 1) = m(2, 2) = 1.0f;
  m(2, 3) = 1.0f;  // w = z
  struct Vertex {
    D3DXVECTOR3 p;
    float pad[11];
  } in[2] = {{{2, 4, 2}, {}}, {{9, 3, 3}, {}}};
  for (auto& v : in) v.pad[0] = 77.0f;
  Vertex out[2]{};
  D3DXVec3TransformCoordArray(&out[0].p, sizeof(Vertex), &in[0].p, sizeof(Vertex), &m, 2);
  EXPECT_FLOAT_EQ(out[0].p.x, 1.0f);
  EXPECT_FLOAT_EQ(out[0].p.y, 2.0f);
  EXPECT_FLOAT_EQ(out[1].p.x, 3.0f);
  EXPECT_FLOAT_EQ(out[1].p.z, 1.0f);
  EXPECT_EQ(out[1].pad[0], 0.0f);  // only the vectors are written
}

}  // namespace
}  // namespace d3d9

// A small scene drawn through the whole pipeline by the software rasteriser: a rigid cube, a
// strip bent by two bones and a translucent quad that goes through the depth-sorted list, with
// the fixture shaders assembled at build time. The frame must match the reviewed picture in
// golden/scene3d.bmp; RENDER_WRITE_GOLDEN=1 writes it anew (on purpose only).

#include "render/tests/DrawFixture.h"
#include "testsupport/DMemorySource.h"
#include "testsupport/FileBytes.h"
#include "testsupport/GoldenPicture.h"
#include "testsupport/render/DeviceFixture.h"

#include <cstdlib>
#include <fstream>
#include <iterator>

namespace {

using namespace d3d9;

const std::string kGolden = std::string(TEST_SOURCE_DIR) + "/tests/golden/scene3d.bmp";

LMat Rotation(float x, float y, float z, float angle) {
  const float axis[3] = {x, y, z};
  LMat m;
  m.SetRotationAxis(axis, angle);
  return m;
}

LMat Translation(float x, float y, float z) {
  LMat m;
  m.SetTranslation(x, y, z);
  return m;
}

void transformVertex(const LMat& r, L3D_RENDERER_VERTEX& v) {
  float p[3] = {v.x, v.y, v.z};
  float out[3];
  vec3TransformCoord(r, p, out);
  v.x = out[0];
  v.y = out[1];
  v.z = out[2];
  const float n[3] = {v.nx, v.ny, v.nz};
  v.nx = n[0] * r.m[0][0] + n[1] * r.m[1][0] + n[2] * r.m[2][0];
  v.ny = n[0] * r.m[0][1] + n[1] * r.m[1][1] + n[2] * r.m[2][1];
  v.nz = n[0] * r.m[0][2] + n[1] * r.m[1][2] + n[2] * r.m[2][2];
}

// A unit cube from six turned copies of the face towards -z, each face its own colour.
void buildCube(FakeMesh& mesh) {
  const LMat turns[6] = {Rotation(0, 1, 0, 0.0f),        Rotation(0, 1, 0, 1.5707964f),
                         Rotation(0, 1, 0, 3.1415927f),  Rotation(0, 1, 0, -1.5707964f),
                         Rotation(1, 0, 0, 1.5707964f),  Rotation(1, 0, 0, -1.5707964f)};
  const uint32_t colours[6] = {0xFFFF4040, 0xFF40FF40, 0xFF4040FF,
                               0xFFFFFF40, 0xFF40FFFF, 0xFFFF40FF};
  for (int f = 0; f < 6; ++f) {
    const size_t first = mesh.vertices.size();
    AddQuad(mesh, -0.5f, -0.5f, 0.5f, 0.5f, -0.5f, colours[f]);
    for (size_t i = first; i < mesh.vertices.size(); ++i) transformVertex(turns[f], mesh.vertices[i]);
  }
}

// A vertical strip of three rows: the bottom row follows the part (slot 0), the top row the
// bone (slot 1), the middle row half of each.
void buildStrip(FakeMesh& mesh) {
  for (int row = 0; row < 3; ++row) {
    for (int col = 0; col < 2; ++col) {
      L3D_RENDERER_VERTEX v = Vertex(col == 0 ? -0.25f : 0.25f, -0.9f + 0.9f * row, 0.0f,
                                     0xFFE0C080);
      v.weights[0] = row == 0 ? 1.0f : (row == 1 ? 0.5f : 0.0f);
      v.weights[1] = 1.0f - v.weights[0];
      v.slots[0] = 0;
      v.slots[1] = 1;
      mesh.vertices.push_back(v);
    }
  }
  for (uint16_t row = 0; row < 2; ++row) {
    const uint16_t b = uint16_t(row * 2);
    for (uint16_t i : {0, 3, 2, 0, 1, 3}) mesh.indices.push_back(uint16_t(b + i));
  }
  mesh.bonesPerVertex = 2;
  mesh.bones = {1};
}

class SceneTest : public RendererTest {};

TEST_F(SceneTest, SceneMatchesGolden) {
  const std::vector<uint8_t> archive =
      readFileBytes(std::string(TEST_BINARY_DIR) + "/shaders/renderer.csa");
  ASSERT_FALSE(archive.empty()) << "the build makes shaders/renderer.csa";
  Open(Profile("default"), L3DDEV_CREATE_WINDOW, 128, 96);
  // A small window keeps the golden picture small: the window's back buffer follows its client.
  SetClientSize(128, 96);
  ASSERT_TRUE(m_device->ResetCurrentMode());
  L3DRenderer& renderer = Make(archive);
  renderer.SetViewProjection(Translation(0.0f, 0.0f, 4.0f), goldenPerspective());
  const float light[3] = {0.4f, -0.5f, 1.0f};
  renderer.SetLightDirection(light);

  FakeDrawable scene;
  auto lit = NewOption<L3D_RENDERER_SHADEROPT_NORMAL>(L3D_SHADER_NORMAL);
  SetColour(lit->colourA, 0.8f, 0.8f, 0.8f, 1.0f);
  SetColour(lit->colourB, 0.2f, 0.2f, 0.2f, 1.0f);

  FakePart& cube = scene.parts.emplace_back();
  cube.matrices = {Rotation(0, 1, 0, 0.6f) * Rotation(1, 0, 0, 0.4f) *
                   Translation(-1.1f, 0.2f, 0.0f)};
  FakeMesh& cubeMesh = cube.meshes.emplace_back();
  buildCube(cubeMesh);
  cubeMesh.material.option = lit;

  FakePart& strip = scene.parts.emplace_back();
  const LMat base = Translation(1.1f, 0.0f, 0.0f);
  strip.matrices = {base, Translation(0.0f, 0.9f, 0.0f) * Rotation(0, 0, 1, -0.7f) *
                              Translation(0.0f, -0.9f, 0.0f) * base};
  FakeMesh& stripMesh = strip.meshes.emplace_back();
  buildStrip(stripMesh);
  stripMesh.material.option = lit;

  FakePart& glass = scene.parts.emplace_back();
  glass.matrices = {Translation(0.0f, -0.1f, -1.0f)};
  FakeMesh& glassMesh = glass.meshes.emplace_back();
  AddQuad(glassMesh, -0.8f, -0.5f, 0.8f, 0.5f, 0.0f, 0xFF60A0FF);
  auto translucent = NewOption<L3D_RENDERER_SHADEROPT_NORMAL>(L3D_SHADER_NORMAL, 1);
  SetColour(translucent->colourA, 1.0f, 1.0f, 1.0f, 0.5f);
  SetColour(translucent->colourB, 0.0f, 0.0f, 0.0f, 0.0f);
  glassMesh.material.option = translucent;

  D3d().Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF203040u, 1.0f, 0);
  D3d().BeginScene();
  const float white[4] = {1.0f, 1.0f, 1.0f, 1.0f};
  renderer.DrawObjectInstance(scene, white, white, 0);
  EXPECT_EQ(renderer.GetZsd().GetGroupCount(), 1u);
  renderer.DrawZsd();
  D3d().EndScene();

  expectGoldenPicture(CaptureBackBuffer(), kGolden, "RENDER_WRITE_GOLDEN");
}

}  // namespace

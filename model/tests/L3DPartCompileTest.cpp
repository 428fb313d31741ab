#include "model/L3DPartData.h"
#include "model/tests/ModelTestSupport.h"

#include <gtest/gtest.h>

using namespace modelfile;

namespace {

// A version-1 part with one triangle-list material of the given corners; every corner uses
// point, normal, colour and texture coordinate i of four.
Part oldPart(uint32_t corners) {
  Part p;
  p.name = "leg";
  p.colours = {0xFF000001, 0xFF000002, 0xFF000003, 0xFF000004};
  p.uvs = {{0.0f, 0.5f}, {1.0f, 1.5f}, {2.0f, 2.5f}, {3.0f, 3.5f}};
  Material m;
  for (uint32_t i = 0; i < corners; ++i) m.corners.push_back({i % 4, i % 4, i % 4, i % 4});
  m.points = {{-1, 0, 0}, {3, 1, 2}, {0, -4, 0}, {0, 0, 8}};
  m.normals = {{0, 1, 0}, {1, 0, 0}, {0, 0, 1}, {0, -1, 0}};
  p.materials = {m};
  return p;
}

MapEntry weight(uint32_t corner, float w) {
  MapEntry e;
  e.index1 = corner;
  e.values[0] = w;
  return e;
}

// Loads a version-1 model of the part, compiles it and returns it.
dbtl::rcptr<L3DPartData> compiled(const Part& part) {
  Model m;
  m.version = 1;
  m.parts = {part};
  auto data = loadModel(m);
  auto p = data->GetPartDataFromNumber(1);
  EXPECT_EQ(p->meshCount, 0u) << "old parts carry no vertex sets";
  p->CompileRuntime();
  return p;
}

TEST(L3DPartCompileTest, RigidMaterialTakesItsCornersFromTheSharedArrays) {
  LerrCapture capture;
  Part part = oldPart(3);
  part.materials[0].indices = {0, 2, 0x10001};
  part.materials[0].primitiveCount = 1;
  part.materials[0].corners[2] = {1, 3, 2, 0};
  auto p = compiled(part);
  ASSERT_EQ(p->meshCount, 1u);
  const L3D_PARTDATA_MESH& mesh = p->meshes[0];
  EXPECT_EQ(mesh.material, &p->mats[0]);
  EXPECT_EQ(mesh.vertices.blendCount, 0u);
  EXPECT_EQ(mesh.paletteCount, 0u);
  EXPECT_EQ(mesh.primitiveType, 4u);
  EXPECT_EQ(mesh.primitiveCount, 1u);
  ASSERT_EQ(mesh.vertices.count, 3u);
  const L3D_RENDERER_VERTEX& v = mesh.vertices.vertices[2];
  EXPECT_EQ(v.x, 3.0f);   // point 1
  EXPECT_EQ(v.ny, -1.0f); // normal 3
  EXPECT_EQ(v.colour, 0xFF000003u);
  EXPECT_EQ(v.v, 0.5f);   // texture coordinate 0
  EXPECT_EQ(v.weights[0], 1.0f);
  EXPECT_EQ(v.slots[0], 0);
  // The low 16 bits of each index, little-endian.
  ASSERT_EQ(mesh.indexBytes, 6u);
  const uint8_t indices[] = {0, 0, 2, 0, 1, 0};
  EXPECT_EQ(0, memcmp(mesh.indices.Get(), indices, 6));
  EXPECT_FALSE(mesh.packedVertices);
  EXPECT_NE(capture.Log().find("[L3DPartData::CompileRuntime] Part \"leg\": MaxBlend(0), MaxBone(0)"),
            std::string::npos);
}

TEST(L3DPartCompileTest, WeightsAreNormalisedAndSlotsNameTheBonesMatrixNumbers) {
  LerrCapture capture;
  // Bone "X" has no map; "Y" (matrix 2) and "Z" (matrix 3) share corner 0.
  Part part = oldPart(2);
  part.bones = {bone("X", {bone("Y")}), bone("Z")};
  part.bones[0].children[0].weightMap = "wy";
  part.bones[1].weightMap = "wz";
  part.weightMaps = {Map{"wy", {weight(0, 0.2f)}}, Map{"wz", {weight(0, 0.6f), weight(1, 0.5f)}}};
  auto p = compiled(part);
  const L3D_PARTDATA_MESH& mesh = p->meshes[0];
  ASSERT_EQ(mesh.paletteCount, 2u);
  EXPECT_EQ(mesh.palette[0], 2u);
  EXPECT_EQ(mesh.palette[1], 3u);
  EXPECT_EQ(mesh.vertices.blendCount, 2u);
  const L3D_RENDERER_VERTEX& v0 = mesh.vertices.vertices[0];
  EXPECT_FLOAT_EQ(v0.weights[0], 0.25f);
  EXPECT_FLOAT_EQ(v0.weights[1], 0.75f);
  EXPECT_EQ(v0.slots[0], 1);
  EXPECT_EQ(v0.slots[1], 2);
  // Corner 1 reuses Z's slot and gets its whole weight.
  const L3D_RENDERER_VERTEX& v1 = mesh.vertices.vertices[1];
  EXPECT_EQ(v1.slots[0], 2);
  EXPECT_EQ(v1.weights[0], 1.0f);
  EXPECT_TRUE(capture.Boxes().empty());
}

TEST(L3DPartCompileTest, WeightsAtOrBelowTheThresholdAreIgnored) {
  struct Case {
    float weight;
    uint32_t blend;
  } cases[] = {{0.001f, 0}, {0.0011f, 1}, {0.0f, 0}, {-0.5f, 0}};
  for (const Case& c : cases) {
    Part part = oldPart(1);
    part.bones = {bone("b")};
    part.bones[0].weightMap = "w";
    part.weightMaps = {Map{"w", {weight(0, c.weight)}}};
    auto p = compiled(part);
    const L3D_PARTDATA_MESH& mesh = p->meshes[0];
    EXPECT_EQ(mesh.vertices.blendCount, c.blend) << c.weight;
    EXPECT_EQ(mesh.paletteCount, c.blend) << c.weight;
    EXPECT_EQ(mesh.vertices.vertices[0].weights[0], 1.0f) << c.weight;
  }
}

TEST(L3DPartCompileTest, AFifthWeightTakesTheFourthPlaceWithOneWarning) {
  LerrCapture capture;
  // Two materials with five weighted bones on their first corner: the warning comes once.
  Part part = oldPart(1);
  part.materials.push_back(part.materials[0]);
  const float weights[] = {0.1f, 0.1f, 0.1f, 0.1f, 0.6f};
  for (int b = 0; b < 5; ++b) {
    const std::string name = "b" + std::to_string(b);
    part.bones.push_back(bone(name));
    part.bones.back().weightMap = name;
    MapEntry other = weight(0, weights[b]);
    other.index0 = 1;
    part.weightMaps.push_back(Map{name, {weight(0, weights[b]), other}});
  }
  auto p = compiled(part);
  const L3D_RENDERER_VERTEX& v = p->meshes[0].vertices.vertices[0];
  EXPECT_EQ(p->meshes[0].vertices.blendCount, 4u);
  EXPECT_EQ(p->meshes[0].paletteCount, 5u);
  const uint8_t slots[] = {1, 2, 3, 5};
  for (int i = 0; i < 4; ++i) EXPECT_EQ(v.slots[i], slots[i]) << i;
  EXPECT_FLOAT_EQ(v.weights[0], 0.1f / 0.9f);
  EXPECT_FLOAT_EQ(v.weights[3], 0.6f / 0.9f);
  const auto boxes = capture.Boxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, u"[L3DPartData::CompileRuntime] 最大頂点ブレンド数が多すぎます");
  EXPECT_NE(capture.Log().find("MaxBlend(4), MaxBone(5)"), std::string::npos);
}

TEST(L3DPartCompileTest, PaletteOf256BonesWarns) {
  for (uint32_t bones : {255u, 256u}) {
    LerrCapture capture;
    Part part = oldPart(bones);
    for (uint32_t b = 0; b < bones; ++b) {
      const std::string name = "b" + std::to_string(b);
      part.bones.push_back(bone(name));
      part.bones.back().weightMap = name;
      part.weightMaps.push_back(Map{name, {weight(b, 1.0f)}});
    }
    auto p = compiled(part);
    EXPECT_EQ(p->meshes[0].paletteCount, bones);
    const auto boxes = capture.Boxes();
    if (bones == 255) {
      EXPECT_TRUE(boxes.empty());
    } else {
      ASSERT_EQ(boxes.size(), 1u);
      EXPECT_EQ(boxes[0].text, u"[L3DPartData::CompileRuntime] 最大ボーン数が多すぎます");
    }
  }
}

TEST(L3DPartCompileTest, ExtraTextureCoordinatesMakePackedVertices) {
  Part part = oldPart(2);
  part.materials[0].extraUVs = {{1, 2}, {3, 0}};
  Model m;
  m.version = 16;
  // Version 16 carries vertex sets; an empty list leaves the part to compile like an old one.
  m.parts = {part};
  auto p = loadModel(m)->GetPartDataFromNumber(1);
  ASSERT_EQ(p->meshCount, 0u);
  p->CompileRuntime();
  const L3D_RENDERER_PACKEDVERTEX& packed = p->meshes[0].packedVertices[1];
  EXPECT_EQ(packed.vertex.colour, 0xFF000002u);
  EXPECT_EQ(packed.u2, 3.0f);
  EXPECT_EQ(packed.v2, 3.5f);
  EXPECT_EQ(packed.u3, 0.0f);
  EXPECT_EQ(packed.v3, 0.5f);
}

TEST(L3DPartCompileTest, CornerIndicesOutsideTheArraysStop) {
  LerrCapture capture;
  const Corner bad[] = {{4, 0, 0, 0}, {0, 4, 0, 0}, {0, 0, 4, 0}, {0, 0, 0, 4}};
  for (const Corner& c : bad) {
    Part part = oldPart(1);
    part.materials[0].corners[0] = c;
    Model m;
    m.version = 1;
    m.parts = {part};
    auto p = loadModel(m)->GetPartDataFromNumber(1);
    EXPECT_EQ(capture.FatalText([&] { p->CompileRuntime(); }),
              u"[L3DPartData::CompileRuntime] corner 0 of material 0 of part \"leg\" indexes "
              u"outside its arrays");
    EXPECT_EQ(p->meshCount, 0u);
    EXPECT_FALSE(p->meshes);
  }
}

TEST(L3DPartCompileTest, PivotIsTheCentreOfTheBoundingBox) {
  LerrCapture capture;
  L3D_PARTDATA_MAT m;
  m.primitiveType = 4;
  EXPECT_EQ(L3DPartData::CalcMatPivot(m).x, 0.0f);
  m.pointCount = 4;
  m.points.Create(4);
  const LVec3 points[] = {{-1, 0, 0}, {3, 1, 2}, {0, -4, 0}, {0, 0, 8}};
  for (int i = 0; i < 4; ++i) m.points[i] = points[i];
  const LVec3 pivot = L3DPartData::CalcMatPivot(m);
  EXPECT_EQ(pivot.x, 1.0f);
  EXPECT_EQ(pivot.y, -1.5f);
  EXPECT_EQ(pivot.z, 4.0f);
  m.primitiveType = 5;
  EXPECT_EQ(capture.FatalText([&] { L3DPartData::CalcMatPivot(m); }),
            u"[L3DPartData::CalcMatPivot] この形式に対応していない");
}

}  // namespace

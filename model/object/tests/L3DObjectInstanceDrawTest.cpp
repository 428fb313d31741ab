// The object instance's materials built by the renderer's material code through the instance's
// texture resolver, and the instance as the renderer's drawing interface describes it.

#include "model/object/L3DObjectInstance.h"
#include "model/object/tests/ObjectTestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

std::vector<std::pair<std::string, uint32_t>> gResolved;

void recordResolve(dbtl::rcptr<L3DTexture>& out, L3DObjectInstance*, const char* name,
                   uint32_t option) {
  gResolved.emplace_back(name, option);
  out.Create(1);
}

dbtl::rcptr<L3DObjectInstance> withResolver(const dbtl::rcptr<L3DObjectData>& data) {
  if (DmathSinTable[1024] == 0.0f) DmathInitTables();
  auto inst = l3dNewObject<L3DObjectInstance>();
  inst->Create(L3DModelServices{}, data, {0, recordResolve, nullptr});
  return inst;
}

// The part's option names the part and material in another case; its highlight texture is
// resolved without mip levels, the material's own texture with them.
TEST(ObjectInstanceDraw, MaterialTakesTheMatchingOptionAndItsTextures) {
  modelfile::Model m = objtest::bodyModel();
  m.parts[0].materials[0].texture = "skin.png";
  m.pool = "BODYMATshine";
  modelfile::Shader other;
  other.kind = 0;
  other.partName = modelfile::ref(0, 4);
  other.materialName = modelfile::ref(7, 5);  // "shine": no material of that name
  modelfile::Shader highlight;
  highlight.kind = 1;
  highlight.partName = modelfile::ref(0, 4);
  highlight.materialName = modelfile::ref(4, 3);
  highlight.texture = modelfile::ref(7, 5);
  m.records.shaders = {other, highlight};
  gResolved.clear();
  auto inst = withResolver(loadModel(m));
  const L3D_PARTINST_MAT& mat = objtest::part(*inst).mats[0];
  ASSERT_TRUE(mat.ownMaterial.option);
  EXPECT_EQ(mat.ownMaterial.option->kind, 1u);
  EXPECT_TRUE(mat.ownMaterial.texture);
  EXPECT_TRUE(mat.ownMaterial.texture2);
  EXPECT_FALSE(mat.ownMaterial.texture3);
  EXPECT_EQ(gResolved, (std::vector<std::pair<std::string, uint32_t>>{{"skin.png", 1},
                                                                      {"shine", 0}}));
}

TEST(ObjectInstanceDraw, DescribesItsPartsAndMeshes) {
  auto inst = withResolver(loadModel(objtest::bodyModel()));
  ASSERT_EQ(inst->GetDrawPartCount(), 1u);
  L3D_RENDERER_DRAWPART part;
  inst->GetDrawPart(0, part);
  const L3DPartInstance& p = objtest::part(*inst);
  EXPECT_FALSE(part.disabled);
  EXPECT_EQ(part.matrices, p.palette.Get());
  EXPECT_EQ(part.matrixCount, p.paletteSize);
  ASSERT_EQ(part.meshCount, 1u);
  L3D_RENDERER_DRAWMESH mesh;
  inst->GetDrawMesh(0, 0, mesh);
  EXPECT_EQ(mesh.vertexCount, 3u);
  EXPECT_EQ(mesh.primitiveCount, 1u);
  EXPECT_EQ(mesh.primitiveType, 4u);
  EXPECT_EQ(mesh.vertices, p.mats[0].vertices.Get());
  EXPECT_EQ(mesh.material, p.mats[0].currentMaterial);
  EXPECT_EQ(mesh.ownMaterial, &p.mats[0].ownMaterial);
  // Without a renderer the default material has no option to point at.
  EXPECT_FALSE(p.mats[0].ownMaterial.option);
  // A hidden root key hides the part.
  objtest::part(*inst).root.keyFlags = L3D_ANIMKEY_HIDDEN;
  inst->GetDrawPart(0, part);
  EXPECT_TRUE(part.disabled);
}

}  // namespace

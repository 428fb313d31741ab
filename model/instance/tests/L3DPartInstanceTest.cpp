#include "model/instance/L3DPartInstance.h"

#include "model/instance/tests/InstanceTestSupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

using modelfile::bone;

namespace {

class PartInstanceTest : public DeviceTest {
 protected:
  // The owner on a device; the model is built by the test.
  void Build(const modelfile::Model& model, bool vertexShaders = true) {
    m_owner.device = &Open(Profile("default"), L3DDEV_CREATE_WINDOW);
    m_owner.vertexShaders = vertexShaders;
    m_owner.Build(loadModel(model));
  }
  L3DPartInstance& Part(size_t i = 0) { return *m_owner.parts.at(i); }

  FakeOwner m_owner;
};

// A part with a bone tree root{arm{hand}, leg}, two vertex sets (the second with 72-byte
// vertices) and a morph map.
modelfile::Model skinnedModel() {
  modelfile::Model m;
  modelfile::Bone arm = bone("arm", {bone("hand")});
  arm.flags = L3D_PARTDATA_BONE_SECOND_PIVOT;
  arm.pivot = {1, 2, 3};
  arm.secondPivot = {4, 5, 6};
  modelfile::Bone leg = bone("leg");
  leg.pivot = {7, 8, 9};
  modelfile::Part p = modelfile::partWithBones("body", {bone("root", {arm, leg})});
  p.materials = {material("BODY"), material("Eyes")};
  p.meshes = {mesh(0, 3), mesh(1, 2, true)};
  modelfile::Map morph{"smile", {}};
  modelfile::MapEntry inside;
  inside.index0 = 1;
  inside.index1 = 1;
  modelfile::MapEntry pastVertices;
  pastVertices.index0 = 1;
  pastVertices.index1 = 2;
  modelfile::MapEntry pastSets;
  pastSets.index0 = 2;
  morph.entries = {inside, pastVertices, pastSets};
  p.morphMaps = {morph};
  m.parts = {p};
  return m;
}

TEST_F(PartInstanceTest, BonesGetTheirMatrixNumbersPivotsAndPaletteEntries) {
  Build(skinnedModel());
  L3DPartInstance& part = Part();
  ASSERT_EQ(part.paletteSize, 5u);
  EXPECT_EQ(part.root.output, &part.palette[0]);
  EXPECT_EQ(part.root.flags, 0x03u);
  EXPECT_EQ(part.root.pivot[0], 0.0f);

  ASSERT_EQ(part.boneCount, 1u);
  const L3D_PARTINST_BONE& root = part.bones[0];
  ASSERT_EQ(root.childCount, 2u);
  const L3D_PARTINST_BONE& arm = root.children[0];
  const L3D_PARTINST_BONE& leg = root.children[1];
  ASSERT_EQ(arm.childCount, 1u);
  const L3D_PARTINST_BONE& hand = arm.children[0];
  struct Row {
    const L3D_PARTINST_BONE& bone;
    uint32_t number;
    float pivot[3];
  };
  const Row rows[] = {
      {root, 1, {0, 0, 0}},
      {arm, 2, {4, 5, 6}},  // flag bit 0: the second pivot
      {hand, 3, {0, 0, 0}},
      {leg, 4, {7, 8, 9}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.number);
    EXPECT_EQ(row.bone.matrixNumber, row.number);
    EXPECT_EQ(row.bone.transform.output, &part.palette[row.number]);
    EXPECT_EQ(row.bone.transform.flags, 0x03u);
    for (int k = 0; k < 3; ++k) {
      EXPECT_EQ(row.bone.pivot[k], row.pivot[k]);
      EXPECT_EQ(row.bone.transform.pivot[k], row.pivot[k]);
    }
  }
}

TEST_F(PartInstanceTest, BuffersComeFromTheCopyOrFromThePackedVertices) {
  Build(skinnedModel());
  L3DPartInstance& part = Part();
  ASSERT_EQ(part.matCount, 2u);
  const L3D_PARTINST_MAT& plain = part.mats[0];
  const L3D_PARTINST_MAT& packed = part.mats[1];
  EXPECT_EQ(plain.flags, 0u);
  EXPECT_EQ(packed.flags, L3D_PARTINST_MAT_PACKED);
  EXPECT_EQ(plain.vertexCount, 3u);
  // The copy is a copy: editing it leaves the part data alone.
  ASSERT_NE(plain.vertices.Get(), plain.mesh->vertices.vertices.Get());
  EXPECT_EQ(bytesOf(plain.vertices.Get(), 3 * 56), bytesOf(plain.mesh->vertices.vertices.Get(), 3 * 56));

  ASSERT_TRUE(plain.vbuffer);
  EXPECT_EQ(plain.vbuffer->fvf, 0x815Eu);
  EXPECT_EQ(plain.vbuffer->buffer->bytes(), bytesOf(plain.vertices.Get(), 3 * 56));
  ASSERT_TRUE(packed.vbuffer);
  EXPECT_EQ(packed.vbuffer->fvf, 0x835Eu);
  EXPECT_EQ(packed.vbuffer->buffer->bytes(), bytesOf(packed.mesh->packedVertices.Get(), 2 * 72));
  ASSERT_TRUE(plain.ibuffer);
  EXPECT_EQ(plain.ibuffer->buffer->bytes(), (std::vector<uint8_t>{0, 0, 1, 0, 2, 0}));
}

TEST_F(PartInstanceTest, WithoutVertexShadersNothingIsMadeOnTheDevice) {
  Build(skinnedModel(), false);
  L3DPartInstance& part = Part();
  for (uint32_t i = 0; i < part.matCount; ++i) {
    EXPECT_FALSE(part.mats[i].vbuffer);
    EXPECT_FALSE(part.mats[i].ibuffer);
  }
  part.mats[0].flags = L3D_PARTINST_MAT_UPLOAD;
  part._UploadVertices();
  EXPECT_EQ(part.mats[0].flags, 0u);
}

TEST_F(PartInstanceTest, UploadWritesOnlyAPlainSetThatIsOutOfDateAndNotDrawnFromMemory) {
  struct Row {
    const char* name;
    uint32_t set;
    uint32_t flags;
    bool written;
    uint32_t flagsAfter;
  };
  const Row rows[] = {
      {"out of date", 0, 0x02, true, 0x00},
      {"drawn from the copy this frame", 0, 0x03, false, 0x03},
      {"up to date", 0, 0x00, false, 0x00},
      {"72-byte set", 1, 0x22, false, 0x20},
  };
  Build(skinnedModel());
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    L3DPartInstance& part = Part();
    L3D_PARTINST_MAT& m = part.mats[row.set];
    const std::vector<uint8_t> before = m.vbuffer->buffer->bytes();
    m.vertices[0].x += 100.0f;
    m.flags = row.flags;
    part._UploadVertices();
    EXPECT_EQ(m.flags, row.flagsAfter);
    const std::vector<uint8_t> after = m.vbuffer->buffer->bytes();
    if (row.written) {
      EXPECT_EQ(after, bytesOf(m.vertices.Get(), m.vertexCount * 56));
    } else {
      EXPECT_EQ(after, before);
    }
  }
}

TEST_F(PartInstanceTest, RestoresPutBackOnlyWhatTheirFlagCovers) {
  Build(skinnedModel());
  L3DPartInstance& part = Part();
  L3D_PARTINST_MAT& m = part.mats[0];
  const L3D_RENDERER_VERTEX original = m.mesh->vertices.vertices[1];
  auto spoil = [&] {
    L3D_RENDERER_VERTEX& v = m.vertices[1];
    v.x = v.nz = 50.0f;
    v.u = v.v = 60.0f;
    v.colour = 0x12345678;
  };

  spoil();
  m.flags = L3D_PARTINST_MAT_MORPHED | L3D_PARTINST_MAT_DRAW_COPY;
  part._RestoreVertices();
  EXPECT_EQ(m.flags, L3D_PARTINST_MAT_UPLOAD | L3D_PARTINST_MAT_DRAW_COPY);
  EXPECT_EQ(m.vertices[1].x, original.x);
  EXPECT_EQ(m.vertices[1].nz, original.nz);
  EXPECT_EQ(m.vertices[1].u, 60.0f);
  part._RestoreUVs();  // no 0x08: nothing to do
  EXPECT_EQ(m.vertices[1].u, 60.0f);

  spoil();
  m.flags = L3D_PARTINST_MAT_UV_CHANGED;
  part._RestoreUVs();
  EXPECT_EQ(m.flags, L3D_PARTINST_MAT_UPLOAD);
  EXPECT_EQ(m.vertices[1].u, original.u);
  EXPECT_EQ(m.vertices[1].v, original.v);
  EXPECT_EQ(m.vertices[1].x, 50.0f);
  EXPECT_EQ(m.vertices[1].colour, 0x12345678u);
}

TEST_F(PartInstanceTest, RefreshResetsTheGroupsAndRestoresUVsOnlyForAMotionThatAsks) {
  Build(skinnedModel());
  L3DPartInstance& part = Part();
  L3D_PARTINST_MAT& m = part.mats[0];
  const int motionWord = 0;
  const auto* motion = reinterpret_cast<const L3D_ANIMINST_MOT*>(&motionWord);
  struct Row {
    const L3D_ANIMINST_MOT* motion;
    bool restores;
    uint32_t flagsAfter;
  };
  const Row rows[] = {
      {nullptr, true, 0x0A},
      {motion, false, 0x0A},
      {motion, true, 0x02},
  };
  for (const Row& row : rows) {
    const int resets = m_owner.resets;
    part.root.motion = row.motion;
    m_owner.motionRestoresUVs = row.restores;
    m.flags = L3D_PARTINST_MAT_MORPHED | L3D_PARTINST_MAT_UV_CHANGED;
    part._Refresh();
    EXPECT_EQ(m.flags, row.flagsAfter);
    EXPECT_EQ(m_owner.resets, resets + 1);
  }
}

TEST_F(PartInstanceTest, MorphEntriesPointIntoTheCopyAndNeverPastIt) {
  Build(skinnedModel());
  L3DPartInstance& part = Part();
  ASSERT_EQ(part.mmapCount, 1u);
  const L3D_PARTINST_MMAP& map = part.mmaps[0];
  ASSERT_EQ(map.entryCount, 3u);
  EXPECT_EQ(map.entries[0].vertex, &part.mats[1].vertices[1]);
  EXPECT_EQ(map.entries[0].entry, &map.data->entries[0]);
  EXPECT_EQ(map.entries[0].positionStep[0], 0.0f);
  EXPECT_EQ(map.entries[1].vertex, nullptr);  // vertex 2 of a set of two
  EXPECT_EQ(map.entries[2].vertex, nullptr);  // vertex set 2 of two
  EXPECT_EQ(part.GetMMap(map.data.Get()).Get(), &map);
}

TEST_F(PartInstanceTest, LookUpsFindByNameOrDataAndStopOnAMiss) {
  Build(skinnedModel());
  L3DPartInstance& part = Part();
  EXPECT_EQ(part.GetMat("Body", 4).Get(), &part.mats[0]);
  EXPECT_EQ(part.GetMat("EYES", 4).Get(), &part.mats[1]);
  EXPECT_EQ(Fatal([&] { part.GetMat("Bod", 3); }),
            "[L3DPartInstance::GetMat] 指定されたマテリアルは見つかりません(Bod)");

  const L3D_PARTINST_BONE& hand = part.bones[0].children[0].children[0];
  EXPECT_EQ(part.GetBone(hand.data.Get()).Get(), &hand);
  const L3D_PARTINST_BONE& leg = part.bones[0].children[1];
  EXPECT_EQ(part.GetBone(leg.data.Get()).Get(), &leg);
  L3D_PARTDATA_BONE stranger;
  EXPECT_EQ(Fatal([&] { part.GetBone(&stranger); }),
            "[L3DPartInstance::GetBone] 指定されたボーンは見つかりません");
  L3D_PARTDATA_MMAP otherMap;
  EXPECT_EQ(Fatal([&] { part.GetMMap(&otherMap); }),
            "[L3DPartInstance::GetMMap] 指定されたモーフマップがない");
  // An element handle keeps the whole array alive.
  dbtl::rcptr<L3D_PARTINST_MAT> kept = part.GetMat("eyes", 4);
  part.Clear();
  EXPECT_EQ(part.matCount, 0u);
  EXPECT_EQ(kept->vertexCount, 2u);
}

TEST_F(PartInstanceTest, ABoneMissingFromTheMatrixListStopsTheBuild) {
  m_owner.device = &Open(Profile("default"), L3DDEV_CREATE_WINDOW);
  m_owner.objectData = loadModel(skinnedModel());
  dbtl::rcptr<L3DPartData> data = m_owner.objectData->parts.Front();
  data->matrixCount = 3;  // leg, last in pre-order, has no entry
  L3DPartInstance part;
  EXPECT_EQ(Fatal([&] { part.Create(m_owner.Self(), data); }),
            "[L3DPartInstance::_CreateBone] ボーンに対応する行列番号が見つからない");
}

TEST_F(PartInstanceTest, APartWithoutVertexSetsOrBonesHasOnlyTheRootEntry) {
  modelfile::Model m;
  m.parts = {modelfile::partWithBones("empty", {})};
  Build(m);
  L3DPartInstance& part = Part();
  EXPECT_EQ(part.matCount, 0u);
  EXPECT_FALSE(part.GetMatArray());
  EXPECT_EQ(part.paletteSize, 1u);
  EXPECT_EQ(part.root.output, &part.palette[0]);
  EXPECT_TRUE(m_owner.materialCalls.empty());
}

TEST_F(PartInstanceTest, MaterialsFallBackFromPartToObjectToTheDefault) {
  const auto made = l3dNewObject<L3DTexture>();
  const auto resolved = l3dNewObject<L3DTexture>();
  struct Row {
    FakeOwner::Accepts accepts;
    bool resolver;
    std::vector<std::string> calls;
    std::vector<std::string> resolvedNames;
    const dbtl::rcptr<L3DTexture>* texture;
  };
  const Row rows[] = {
      {FakeOwner::Accepts::Part, true, {"part:body/skin"}, {}, &made},
      {FakeOwner::Accepts::Object, true, {"part:body/skin", "object:body/skin"}, {}, &made},
      {FakeOwner::Accepts::None, true,
       {"part:body/skin", "object:body/skin", "default"}, {"skin.png,1"}, &resolved},
      {FakeOwner::Accepts::None, false, {"part:body/skin", "object:body/skin", "default"}, {},
       nullptr},
  };
  modelfile::Model m;
  modelfile::Part p = modelfile::partWithBones("body", {});
  p.materials = {material("skin", "skin.png")};
  p.meshes = {mesh(0, 1)};
  m.parts = {p};
  for (const Row& row : rows) {
    FakeOwner owner;
    owner.device = nullptr;
    owner.vertexShaders = false;
    owner.accepts = row.accepts;
    owner.hasResolver = row.resolver;
    owner.madeTexture = made;
    owner.resolvedTexture = resolved;
    owner.Build(loadModel(m));
    EXPECT_EQ(owner.materialCalls, row.calls);
    EXPECT_EQ(owner.resolved, row.resolvedNames);
    const L3D_PARTINST_MAT& record = owner.parts[0]->mats[0];
    EXPECT_EQ(record.currentMaterial, &record.ownMaterial);
    const L3DTexture* expected = row.texture != nullptr ? row.texture->Get() : nullptr;
    EXPECT_EQ(record.ownMaterial.texture.Get(), expected);
    EXPECT_EQ(record.currentTexture.Get(), expected);
  }
}

TEST_F(PartInstanceTest, SpheresOfPartGroupsGoToTheirBoneOrToTheRoot) {
  modelfile::Model m = skinnedModel();
  m.parts.push_back(modelfile::partWithBones("other", {}));
  auto sphere = [](uint32_t part, uint32_t boneNumber) {
    modelfile::Sphere s;
    s.part = part;
    s.bone = boneNumber;
    return s;
  };
  modelfile::Coll attached;
  attached.type = 4;  // types 3 to 6 hang on parts
  attached.spheres = {sphere(1, 3), sphere(1, 0), sphere(2, 0), sphere(1, 3)};
  modelfile::Coll loose;
  loose.type = 0;
  loose.spheres = {sphere(1, 3), sphere(1, 0)};
  m.colls = {attached, loose};
  Build(m);
  L3DCollGroupInstance& group = *m_owner.collGroups.Front();
  L3DPartInstance& body = Part(0);
  const L3D_PARTINST_TRANSFORM& hand = body.bones[0].children[0].children[0].transform;
  ASSERT_EQ(hand.sphereCount, 2u);
  EXPECT_EQ(hand.spheres[0], &group.spheres[0]);
  EXPECT_EQ(hand.spheres[1], &group.spheres[3]);
  ASSERT_EQ(body.root.sphereCount, 1u);
  EXPECT_EQ(body.root.spheres[0], &group.spheres[1]);
  EXPECT_EQ(body.bones[0].transform.sphereCount, 0u);
  ASSERT_EQ(Part(1).root.sphereCount, 1u);
  EXPECT_EQ(Part(1).root.spheres[0], &group.spheres[2]);
}

}  // namespace

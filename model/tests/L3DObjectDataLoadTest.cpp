#include "model/L3DObjectData.h"
#include "model/tests/ModelTestSupport.h"
#include "testsupport/ModelSample.h"

#include <gtest/gtest.h>

using namespace modelfile;

namespace {

// Every version reads the same description; the fields that depend on the version follow it.
TEST(L3DObjectDataLoadTest, EveryVersionReadsItsOwnLayout) {
  for (uint32_t v = 0; v <= 16; ++v) {
    SCOPED_TRACE("version " + std::to_string(v));
    auto data = loadModel(fullModel(v));
    EXPECT_TRUE(data->name.Equals("robot"));
    auto option = data->shaderOptions.Front();
    ASSERT_TRUE(option);
    EXPECT_EQ(text(option->partName), "body");
    EXPECT_EQ(text(static_cast<L3D_RENDERER_SHADEROPT_TEXLIGHT&>(*option).texture), "texA");
    EXPECT_EQ(text(data->texAreas.Front()->areaName), "arm");
    EXPECT_EQ(data->events.Front()->frame, 12u);

    auto part = data->GetPartDataFromNumber(1);
    ASSERT_TRUE(part);
    const L3D_PARTDATA_MAT& mat = part->mats[0];
    EXPECT_STREQ(mat.textureName.text, "skin.png");
    if (v < 8) {
      EXPECT_EQ(mat.flags, 3u) << "pivot computed";
      EXPECT_EQ(mat.pivot.x, 1.0f);
      EXPECT_EQ(mat.pivot.y, 1.0f);
    } else {
      EXPECT_EQ(mat.flags, 1u);
      EXPECT_EQ(mat.pivot.x, 7.0f);
    }
    if (v < 2) {
      EXPECT_EQ(part->meshCount, 0u);
    } else {
      ASSERT_EQ(part->meshCount, 1u);
      const L3D_PARTDATA_MESH& mesh = part->meshes[0];
      EXPECT_EQ(mesh.material, &part->mats[0]);
      EXPECT_EQ(mesh.vertices.count, 2u);
      EXPECT_EQ(mesh.vertices.vertices[1].colour, 0xFF000001u);
      EXPECT_EQ(mesh.vertices.vertices[1].slots[0], 1);
      EXPECT_EQ(mesh.vertices.vertices[1].v, 0.25f);
      EXPECT_EQ(mesh.indexBytes, 4u);
      EXPECT_EQ(mesh.palette[1], 2u);
    }

    auto entry = data->GetPartGroupDataFromNumber(1)->entries.Front();
    EXPECT_EQ(entry->parentPart, part);
    EXPECT_STREQ(entry->GetParentBone()->name.text, "hand");

    if (v < 4) {
      EXPECT_EQ(data->collGroups.GetCount(), 0u);
    } else {
      auto coll = data->collGroups.Front();
      ASSERT_TRUE(coll);
      EXPECT_EQ(coll->flags, L3D_COLLGROUP_FLAG_TYPED);
      auto sphere = coll->spheres.Front();
      EXPECT_STREQ(sphere->bone->name.text, "root");
      EXPECT_EQ(sphere->radius, (v == 5 || v == 6) ? 0.0f : 3.0f);
    }

    // The animations come after every legacy block: finding them proves the blocks were
    // walked through whole.
    auto anim = data->anims.Front();
    ASSERT_TRUE(anim);
    EXPECT_EQ(anim->partGroup, data->GetPartGroupDataFromNumber(1));
    EXPECT_EQ(anim->endFrame, 60u);
    EXPECT_EQ(anim->loopFrame, 10u);
    auto rootMotion = anim->GetMotion(part, {});
    EXPECT_EQ(rootMotion->keys.GetCount(), 2u);
    EXPECT_EQ(rootMotion->keys.Front()->frame, 0u);
    auto handMotion = anim->GetMotion(part, data->GetPartBoneDataFromNumber(part, 2));
    auto morphs = items(handMotion->morphGroups.Front()->morphs);
    ASSERT_EQ(morphs.size(), 2u);
    EXPECT_EQ(morphs[0]->morphMap, part->GetMmapDataFromNumber(1));
    EXPECT_FALSE(morphs[1]->morphMap);
  }
}

TEST(L3DObjectDataLoadTest, ShaderOptionsTakeTheClassOfTheirKind) {
  Model m = fullModel(14);
  m.pool = "texAtexB";
  m.records.shaders.clear();
  for (uint32_t kind : {0u, 1u, 2u, 3u, 4u, 5u, 10u}) {
    Shader s;
    s.kind = kind;
    s.texture = ref(0, 4);
    s.texture2 = ref(4, 4);
    s.blend = 9;
    s.value = 0.75f;
    s.extra = 77;
    m.records.shaders.push_back(s);
  }
  auto data = loadModel(m);
  auto options = items(data->shaderOptions);
  ASSERT_EQ(options.size(), 7u);
  EXPECT_NE(dynamic_cast<L3D_RENDERER_SHADEROPT_NORMAL*>(options[0].Get()), nullptr);
  EXPECT_EQ(text(dynamic_cast<L3D_RENDERER_SHADEROPT_HIGHLIGHT&>(*options[1]).texture), "texA");
  EXPECT_EQ(text(dynamic_cast<L3D_RENDERER_SHADEROPT_FURLIGHT&>(*options[2]).texture), "texA");
  EXPECT_EQ(text(dynamic_cast<L3D_RENDERER_SHADEROPT_TEXLIGHT&>(*options[3]).texture), "texA");
  auto& highlight = dynamic_cast<L3D_RENDERER_SHADEROPT_TEXHIGHLIGHT&>(*options[4]);
  EXPECT_EQ(text(highlight.texture2), "texB");
  EXPECT_EQ(highlight.parameter2, 0.25f);
  EXPECT_EQ(text(dynamic_cast<L3D_RENDERER_SHADEROPT_TEXFURLIGHT&>(*options[5]).texture2), "texB");
  EXPECT_EQ(text(dynamic_cast<L3D_RENDERER_SHADEROPT_MAP3&>(*options[6]).texture2), "texB");
  for (const auto& o : options) {
    EXPECT_EQ(o->blendMode, 9u);
    EXPECT_EQ(o->edgeWidth, 0.75f);
    EXPECT_EQ(o->addressMode, 77u);
    EXPECT_EQ(text(o->partName), "<null>");
  }
}

TEST(L3DObjectDataLoadTest, BlendModeAndExtraFollowTheVersion) {
  struct Case {
    uint32_t version;
    uint32_t stored;
    uint32_t blend;
    uint32_t extra;
  } cases[] = {{2, 7, 1, 0}, {2, 0, 0, 0}, {3, 7, 7, 0}, {13, 2, 2, 0}, {14, 2, 2, 5}};
  for (const Case& c : cases) {
    Model m = fullModel(c.version);
    m.records.shaders[0].blend = c.stored;
    m.records.shaders[0].extra = 5;
    auto option = loadModel(m)->shaderOptions.Front();
    EXPECT_EQ(option->blendMode, c.blend) << c.version << "/" << c.stored;
    EXPECT_EQ(option->addressMode, c.extra) << c.version;
  }
}

TEST(L3DObjectDataLoadTest, EventFieldsFollowTheVersion) {
  struct Case {
    uint32_t version;
    uint32_t groupIndex;
    uint32_t choices;
    const char* partName2;
    const char* partName3;
    uint32_t life;
  } cases[] = {
      {8, 0, 0, "<null>", "<null>", 0xFFFFFFFF},
      {9, 4, 0, "<null>", "<null>", 0xFFFFFFFF},
      {10, 4, 0, "arm", "<null>", 0xFFFFFFFF},
      {11, 4, 0, "arm", "tex", 0xFFFFFFFF},
      {13, 4, 2, "arm", "tex", 40},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.version);
    Model m = fullModel(c.version);
    Event se;
    se.type = 1;
    se.groupIndex = 4;
    se.number = 9;
    se.choices = {10, 11};
    se.name1 = ref(0, 4);
    Event effect;
    effect.type = 3;
    effect.number = 2;
    effect.name3 = ref(0, 4);
    effect.name4 = ref(4, 3);
    effect.name6 = ref(7, 3);
    effect.life = 40;
    effect.frame = 8;
    m.records.events = {se, effect};
    // The names live in the model's pool: the model is kept while they are read.
    auto data = loadModel(m);
    auto events = items(data->events);
    ASSERT_EQ(events.size(), 2u);
    auto& s = dynamic_cast<L3D_OBJDATA_EVENT_SE&>(*events[0]);
    EXPECT_EQ(s.type, 1u);
    EXPECT_EQ(s.groupIndex, c.groupIndex);
    EXPECT_EQ(s.soundNumber, 9u);
    EXPECT_EQ(s.choiceCount, c.choices);
    if (c.choices != 0) {
      EXPECT_EQ(s.choices[1], 11u);
    }
    EXPECT_EQ(text(s.partName), "body");
    auto& f = dynamic_cast<L3D_OBJDATA_EVENT_EFFECT&>(*events[1]);
    EXPECT_EQ(f.type, 3u);
    EXPECT_EQ(f.frame, 8u);
    EXPECT_EQ(text(f.tag), "body");
    EXPECT_EQ(text(f.partName2), c.partName2);
    EXPECT_EQ(text(f.partName3), c.partName3);
    EXPECT_EQ(f.life, c.life);
    EXPECT_EQ(f.rotation.w, 1.0f);
  }
}

TEST(L3DObjectDataLoadTest, EveryEventTypeTakesItsClass) {
  Model m = fullModel(16);
  m.records.events.clear();
  for (uint32_t type = 0; type <= 6; ++type) {
    Event e;
    e.type = type;
    e.number = 100 + type;
    e.frame = type;
    e.name1 = ref(0, 4);
    e.name2 = ref(4, 3);
    m.records.events.push_back(e);
  }
  auto data = loadModel(m);
  auto events = items(data->events);
  ASSERT_EQ(events.size(), 7u);
  EXPECT_EQ(text(dynamic_cast<L3D_OBJDATA_EVENT_TEXSET&>(*events[0]).targetArea), "arm");
  EXPECT_EQ(dynamic_cast<L3D_OBJDATA_EVENT_EFFECT&>(*events[2]).effectNumber, 102u);
  EXPECT_EQ(dynamic_cast<L3D_OBJDATA_EVENT_EFFECT&>(*events[2]).type, 2u);
  auto& setColl = dynamic_cast<L3D_OBJDATA_EVENT_SETCOLL&>(*events[4]);
  EXPECT_EQ(text(setColl.groupName), "body");
  EXPECT_EQ(setColl.value, 104u);
  EXPECT_EQ(dynamic_cast<L3D_OBJDATA_EVENT_GOFRAME&>(*events[5]).targetFrame, 105u);
  auto& anim = dynamic_cast<L3D_OBJDATA_EVENT_TEXANIM&>(*events[6]);
  EXPECT_EQ(text(anim.materialName), "arm");
  EXPECT_EQ(anim.waveOn, 1);
  EXPECT_EQ(anim.periodV, 6u);
  EXPECT_EQ(anim.scrollOn, 1);
  EXPECT_EQ(anim.limitV, 0.8f);
  for (uint32_t i = 0; i < 7; ++i) EXPECT_EQ(events[i]->frame, i);
}

TEST(L3DObjectDataLoadTest, CollisionTypeSixAndTheTypedFlag) {
  struct Case {
    uint32_t version, type, flags;
    uint32_t expectType, expectFlags;
  } cases[] = {
      {14, 6, 0, 0, 0},
      {15, 6, 0, 6, 0x10000},
      {15, 1, 0x10005, 1, 5},
      {16, 3, 0, 3, 0x10000},
  };
  for (const Case& c : cases) {
    Model m = fullModel(c.version);
    m.colls[0].type = c.type;
    m.colls[0].flags = c.flags;
    auto coll = loadModel(m)->collGroups.Front();
    EXPECT_EQ(coll->type, c.expectType) << c.version << "/" << c.type;
    EXPECT_EQ(coll->flags, c.expectFlags) << c.version << "/" << c.type;
  }
}

TEST(L3DObjectDataLoadTest, NameReferences) {
  Model m = fullModel(16);
  // An absent reference is null whatever its length word says.
  m.records.areas[0].partName.storedLength = 9;
  auto area = loadModel(m)->texAreas.Front();
  EXPECT_EQ(area->partName.text, nullptr);
  EXPECT_EQ(area->partName.length, 0u);

  // A reference into an empty pool can only name nothing.
  m.pool = "";
  m.records = {};
  m.records.areas.resize(1);
  m.records.areas[0].areaName = ref(0, 0);
  EXPECT_EQ(loadModel(m)->texAreas.Front()->areaName.length, 0u);
}

TEST(L3DObjectDataLoadTest, AnimationFlagsAndMissingParts) {
  LerrCapture capture;
  Model m = fullModel(16);
  m.anims[0].flags = 3;
  m.anims[0].group = 0;
  Motion empty;  // no part, no keys, no morphs
  m.anims[0].motions.push_back(empty);
  auto data = loadModel(m);
  auto anim = data->anims.Front();
  EXPECT_EQ(anim->flags, 1u);
  EXPECT_FALSE(anim->GetPartGroup());
  auto motion = anim->GetMotion({}, {});
  EXPECT_EQ(motion->keys.GetCount(), 0u);
  EXPECT_EQ(motion->morphGroups.GetCount(), 0u);
  auto hand = data->GetPartBoneDataFromNumber(data->GetPartDataFromNumber(1), 1);
  EXPECT_EQ(capture.FatalText([&] { anim->GetMotion(data->GetPartDataFromNumber(1), hand); }),
            u"[L3DAnimData::GetMotion] 指定されたモーションは無い");
}

TEST(L3DObjectDataLoadTest, NegativeRecordCountsReadNothingAndTrailingBytesAreIgnored) {
  Model m = fullModel(16);
  m.anims.clear();
  std::vector<uint8_t> bytes = write(m);
  // The animation count is the last word: 0x80000001 reads no animation.
  bytes[bytes.size() - 1] = 0x80;
  bytes[bytes.size() - 4] = 0x01;
  bytes.insert(bytes.end(), {1, 2, 3, 4, 5});
  auto data = loadBytes(bytes);
  EXPECT_EQ(data->anims.GetCount(), 0u);
  EXPECT_EQ(data->parts.GetCount(), 1u);
}

}  // namespace

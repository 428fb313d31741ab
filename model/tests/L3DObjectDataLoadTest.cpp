#include "model/L3DObjectData.h"

#include "model/tests/ModelSample.h"
#include "model/tests/ModelTestSupport.h"

#include "model/file/L3DModelReader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

using namespace modelfile;

namespace {

const std::u16string kShortRead = u"ファイル \"m.dgo\" を読み込めませんでした。";

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
  EXPECT_EQ(highlight.textureValue2, 0.25f);
  EXPECT_EQ(text(dynamic_cast<L3D_RENDERER_SHADEROPT_TEXFURLIGHT&>(*options[5]).texture2), "texB");
  EXPECT_EQ(text(dynamic_cast<L3D_RENDERER_SHADEROPT_MAP3&>(*options[6]).texture2), "texB");
  for (const auto& o : options) {
    EXPECT_EQ(o->blendMode, 9u);
    EXPECT_EQ(o->value, 0.75f);
    EXPECT_EQ(o->extra, 77u);
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
    EXPECT_EQ(option->extra, c.extra) << c.version;
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

TEST(L3DObjectDataLoadTest, BrokenFilesStopWithTheirMessage) {
  struct Case {
    const char* what;
    void (*change)(Model&);
    std::u16string message;
  } cases[] = {
      {"version", [](Model& m) { m.version = 17; },
       u"[L3DObjectData::Load] サポートしていないバージョン(17)"},
      {"shader kind", [](Model& m) { m.records.shaders[0].kind = 7; },
       u"[L3DObjectData::_LoadShader] 未対応のシェーダタイプ(7)"},
      {"part shader kind", [](Model& m) { m.parts[0].shaders = {Shader{}}; m.parts[0].shaders[0].kind = 11; },
       u"[L3DObjectData::_LoadShader] 未対応のシェーダタイプ(11)"},
      {"event type", [](Model& m) { m.anims[0].records.events = {Event{}}; m.anims[0].records.events[0].type = 7; },
       u"[L3DObjectData::_LoadEvent] 未対応のイベントタイプ(7)"},
      {"collision type", [](Model& m) { m.colls[0].type = 7; },
       u"[L3DCollGroupData::_SetFlagsFromType] 認識できない種類(7)"},
      {"extra uv count", [](Model& m) { m.parts[0].materials[0].extraCountOverride = 2; },
       u"[L3DPartData::_Load] 頂点の追加情報の数がおかしい(2/1)"},
      {"packed vertex count", [](Model& m) { m.parts[0].meshes[0].packedCount = 1; },
       u"[L3DPartData::_Load] パックされた頂点の追加情報の数がおかしい(1/2)"},
      {"part number", [](Model& m) { m.groups[0].entries[0].part = 2; },
       u"[L3DObjectData::GetPartDataFromNumber] 指定された番号のパーツは存在しない"},
      {"bone number", [](Model& m) { m.colls[0].spheres[0].bone = 3; },
       u"[L3DObjectData::GetPartBoneDataFromNumber] 指定された番号のボーンは存在しない"},
      {"group number", [](Model& m) { m.anims[0].group = 2; },
       u"[L3DObjectData::GetPartGroupDataFromNumber] 指定された番号のパーツグループは存在しない"},
      {"morph map number", [](Model& m) { m.anims[0].motions[1].morphGroups[0].morphs[0].map = 2; },
       u"[L3DPartData::GetMmapDataFromNumber] 指定された番号のモーフマップが見つからない"},
      {"morph map without part",
       [](Model& m) {
         Motion partless;
         partless.morphGroups = {MorphGroup{"g", {Morph{0, 1}}}};
         m.anims[0].motions.push_back(partless);
       },
       u"[L3DPartData::GetMmapDataFromNumber] 指定された番号のモーフマップが見つからない"},
      {"material of a vertex set", [](Model& m) { m.parts[0].meshes[0].material = 1; },
       u"[L3DPartData::_Load] vertex set of material 1 in a part of 1 materials in \"m.dgo\""},
      {"name outside the pool", [](Model& m) { m.records.areas[0].areaName = ref(9, 3); },
       u"[L3DObjectData::Load] name reference outside its name pool in \"m.dgo\""},
      {"name before the pool", [](Model& m) { m.records.areas[0].areaName = ref(0xFFFFFFFF, 1); },
       u"[L3DObjectData::Load] name reference outside its name pool in \"m.dgo\""},
      {"fixed name of 263 bytes", [](Model& m) { m.parts[0].materials[0].name = std::string(263, 'x'); },
       kShortRead},
      {"old material not a triangle list",
       [](Model& m) { m.version = 7; m.parts[0].materials[0].primitiveType = 5; },
       u"[L3DPartData::CalcMatPivot] この形式に対応していない"},
  };
  for (const Case& c : cases) {
    LerrCapture capture;
    Model m = fullModel(16);
    c.change(m);
    EXPECT_EQ(loadFailure(capture, m), c.message) << c.what;
  }
}

TEST(L3DObjectDataLoadTest, WrongMagicStops) {
  LerrCapture capture;
  std::vector<uint8_t> bytes = write(fullModel(16));
  bytes[3] = 'P';
  EXPECT_EQ(capture.FatalText([&] { loadBytes(bytes); }),
            u"[L3DObjectData::Load] ファイルの形式がおかしい");
}

TEST(L3DObjectDataLoadTest, AFixedNameOf262BytesLoads) {
  Model m = fullModel(16);
  m.parts[0].materials[0].name = std::string(262, 'x');
  EXPECT_EQ(loadModel(m)->GetPartDataFromNumber(1)->mats[0].name.length, 262u);
}

// Every cut of a valid file ends in the short-read message, never in a read past the data.
TEST(L3DObjectDataLoadTest, EveryTruncationIsAShortRead) {
  for (uint32_t v : {0u, 6u, 16u}) {
    const std::vector<uint8_t> bytes = write(fullModel(v));
    for (size_t cut = 8; cut < bytes.size(); ++cut) {
      LerrCapture capture;
      const std::vector<uint8_t> part(bytes.begin(), bytes.begin() + cut);
      EXPECT_EQ(capture.FatalText([&] { loadBytes(part); }), kShortRead) << v << " cut " << cut;
    }
  }
}

// A count that the rest of the file cannot hold is refused before anything is allocated.
TEST(L3DObjectDataLoadTest, HugeCountsAreRefusedBeforeAllocating) {
  LerrCapture capture;
  Model m = fullModel(16);
  m.parts[0].colours.clear();
  std::vector<uint8_t> bytes = write(m);
  // The part record starts with its name "body" (u32 4 and the bytes) and an empty pool
  // (u32 0); the colour count (0) follows and becomes 0x3FFFFFFF.
  const uint8_t record[] = {4, 0, 0, 0, 'b', 'o', 'd', 'y', 0, 0, 0, 0, 0, 0, 0, 0};
  auto at = std::search(bytes.begin(), bytes.end(), std::begin(record), std::end(record));
  ASSERT_NE(at, bytes.end());
  const size_t count = static_cast<size_t>(at - bytes.begin()) + 12;
  bytes[count + 3] = 0x3F;
  bytes[count + 2] = bytes[count + 1] = bytes[count] = 0xFF;
  EXPECT_EQ(capture.FatalText([&] { loadBytes(bytes); }), kShortRead);
}

TEST(L3DObjectDataLoadTest, BoneTreesDeeperThan256LevelsStop) {
  for (uint32_t depth : {256u, 257u}) {
    LerrCapture capture;
    Bone chain = bone("leaf");
    for (uint32_t i = 1; i < depth; ++i) chain = bone("b", {chain});
    Model m;
    m.parts = {partWithBones("p", {chain})};
    if (depth == 256) {
      EXPECT_EQ(loadModel(m)->GetPartDataFromNumber(1)->matrixCount, 256u);
    } else {
      EXPECT_EQ(loadFailure(capture, m),
                u"[L3DPartData::_LoadBone] bone tree deeper than 256 levels in \"m.dgo\"");
    }
  }
}

TEST(L3DObjectDataLoadTest, SubReadersRefuseUnknownVersions) {
  LerrCapture capture;
  const uint8_t nothing[1] = {};
  struct Case {
    std::u16string message;
    std::function<void(L3DModelReader&)> call;
  };
  L3DPool pool;
  auto owner = l3dNewObject<L3DObjectData>();
  const Case cases[] = {
      {u"[L3DObjectData::_LoadShader] サポートしていないバージョン(17)",
       [&](L3DModelReader& r) { L3DObjectData::_LoadShader(owner->shaderOptions, r, pool, 17); }},
      {u"[L3DObjectData::_LoadTexArea] サポートしていないバージョン(17)",
       [&](L3DModelReader& r) { L3DObjectData::_LoadTexArea(owner->texAreas, r, pool, 17); }},
      {u"[L3DObjectData::_LoadEvent] サポートしていないバージョン(17)",
       [&](L3DModelReader& r) { L3DObjectData::_LoadEvent(owner->events, r, pool, 17); }},
      {u"[L3DPartData::_Load] サポートしていないバージョン(17)",
       [&](L3DModelReader& r) { L3DPartData()._Load(r, 17); }},
      {u"[L3DPartGroupData::_Load] サポートしていないバージョン(17)",
       [&](L3DModelReader& r) { L3DPartGroupData()._Load(owner, r, 17); }},
      {u"[L3DCollGroupData::_Load] サポートしていないバージョン(3)",
       [&](L3DModelReader& r) { L3DCollGroupData()._Load(owner, r, 3); }},
      {u"[L3DCollGroupData::_Load] サポートしていないバージョン(17)",
       [&](L3DModelReader& r) { L3DCollGroupData()._Load(owner, r, 17); }},
      {u"[L3DAnimData::_Load] サポートしていないバージョン(17)",
       [&](L3DModelReader& r) { L3DAnimData()._Load(owner, r, 17); }},
  };
  for (const Case& c : cases) {
    L3DModelReader reader(nothing, 0, "m.dgo");
    EXPECT_EQ(capture.FatalText([&] { c.call(reader); }), c.message);
  }
}

}  // namespace

#include "foundation/lerr/lerrParsed.h"
#include "foundation/lerr/lerrText.h"
#include "model/L3DObjectData.h"
#include "model/file/L3DModelReader.h"
#include "model/tests/ModelTestSupport.h"
#include "testsupport/ModelSample.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

using namespace modelfile;

namespace {

const std::u16string kShortRead = u"ファイル \"m.dgo\" を読み込めませんでした。";

TEST(L3DObjectDataLoadFailureTest, BrokenFilesStopWithTheirMessage) {
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

TEST(L3DObjectDataLoadFailureTest, WrongMagicStops) {
  LerrCapture capture;
  std::vector<uint8_t> bytes = write(fullModel(16));
  bytes[3] = 'P';
  EXPECT_EQ(capture.FatalText([&] { loadBytes(bytes); }),
            u"[L3DObjectData::Load] ファイルの形式がおかしい");
}

TEST(L3DObjectDataLoadFailureTest, AFixedNameOf262BytesLoads) {
  Model m = fullModel(16);
  m.parts[0].materials[0].name = std::string(262, 'x');
  EXPECT_EQ(loadModel(m)->GetPartDataFromNumber(1)->mats[0].name.length, 262u);
}

// Every cut of a valid file ends in the short-read message, never in a read past the data.
TEST(L3DObjectDataLoadFailureTest, EveryTruncationIsAShortRead) {
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
TEST(L3DObjectDataLoadFailureTest, HugeCountsAreRefusedBeforeAllocating) {
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

TEST(L3DObjectDataLoadFailureTest, BoneTreesDeeperThan256LevelsStop) {
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

TEST(L3DObjectDataLoadFailureTest, SubReadersRefuseUnknownVersions) {
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
    // The sub-readers end with a parse error; the fatal error is raised at the boundary.
    const auto raised = [&] {
      lerrFatalIfFailed(parseCatching<std::monostate>([&] { c.call(reader); }));
    };
    EXPECT_EQ(capture.FatalText(raised), c.message);
  }
}

// The parser behind Load hands the message back with the offset of the read that failed, and
// raises nothing.
TEST(L3DObjectDataLoadFailureTest, ParseReturnsTheMessageAndWhere) {
  LerrCapture capture;
  const std::vector<uint8_t> bytes = write(fullModel(16));
  struct Row {
    const char* what;
    size_t size;
    std::u16string message;
    size_t offset;
  };
  std::vector<uint8_t> wrongMagic = bytes;
  wrongMagic[0] ^= 1;
  const Row rows[] = {
      {"cut inside the version", 6, kShortRead, 4},
      {"cut inside the name length", 9, kShortRead, 8},
  };
  for (const Row& r : rows) {
    auto model = l3dNewObject<L3DObjectData>();
    const Parsed<> parsed = model->Parse(bytes.data(), r.size, "m.dgo");
    ASSERT_FALSE(parsed.ok()) << r.what;
    EXPECT_EQ(parsed.error().text, lerrText(r.message)) << r.what;
    EXPECT_EQ(parsed.error().offset, r.offset) << r.what;
  }
  auto model = l3dNewObject<L3DObjectData>();
  const Parsed<> magic = model->Parse(wrongMagic.data(), wrongMagic.size(), "m.dgo");
  ASSERT_FALSE(magic.ok());
  EXPECT_EQ(magic.error().text, lerrText(u"[L3DObjectData::Load] ファイルの形式がおかしい"));
  EXPECT_TRUE(capture.Log().empty());  // nothing reported: that is the boundary's job
  EXPECT_TRUE(l3dNewObject<L3DObjectData>()->Parse(bytes.data(), bytes.size(), "m.dgo").ok());
}

}  // namespace

#include "model/L3DObjectData.h"

#include "model/tests/ModelTestSupport.h"

#include <gtest/gtest.h>

using namespace modelfile;

namespace {

// Two parts; the first has root bones A (children A1, A2) and B, and two morph maps.
Model twoParts() {
  Model m;
  Part body = partWithBones("Body", {bone("A", {bone("A1"), bone("A2")}), bone("B")});
  body.morphMaps = {Map{"smile", {}}, Map{"frown", {}}};
  m.parts = {body, partWithBones("Head", {})};
  Group g;
  g.entries = {GroupEntry{}};
  g.entries[0].part = 1;
  m.groups = {g};
  return m;
}

TEST(L3DObjectDataTest, PartAndGroupNumbersAreOneBasedAndZeroMeansNone) {
  LerrCapture capture;
  auto data = loadModel(twoParts());
  EXPECT_FALSE(data->GetPartDataFromNumber(0));
  EXPECT_TRUE(data->GetPartDataFromNumber(1)->name.Equals("Body"));
  EXPECT_TRUE(data->GetPartDataFromNumber(2)->name.Equals("Head"));
  EXPECT_EQ(capture.FatalText([&] { data->GetPartDataFromNumber(3); }),
            u"[L3DObjectData::GetPartDataFromNumber] 指定された番号のパーツは存在しない");
  EXPECT_FALSE(data->GetPartGroupDataFromNumber(0));
  EXPECT_TRUE(data->GetPartGroupDataFromNumber(1));
  EXPECT_EQ(capture.FatalText([&] { data->GetPartGroupDataFromNumber(2); }),
            u"[L3DObjectData::GetPartGroupDataFromNumber] 指定された番号のパーツグループは存在しない");
}

TEST(L3DObjectDataTest, BonesCountInPreOrderAndMatrixNumbersFollowThem) {
  LerrCapture capture;
  auto data = loadModel(twoParts());
  auto body = data->GetPartDataFromNumber(1);
  const char* expected[] = {"A", "A1", "A2", "B"};
  ASSERT_EQ(body->matrixCount, 4u);
  for (uint32_t n = 1; n <= 4; ++n) {
    auto b = data->GetPartBoneDataFromNumber(body, n);
    ASSERT_TRUE(b) << n;
    EXPECT_STREQ(b->name.text, expected[n - 1]);
    EXPECT_EQ(body->matrixBones[n - 1], b.Get()) << "matrix number " << n;
  }
  EXPECT_FALSE(data->GetPartBoneDataFromNumber(body, 0));
  EXPECT_FALSE(data->GetPartBoneDataFromNumber(dbtl::rcptr<L3DPartData>(), 3));
  EXPECT_EQ(capture.FatalText([&] { data->GetPartBoneDataFromNumber(body, 5); }),
            u"[L3DObjectData::GetPartBoneDataFromNumber] 指定された番号のボーンは存在しない");
}

TEST(L3DObjectDataTest, MorphMapNumbers) {
  LerrCapture capture;
  auto data = loadModel(twoParts());
  auto body = data->GetPartDataFromNumber(1);
  EXPECT_FALSE(body->GetMmapDataFromNumber(0));
  EXPECT_STREQ(body->GetMmapDataFromNumber(1)->name.text, "smile");
  EXPECT_STREQ(body->GetMmapDataFromNumber(2)->name.text, "frown");
  EXPECT_EQ(capture.FatalText([&] { body->GetMmapDataFromNumber(3); }),
            u"[L3DPartData::GetMmapDataFromNumber] 指定された番号のモーフマップが見つからない");
}

TEST(L3DObjectDataTest, NamesMatchWithAsciiCaseFoldedAndWholeLength) {
  auto data = loadModel(twoParts());
  struct Case {
    const char* text;
    const char* part;  // null: no part
  } cases[] = {{"body", "Body"}, {"HEAD", "Head"}, {"Bod", nullptr}, {"Bodyx", nullptr},
               {"", nullptr}};
  for (const Case& c : cases) {
    auto part = data->GetPartDataByName(c.text, static_cast<uint32_t>(strlen(c.text)));
    if (c.part == nullptr) {
      EXPECT_FALSE(part) << c.text;
    } else {
      ASSERT_TRUE(part) << c.text;
      EXPECT_TRUE(part->name.Equals(c.part)) << c.text;
    }
  }
  auto body = data->GetPartDataFromNumber(1);
  EXPECT_STREQ(body->GetBoneByName("a2", 2)->name.text, "A2");
  // The length given, not a terminator, bounds the text.
  EXPECT_STREQ(body->GetBoneByName("A1xyz", 2)->name.text, "A1");
  EXPECT_FALSE(body->GetBoneByName("A", 0));
  EXPECT_FALSE(body->GetBoneByName("C", 1));
}

TEST(L3DObjectDataTest, WeightMapsAreFoundByTheBonesMapName) {
  Model m;
  Part p = partWithBones("p", {bone("unnamed"), bone("arm")});
  p.bones[1].weightMap = "ARM_W";
  p.weightMaps = {Map{"", {}}, Map{"arm_w", {}}};
  m.parts = {p};
  auto data = loadModel(m);
  auto part = data->GetPartDataFromNumber(1);
  // An empty map name is no name, even when a map without a name exists.
  EXPECT_FALSE(part->GetWeightMap(*part->matrixBones[0]));
  auto map = part->GetWeightMap(*part->matrixBones[1]);
  ASSERT_TRUE(map);
  EXPECT_EQ(map.Get(), &part->weightMaps[1]);
}

TEST(L3DObjectDataTest, IdentityLookupsRefuseRecordsOfAnotherModel) {
  LerrCapture capture;
  Model m = twoParts();
  m.anims = {Anim{}};
  auto data = loadModel(m);
  auto other = loadModel(m);
  auto part = data->GetPartDataFromNumber(2);
  EXPECT_EQ(data->GetValidPartData(part), part);
  EXPECT_EQ(capture.FatalText([&] { data->GetValidPartData(other->GetPartDataFromNumber(2)); }),
            u"[L3DObjectData::GetValidPartData] 有効なパーツが見つかりませんでした");
  auto anim = data->anims.Front();
  EXPECT_EQ(data->GetValidAnimData(anim), anim);
  EXPECT_EQ(capture.FatalText([&] { data->GetValidAnimData(other->anims.Front()); }),
            u"[L3DObjectData::GetValidAnimData] 有効なアニメが見つかりませんでした");

  auto group = data->GetPartGroupDataFromNumber(1);
  EXPECT_EQ(group->GetInfo(data->GetPartDataFromNumber(1))->part, data->GetPartDataFromNumber(1));
  EXPECT_EQ(capture.FatalText([&] { group->GetInfo(part); }),
            u"[L3DPartGroupData::GetInfo] 指定されたパーツは存在しない");
}

TEST(L3DObjectDataTest, HandlesKeepTheirRecordsAliveAfterTheModelGoes) {
  auto data = loadModel(twoParts());
  auto body = data->GetPartDataFromNumber(1);
  auto a2 = data->GetPartBoneDataFromNumber(body, 3);
  auto group = data->GetPartGroupDataFromNumber(1);
  auto entry = group->entries.Front();
  data.Reset();
  group.Reset();
  // The part array, the bone's child array and the entry array outlive the model.
  EXPECT_TRUE(body->name.Equals("Body"));
  EXPECT_STREQ(a2->name.text, "A2");
  EXPECT_TRUE(entry->part->name.Equals("Body"));
}

}  // namespace

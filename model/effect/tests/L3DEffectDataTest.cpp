#include "model/effect/L3DEffectData.h"

#include "foundation/lerr/lerrParsed.h"
#include "model/effect/tests/EffectTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

using effectfile::bits;
using effectfile::Data;
using effectfile::Event;
using effectfile::Part;
using effectfile::real;

// A definition of two images and three models, held as the loaded tables are.
L3DEffectProp tables() {
  L3DEffectProp prop;
  prop.imageCount = 2;
  prop.modelCount = 3;
  return prop;
}

L3D_EFFECT_DATA parse(const Data& d, const L3DEffectProp& prop = tables()) {
  const std::vector<uint8_t> bytes = effectfile::write(d);
  L3D_EFFECT_DATA data;
  lerrFatalIfFailed(l3dParseEffectData(data, bytes.data(), bytes.size(), "fx", prop));
  return data;
}

Data oneRoot(Part root, std::vector<Part> children = {}, uint32_t version = 6) {
  Data d;
  d.version = version;
  d.roots.resize(1);
  d.roots[0].root = std::move(root);
  d.roots[0].children = std::move(children);
  return d;
}

constexpr float kRad = 0.017453292f;
constexpr uint32_t kSentinel = 0xC0FFEE;

// Expected words 2 .. 10 of one event; words a kind does not use are 0.
struct LayoutCase {
  uint32_t kind;
  uint32_t version;
  std::vector<uint32_t> stored;
  std::vector<uint32_t> words;
};

uint32_t f(float v) { return bits(v); }

TEST(L3DEffectData, EventValuesGoToTheirWords) {
  const std::vector<LayoutCase> cases = {
      {0, 6, {}, {}},
      {1, 6, {7, 0xFFFFFFFE}, {7, 0xFFFFFFFE}},
      {3, 6, {1, 2, 9}, {1, 2, 9}},
      {4, 6, {1, 0, 5, 0xFFFFFFF9, 3}, {1, 0, 5, 0xFFFFFFF9, 3}},
      {6, 6, {0, 1, 2, 4}, {0, 1, 2, 4}},
      {8, 6, {f(1), f(2), f(3), f(4)}, {f(1), f(2), f(3), f(4)}},
      // Pairs interleave a start and an end vector.
      {10, 6, {f(1), f(5), f(2), f(6), f(3), f(7), f(4), f(8), 9},
       {f(1), f(2), f(3), f(4), f(5), f(6), f(7), f(8), 9}},
      {15, 6, {f(1), f(4), f(2), f(5), f(3), f(6), 8}, {f(1), f(2), f(3), f(4), f(5), f(6), 8}},
      {25, 6, {f(1), f(4), f(2), f(5), f(3), f(6), f(90), f(-180), 3},
       {f(1), f(2), f(3), f(4), f(5), f(6), f(90 * kRad), f(-180 * kRad), 3}},
      {32, 6, {f(1), f(4), f(2), f(5), f(3), f(6), f(45), f(30)},
       {f(1), f(2), f(3), f(4), f(5), f(6), f(45 * kRad), f(30 * kRad)}},
      {33, 6, {f(1), f(3), f(2), f(4), 6}, {f(1), f(2), f(3), f(4), 6}},
      {36, 6, {f(1), f(2), 3}, {f(1), f(2), 3}},
      {28, 6, {4, 5}, {4, 5}},
      {39, 6, {1, 2, f(0.5f)}, {1, 2, f(0.5f)}},
      {39, 5, {1, 2}, {1, 2, f(0.0f)}},
      {44, 6, {f(1), f(4), f(2), f(5), f(3), f(6)}, {f(1), f(2), f(3), f(4), f(5), f(6)}},
  };
  for (const LayoutCase& c : cases) {
    // A second event after the first shows that the first took exactly its own values.
    Part part;
    part.events = {{0, c.kind, c.stored}, {1, 2, {kSentinel}}};
    const L3D_EFFECT_DATA data = parse(oneRoot(part, {}, c.version));
    const L3D_EFFECT_PARTDATA& p = data.roots[0].root;
    ASSERT_EQ(p.eventCount, 2u) << c.kind;
    for (uint32_t w = 0; w < 9; ++w) {
      const uint32_t want = w < c.words.size() ? c.words[w] : 0;
      EXPECT_EQ(p.events[0].words[w], want) << "kind " << c.kind << " v" << c.version << " w"
                                            << w + 2;
    }
    EXPECT_EQ(p.events[1].U(2), kSentinel) << c.kind;
  }
}

TEST(L3DEffectData, AxisAngleBecomesAQuaternion) {
  struct Case {
    float axis[3];
    float degrees;
    float q[4];
  };
  const float s = std::sin(90 * kRad * 0.5f);
  const std::vector<Case> cases = {
      {{0, 0, 2}, 90, {0, 0, s, std::cos(90 * kRad * 0.5f)}},  // the axis is normalised
      {{0, 0, 0}, 123, {0, 0, 0, 1}},                          // no axis: the identity
      {{1e-7f, 0, 0}, 90, {0, 0, 0, 1}},
  };
  for (uint32_t kind : {23u, 24u}) {
    for (const Case& c : cases) {
      Part part;
      part.events = {{0, kind, {f(c.axis[0]), f(c.axis[1]), f(c.axis[2]), f(c.degrees)}},
                     {1, 2, {kSentinel}}};
      const L3D_EFFECT_DATA data = parse(oneRoot(part));
      const L3D_EFFECT_EVENT& e = data.roots[0].root.events[0];
      for (uint32_t i = 0; i < 4; ++i) EXPECT_FLOAT_EQ(e.F(2 + i), c.q[i]) << kind << " " << i;
      EXPECT_EQ(data.roots[0].root.events[1].U(2), kSentinel);
    }
  }
}

TEST(L3DEffectData, RootAndPartFlags) {
  struct Case {
    uint32_t root;
    std::vector<uint32_t> children;
    uint32_t want;
  };
  const std::vector<Case> cases = {
      {0, {}, 0},
      {1, {}, 0x10001},
      {2, {}, 0x10002},
      {0x10000, {}, 0},  // a stored bit 16 is recomputed
      {0x100, {1, 0}, 0x100},
      {0, {1, 2}, 0x10000},
  };
  for (const Case& c : cases) {
    Data d = oneRoot({});
    d.roots[0].flags = c.root;
    d.roots[0].root.flags = 3;  // never takes effect
    for (uint32_t flags : c.children) d.roots[0].children.push_back({flags, {}});
    const L3D_EFFECT_DATA data = parse(d);
    EXPECT_EQ(data.roots[0].flags, c.want) << c.root;
    EXPECT_EQ(data.roots[0].root.flags, 0u);
    ASSERT_EQ(data.roots[0].childCount, c.children.size());
    for (size_t j = 0; j < c.children.size(); ++j) {
      EXPECT_EQ(data.roots[0].children[j].flags, c.children[j]);
    }
  }
}

TEST(L3DEffectData, EventsAreOrderedBySignedFrameKeepingStoredOrderOfEqualFrames) {
  Part part;
  part.events = {{5, 2, {1}}, {-1, 2, {2}}, {5, 2, {3}}, {0, 2, {4}}, {INT32_MIN, 2, {5}},
                 {5, 2, {6}}};
  const L3D_EFFECT_DATA data = parse(oneRoot({}, {part}));
  const L3D_EFFECT_PARTDATA& p = data.roots[0].children[0];
  const std::vector<uint32_t> order = {5, 2, 4, 1, 3, 6};
  ASSERT_EQ(p.eventCount, order.size());
  for (size_t i = 0; i < order.size(); ++i) EXPECT_EQ(p.events[i].U(2), order[i]) << i;
}

TEST(L3DEffectData, ImageAndModelNumbersAreCheckedAgainstTheDefinition) {
  struct Case {
    Event event;
    bool ok;
  };
  const std::vector<Case> cases = {
      {{0, 3, {1, 2, 0}}, true},
      {{0, 3, {2, 0, 0}}, false},            // image = image count
      {{0, 3, {0xFFFFFFFF, 0, 0}}, false},   // image -1
      {{0, 3, {0, 3, 0}}, false},            // model = model count
      {{0, 3, {0, 0xFFFFFFF9, 0}}, true},    // -7: a built-in shape
      {{0, 3, {0, 0xFFFFFFF8, 0}}, false},   // -8
      {{0, 4, {0, 2, 1, 0, 0}}, false},      // second image
      {{0, 5, {0, 1, 1, 3, 0}}, false},      // model in w5
      {{0, 6, {0, 1, 3, 0}}, false},         // model in w4
      {{0, 6, {0, 1, 2, 0}}, true},
      {{0, 1, {99, 99}}, true},              // other kinds hold no references
  };
  for (const Case& c : cases) {
    Part part;
    part.events = {c.event};
    const Data d = oneRoot(part);
    if (c.ok) {
      EXPECT_EQ(parse(d).roots[0].root.eventCount, 1u) << c.event.kind;
    } else {
      LerrCapture capture;
      capture.FatalText([&] { parse(d); });
    }
  }
  // With no definition loaded no image can be used, while other events load.
  Part image;
  image.events = {{0, 6, {0, 0, 0xFFFFFFFF, 0}}};
  Part other;
  other.events = {{0, 8, {0, 0, 0, 0}}};
  EXPECT_EQ(parse(oneRoot(other), L3DEffectProp{}).rootCount, 1u);
  LerrCapture capture;
  capture.FatalText([&] { parse(oneRoot(image), L3DEffectProp{}); });
}

TEST(L3DEffectData, ReferenceMessagesNameRootPartAndEvent) {
  Part good;
  good.events = {{0, 0, {}}};
  Part badImage;
  badImage.events = {{0, 0, {}}, {0, 3, {0, 0, 0}}, {0, 3, {7, 0, 0}}};
  Part badModel;
  badModel.events = {{0, 3, {0, 0xFFFFFFF8, 0}}};
  Data d = oneRoot(good, {good, badImage});
  d.roots.insert(d.roots.begin(), oneRoot(good).roots[0]);
  Data root = oneRoot(badModel);
  root.roots.insert(root.roots.begin(), oneRoot(good).roots[0]);

  LerrCapture capture;
  EXPECT_EQ(capture.FatalText([&] { parse(d); }),
            u"[L3DEffectManager::_CheckImage] root1/part1の3個目のeventにおいて"
            u"使用イメージが異常(7/2)");
  EXPECT_NE(capture.Log().find(lerrText(
                u"[L3DEffectManager::_CheckImage] エフェクトファイル \"fx\" 内でエラー発生")),
            std::string::npos);
  EXPECT_EQ(capture.FatalText([&] { parse(root); }),
            u"[L3DEffectManager::_CheckModel] root1の1個目のeventにおいて使用モデルが異常(-8)");
  EXPECT_EQ(capture.FatalText([&] { parse(oneRoot({}, {badModel})); }),
            u"[L3DEffectManager::_CheckModel] root0/part0の1個目のeventにおいて"
            u"使用モデルが異常(-8)");
  Part imageInRoot;
  imageInRoot.events = {{0, 3, {2, 0, 0}}};
  EXPECT_EQ(capture.FatalText([&] { parse(oneRoot(imageInRoot)); }),
            u"[L3DEffectManager::_CheckImage] root0の1個目のeventにおいて使用イメージが異常(2/2)");
}

TEST(L3DEffectData, BrokenDataFilesAreFatal) {
  const std::u16string shortRead = u"ファイル \"fx\" を読み込めませんでした。";
  struct Case {
    const char* what;
    std::vector<uint8_t> bytes;
    std::u16string message;
  };
  Data magic;
  magic.magic = 0x44534645;
  Data v7;
  v7.version = 7;
  Data v4;
  v4.version = 4;
  Part kind45;
  kind45.events = {{0, 45, {}}};
  Part cutEvent;
  cutEvent.events = {{0, 10, {0, 0, 0}}};  // kind 10 stores nine values
  std::vector<uint8_t> manyRoots = effectfile::write(oneRoot({}));
  manyRoots[8] = 2;
  std::vector<uint8_t> manyEvents = effectfile::write(oneRoot({}));
  manyEvents[23] = 0x10;  // root part event count 0x10000000
  const std::vector<Case> cases = {
      {"magic", effectfile::write(magic),
       u"[L3DEffectManager::_LoadData] エフェクトファイル \"fx\" のヘッダが異常"},
      {"version 7", effectfile::write(v7),
       u"[L3DEffectManager::_LoadData] エフェクトファイル \"fx\" のバージョンが異常"},
      {"version 4", effectfile::write(v4),
       u"[L3DEffectManager::_LoadData] エフェクトファイル \"fx\" のバージョンが古すぎる"},
      {"kind 45", effectfile::write(oneRoot(kind45)),
       u"[L3DEffectManager::_LoadDataPart] 不明な種類45"},
      {"event cut short", effectfile::write(oneRoot(cutEvent)), shortRead},
      {"root count past the end", manyRoots, shortRead},
      {"event count past the end", manyEvents, shortRead},
  };
  for (const Case& c : cases) {
    LerrCapture capture;
    L3D_EFFECT_DATA data;
    EXPECT_EQ(capture.FatalText([&] {
      lerrFatalIfFailed(l3dParseEffectData(data, c.bytes.data(), c.bytes.size(), "fx", tables()));
    }),
              c.message)
        << c.what;
  }
  LerrCapture capture;
  capture.FatalText([&] { parse(oneRoot(kind45)); });
  EXPECT_NE(capture.Log().find(lerrText(
                u"[L3DEffectManager::_LoadDataPart] エフェクトファイル \"fx\" 内でエラー発生")),
            std::string::npos);
}

TEST(L3DEffectData, LoadsThroughThePackAndKeepsItsName) {
  LerrCapture capture;
  lerrSetThreshold(3);
  EffectPack files;
  files.Add("obj/effdata.dat", effectfile::write(effectfile::sampleData(6)));
  FakeTextures textures;
  L3DEffectProp prop;
  files.Add("effect/effdef.dat", effectfile::write(effectfile::sampleProp()));
  l3dLoadEffectProp(prop, files.pack.Number(), "effect/effdef", textures.Loader());

  const auto data = l3dLoadEffectData(9, files.pack.Number(), "obj/effdata", prop);
  EXPECT_EQ(data->nnid, 9u);
  EXPECT_EQ(data->pack, files.pack.Number());
  EXPECT_STREQ(data->name, "obj/effdata.dat");
  ASSERT_EQ(data->rootCount, 2u);
  EXPECT_EQ(data->roots[1].flags, L3D_EFFECT_ROOT_KEYED);
  EXPECT_EQ(data->roots[1].children[0].events[0].U(6), 9u);

  const auto missing = l3dLoadEffectData(4, files.pack.Number(), "obj/none", prop);
  EXPECT_EQ(missing->rootCount, 0u);
  EXPECT_FALSE(missing->roots);
  EXPECT_STREQ(missing->name, "obj/none.dat");
  const std::string full = l3dEffectPackFileName(files.pack.Number(), "obj/none");
  EXPECT_NE(capture.Log().find("[L3DEffectManager::_LoadData] \"" + full + "\" isn't exist\r\n"),
            std::string::npos)
      << capture.Log();
  EXPECT_TRUE(capture.Boxes().empty());
}

}  // namespace

// The framework sprite system over a recording device: the image cache, rect clipping, root
// blocks, the tree's visibility and lifetime rules, the update walk and the batches.

#include "render/sprite/ombSprite.h"

#include "platform/text/Utf8.h"
#include "render/sprite/tests/FakeSpriteDevice.h"
#include "testsupport/LogCapture.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <vector>

namespace {

using spritetest::FakeDevice;

class OmbSpriteTest : public testing::Test {
 protected:
  OmbSpriteTest() { set = ombSpriteCreateDeviceSet(&ops); }
  ~OmbSpriteTest() override {
    if (set != nullptr) {
      ombSpriteDestroyDeviceSet(set);
    }
    EXPECT_EQ(device.liveSurfaces, 0);
  }

  // A renderer with one image and one rect of the image's full size.
  OmbSpriteRenderer* renderer(uint32_t w = 640, uint32_t h = 480, uint32_t levels = 4) {
    return ombSpriteCreateRenderer(set, w, h, levels);
  }
  OmbSpriteRect* rect(OmbSpriteRenderer* r, const char16_t* path = u"a.png", uint32_t w = 32,
                      uint32_t h = 16) {
    OmbSpriteImage* image = ombSpriteLoadImage(path, set);
    return ombSpriteCreateRect(image, r, 0, 0, w, h, 0, 0);
  }
  static std::vector<OmbSprite*> level(OmbSpriteRenderer* r, uint32_t index) {
    std::vector<OmbSprite*> out;
    OMB_LIST* list = &r->levels[index];
    for (OMB_LIST_LINK* l = list->head.next; l != &list->head; l = l->next) {
      out.push_back(static_cast<OmbSprite*>(ombListElement(list, l)));
    }
    return out;
  }
  std::vector<std::string> errors() const {
    std::vector<std::string> out;
    for (const auto& m : LogCapture::messages()) {
      if (m.level == OMB_LOG_ERROR) {
        out.push_back(platform::utf16ToUtf8(m.text));
      }
    }
    return out;
  }

  LogCapture capture;
  FakeDevice device;
  OmbSpriteDeviceOps ops = device.ops();
  OmbSpriteDeviceSet* set = nullptr;
};

TEST_F(OmbSpriteTest, ImagesAreCachedByTheirPathWithoutCase) {
  OmbSpriteImage* a = ombSpriteLoadImage(u"Img/Ｔitle.PNG", set);
  OmbSpriteImage* b = ombSpriteLoadImage(u"img/ｔitle.png", set);
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(a, b);
  EXPECT_EQ(a->scriptRefs, 2u);
  EXPECT_EQ(device.loads.size(), 1u);
  EXPECT_EQ(device.loads[u"Img/Ｔitle.PNG"], 1);  // the device gets the caller's spelling

  ombSpriteReleaseImage(a);
  EXPECT_EQ(device.liveSurfaces, 1);
  ombSpriteReleaseImage(b);
  EXPECT_EQ(device.liveSurfaces, 0);
  OmbSpriteImage* again = ombSpriteLoadImage(u"IMG/TITLE.png", set);
  ASSERT_NE(again, nullptr);
  EXPECT_EQ(device.loads[u"IMG/TITLE.png"], 1);
  EXPECT_EQ(device.liveSurfaces, 1);

  EXPECT_EQ(ombSpriteLoadImage(u"missing.png", set), nullptr);
}

TEST_F(OmbSpriteTest, AnImageHeldByARectOutlivesTheScriptsReference) {
  OmbSpriteRenderer* r = renderer();
  OmbSpriteImage* image = ombSpriteLoadImage(u"a.png", set);
  OmbSpriteRect* rc = ombSpriteCreateRect(image, r, 0, 0, 8, 8, 0, 0);
  ombSpriteReleaseImage(image);
  EXPECT_EQ(device.liveSurfaces, 1);
  ombSpriteReleaseRect(rc);
  EXPECT_EQ(device.liveSurfaces, 0);
}

TEST_F(OmbSpriteTest, RectsAreClippedToTheImage) {
  struct Case {
    uint32_t x, y, w, h;
    uint32_t ex, ey, ew, eh;
  };
  // The image is 256 x 128.
  const Case cases[] = {
      {300, 0, 10, 10, 256, 0, 0, 10},
      {200, 100, 100, 100, 200, 100, 56, 28},
      {10, 200, 0xFFFFFFFFu, 5, 10, 128, 246, 0},
      {0, 0, 256, 128, 0, 0, 256, 128},
  };
  OmbSpriteRenderer* r = renderer();
  OmbSpriteImage* image = ombSpriteLoadImage(u"a.png", set);
  for (const Case& c : cases) {
    OmbSpriteRect* rc = ombSpriteCreateRect(image, r, c.x, c.y, c.w, c.h, 0, 0);
    EXPECT_EQ(rc->x, c.ex) << c.x;
    EXPECT_EQ(rc->y, c.ey) << c.y;
    EXPECT_EQ(rc->width, c.ew) << c.x;
    EXPECT_EQ(rc->height, c.eh) << c.y;
  }
}

TEST_F(OmbSpriteTest, RootBlocksScaleToTheScreen) {
  OmbSpriteRenderer* full = renderer(0, 0);
  EXPECT_EQ(full->width, 640u);
  EXPECT_EQ(full->height, 480u);
  EXPECT_EQ(full->roots[0].world.m[0][0], 1.0f);
  EXPECT_EQ(full->roots[0].world.m[1][1], 1.0f);
  EXPECT_EQ(full->roots[3].world.m[3][0], 640.0f);
  EXPECT_EQ(full->roots[3].world.m[3][1], 480.0f);

  OmbSpriteRenderer* half = renderer(320, 160);
  EXPECT_EQ(half->roots[0].world.m[0][0], 2.0f);
  EXPECT_EQ(half->roots[0].world.m[1][1], 3.0f);
  EXPECT_EQ(half->roots[0].world.m[2][2], 0.0f);
  EXPECT_EQ(half->roots[1].world.m[3][0], 640.0f);
  EXPECT_EQ(half->roots[2].world.m[3][1], 480.0f);
}

TEST_F(OmbSpriteTest, AReversedRootIsMirroredAboutTheRendererWidth) {
  OmbSpriteRenderer* r = renderer();
  OmbSprite* s = ombSpriteCreate(r);
  ombSpriteSetRect(s, rect(r));
  s->posX = 100.0f;
  s->posY = 20.0f;
  ombSpriteSetReverse(s, true, false);
  ombSpriteUpdateRenderer(r);
  ombSpriteDrawRenderer(r);
  ASSERT_EQ(device.renders.size(), 1u);
  const auto& v = device.renders[0][0].vertices;
  ASSERT_EQ(v.size(), 4u);
  EXPECT_EQ(v[0].x, 540.0f);
  EXPECT_EQ(v[0].y, 20.0f);
  EXPECT_EQ(v[2].x, 508.0f);  // 32 pixels wide, growing to the left
  EXPECT_EQ(v[3].y, 36.0f);
}

TEST_F(OmbSpriteTest, QuadsFollowPositionScaleOriginRotationAndTexelFlips) {
  OmbSpriteRenderer* r = renderer();
  OmbSpriteImage* image = ombSpriteLoadImage(u"a.png", set);
  OmbSpriteRect* rc = ombSpriteCreateRect(image, r, 8, 4, 20, 10, 10, 5);
  OmbSprite* s = ombSpriteCreate(r);
  ombSpriteSetRect(s, rc);
  s->posX = 100.0f;
  s->posY = 50.0f;
  s->scaleX = 2.0f;
  ombSpriteSetRectReverse(s, true, false);
  ombSpriteUpdateRenderer(r);
  ombSpriteDrawRenderer(r);
  const auto& v = device.renders.at(0).at(0).vertices;
  EXPECT_EQ(v[0].x, 80.0f);
  EXPECT_EQ(v[0].y, 45.0f);
  EXPECT_EQ(v[3].x, 120.0f);
  EXPECT_EQ(v[3].y, 55.0f);
  EXPECT_EQ(v[0].u, 28.0f);  // left and right exchanged
  EXPECT_EQ(v[2].u, 8.0f);
  EXPECT_EQ(v[0].v, 4.0f);
  EXPECT_EQ(v[1].v, 14.0f);

  // A quarter turn about Z maps the x axis onto y.
  ombSpriteSetRotationZ(s, 1.5707964f);
  s->scaleX = 1.0f;
  s->flags |= OMB_SPRITE_DIRTY;
  ombSpriteUpdateRenderer(r);
  ombSpriteDrawRenderer(r);
  const auto& w = device.renders.at(1).at(0).vertices;
  EXPECT_NEAR(w[3].x, 100.0f - 5.0f, 1e-4f);
  EXPECT_NEAR(w[3].y, 50.0f + 10.0f, 1e-4f);
}

TEST_F(OmbSpriteTest, TinyRotationsAreStoredAsZero) {
  OmbSpriteRenderer* r = renderer();
  OmbSprite* s = ombSpriteCreate(r);
  ombSpriteSetRotationX(s, 0.000001f);
  EXPECT_EQ(s->rotationX, 0.0f);
  EXPECT_EQ(s->flags & OMB_SPRITE_ROTATE_X, 0u);
  ombSpriteSetRotationY(s, -0.5f);
  EXPECT_EQ(s->rotationY, -0.5f);
  EXPECT_NE(s->flags & OMB_SPRITE_ROTATE_Y, 0u);
}

TEST_F(OmbSpriteTest, ChildrenOfAHiddenParentLeaveTheLevelListsAndComeBackAtTheTail) {
  OmbSpriteRenderer* r = renderer();
  OmbSpriteRect* rc = rect(r);
  OmbSprite* parent = ombSpriteCreate(r);
  OmbSprite* child = ombSpriteCreate(r);
  OmbSprite* other = ombSpriteCreate(r);
  ombSpriteSetRect(child, rc);
  ombSpriteSetRect(other, rc);
  ombSpriteSetParent(child, parent);
  EXPECT_EQ(level(r, 0), (std::vector<OmbSprite*>{other, child}));

  ombSpriteSetShow(parent, false);
  EXPECT_EQ(child->flags & OMB_SPRITE_VISIBLE, 0u);
  EXPECT_NE(child->flags & OMB_SPRITE_SHOW, 0u);
  EXPECT_EQ(level(r, 0), std::vector<OmbSprite*>{other});
  EXPECT_EQ(parent->hiddenChildren.count, 1u);

  ombSpriteSetShow(parent, true);
  EXPECT_NE(child->flags & OMB_SPRITE_VISIBLE, 0u);
  EXPECT_EQ(level(r, 0), (std::vector<OmbSprite*>{other, child}));

  ombSpriteSetLevel(other, 2);
  EXPECT_EQ(level(r, 0), std::vector<OmbSprite*>{child});
  EXPECT_EQ(level(r, 2), std::vector<OmbSprite*>{other});
  EXPECT_EQ(ombSpriteSetLevel(other, 4), static_cast<int32_t>(0x80000002u));
  EXPECT_EQ(other->level, 2u);
  EXPECT_EQ(ombSpriteSetLevel(other, 2), 1);
}

TEST_F(OmbSpriteTest, DestroyingAParentTakesReleasedChildrenAndFreesHeldOnes) {
  OmbSpriteRenderer* r = renderer();
  OmbSprite* parent = ombSpriteCreate(r);
  OmbSprite* released = ombSpriteCreate(r);
  OmbSprite* held = ombSpriteCreate(r);
  OmbSprite* grandchild = ombSpriteCreate(r);
  ombSpriteSetParent(released, parent);
  ombSpriteSetParent(held, parent);
  ombSpriteSetParent(grandchild, released);
  ombSpriteSetShow(held, false);
  EXPECT_FALSE(ombSpriteRelease(released));  // the parent still holds it
  EXPECT_FALSE(ombSpriteRelease(grandchild));
  EXPECT_EQ(r->shownRoots.count, 1u);

  EXPECT_TRUE(ombSpriteRelease(parent));
  EXPECT_EQ(held->parent, nullptr);
  EXPECT_EQ(r->hiddenRoots.count, 1u);  // the held child, hidden by its own flag
  EXPECT_EQ(r->shownRoots.count, 0u);   // released child and grandchild are gone
}

TEST_F(OmbSpriteTest, ATreeNeverTakesACycleOrASpriteOfAnotherRenderer) {
  OmbSpriteRenderer* r = renderer();
  OmbSpriteRenderer* other = renderer();
  OmbSprite* a = ombSpriteCreate(r);
  OmbSprite* b = ombSpriteCreate(r);
  OmbSprite* c = ombSpriteCreate(other);
  ASSERT_TRUE(ombSpriteSetParent(b, a));
  EXPECT_FALSE(ombSpriteSetParent(a, b));
  EXPECT_FALSE(ombSpriteSetParent(a, a));
  EXPECT_FALSE(ombSpriteSetParent(c, a));
  EXPECT_FALSE(ombSpriteSetRect(c, rect(r)));
  EXPECT_EQ(a->parent, nullptr);
  EXPECT_EQ(c->parent, nullptr);
}

TEST_F(OmbSpriteTest, InheritedAttributesBecomeDeviceCodes) {
  struct Case {
    int32_t blend, alphaTest;
    float threshold;
    int32_t scaling;
    uint32_t blendCode, alphaTestCode;
    float deviceThreshold;
    uint32_t filter;
  };
  const Case cases[] = {
      {0, 0, 0.5f, 0, 0, 0, 0.0f, 1},   {1, 1, 0.5f, 1, 0, 0, 0.0f, 0},
      {2, 2, 0.25f, 2, 1, 1, 0.25f, 1}, {9, 5, 0.75f, 0, 8, 4, 0.75f, 1},
  };
  OmbSpriteRenderer* r = renderer();
  OmbSpriteRect* rc = rect(r);
  for (const Case& c : cases) {
    device.renders.clear();
    OmbSprite* parent = ombSpriteCreate(r);
    OmbSprite* s = ombSpriteCreate(r);
    ombSpriteSetParent(s, parent);
    ombSpriteSetRect(s, rc);
    parent->blend = c.blend;
    parent->alphaTest = c.alphaTest;
    parent->threshold = c.threshold;
    parent->scaling = c.scaling;
    parent->color[0] = 0.5f;
    s->color[0] = 0.5f;
    ombSpriteUpdateRenderer(r);
    ombSpriteDrawRenderer(r);
    ASSERT_EQ(device.renders.size(), 1u);
    const auto& b = device.renders[0].at(0);
    EXPECT_EQ(b.blend, c.blendCode) << c.blend;
    EXPECT_EQ(b.alphaTest, c.alphaTestCode) << c.alphaTest;
    EXPECT_EQ(b.threshold, c.deviceThreshold) << c.alphaTest;
    EXPECT_EQ(b.filter, c.filter) << c.scaling;
    EXPECT_EQ(b.vertices.at(0).red, 0.25f);
    ombSpriteRelease(s);
    ombSpriteRelease(parent);
  }
}

TEST_F(OmbSpriteTest, ABlendWithoutADeviceCodeIsAcceptedAndRefusedAtTheDraw) {
  OmbSpriteRenderer* r = renderer();
  OmbSprite* s = ombSpriteCreate(r);
  ombSpriteSetRect(s, rect(r));
  s->blend = 10;
  ombSpriteUpdateRenderer(r);
  EXPECT_TRUE(errors().empty());
  ombSpriteDrawRenderer(r);
  EXPECT_EQ(errors(), std::vector<std::string>{"Error: Not Implemented."});
  EXPECT_TRUE(device.renders.empty());
}

TEST_F(OmbSpriteTest, BatchesBreakOnStateChangesAndFlushWhenAllAreUsed) {
  OmbSpriteRenderer* r = renderer(640, 480, 1);
  OmbSpriteRect* rc = rect(r);
  // 130 sprites alternating blends: 129 changes of state, so 130 batches: 128 flushed when
  // the 129th is needed, then 2 at the end.
  for (int i = 0; i < 130; ++i) {
    OmbSprite* s = ombSpriteCreate(r);
    ombSpriteSetRect(s, rc);
    s->blend = i % 2 == 0 ? 2 : 3;
  }
  ombSpriteUpdateRenderer(r);
  ombSpriteDrawRenderer(r);
  ASSERT_EQ(device.renders.size(), 2u);
  EXPECT_EQ(device.renders[0].size(), 128u);
  EXPECT_EQ(device.renders[1].size(), 2u);
  EXPECT_EQ(device.begins, 1);
  EXPECT_EQ(device.ends, 1);

  // Without changes one batch takes 128 quads; the 129th starts the next.
  OmbSpriteRenderer* plain = renderer(640, 480, 1);
  OmbSpriteRect* prc = rect(plain);
  for (int i = 0; i < 129; ++i) {
    ombSpriteSetRect(ombSpriteCreate(plain), prc);
  }
  device.renders.clear();
  ombSpriteUpdateRenderer(plain);
  ombSpriteDrawRenderer(plain);
  ASSERT_EQ(device.renders.size(), 1u);
  ASSERT_EQ(device.renders[0].size(), 2u);
  EXPECT_EQ(device.renders[0][0].vertices.size(), 512u);
  EXPECT_EQ(device.renders[0][1].vertices.size(), 4u);
}

TEST_F(OmbSpriteTest, DestroyingTheSetDestroysEverythingWhateverTheCounts) {
  OmbSpriteRenderer* r = renderer();
  OmbSpriteRect* rc = rect(r);
  OmbSprite* s = ombSpriteCreate(r);
  ombSpriteSetRect(s, rc);
  ombSpriteSetParent(ombSpriteCreate(r), s);
  ombSpriteCreateTextImage(64, 32, set);
  EXPECT_EQ(device.liveSurfaces, 2);
  ombSpriteDestroyDeviceSet(set);
  set = nullptr;
  EXPECT_EQ(device.liveSurfaces, 0);
}

}  // namespace

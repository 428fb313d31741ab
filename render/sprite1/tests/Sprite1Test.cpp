// Sprite layer 1 on the device stand-in: the chain of non-empty levels and the draw order,
// batches, blend states, rect geometry, image sizes, and texts written into dynamic images.

#include "render/sprite1/tests/Sprite1Fixture.h"

#include <cmath>

namespace {

using namespace sprite1;
using namespace d3d9;

class Sprite1LayerTest : public Sprite1Test {
 protected:
  Rect* RectAt(Renderer* r, Image* image, int32_t level, int32_t drawX) {
    Rect* rect = rectCreate(r, image);
    rectSetLevel(rect, level);
    rect->drawX = drawX;
    rect->drawWidth = rect->drawHeight = 4;
    return rect;
  }

  // The non-empty levels along the chain; the backward links must mirror it.
  static std::vector<int32_t> Chain(const Renderer* r) {
    std::vector<int32_t> levels;
    int32_t previous = -1;
    for (int32_t i = r->first; i >= 0; i = r->levels[i].next) {
      EXPECT_EQ(r->levels[i].previous, previous) << "level " << i;
      EXPECT_GT(r->levels[i].rects.count, 0u) << "empty level " << i << " in the chain";
      levels.push_back(i);
      previous = i;
    }
    return levels;
  }

  // The left edge of every rect in the system's work buffer after a one-batch draw, back in
  // draw x (the half-pixel offset added again).
  std::vector<int32_t> DrawOrder(Renderer* r, size_t rects) {
    drawAll(&system);
    std::vector<int32_t> xs;
    for (size_t i = 0; i < rects; ++i) {
      xs.push_back(static_cast<int32_t>(std::lround(system.vertices[i * 4].x + r->hx)));
    }
    return xs;
  }
};

TEST_F(Sprite1LayerTest, TheLevelChainOrdersTheDrawAndDropsEmptiedLevels) {
  Image* image = imageCreateDynamic(&system, 8, 8);
  Renderer* r = rendererCreate(&system, kWidth, kHeight, 8);
  EXPECT_EQ(r->first, -1);
  Rect* a = RectAt(r, image, 3, 10);
  Rect* b = RectAt(r, image, 1, 20);
  Rect* c = RectAt(r, image, 3, 30);
  Rect* d = RectAt(r, image, 5, 40);
  // Level 0 held each rect while it was made; emptied, it left the chain again.
  EXPECT_EQ(Chain(r), (std::vector<int32_t>{1, 3, 5}));
  EXPECT_EQ(DrawOrder(r, 4), (std::vector<int32_t>{20, 10, 30, 40}));

  rectSetLevel(b, 6);
  EXPECT_EQ(Chain(r), (std::vector<int32_t>{3, 5, 6}));
  EXPECT_EQ(DrawOrder(r, 4), (std::vector<int32_t>{10, 30, 40, 20}));

  rectFree(d);
  EXPECT_EQ(Chain(r), (std::vector<int32_t>{3, 6}));
  rectSetLevel(c, 4);
  rectSetLevel(a, 7);
  EXPECT_EQ(Chain(r), (std::vector<int32_t>{4, 6, 7}));
  EXPECT_EQ(DrawOrder(r, 3), (std::vector<int32_t>{30, 20, 10}));
  rectSetLevel(a, 0);
  EXPECT_EQ(Chain(r), (std::vector<int32_t>{0, 4, 6}));
  EXPECT_EQ(DrawOrder(r, 3), (std::vector<int32_t>{10, 30, 20}));
}

TEST_F(Sprite1LayerTest, LevelsOutsideTheRendererAreBroughtToItsEnds) {
  Image* image = imageCreateDynamic(&system, 8, 8);
  Renderer* r = rendererCreate(&system, kWidth, kHeight, 4);
  Rect* rect = rectCreate(r, image);
  const struct {
    int32_t asked, kept;
  } rows[] = {{2, 2}, {3, 3}, {4, 3}, {1000, 3}, {-1, 0}, {-5, 0}};
  for (const auto& row : rows) {
    rectSetLevel(rect, row.asked);
    EXPECT_EQ(rect->level, row.kept) << row.asked;
    EXPECT_EQ(Chain(r), (std::vector<int32_t>{row.kept}));
  }
  Renderer* none = rendererCreate(&system, kWidth, kHeight, 0);
  EXPECT_EQ(rectCreate(none, image)->level, 0) << "a renderer always has a level 0";
}

TEST_F(Sprite1LayerTest, RectsAreBatchedByTextureAndBlendUpTo124Vertices) {
  Paint("a/one.png");
  Paint("a/two.png");
  Image* one = imageLoad(u"a", &system, u"one.png");
  Image* two = imageLoad(u"a", &system, u"two.png");
  struct Row {
    const char* what;
    std::vector<Image*> images;
    std::vector<int32_t> blends;  // empty: all 0
    std::vector<int> draws;
  };
  const Row rows[] = {
      {"40 alike", std::vector<Image*>(40, one), {}, {124, 36}},
      {"31 alike", std::vector<Image*>(31, one), {}, {124}},
      {"32 alike", std::vector<Image*>(32, one), {}, {124, 4}},
      {"texture changes", {one, one, two, one}, {}, {8, 4, 4}},
      {"blend changes", {one, one, one}, {0, 1, 1}, {4, 8}},
      {"an unknown blend", {one, one, one}, {0, 7, 0}, {4, 4, 4}},
  };
  D3d().callLog().setEnabled(true);
  for (const Row& row : rows) {
    Renderer* r = rendererCreate(&system, kWidth, kHeight, 2);
    for (size_t i = 0; i < row.images.size(); ++i) {
      Rect* rect = rectCreate(r, row.images[i]);
      if (!row.blends.empty()) rect->blend = row.blends[i];
    }
    Draws();
    drawAll(&system);
    EXPECT_EQ(Draws(), row.draws) << row.what;
    rendererDestroy(r);
  }

  // A disabled rect takes no slot; a rect of size 0 still does.
  Renderer* r = rendererCreate(&system, kWidth, kHeight, 1);
  Rect* hidden = rectCreate(r, one);
  hidden->flags &= ~SPRITE1_RECT_ENABLE;
  rectCreate(r, one);
  Draws();
  drawAll(&system);
  EXPECT_EQ(Draws(), (std::vector<int>{4}));
}

TEST_F(Sprite1LayerTest, EachBlendKindSetsItsStatesAndOthersKeepThePrevious) {
  Image* image = imageCreateDynamic(&system, 8, 8);
  Renderer* r = rendererCreate(&system, kWidth, kHeight, 1);
  Rect* first = rectCreate(r, image);
  Rect* second = rectCreate(r, image);
  struct Row {
    int32_t firstKind, secondKind;
    DWORD source, destination, alphaTest;
  };
  const Row rows[] = {
      {0, 0, D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA, 1},
      {0, 1, D3DBLEND_SRCALPHA, D3DBLEND_ONE, 1},
      {0, 2, D3DBLEND_ONE, D3DBLEND_INVSRCALPHA, 0},
      {0, 3, D3DBLEND_DESTCOLOR, D3DBLEND_ZERO, 0},
      {3, 7, D3DBLEND_DESTCOLOR, D3DBLEND_ZERO, 0},
      {1, -1, D3DBLEND_SRCALPHA, D3DBLEND_ONE, 1},
  };
  for (const Row& row : rows) {
    first->blend = row.firstKind;
    second->blend = row.secondKind;
    drawAll(&system);
    DWORD source = 0, destination = 0, alphaTest = 0, alphaFunc = 0, blending = 0, z = 1;
    D3d().GetRenderState(D3DRS_SRCBLEND, &source);
    D3d().GetRenderState(D3DRS_DESTBLEND, &destination);
    D3d().GetRenderState(D3DRS_ALPHATESTENABLE, &alphaTest);
    D3d().GetRenderState(D3DRS_ALPHAFUNC, &alphaFunc);
    D3d().GetRenderState(D3DRS_ALPHABLENDENABLE, &blending);
    D3d().GetRenderState(D3DRS_ZENABLE, &z);
    const std::string what = std::to_string(row.firstKind) + " then " +
                             std::to_string(row.secondKind);
    EXPECT_EQ(source, row.source) << what;
    EXPECT_EQ(destination, row.destination) << what;
    EXPECT_EQ(alphaTest, row.alphaTest) << what;
    if (row.alphaTest != 0) {
      EXPECT_EQ(alphaFunc, DWORD{D3DCMP_GREATER}) << what;
    }
    EXPECT_EQ(blending, 1u);
    EXPECT_EQ(z, 0u);
    EXPECT_EQ(system.blend, row.secondKind);
  }
}

TEST_F(Sprite1LayerTest, PositionsAndTextureCoordinatesFollowTheRectsValues) {
  Paint("g/wide.png", 32, 16);
  Image* image = imageLoad(u"g", &system, u"wide.png");
  // Twice the screen size: the half-pixel offsets are 1 and 1.
  Renderer* r = rendererCreate(&system, 2 * kWidth, 2 * kHeight, 1);
  ASSERT_FLOAT_EQ(r->hx, 1.0f);
  ASSERT_FLOAT_EQ(r->hy, 1.0f);
  const float quarter = 1.5707963f;
  struct Row {
    const char* what;
    uint32_t flags;
    float rotation;
    float x[4], y[4];  // before the half-pixel offset; 0 top-left, 1 bottom-left, 2 top-right, 3 bottom-right
    float u[4], v[4];
  };
  // draw (10, 20) 8 x 4, pivot (2, 1), map (8, 4) 16 x 8 of a 32 x 16 image.
  const Row rows[] = {
      {"plain", 0, 0.0f, {8, 8, 16, 16}, {19, 23, 19, 23},
       {0.25f, 0.25f, 0.75f, 0.75f}, {0.25f, 0.75f, 0.25f, 0.75f}},
      {"mirrored across the renderer", SPRITE1_RECT_DRAW_REVERSE_X | SPRITE1_RECT_DRAW_REVERSE_Y,
       0.0f, {176, 176, 184, 184}, {105, 109, 105, 109},
       {0.25f, 0.25f, 0.75f, 0.75f}, {0.25f, 0.75f, 0.25f, 0.75f}},
      {"texture mirrored", SPRITE1_RECT_MAP_REVERSE_X | SPRITE1_RECT_MAP_REVERSE_Y, 0.0f,
       {8, 8, 16, 16}, {19, 23, 19, 23},
       {0.75f, 0.75f, 0.25f, 0.25f}, {0.75f, 0.25f, 0.75f, 0.25f}},
      // A positive angle turns counter-clockwise on the screen about the draw position (10, 20).
      {"a quarter turn", 0, quarter, {9, 13, 9, 13}, {22, 22, 14, 14},
       {0.25f, 0.25f, 0.75f, 0.75f}, {0.25f, 0.75f, 0.25f, 0.75f}},
      // Mirrored, the draw position is (x1 - pivot, y1 - pivot) = (182, 108).
      {"a mirrored quarter turn", SPRITE1_RECT_DRAW_REVERSE_X | SPRITE1_RECT_DRAW_REVERSE_Y,
       quarter, {179, 183, 179, 183}, {114, 114, 106, 106},
       {0.25f, 0.25f, 0.75f, 0.75f}, {0.25f, 0.75f, 0.25f, 0.75f}},
  };
  for (const Row& row : rows) {
    Rect* rect = rectCreate(r, image);
    rect->drawX = 10, rect->drawY = 20, rect->drawWidth = 8, rect->drawHeight = 4;
    rect->pivotX = 2, rect->pivotY = 1;
    rect->mapX = 8, rect->mapY = 4, rect->mapWidth = 16, rect->mapHeight = 8;
    rect->flags |= row.flags;
    rect->rotation = row.rotation;
    drawAll(&system);
    EXPECT_EQ(rect->flags & (SPRITE1_RECT_DIRTY_DRAW | SPRITE1_RECT_DIRTY_MAP), 0u);
    for (int i = 0; i < 4; ++i) {
      EXPECT_NEAR(rect->vertices[i].x, row.x[i] - 1.0f, 1e-4f) << row.what << " vertex " << i;
      EXPECT_NEAR(rect->vertices[i].y, row.y[i] - 1.0f, 1e-4f) << row.what << " vertex " << i;
      EXPECT_EQ(rect->vertices[i].z, 0.0f);
      EXPECT_FLOAT_EQ(rect->vertices[i].u, row.u[i]) << row.what << " vertex " << i;
      EXPECT_FLOAT_EQ(rect->vertices[i].v, row.v[i]) << row.what << " vertex " << i;
      EXPECT_EQ(rect->vertices[i].colour, 0xFFFFFFFFu);
    }
    // Values changed without marking the rect dirty are not looked at again.
    rect->drawX = 50;
    drawAll(&system);
    EXPECT_NEAR(rect->vertices[0].x, row.x[0] - 1.0f, 1e-4f) << row.what;
    rectFree(rect);
  }
}

TEST_F(Sprite1LayerTest, ColourAndAlphaAreClampedBytesInEveryVertex) {
  Image* image = imageCreateDynamic(&system, 8, 8);
  Rect* rect = rectCreate(rendererCreate(&system, kWidth, kHeight, 1), image);
  rectSetColor(rect, 1.5f, 0.5f, -2.0f);
  for (const L3D_RENDERER_VERTEX& v : rect->vertices) EXPECT_EQ(v.colour, 0xFFFF8000u);
  rectSetAlpha(rect, 0.25f);
  for (const L3D_RENDERER_VERTEX& v : rect->vertices) EXPECT_EQ(v.colour, 0x40FF8000u);
  rectSetColor(rect, 0.0f, 1.0f, 0.2f);
  for (const L3D_RENDERER_VERTEX& v : rect->vertices) EXPECT_EQ(v.colour, 0x4000FF33u);
}

TEST_F(Sprite1LayerTest, ImageSizesAreLogicalPixels) {
  Paint("i/pic.png", 32, 16);
  Image* file = imageLoad(u"i", &system, u"pic.png");
  EXPECT_EQ(file->width, 32);
  EXPECT_EQ(file->height, 16);
  EXPECT_EQ(file->dynamic, 0);
  Image* missing = imageLoad(u"i", &system, u"none.png");
  EXPECT_FALSE(missing->texture);
  EXPECT_EQ(missing->width, 1);
  EXPECT_EQ(missing->height, 1);
  Image* dynamic = imageCreateDynamic(&system, 64, 32);
  EXPECT_EQ(dynamic->width, static_cast<int32_t>(dynamic->texture->width));
  EXPECT_EQ(dynamic->dynamic, 1);
  EXPECT_EQ(dynamic->texture->name[0], '\0');

  for (const auto& size : {std::pair{0, 8}, std::pair{8, -1}}) {
    Image* wrong = imageCreateDynamic(&system, size.first, size.second);
    EXPECT_FALSE(wrong->texture);
    EXPECT_EQ(wrong->width, 1);
    EXPECT_EQ(imageDrawText(wrong, fontHandleCreate(&system, 12), u"A").first, 0);
  }

  // The small resource set doubles file images only.
  system.config.resourceScale = 2;
  EXPECT_EQ(imageLoad(u"i", &system, u"pic.png")->width, 64);
  EXPECT_EQ(imageCreateDynamic(&system, 64, 32)->width, 64);
}

TEST_F(Sprite1LayerTest, ARectKeepsItsTextureWhenItsImageIsDestroyed) {
  L3DTexture* painted = Paint("k/pic.png");
  Image* image = imageLoad(u"k", &system, u"pic.png");
  Renderer* r = rendererCreate(&system, kWidth, kHeight, 1);
  Rect* rect = rectCreate(r, image);
  m_named.clear();
  imageDestroy(image);
  ASSERT_EQ(rect->texture.Get(), painted);
  EXPECT_EQ(rect->texture.UseCount(), 1);
  EXPECT_EQ(rect->imageWidth, 16);
  D3d().callLog().setEnabled(true);
  drawAll(&system);
  EXPECT_EQ(Draws(), (std::vector<int>{4}));
}

TEST_F(Sprite1LayerTest, DestroyingTheSystemFreesEverythingOnce) {
  Paint("d/pic.png");
  Image* image = imageLoad(u"d", &system, u"pic.png");
  rectCreate(rendererCreate(&system, kWidth, kHeight, 2), image);
  rendererCreate(&system, kWidth, kHeight, 2);
  imageCreateDynamic(&system, 8, 8);
  fontHandleCreate(&system, 12);
  EXPECT_EQ(system.renderers.count, 2u);
  EXPECT_EQ(system.fonts.count, 1u);
  EXPECT_EQ(system.images.count, 2u);
  systemDestroy(&system);
  EXPECT_FALSE(system.owned);
  EXPECT_EQ(system.renderers.count, 0u);
  EXPECT_EQ(system.fonts.count, 0u);
  EXPECT_EQ(system.images.count, 0u);
  EXPECT_EQ(m_named["d/pic.png"].UseCount(), 1) << "the image's reference was given back";
  systemDestroy(&system);  // a second time does nothing
}

}  // namespace

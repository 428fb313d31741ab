#include "render/L3DZsdList.h"

#include "render/L3DRenderer.h"
#include "testsupport/render/DeviceFixture.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// One call of a draw callback: what it was handed and the renderer's fog at that moment.
struct Call {
  void* context;
  std::vector<float> vertexTags;  // each vertex's x
  std::vector<uint16_t> indices;
  L3DRendererFog fog;
};

std::vector<Call> g_calls;

void Record(L3DRenderer* renderer, const L3D_RENDERER_VERTEX* vertices, uint32_t vertexCount,
            const uint16_t* indices, uint32_t indexCount, void* context) {
  Call call{context, {}, std::vector<uint16_t>(indices, indices + indexCount), renderer->fog};
  for (uint32_t i = 0; i < vertexCount; ++i) call.vertexTags.push_back(vertices[i].x);
  g_calls.push_back(call);
}

void RecordToo(L3DRenderer* renderer, const L3D_RENDERER_VERTEX* vertices, uint32_t vertexCount,
               const uint16_t* indices, uint32_t indexCount, void* context) {
  Record(renderer, vertices, vertexCount, indices, indexCount, context);
}

// n vertices tagged with `tag` in x, and a triangle list over them in order.
struct Mesh {
  std::vector<L3D_RENDERER_VERTEX> vertices;
  std::vector<uint16_t> indices;
  Mesh(uint32_t n, float tag) : vertices(n) {
    for (L3D_RENDERER_VERTEX& v : vertices) v.x = tag;
    for (uint32_t i = 0; i + 2 < n; i += 3) indices.insert(indices.end(), {uint16_t(i), uint16_t(i + 1), uint16_t(i + 2)});
  }
};

int g_contextA, g_contextB;

class ZsdTest : public ::testing::Test {
 protected:
  void SetUp() override { g_calls.clear(); }

  // One element at depth z (centre (0, 0, z)), in its order, with the given callback and
  // context.
  void Regist(const Mesh& mesh, float z, void* context = &g_contextA,
              L3DZsdDrawFunc draw = Record) {
    const float centre[3] = {0.0f, 0.0f, z};
    m_renderer.RegistZsd(centre, uint32_t(mesh.vertices.size()), mesh.vertices.data(), nullptr,
                         mesh.indices.data(), uint32_t(mesh.indices.size()), draw, context,
                         L3D_ZSD_KEEP_ORDER);
  }

  std::vector<float> FirstTags() const {
    std::vector<float> tags;
    for (const Call& c : g_calls) tags.push_back(c.vertexTags.front());
    return tags;
  }

  L3DRenderer m_renderer;
};

}  // namespace

TEST_F(ZsdTest, AnEmptyListDrawsNothingAndLeavesTheFog) {
  m_renderer.fog = {1, 0x123456, 0.5f, 0.25f};
  m_renderer.DrawZsd();
  EXPECT_TRUE(g_calls.empty());
  EXPECT_EQ(m_renderer.fog.color, 0x123456u);
  EXPECT_EQ(m_renderer.fog.enabled, 1);
}

TEST_F(ZsdTest, GroupsAreDrawnFarthestFirstAndEqualDepthsInRegistrationOrder) {
  // Alternating contexts keep neighbours from merging.
  Regist(Mesh(3, 1.0f), 1.0f, &g_contextA);
  Regist(Mesh(3, 5.0f), 5.0f, &g_contextB);
  Regist(Mesh(3, 6.0f), -5.0f, &g_contextA);  // as far as the one before
  Regist(Mesh(3, 3.0f), 3.0f, &g_contextB);
  m_renderer.DrawZsd();
  EXPECT_EQ(FirstTags(), (std::vector<float>{5.0f, 6.0f, 3.0f, 1.0f}));
  EXPECT_EQ(m_renderer.GetZsd().GetGroupCount(), 0u);
  // The list is empty afterwards.
  g_calls.clear();
  m_renderer.DrawZsd();
  EXPECT_TRUE(g_calls.empty());
}

TEST_F(ZsdTest, NeighboursWithTheSameCallbackAndContextMergeBelow65536Vertices) {
  const Mesh a(30000, 1.0f), b(30000, 2.0f), c(30000, 3.0f);
  Regist(a, 30.0f);
  Regist(b, 20.0f);
  Regist(c, 10.0f);
  m_renderer.DrawZsd();
  ASSERT_EQ(g_calls.size(), 2u);
  const Call& merged = g_calls[0];
  ASSERT_EQ(merged.vertexTags.size(), 60000u);
  EXPECT_EQ(merged.vertexTags[29999], 1.0f);
  EXPECT_EQ(merged.vertexTags[30000], 2.0f);
  ASSERT_EQ(merged.indices.size(), 60000u);
  // The second element's indices are moved past the first element's vertices.
  EXPECT_EQ(merged.indices[29999], 29999);
  EXPECT_EQ(merged.indices[30000], 30000);
  EXPECT_EQ(merged.indices[59999], 59999);
  EXPECT_EQ(g_calls[1].vertexTags.size(), 30000u);
  EXPECT_EQ(g_calls[1].indices.front(), 0);
}

// A merged batch must stay addressable by 16-bit indices: 65535 vertices join, 65536 do not.
TEST_F(ZsdTest, AMergeStopsAtTheRangeOfSixteenBitIndices) {
  struct Case {
    uint32_t first, second;
    size_t draws;
  };
  for (const Case& c : {Case{32768, 32767, 1}, Case{32768, 32768, 2}}) {
    SCOPED_TRACE(std::to_string(c.first) + " + " + std::to_string(c.second));
    g_calls.clear();
    Regist(Mesh(c.first, 1.0f), 2.0f);
    Regist(Mesh(c.second, 2.0f), 1.0f);
    m_renderer.DrawZsd();
    EXPECT_EQ(g_calls.size(), c.draws);
  }
}

TEST_F(ZsdTest, ADifferentCallbackOrContextStartsANewDraw) {
  Regist(Mesh(3, 1.0f), 4.0f, &g_contextA, Record);
  Regist(Mesh(3, 2.0f), 3.0f, &g_contextA, RecordToo);
  Regist(Mesh(3, 3.0f), 2.0f, &g_contextB, RecordToo);
  Regist(Mesh(3, 4.0f), 1.0f, &g_contextB, RecordToo);  // joins the one before
  m_renderer.DrawZsd();
  ASSERT_EQ(g_calls.size(), 3u);
  EXPECT_EQ(FirstTags(), (std::vector<float>{1.0f, 2.0f, 3.0f}));
  EXPECT_EQ(g_calls[2].vertexTags, (std::vector<float>{3, 3, 3, 4, 4, 4}));
  EXPECT_EQ(g_calls[2].indices, (std::vector<uint16_t>{0, 1, 2, 3, 4, 5}));
}

TEST_F(ZsdTest, EachDrawSeesTheFogOfItsGroupAndTheFogIsRestoredAfter) {
  m_renderer.fog = {1, 0x0000FF, 1.0f, 2.0f};
  Regist(Mesh(3, 1.0f), 9.0f, &g_contextA);
  m_renderer.fog = {0, 0x00FF00, 3.0f, 4.0f};
  Regist(Mesh(3, 2.0f), 8.0f, &g_contextA);  // merges: drawn with the fog of the first
  Regist(Mesh(3, 3.0f), 7.0f, &g_contextB);
  m_renderer.fog = {1, 0xFF0000, 5.0f, 6.0f};
  m_renderer.DrawZsd();
  ASSERT_EQ(g_calls.size(), 2u);
  EXPECT_EQ(g_calls[0].fog.color, 0x0000FFu);
  EXPECT_EQ(g_calls[0].fog.scale, 1.0f);
  EXPECT_EQ(g_calls[1].fog.color, 0x00FF00u);
  EXPECT_EQ(g_calls[1].fog.enabled, 0);
  EXPECT_EQ(g_calls[1].fog.offset, 4.0f);
  EXPECT_EQ(m_renderer.fog.color, 0xFF0000u);
  EXPECT_EQ(m_renderer.fog.scale, 5.0f);
}

TEST_F(ZsdTest, ElementsKeepTheirOwnCopyOfTheCallersArrays) {
  Mesh mesh(3, 1.0f);
  Regist(mesh, 1.0f);
  mesh.vertices[0].x = 99.0f;
  mesh.indices[0] = 2;
  m_renderer.DrawZsd();
  ASSERT_EQ(g_calls.size(), 1u);
  EXPECT_EQ(g_calls[0].vertexTags[0], 1.0f);
  EXPECT_EQ(g_calls[0].indices, (std::vector<uint16_t>{0, 1, 2}));
}

TEST_F(ZsdTest, TrianglesAreSortedFarthestCentroidFirstUnlessTheOrderIsKept) {
  // Posed vertices at view depths 1, 2, 3 and 4; x tags the vertex number.
  std::vector<L3D_RENDERER_VERTEX> posed(4);
  for (uint32_t i = 0; i < 4; ++i) {
    posed[i].x = float(i);
    posed[i].z = float(i + 1);
  }
  struct Case {
    const char* what;
    std::vector<uint16_t> indices;
    uint32_t flags;
    std::vector<uint16_t> sorted;
  };
  const Case cases[] = {
      {"nearest first in", {0, 0, 0, 1, 1, 1, 3, 3, 3}, 0, {3, 3, 3, 1, 1, 1, 0, 0, 0}},
      {"kept", {0, 0, 0, 1, 1, 1, 3, 3, 3}, L3D_ZSD_KEEP_ORDER, {0, 0, 0, 1, 1, 1, 3, 3, 3}},
      {"a seventh index is dropped", {0, 0, 0, 2, 2, 2, 3}, 0, {2, 2, 2, 0, 0, 0}},
      {"fewer than three", {3, 1}, 0, {3, 1}},
      {"equal keys reversed", {0, 1, 2, 2, 1, 0, 3, 3, 3}, 0, {3, 3, 3, 2, 1, 0, 0, 1, 2}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    g_calls.clear();
    const float centre[3] = {0.0f, 0.0f, 1.0f};
    m_renderer.RegistZsd(centre, 4, posed.data(), posed.data(), c.indices.data(),
                         uint32_t(c.indices.size()), Record, &g_contextA, c.flags);
    m_renderer.DrawZsd();
    ASSERT_EQ(g_calls.size(), 1u);
    EXPECT_EQ(g_calls[0].indices, c.sorted);
  }
}

TEST_F(ZsdTest, AnIndexBeyondTheVerticesIsRefused) {
  LerrCapture capture;
  const Mesh mesh(3, 1.0f);
  const std::vector<uint16_t> indices = {0, 1, 3};
  const float centre[3] = {0.0f, 0.0f, 1.0f};
  EXPECT_EQ(platform::utf16ToUtf8(capture.FatalText([&] {
              m_renderer.RegistZsd(centre, 3, mesh.vertices.data(), mesh.vertices.data(),
                                   indices.data(), 3, Record, nullptr, 0);
            })),
            "[L3DRenderer::_RegistZsdElement] index 3 is beyond the 3 vertices");
}

// Groups and elements go back to their pools: a second frame of the same size takes no more.
TEST_F(ZsdTest, PoolsAreReusedFromFrameToFrame) {
  const Mesh mesh(3, 0.0f);
  std::vector<L3D_RENDERER_ZSD_ELEMENTDESC> elements(2);
  for (L3D_RENDERER_ZSD_ELEMENTDESC& e : elements) {
    e.vertexCount = 3;
    e.vertices = mesh.vertices.data();
    e.indexCount = 3;
    e.indices = mesh.indices.data();
    e.draw = Record;
    e.flags = L3D_ZSD_KEEP_ORDER;
  }
  elements[0].next = &elements[1];
  for (int frame = 0; frame < 2; ++frame) {
    g_calls.clear();
    for (uint32_t g = 0; g < 300; ++g) {
      // A context of its own for each group: groups never merge, a group's two elements do.
      elements[0].context = elements[1].context = reinterpret_cast<void*>(uintptr_t(g + 1));
      L3D_RENDERER_ZSD_GROUPDESC group;
      group.center[2] = float(g);
      group.first = &elements[0];
      m_renderer._RegistZsdElement(group);
    }
    m_renderer.DrawZsd();
    ASSERT_EQ(g_calls.size(), 300u);
    EXPECT_EQ(g_calls.front().context, reinterpret_cast<void*>(uintptr_t(300)));
    EXPECT_EQ(g_calls.front().indices, (std::vector<uint16_t>{0, 1, 2, 3, 4, 5}));
    EXPECT_EQ(m_renderer.GetZsd().GetAllocatedGroups(), 512u);
    EXPECT_EQ(m_renderer.GetZsd().GetAllocatedElements(), 1024u);
  }
}

// Drawing object instances: which meshes are drawn at once, which go to the depth-sorted list,
// the outline pass, the default material's colours and the posing of blended meshes.

#include "render/tests/DrawFixture.h"

#include <string>

namespace {

using namespace d3d9;

LMat Translation(float x, float y, float z) {
  LMat m;
  m.SetTranslation(x, y, z);
  return m;
}

const float kWhite[4] = {1.0f, 1.0f, 1.0f, 1.0f};

class DrawTest : public RendererTest {
 protected:
  L3DRenderer& Start(const SystemProfile& profile = Profile("default")) {
    OpenDevice(profile);
    L3DRenderer& renderer = Make();
    LMat identity;
    identity.SetIdentity();
    renderer.SetViewProjection(identity, identity);
    return renderer;
  }

  FakeMesh& AddMesh(FakePart& part, uint32_t blendMode, float edgeWidth = 0.0f) {
    FakeMesh& mesh = part.meshes.emplace_back();
    AddQuad(mesh, -0.5f, -0.5f, 0.5f, 0.5f, 0.5f);
    auto option = NewOption<L3D_RENDERER_SHADEROPT_NORMAL>(L3D_SHADER_NORMAL, blendMode);
    option->edgeWidth = edgeWidth;
    SetColour(option->edgeColour, 0.0f, 1.0f, 0.0f, 1.0f);
    mesh.material.option = option;
    return mesh;
  }

  // The vertex shader of every draw call, in order: "normal" or "edge".
  std::vector<std::string> Draws() {
    std::vector<std::string> out;
    const L3DRenderer& renderer = *m_renderer;
    IDirect3DVertexShader9* current = m_shaderAtStart;
    for (const CallRecord& r : D3d().callLog().records()) {
      const std::string name = r.name;
      if (name == "SetVertexShader") current = reinterpret_cast<IDirect3DVertexShader9*>(r.args[0]);
      if (name.rfind("Draw", 0) != 0) continue;
      std::string kind = "?";
      for (uint32_t k = 0; k < L3D_SHADER_KINDS; ++k) {
        if (renderer.GetVShader(k, 0)->shader == current) kind = kKindNames[k];
      }
      out.push_back(kind + ":" + name);
    }
    return out;
  }

  // The call log from here on, with the vertex shader bound now.
  void StartLog() {
    D3d().callLog().setEnabled(true);
    D3d().callLog().clear();
    m_shaderAtStart = D3d().state().vertexShader;
  }

  FakeDrawable drawable;
  IDirect3DVertexShader9* m_shaderAtStart = nullptr;
};

// Opaque and alpha-tested meshes are drawn at once, outlines next (blended meshes' too), and
// blended meshes only at DrawZsd; with draw flag bit 1 everything is drawn at once in mesh order.
TEST_F(DrawTest, ImmediateOutlineAndBlendedOrder) {
  L3DRenderer& renderer = Start();
  FakePart& part = drawable.parts.emplace_back();
  AddMesh(part, 1, 0.25f);  // blended, with an outline
  AddMesh(part, 0);         // opaque
  AddMesh(part, 8);         // alpha-tested: drawn at once
  StartLog();
  renderer.DrawObjectInstance(drawable, kWhite, kWhite, 0);
  EXPECT_EQ(Draws(), (std::vector<std::string>{"normal:DrawIndexedPrimitiveUP",
                                               "normal:DrawIndexedPrimitiveUP",
                                               "edge:DrawIndexedPrimitiveUP"}));
  EXPECT_EQ(renderer.GetZsd().GetGroupCount(), 1u);
  EXPECT_EQ(renderer.GetAlphaRecordsInUse(), 1u);
  // The outline pass culls the front faces and sends its width and colour.
  const float* c = D3d().state().vertexConstants.data();
  EXPECT_EQ(c[0], 0.25f);
  EXPECT_EQ(c[4 + 1], 1.0f);

  StartLog();
  renderer.DrawZsd();
  EXPECT_EQ(Draws(), std::vector<std::string>{"normal:DrawIndexedPrimitiveUP"});
  EXPECT_EQ(renderer.GetZsd().GetGroupCount(), 0u);
  EXPECT_EQ(renderer.GetAlphaRecordsInUse(), 0u);
  // The blended mesh drew with its own blend mode.
  EXPECT_EQ(D3d().state().render[D3DRS_SRCBLEND], uint32_t(D3DBLEND_SRCALPHA));

  StartLog();
  renderer.DrawObjectInstance(drawable, kWhite, kWhite, L3D_DRAW_ALL_NOW);
  EXPECT_EQ(Draws(), (std::vector<std::string>{"normal:DrawIndexedPrimitiveUP",
                                               "normal:DrawIndexedPrimitiveUP",
                                               "normal:DrawIndexedPrimitiveUP",
                                               "edge:DrawIndexedPrimitiveUP"}));
  EXPECT_EQ(renderer.GetZsd().GetGroupCount(), 0u);
  D3d().callLog().setEnabled(false);
}

TEST_F(DrawTest, OutlineRatioAndRigidConstants) {
  L3DRenderer& renderer = Start();
  LMat view;
  view.SetIdentity();
  LMat projection;
  projection.SetScaling(2.0f, 4.0f, 1.0f);  // the frustum is twice as wide as high
  renderer.SetViewProjection(view, projection);
  FakePart& part = drawable.parts.emplace_back();
  part.matrices = {Translation(1.0f, 0.0f, 0.0f)};
  AddMesh(part, 0, 0.5f);
  renderer.DrawObjectInstance(drawable, kWhite, kWhite, 0);
  EXPECT_EQ(renderer.GetFrustumRatio(), 0.5f);
  const float* c = D3d().state().vertexConstants.data();
  // Rigid outline: c0 (width, width / ratio), c1 edge colour, c2 fog, c3-c6 (W x VP)^T.
  EXPECT_EQ(c[0], 0.5f);
  EXPECT_EQ(c[1], 1.0f);
  EXPECT_EQ(c[4 + 1], 1.0f);
  EXPECT_EQ(c[12 + 3], 2.0f);  // the translation, scaled by the projection, in row 0's w
  EXPECT_EQ(D3d().state().render[D3DRS_CULLMODE], uint32_t(D3DCULL_CCW));
}

// A disabled part draws and registers nothing and leaves the palette as it was.
TEST_F(DrawTest, DisabledPartIsSkipped) {
  L3DRenderer& renderer = Start();
  FakePart& shown = drawable.parts.emplace_back();
  shown.matrices = {Translation(7.0f, 0.0f, 0.0f)};
  AddMesh(shown, 0);
  FakePart& hidden = drawable.parts.emplace_back();
  hidden.disabled = true;
  hidden.matrices = {Translation(9.0f, 0.0f, 0.0f)};
  AddMesh(hidden, 1);
  AddMesh(hidden, 0);
  D3d().callLog().setEnabled(true);
  D3d().callLog().clear();
  renderer.DrawObjectInstance(drawable, kWhite, kWhite, 0);
  EXPECT_EQ(D3d().callLog().count("DrawIndexedPrimitiveUP"), 1u);
  D3d().callLog().setEnabled(false);
  EXPECT_EQ(renderer.GetZsd().GetGroupCount(), 0u);
  ASSERT_EQ(renderer.GetPaletteCount(), 1u);
  EXPECT_EQ(renderer.GetPalette()[0].m[0][3], 7.0f);
}

// A default material draws with the colours last given to DrawObjectInstance.
TEST_F(DrawTest, DefaultMaterialTakesTheDrawColours) {
  L3DRenderer& renderer = Start();
  FakePart& part = drawable.parts.emplace_back();
  FakeMesh& mesh = part.meshes.emplace_back();
  AddQuad(mesh, -0.5f, -0.5f, 0.5f, 0.5f, 0.5f);
  L3D_ANIMINST_MAT::CreateDefault(mesh.material, renderer);
  EXPECT_EQ(mesh.material.option.Get(), &renderer.GetDefaultOption());
  const float a[4] = {0.25f, 0.5f, 0.75f, 1.0f};
  const float b[4] = {0.125f, 0.0f, 0.0f, 1.0f};
  renderer.DrawObjectInstance(drawable, a, b, 0);
  const float* c = D3d().state().vertexConstants.data();
  // Rigid normal: c1 colour A, c2 colour B; blend mode 0 clears their fourth components.
  EXPECT_EQ(std::vector<float>(c + 4, c + 8), (std::vector<float>{0.25f, 0.5f, 0.75f, 0.0f}));
  EXPECT_EQ(std::vector<float>(c + 8, c + 12), (std::vector<float>{0.125f, 0.0f, 0.0f, 0.0f}));
}

// Meshes are drawn from their buffers in hardware vertex processing and from memory in software
// processing or when they ask for it.
TEST_F(DrawTest, BufferOrMemory) {
  struct Case {
    const char* profile;
    uint32_t flags;
    const char* call;
  };
  const Case cases[] = {
      {"default", 0, "DrawIndexedPrimitive"},
      {"default", L3D_DRAWMESH_FROM_MEMORY, "DrawIndexedPrimitiveUP"},
      {"novs", 0, "DrawIndexedPrimitiveUP"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.profile) + " " + std::to_string(c.flags));
    L3DRenderer& renderer = Start(Profile(c.profile));
    drawable.parts.assign(1, FakePart{});
    FakeMesh& mesh = AddMesh(drawable.parts[0], 0);
    mesh.flags = c.flags;
    dbtl::rcptr<L3DVBuffer> vb = m_device->CreateVBuffer(
        mesh.vertices.data(), uint32_t(mesh.vertices.size() * sizeof(L3D_RENDERER_VERTEX)),
        L3D_RENDERER_FVF);
    dbtl::rcptr<L3DIBuffer> ib = m_device->CreateIBuffer(
        mesh.indices.data(), uint32_t(mesh.indices.size() * sizeof(uint16_t)));
    struct WithBuffers : FakeDrawable {
      L3DVBuffer* vb;
      L3DIBuffer* ib;
      void GetDrawMesh(uint32_t part, uint32_t m, L3D_RENDERER_DRAWMESH& out) override {
        FakeDrawable::GetDrawMesh(part, m, out);
        out.vbuffer = vb;
        out.ibuffer = ib;
      }
    } withBuffers;
    withBuffers.parts = drawable.parts;
    withBuffers.vb = vb.Get();
    withBuffers.ib = ib.Get();
    D3d().callLog().setEnabled(true);
    D3d().callLog().clear();
    renderer.DrawObjectInstance(withBuffers, kWhite, kWhite, 0);
    const std::string other = std::string(c.call) == "DrawIndexedPrimitive"
                                  ? "DrawIndexedPrimitiveUP"
                                  : "DrawIndexedPrimitive";
    EXPECT_EQ(D3d().callLog().count(c.call), 1u);
    EXPECT_EQ(D3d().callLog().count(other), 0u);
    D3d().callLog().setEnabled(false);
    vb.Reset();
    ib.Reset();
    m_renderer.reset();
    Close();
  }
}

TEST_F(DrawTest, BlendedMeshesThatCannotBeSortedAreFatal) {
  L3DRenderer& renderer = Start();
  FakePart& part = drawable.parts.emplace_back();
  FakeMesh& mesh = AddMesh(part, 2);
  mesh.primitiveType = D3DPT_TRIANGLESTRIP;
  EXPECT_EQ(Fatal([&] { renderer.DrawObjectInstance(drawable, kWhite, kWhite, 0); }),
            "[L3DRenderer::_DrawAnimMotionInstance] alphaはこの形式に対応していない");
  mesh.primitiveType = D3DPT_TRIANGLELIST;
  mesh.flags |= L3D_DRAWMESH_PACKED;
  mesh.packed.resize(mesh.vertices.size());
  EXPECT_EQ(Fatal([&] { renderer.DrawObjectInstance(drawable, kWhite, kWhite, 0); }),
            "[L3DRenderer::_DrawAnimMotionInstance] UVが3つあるパーツ形式には対応していない");
}

// Posing on the processor: slot 0 is the part's matrix, slot k the bone-list entry k - 1,
// weights as stored; a slot or entry out of range takes pose 0.
TEST_F(DrawTest, ProcessVertexPoses) {
  L3DRenderer& renderer = Start();
  const LMat matrices[3] = {Translation(1.0f, 0.0f, 0.0f), Translation(0.0f, 10.0f, 0.0f),
                            Translation(0.0f, 0.0f, 100.0f)};
  const uint32_t bones[2] = {2, 1};
  LMat transform;
  transform.SetIdentity();
  struct Case {
    const char* label;
    uint32_t bonesPerVertex;
    uint8_t slots[4];
    float weights[4];
    float expected[3];
  };
  const Case cases[] = {
      {"rigid", 0, {2, 0, 0, 0}, {1, 0, 0, 0}, {1.0f, 0.0f, 0.0f}},
      {"one bone ignores the weight", 1, {1, 0, 0, 0}, {0.5f, 0, 0, 0}, {0.0f, 0.0f, 100.0f}},
      {"two weights summing to 0.8", 2, {1, 2, 0, 0}, {0.4f, 0.4f, 0, 0},
       {0.0f, 4.0f, 40.0f}},
      {"slot past the bone list", 1, {9, 0, 0, 0}, {1, 0, 0, 0}, {1.0f, 0.0f, 0.0f}},
      {"four bones", 4, {0, 1, 2, 0}, {0.25f, 0.25f, 0.25f, 0.25f}, {0.5f, 2.5f, 25.0f}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    L3D_RENDERER_VERTEX v;
    std::memcpy(v.slots, c.slots, 4);
    std::memcpy(v.weights, c.weights, sizeof v.weights);
    renderer.ProcessVertexPoses(&v, 1, c.bonesPerVertex, bones, 2, matrices, 3, transform);
    const L3D_RENDERER_VERTEX& p = renderer.GetPosedVertices()[0];
    EXPECT_NEAR(p.x, c.expected[0], 1e-5f);
    EXPECT_NEAR(p.y, c.expected[1], 1e-5f);
    EXPECT_NEAR(p.z, c.expected[2], 1e-5f);
  }
  // A bone-list entry naming a matrix the part does not have poses by matrix 0.
  const uint32_t wild[1] = {40};
  L3D_RENDERER_VERTEX v;
  v.slots[0] = 1;
  renderer.ProcessVertexPoses(&v, 1, 1, wild, 1, matrices, 3, transform);
  EXPECT_EQ(renderer.GetPosedVertices()[0].x, 1.0f);

  EXPECT_EQ(Fatal([&] { renderer.ProcessVertexPoses(&v, 1, 0, bones, 2, matrices, 0, transform); }),
            "[L3DRenderer::ProcessVertexPoses] matcountが0");
  EXPECT_EQ(Fatal([&] { renderer.ProcessVertexPoses(&v, 1, 5, bones, 2, matrices, 3, transform); }),
            "[L3DRenderer::ProcessVertexPoses] サポートしていないボーン数(5)");
}

// A blended mesh of a part drawn before another part still draws at DrawZsd with its own
// part's matrices, not those the palette was last filled with.
TEST_F(DrawTest, BlendedSkinnedMeshUsesItsOwnPartAtDrawZsd) {
  L3DRenderer& renderer = Start();
  FakePart& first = drawable.parts.emplace_back();
  first.matrices = {Translation(3.0f, 0.0f, 0.0f)};
  FakeMesh& blended = AddMesh(first, 1);
  blended.bonesPerVertex = 1;
  for (auto& v : blended.vertices) v.slots[0] = 0;
  FakePart& second = drawable.parts.emplace_back();
  second.matrices = {Translation(8.0f, 0.0f, 0.0f)};
  AddMesh(second, 0);
  renderer.DrawObjectInstance(drawable, kWhite, kWhite, 0);
  renderer.DrawZsd();
  // Skinned normal layout: palette 0 at c8, its first row's w the part's x translation.
  EXPECT_EQ(D3d().state().vertexConstants[8 * 4 + 3], 3.0f);
}

}  // namespace

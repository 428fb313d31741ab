// The shader pass of a mesh: which pass the option's kind and the device give, and what reaches
// the device (states, stage textures, shaders and the constant registers the archive's programs
// read), seen through the stand-in's state and call log.

#include "render/tests/DrawFixture.h"

#include <string>

namespace {

using namespace d3d9;

LMat Translation(float x, float y, float z) {
  LMat m;
  m.SetTranslation(x, y, z);
  return m;
}

class PassTest : public RendererTest {
 protected:
  L3DRenderer& Start(const SystemProfile& profile) {
    OpenDevice(profile);
    L3DRenderer& renderer = Make();
    LMat view;
    view.SetIdentity();
    renderer.SetViewProjection(view, Translation(0.0f, 0.0f, 2.0f));
    const float light[3] = {0.0f, 0.0f, 1.0f};
    renderer.SetLightDirection(light);
    return renderer;
  }

  // One rigid (or skinned) mesh with the option as its material.
  FakeMesh& Mesh(const dbtl::rcptr<L3D_RENDERER_SHADEROPT>& option, uint32_t bonesPerVertex = 0) {
    drawable.parts.assign(1, FakePart{});
    FakeMesh& mesh = drawable.parts[0].meshes.emplace_back();
    AddQuad(mesh, -1.0f, -1.0f, 1.0f, 1.0f, 0.0f);
    mesh.bonesPerVertex = bonesPerVertex;
    mesh.material.option = option;
    return mesh;
  }

  L3D_RENDERER_DRAWMESH Described() {
    L3D_RENDERER_DRAWMESH out;
    drawable.GetDrawMesh(0, 0, out);
    return out;
  }

  bool Pass(L3DRenderer& renderer, uint32_t flags = 0, uint32_t pass = 0) {
    const L3D_RENDERER_DRAWMESH mesh = Described();
    const bool done = renderer._SetShaderPass(pass, drawable.parts[0].matrices.data(), mesh, flags);
    m_device->ApplyState();
    return done;
  }

  const float* Register(uint32_t n) { return &D3d().state().vertexConstants[n * 4]; }

  FakeDrawable drawable;
};

// The vertex shader bound names the pass: every kind of option on devices with one, two and
// three simultaneous textures, with pixel shaders 1.1 or 2.0 or no vertex shaders, and with or
// without a third coordinate set.
TEST_F(PassTest, PassFollowsKindAndDevice) {
  struct Case {
    const char* profile;
    uint32_t textures;
    uint32_t kind;
    bool threeUVs;
    uint32_t passKind;
    bool white;
  };
  const Case cases[] = {
      {"default", 8, L3D_SHADER_NORMAL, false, L3D_SHADER_NORMAL, false},
      {"default", 1, L3D_SHADER_NORMAL, false, L3D_SHADER_NORMAL, false},
      {"default", 2, L3D_SHADER_HIGHLIGHT, false, L3D_SHADER_HIGHLIGHT, false},
      {"default", 1, L3D_SHADER_HIGHLIGHT, false, L3D_SHADER_NORMAL, false},
      {"default", 2, L3D_SHADER_FURLIGHT, false, L3D_SHADER_FURLIGHT, false},
      {"default", 1, L3D_SHADER_FURLIGHT, false, L3D_SHADER_NORMAL, false},
      {"default", 2, L3D_SHADER_TEXLIGHT, false, L3D_SHADER_TEXLIGHT, false},
      {"default", 1, L3D_SHADER_TEXLIGHT, false, L3D_SHADER_NORMAL, true},
      {"default", 3, L3D_SHADER_TEXHIGHLIGHT, false, L3D_SHADER_TEXHIGHLIGHT, false},
      {"default", 2, L3D_SHADER_TEXHIGHLIGHT, false, L3D_SHADER_TEXLIGHT, false},
      {"default", 1, L3D_SHADER_TEXHIGHLIGHT, false, L3D_SHADER_NORMAL, true},
      {"default", 3, L3D_SHADER_TEXFURLIGHT, false, L3D_SHADER_TEXFURLIGHT, false},
      {"default", 2, L3D_SHADER_TEXFURLIGHT, false, L3D_SHADER_TEXLIGHT, false},
      {"default", 1, L3D_SHADER_TEXFURLIGHT, false, L3D_SHADER_NORMAL, true},
      {"default", 3, L3D_SHADER_MAP3, true, L3D_SHADER_MAP3, false},
      {"ps11", 3, L3D_SHADER_MAP3, true, L3D_SHADER_MAP3, false},
      {"default", 8, L3D_SHADER_MAP3, false, L3D_SHADER_NORMAL, false},
      {"default", 2, L3D_SHADER_MAP3, true, L3D_SHADER_NORMAL, false},
      {"novs", 8, L3D_SHADER_TEXHIGHLIGHT, false, L3D_SHADER_TEXHIGHLIGHT, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.profile) + " textures " + std::to_string(c.textures) + " kind " +
                 std::to_string(c.kind) + (c.threeUVs ? " 3uv" : ""));
    L3DRenderer& renderer = Start(Profile(c.profile, [&](SystemProfile& p) {
      p.adapters[0].caps.MaxSimultaneousTextures = c.textures;
    }));
    dbtl::rcptr<L3D_RENDERER_SHADEROPT> option;
    switch (c.kind) {
      case L3D_SHADER_NORMAL: {
        auto o = NewOption<L3D_RENDERER_SHADEROPT_NORMAL>(c.kind);
        SetColour(o->colourA, 0.25f, 0.5f, 0.75f, 0.5f);
        option = o;
        break;
      }
      case L3D_SHADER_HIGHLIGHT: {
        auto o = NewOption<L3D_RENDERER_SHADEROPT_HIGHLIGHT>(c.kind);
        SetColour(o->colourA, 0.25f, 0.5f, 0.75f, 0.5f);
        option = o;
        break;
      }
      case L3D_SHADER_FURLIGHT: {
        auto o = NewOption<L3D_RENDERER_SHADEROPT_FURLIGHT>(c.kind);
        SetColour(o->colourA, 0.25f, 0.5f, 0.75f, 0.5f);
        option = o;
        break;
      }
      case L3D_SHADER_TEXLIGHT: option = NewOption<L3D_RENDERER_SHADEROPT_TEXLIGHT>(c.kind); break;
      case L3D_SHADER_TEXHIGHLIGHT:
        option = NewOption<L3D_RENDERER_SHADEROPT_TEXHIGHLIGHT>(c.kind);
        break;
      case L3D_SHADER_TEXFURLIGHT:
        option = NewOption<L3D_RENDERER_SHADEROPT_TEXFURLIGHT>(c.kind);
        break;
      case L3D_SHADER_MAP3: {
        auto o = NewOption<L3D_RENDERER_SHADEROPT_MAP3>(c.kind);
        SetColour(o->colourA, 0.25f, 0.5f, 0.75f, 0.5f);
        option = o;
        break;
      }
    }
    option->blendMode = 1;  // keeps the fourth colour component
    FakeMesh& mesh = Mesh(option);
    if (c.threeUVs) {
      mesh.flags |= L3D_DRAWMESH_PACKED;
      mesh.packed.resize(mesh.vertices.size());
    }
    ASSERT_TRUE(Pass(renderer));
    EXPECT_EQ(D3d().state().vertexShader, renderer.GetVShader(c.passKind, 0)->shader);
    EXPECT_EQ(D3d().state().pixelShader != nullptr, c.passKind == L3D_SHADER_MAP3);
    if (c.passKind == L3D_SHADER_NORMAL) {
      // Rigid normal layout: c1 colour A, c2 colour B.
      const float expected = c.white ? 1.0f : 0.25f;
      EXPECT_EQ(Register(1)[0], expected);
      EXPECT_EQ(Register(1)[3], c.white ? 1.0f : 0.5f);
      EXPECT_EQ(Register(2)[0], c.white ? 1.0f : 0.0f);
    }
    m_renderer.reset();
    Close();
  }
}

TEST_F(PassTest, OnlyPassZeroExistsAndLaterPassesTouchNothing) {
  L3DRenderer& renderer = Start(Profile("default"));
  for (uint32_t kind : {0u, 1u, 2u, 3u, 4u, 5u, 10u}) {
    SCOPED_TRACE(kind);
    auto option = NewOption<L3D_RENDERER_SHADEROPT_TEXFURLIGHT>(kind);
    dbtl::rcptr<L3D_RENDERER_SHADEROPT> any;
    switch (kind) {
      case 0: any = NewOption<L3D_RENDERER_SHADEROPT_NORMAL>(kind); break;
      case 1: any = NewOption<L3D_RENDERER_SHADEROPT_HIGHLIGHT>(kind); break;
      case 2: any = NewOption<L3D_RENDERER_SHADEROPT_FURLIGHT>(kind); break;
      case 3: any = NewOption<L3D_RENDERER_SHADEROPT_TEXLIGHT>(kind); break;
      case 4: any = NewOption<L3D_RENDERER_SHADEROPT_TEXHIGHLIGHT>(kind); break;
      case 5: any = option; break;
      default: any = NewOption<L3D_RENDERER_SHADEROPT_MAP3>(kind); break;
    }
    Mesh(any);
    D3d().callLog().setEnabled(true);
    D3d().callLog().clear();
    const L3D_RENDERER_DRAWMESH mesh = Described();
    EXPECT_FALSE(renderer._SetShaderPass(1, drawable.parts[0].matrices.data(), mesh, 0));
    m_device->ApplyState();
    EXPECT_TRUE(D3d().callLog().records().empty());
    D3d().callLog().setEnabled(false);
  }
}

TEST_F(PassTest, KindsWithoutAPassAreFatal) {
  L3DRenderer& renderer = Start(Profile("default"));
  for (uint32_t kind : {6u, 9u, 11u}) {
    SCOPED_TRACE(kind);
    Mesh(NewOption<L3D_RENDERER_SHADEROPT_NORMAL>(kind));
    EXPECT_EQ(Fatal([&] { Pass(renderer); }), "[L3DRenderer::_SetShaderPass] サポートしていない形式");
  }
}

// Mode 9 draws additively with depth writes off and sends colours whose fourth component is 0.
TEST_F(PassTest, AdditiveModeNineStatesAndColours) {
  L3DRenderer& renderer = Start(Profile("default"));
  auto option = NewOption<L3D_RENDERER_SHADEROPT_NORMAL>(L3D_SHADER_NORMAL, 9);
  SetColour(option->colourA, 0.5f, 0.25f, 1.0f, 0.75f);
  SetColour(option->colourB, 0.125f, 0.0f, 0.0f, 0.5f);
  Mesh(option);
  D3d().callLog().setEnabled(true);
  D3d().callLog().clear();
  ASSERT_TRUE(Pass(renderer));
  const std::vector<std::string> states = D3d().callLog().lines("SetRenderState");
  auto sent = [&](D3DRENDERSTATETYPE state, uint32_t value) {
    const std::string line =
        "SetRenderState(" + std::to_string(state) + "," + std::to_string(value) + ")";
    return std::find(states.begin(), states.end(), line) != states.end();
  };
  EXPECT_TRUE(sent(D3DRS_ALPHABLENDENABLE, 1));
  EXPECT_TRUE(sent(D3DRS_ZWRITEENABLE, 0));
  // SRCBLEND ONE is the device's default and is not sent again.
  EXPECT_EQ(D3d().state().render[D3DRS_SRCBLEND], uint32_t(D3DBLEND_ONE));
  EXPECT_TRUE(sent(D3DRS_DESTBLEND, D3DBLEND_ONE));
  EXPECT_TRUE(sent(D3DRS_SEPARATEALPHABLENDENABLE, 1));
  EXPECT_TRUE(sent(D3DRS_SRCBLENDALPHA, D3DBLEND_ZERO));
  EXPECT_TRUE(sent(D3DRS_DESTBLENDALPHA, D3DBLEND_ONE));
  EXPECT_FALSE(sent(D3DRS_ALPHATESTENABLE, 1));
  EXPECT_EQ(D3d().callLog().lines("SetVertexShaderConstantF"),
            std::vector<std::string>{"SetVertexShaderConstantF(0,8)"});
  // Rigid normal layout: c1 colour A, c2 colour B, their fourth components cleared.
  EXPECT_EQ(std::vector<float>(Register(1), Register(1) + 4),
            (std::vector<float>{0.5f, 0.25f, 1.0f, 0.0f}));
  EXPECT_EQ(std::vector<float>(Register(2), Register(2) + 4),
            (std::vector<float>{0.125f, 0.0f, 0.0f, 0.0f}));
  // The next mesh without blending finds the depth writes and blending back at their defaults.
  Mesh(NewOption<L3D_RENDERER_SHADEROPT_NORMAL>(L3D_SHADER_NORMAL, 0));
  ASSERT_TRUE(Pass(renderer));
  EXPECT_EQ(D3d().state().render[D3DRS_ZWRITEENABLE], 1u);
  EXPECT_EQ(D3d().state().render[D3DRS_ALPHABLENDENABLE], 0u);
  D3d().callLog().setEnabled(false);
}

TEST_F(PassTest, BlendModeTable) {
  struct Case {
    uint32_t mode;
    uint32_t zWrite, blend, src, dest, alphaTest, alphaFunc, alphaRef;
  };
  const Case cases[] = {
      {0, 1, 0, D3DBLEND_ONE, D3DBLEND_ZERO, 0, D3DCMP_ALWAYS, 0},
      {1, 0, 1, D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA, 1, D3DCMP_GREATER, 0},
      {2, 0, 1, D3DBLEND_SRCALPHA, D3DBLEND_ONE, 1, D3DCMP_GREATER, 0},
      {5, 0, 1, D3DBLEND_INVDESTCOLOR, D3DBLEND_INVSRCALPHA, 0, D3DCMP_ALWAYS, 0},
      {7, 1, 1, D3DBLEND_ONE, D3DBLEND_ZERO, 1, D3DCMP_GREATEREQUAL, 255},
      {8, 1, 1, D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA, 1, D3DCMP_GREATER, 0},
      {10, 0, 1, D3DBLEND_DESTCOLOR, D3DBLEND_SRCALPHA, 0, D3DCMP_ALWAYS, 0},
      {12, 1, 0, D3DBLEND_ONE, D3DBLEND_ZERO, 0, D3DCMP_ALWAYS, 0},
      {13, 0, 1, D3DBLEND_ONE, D3DBLEND_ONE, 1, D3DCMP_GREATER, 0},
      {14, 1, 0, D3DBLEND_ONE, D3DBLEND_ZERO, 0, D3DCMP_ALWAYS, 0},
  };
  L3DRenderer& renderer = Start(Profile("default"));
  for (const Case& c : cases) {
    SCOPED_TRACE(c.mode);
    Mesh(NewOption<L3D_RENDERER_SHADEROPT_NORMAL>(L3D_SHADER_NORMAL, c.mode));
    ASSERT_TRUE(Pass(renderer));
    const auto& r = D3d().state().render;
    EXPECT_EQ(r[D3DRS_ZWRITEENABLE], c.zWrite);
    EXPECT_EQ(r[D3DRS_ALPHABLENDENABLE], c.blend);
    EXPECT_EQ(r[D3DRS_SRCBLEND], c.src);
    EXPECT_EQ(r[D3DRS_DESTBLEND], c.dest);
    EXPECT_EQ(r[D3DRS_ALPHATESTENABLE], c.alphaTest);
    EXPECT_EQ(r[D3DRS_ALPHAFUNC], c.alphaFunc);
    EXPECT_EQ(r[D3DRS_ALPHAREF], c.alphaRef);
    // Mode 13 blends without separate alpha factors.
    EXPECT_EQ(r[D3DRS_SEPARATEALPHABLENDENABLE], c.blend && c.mode != 13 ? 1u : 0u);
  }
}

// A skinned mesh whose bone list has 10 entries fills palette 0 and ten bone blocks: c8 to c40
// in the normal pass, even with one bone a vertex (hardware processing).
TEST_F(PassTest, TenBonesFillUpToRegisterForty) {
  L3DRenderer& renderer = Start(Profile("default"));
  FakeMesh& mesh = Mesh(NewOption<L3D_RENDERER_SHADEROPT_NORMAL>(L3D_SHADER_NORMAL), 1);
  FakePart& part = drawable.parts[0];
  part.matrices.clear();
  for (uint32_t i = 0; i < 12; ++i) part.matrices.push_back(Translation(float(i), 2.0f * i, 0.5f));
  mesh.bones = {11, 10, 9, 8, 7, 6, 5, 4, 3, 2};
  // The palette the pass reads is the part's, filled as the drawing does.
  FakeDrawable one;
  one.parts = drawable.parts;
  one.parts[0].meshes.clear();
  renderer.DrawObjectInstance(one, std::array<float, 4>{}.data(), std::array<float, 4>{}.data(), 0);

  D3d().callLog().setEnabled(true);
  D3d().callLog().clear();
  ASSERT_TRUE(Pass(renderer));
  EXPECT_FALSE(D3d().GetSoftwareVertexProcessing());
  EXPECT_EQ(D3d().callLog().lines("SetVertexShaderConstantF"),
            std::vector<std::string>{"SetVertexShaderConstantF(0,41)"});
  D3d().callLog().setEnabled(false);
  EXPECT_EQ(Register(0)[3], 765.01f);
  // Palette 0 at c8: the first three rows of the transposed matrix 0 (its translation in w).
  EXPECT_EQ(Register(8)[3], 0.0f);
  // Slot k at c8 + 3k: entry k - 1 of the bone list; the last (entry 2) at c38-c40.
  for (uint32_t k = 1; k <= 10; ++k) {
    const uint32_t matrix = mesh.bones[k - 1];
    EXPECT_EQ(Register(8 + 3 * k)[3], float(matrix)) << k;
    EXPECT_EQ(Register(9 + 3 * k)[3], 2.0f * matrix) << k;
    EXPECT_EQ(Register(10 + 3 * k)[3], 0.5f) << k;
  }
}

// A bone-list entry past the part's matrices sends matrix 0 instead of memory past the palette.
TEST_F(PassTest, BoneEntryPastThePaletteSendsMatrixZero) {
  L3DRenderer& renderer = Start(Profile("default"));
  FakeMesh& mesh = Mesh(NewOption<L3D_RENDERER_SHADEROPT_NORMAL>(L3D_SHADER_NORMAL), 1);
  drawable.parts[0].matrices = {Translation(3.0f, 0.0f, 0.0f), Translation(5.0f, 0.0f, 0.0f)};
  mesh.bones = {1, 200};
  FakeDrawable one;
  one.parts = drawable.parts;
  one.parts[0].meshes.clear();
  renderer.DrawObjectInstance(one, std::array<float, 4>{}.data(), std::array<float, 4>{}.data(), 0);
  ASSERT_TRUE(Pass(renderer));
  EXPECT_EQ(Register(11)[3], 5.0f);
  EXPECT_EQ(Register(14)[3], 3.0f);
}

// Under draw flag bit 0 a highlight mesh keeps the caller's stage-0 texture but still binds its
// highlight texture to stage 1; without it stage 0 takes the mesh's texture.
TEST_F(PassTest, KeepStageZeroStillBindsStageOne) {
  L3DRenderer& renderer = Start(Profile("default"));
  dbtl::rcptr<L3DTexture> caller = m_device->CreateTexture("caller", 4, 4);
  dbtl::rcptr<L3DTexture> main = m_device->CreateTexture("main", 4, 4);
  dbtl::rcptr<L3DTexture> highlight = m_device->CreateTexture("highlight", 4, 4);
  FakeMesh& mesh = Mesh(NewOption<L3D_RENDERER_SHADEROPT_HIGHLIGHT>(L3D_SHADER_HIGHLIGHT));
  mesh.material.texture = main;
  mesh.material.texture2 = highlight;

  D3d().SetTexture(0, caller->texture);
  ASSERT_TRUE(Pass(renderer, L3D_DRAW_KEEP_STAGE0));
  EXPECT_EQ(D3d().state().textures[0], caller->texture);
  EXPECT_EQ(D3d().state().textures[1], highlight->texture);
  EXPECT_EQ(D3d().state().stage[1][D3DTSS_COLOROP], uint32_t(D3DTOP_ADD));

  ASSERT_TRUE(Pass(renderer, 0));
  EXPECT_EQ(D3d().state().textures[0], main->texture);
  EXPECT_EQ(D3d().state().textures[1], highlight->texture);
  m_device->ResetState();
  m_device->ApplyState();
}

// The texhighlight fallbacks: with two textures the texlight shader, stage 1 MODULATE and
// texture 2; the wrap of the option's address mode applies to a bound main texture.
TEST_F(PassTest, TexHighlightOnTwoTexturesAndWrap) {
  L3DRenderer& renderer = Start(Profile("default", [](SystemProfile& p) {
    p.adapters[0].caps.MaxSimultaneousTextures = 2;
  }));
  dbtl::rcptr<L3DTexture> main = m_device->CreateTexture("main", 4, 4);
  dbtl::rcptr<L3DTexture> second = m_device->CreateTexture("second", 4, 4);
  dbtl::rcptr<L3DTexture> third = m_device->CreateTexture("third", 4, 4);
  auto option = NewOption<L3D_RENDERER_SHADEROPT_TEXHIGHLIGHT>(L3D_SHADER_TEXHIGHLIGHT);
  option->parameter = 0.375f;
  option->addressMode = L3D_SHADEROPT_ADDRESS_WRAP;
  FakeMesh& mesh = Mesh(option);
  mesh.material.texture = main;
  mesh.material.texture2 = second;
  mesh.material.texture3 = third;
  ASSERT_TRUE(Pass(renderer));
  EXPECT_EQ(D3d().state().vertexShader, renderer.GetVShader(L3D_SHADER_TEXLIGHT, 0)->shader);
  EXPECT_EQ(D3d().state().stage[1][D3DTSS_COLOROP], uint32_t(D3DTOP_MODULATE));
  EXPECT_EQ(D3d().state().textures[1], second->texture);
  EXPECT_EQ(D3d().state().textures[2], nullptr);
  EXPECT_EQ(D3d().state().sampler[0][D3DSAMP_ADDRESSU], uint32_t(D3DTADDRESS_WRAP));
  EXPECT_EQ(D3d().state().sampler[0][D3DSAMP_ADDRESSV], uint32_t(D3DTADDRESS_WRAP));
  // Rigid texlight: c1 (parameter 1, fog scale, fog offset, -).
  EXPECT_EQ(Register(1)[0], 0.375f);
  m_device->ResetState();
  m_device->ApplyState();
}

// Rigid constants carry the light into the part's space: a part turned a quarter about z sees
// the light along another axis, and (W x VP)^T follows at the kind's registers.
TEST_F(PassTest, RigidLightIsInObjectSpace) {
  L3DRenderer& renderer = Start(Profile("default"));
  const float light[3] = {1.0f, 0.0f, 0.0f};
  renderer.SetLightDirection(light);
  Mesh(NewOption<L3D_RENDERER_SHADEROPT_NORMAL>(L3D_SHADER_NORMAL));
  LMat world;
  world.SetRotationZ(1.5707964f);
  world.m[3][0] = 4.0f;
  drawable.parts[0].matrices = {world};
  ASSERT_TRUE(Pass(renderer));
  // World rotates x to y, so the inverse rotates the light along x to -y.
  EXPECT_NEAR(Register(0)[0], 0.0f, 1e-6f);
  EXPECT_NEAR(Register(0)[1], -1.0f, 1e-6f);
  LMat wvp;
  LMat::Mul(world, renderer.GetViewProjection(), wvp);
  for (int row = 0; row < 4; ++row) {
    for (int col = 0; col < 4; ++col) EXPECT_EQ(Register(4 + row)[col], wvp.m[col][row]);
  }
}

}  // namespace

#include "render/L3DRenderer.h"

#include "render/device/L3DDevice.h"
#include "render/tests/RendererFixture.h"
#include "testsupport/image/DimgLoadTestSupport.h"

#include <cmath>
#include <string>
#include <vector>

using namespace d3d9;

namespace {

LMat Translation(float x, float y, float z) {
  LMat m;
  m.SetTranslation(x, y, z);
  return m;
}

LMat Scaling(float x, float y, float z) {
  LMat m;
  m.SetScaling(x, y, z);
  return m;
}

// A perspective projection (row-vector convention), invertible.
LMat Perspective(float near, float far) {
  LMat m{};
  m.m[0][0] = 1.5f;
  m.m[1][1] = 2.0f;
  m.m[2][2] = far / (far - near);
  m.m[2][3] = 1.0f;
  m.m[3][2] = -near * far / (far - near);
  return m;
}

void ExpectIdentity(const LMat& m) {
  for (int r = 0; r < 4; ++r) {
    for (int c = 0; c < 4; ++c) EXPECT_NEAR(m.m[r][c], r == c ? 1.0f : 0.0f, 1e-4f) << r << c;
  }
}

}  // namespace

TEST_F(RendererTest, CreateFillsEveryShaderSlotFromItsEntryAndRegistersSystem) {
  OpenDevice(Profile("default"));
  // Entry names are matched without regard to case.
  L3DRenderer& renderer = Make(ShaderArchive({}, "texlight_b2", "TexLight_B2"));
  for (uint32_t kind = 0; kind < L3D_SHADER_KINDS; ++kind) {
    for (uint32_t bones = 0; bones <= L3D_SHADER_MAX_BONES; ++bones) {
      ASSERT_TRUE(renderer.GetVShader(kind, bones)) << kKindNames[kind] << bones;
      EXPECT_EQ(ShaderId(renderer.GetVShader(kind, bones)->shader->tokens()), kind * 5 + bones);
    }
    EXPECT_EQ(bool(renderer.GetPShader(kind)), kind == L3D_SHADER_MAP3) << kKindNames[kind];
  }
  EXPECT_EQ(ShaderId(renderer.GetPShader(L3D_SHADER_MAP3)->shader->tokens()), kPixelShaderId);

  ASSERT_NE(renderer.GetSystemNnid(), nullptr);
  EXPECT_EQ(LResManager::_FindNnid("SYSTEM", renderer.GetNnidTable()), renderer.GetSystemNnid());
  EXPECT_EQ(renderer.GetFrameRate(), 60u);
  ExpectIdentity(renderer.GetIdentity());
}

TEST_F(RendererTest, AnIncompleteArchiveEndsCreateNamingWhatIsMissing) {
  struct Case {
    const char* what;
    std::vector<uint8_t> archive;
    std::string message;
  };
  const Case cases[] = {
      {"no container", {'N', 'O', 'P', 'E', 0, 0, 0, 0},
       "[L3DRenderer::Create] レンダリングシェーダファイルが開けない"},
      // The kind is named, not the entry made from it.
      {"vertex shader", ShaderArchive({"highlight_b3"}),
       "[L3DRenderer::Create] レンダリングシェーダファイル\"highlight\"が開けない"},
      {"last vertex shader", ShaderArchive({"map3_b4"}),
       "[L3DRenderer::Create] レンダリングシェーダファイル\"map3\"が開けない"},
      {"pixel shader", ShaderArchive({"map3_psh"}),
       "[L3DRenderer::Create] ピクセルシェーダファイル\"map3_psh\"が開けない"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    OpenDevice(Profile("default"));
    EXPECT_EQ(Fatal([&] { Make(c.archive); }), c.message);
    m_renderer.reset();
    Close();
  }
}

TEST_F(RendererTest, VertexProcessingIsHardwareOnlyWhileTheConstantsOfTheBonesFit) {
  struct Case {
    const char* profile;
    uint32_t kind;
    uint32_t bones;
    bool software;
  };
  const Case cases[] = {
      {"default", L3D_SHADER_HIGHLIGHT, 4, true},   // 9 + 12 = 21 > 20
      {"default", L3D_SHADER_HIGHLIGHT, 3, false},  // 18
      {"default", L3D_SHADER_NORMAL, 4, false},     // 20: the limit itself fits
      {"default", L3D_SHADER_MAP3, 0, false},
      {"novs", L3D_SHADER_LINE, 0, true},           // no vertex shaders at all
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.profile) + " " + kKindNames[c.kind] + std::to_string(c.bones));
    OpenDevice(Profile(c.profile, [](SystemProfile& p) {
      for (AdapterProfile& a : p.adapters) a.caps.MaxVertexShaderConst = 20;
    }));
    L3DRenderer& renderer = Make();
    // Start from the other processing mode, so that the choice is seen to be made.
    m_device->SetVShader(!c.software, nullptr);
    renderer._SetVShader(c.bones, c.kind);
    EXPECT_EQ(bool(D3d().GetSoftwareVertexProcessing()), c.software);
    EXPECT_EQ(D3d().state().vertexShader, renderer.GetVShader(c.kind, c.bones)->shader);
    m_renderer.reset();
    Close();
  }
}

TEST_F(RendererTest, SetTransformSendsTheTransposedProductAndTheFogOfTheRenderer) {
  OpenDevice(Profile("default"));
  L3DRenderer& renderer = Make();
  const LMat a = Scaling(2.0f, 3.0f, 4.0f);
  const LMat b = Translation(1.0f, 2.0f, 3.0f);
  const LMat c = Perspective(1.0f, 100.0f);
  for (bool fogOn : {true, false}) {
    SCOPED_TRACE(fogOn ? "fog" : "no fog");
    renderer.fog.enabled = fogOn ? 1 : 0;
    renderer.fog.scale = -0.25f;
    renderer.fog.offset = 1.25f;
    renderer.SetFogColor(0.0f, 0.5f, 1.0f);
    renderer.SetTransform(a, b, c);
    m_device->ApplyState();

    const float* constants = D3d().state().vertexConstants.data();
    EXPECT_EQ(constants[0], -0.25f);
    EXPECT_EQ(constants[1], 1.25f);
    EXPECT_EQ(constants[2], 0.0f);
    const LMat product = a * b * c;
    for (int row = 0; row < 4; ++row) {
      for (int col = 0; col < 4; ++col) {
        // Register 1 + row holds column `row` of the product.
        EXPECT_EQ(constants[4 + row * 4 + col], product.m[col][row]) << row << col;
      }
    }
    EXPECT_EQ(D3d().state().vertexShader, renderer.GetVShader(L3D_SHADER_NOLIGHT, 0)->shader);
    DWORD enabled = 7;
    D3d().GetRenderState(D3DRS_FOGENABLE, &enabled);
    EXPECT_EQ(enabled, fogOn ? 1u : 0u);
    if (fogOn) {
      DWORD colour = 0;
      D3d().GetRenderState(D3DRS_FOGCOLOR, &colour);
      EXPECT_EQ(colour, 0x000080FFu);
    }
  }
}

TEST(RendererSceneTest, FogColourRoundsHalvesToEvenAndKeepsTheLowByte) {
  struct Case {
    float r, g, b;
    uint32_t colour;
  };
  const Case cases[] = {
      {1.0f, 0.5f, 0.0f, 0xFF8000},  // 127.5 rounds to the even 128
      {1.5f, 0.0f, 0.0f, 0x7E0000},  // 382.5 -> 382, byte 0x7E: no clamping
      {0.0f, -0.5f, 0.0f, 0x008000},  // -127.5 -> -128, byte 0x80
      {0.0f, 0.0f, NAN, 0x000000},
      {0.0f, 0.0f, INFINITY, 0x000000},
  };
  L3DRenderer renderer;
  for (const Case& c : cases) {
    renderer.SetFogColor(c.r, c.g, c.b);
    EXPECT_EQ(renderer.fog.color, c.colour) << c.r << " " << c.g << " " << c.b;
  }
}

TEST(RendererSceneTest, LightDirectionIsStoredAsAUnitVectorAndZeroStaysZero) {
  struct Case {
    float in[3];
    float out[3];
  };
  const Case cases[] = {
      {{3.0f, 0.0f, -4.0f}, {0.6f, 0.0f, -0.8f}},
      {{0.0f, 0.0f, 0.0f}, {0.0f, 0.0f, 0.0f}},
      {{0.0f, 1e-3f, 0.0f}, {0.0f, 1.0f, 0.0f}},
  };
  L3DRenderer renderer;
  for (const Case& c : cases) {
    renderer.SetLightDirection(c.in);
    for (int i = 0; i < 3; ++i) {
      EXPECT_NEAR(renderer.GetLightDirection()[i], c.out[i], 1e-6f) << c.in[0] << c.in[1];
      EXPECT_FALSE(std::isnan(renderer.GetLightDirection()[i]));
    }
  }
}

TEST(RendererSceneTest, InversesFollowEveryNewViewProjection) {
  L3DRenderer renderer;
  const LMat firstView = Translation(0.0f, -2.0f, 10.0f);
  const LMat firstProjection = Perspective(1.0f, 50.0f);
  renderer.SetViewProjection(firstView, firstProjection);
  ExpectIdentity(renderer.GetInverseViewProjection() * (firstView * firstProjection));
  ExpectIdentity(renderer.GetInverseProjection() * firstProjection);

  // The second pair must not be answered with the inverses cached for the first.
  const LMat secondView = Scaling(2.0f, 2.0f, 2.0f) * Translation(5.0f, 0.0f, 3.0f);
  const LMat secondProjection = Perspective(0.5f, 200.0f);
  renderer.SetViewProjection(secondView, secondProjection);
  const LMat product = secondView * secondProjection;
  ExpectIdentity(renderer.GetInverseViewProjection() * product);
  ExpectIdentity(renderer.GetInverseProjection() * secondProjection);
  for (int r = 0; r < 4; ++r) {
    for (int c = 0; c < 4; ++c) {
      EXPECT_EQ(renderer.GetViewProjection().m[r][c], product.m[r][c]);
      EXPECT_EQ(renderer.GetViewProjectionTransposed().m[c][r], product.m[r][c]);
    }
  }
}

TEST_F(RendererTest, TexturesAreLoadedOnceUnderPackAndPath) {
  OpenDevice(Profile("default"));
  L3DRenderer& renderer = Make();
  filetest::PngPicture picture;
  picture.width = 4;
  picture.height = 4;
  picture.colour = PNG_COLOR_TYPE_RGB;
  picture.rows.assign(4 * 4 * 3, 0x40);
  m_pack.Add("tex/stone.png", filetest::WritePng(picture));

  dbtl::rcptr<L3DTexture> first;
  renderer.LoadTexture(first, m_pack.Number(), "tex/stone", false);
  ASSERT_TRUE(first);
  const std::string key = std::to_string(m_pack.Number()) + "/tex/stone";
  EXPECT_EQ(m_device->FindTexture(key.c_str()), first);
  // Found again whatever mip levels are asked for, even once the file is gone.
  m_pack.Remove("tex/stone.png");
  dbtl::rcptr<L3DTexture> second;
  renderer.LoadTexture(second, m_pack.Number(), "tex/stone", true);
  EXPECT_EQ(second, first);
}

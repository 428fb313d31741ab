#include "platform/d3d9/D3d9States.h"
#include "render/device/L3DDevice.h"
#include "testsupport/render/DeviceFixture.h"

#include <bit>

using namespace d3d9;

namespace {

class StateTest : public DeviceTest {
 protected:
  void SetUp() override {
    Open(Profile("default"), L3DDEV_CREATE_WINDOW);
    D3d().callLog().setEnabled(true);
  }
  std::vector<std::string> Sent() {
    std::vector<std::string> lines = D3d().callLog().lines();
    D3d().callLog().clear();
    return lines;
  }
  uint64_t Address(const void* p) { return reinterpret_cast<uintptr_t>(p); }
  std::string Text(const char* name, std::initializer_list<uint64_t> args) {
    std::string s = std::string(name) + "(";
    bool first = true;
    for (uint64_t a : args) {
      if (!first) s += ",";
      s += std::to_string(a);
      first = false;
    }
    return s + ")";
  }
};

using Lines = std::vector<std::string>;

// vs_1_1 with nothing but its end token.
const DWORD kEmptyVertexShader[] = {0xFFFE0101u, 0x0000FFFFu};

}  // namespace

TEST_F(StateTest, CreationLeavesTheDeviceInTheDefaultState) {
  struct Case {
    const char* what;
    DWORD actual;
    DWORD expected;
  };
  DWORD v[8] = {};
  D3d().GetRenderState(D3DRS_CULLMODE, &v[0]);
  D3d().GetRenderState(D3DRS_FOGEND, &v[1]);
  D3d().GetRenderState(D3DRS_STENCILMASK, &v[2]);
  D3d().GetSamplerState(3, D3DSAMP_MIPMAPLODBIAS, &v[3]);
  D3d().GetSamplerState(2, D3DSAMP_ADDRESSV, &v[4]);
  D3d().GetTextureStageState(0, D3DTSS_COLOROP, &v[5]);
  D3d().GetTextureStageState(2, D3DTSS_ALPHAOP, &v[6]);
  D3d().GetTextureStageState(3, D3DTSS_TEXCOORDINDEX, &v[7]);
  const Case cases[] = {
      {"cull mode", v[0], D3DCULL_CW},
      {"fog end", v[1], std::bit_cast<DWORD>(1.0f)},
      {"stencil mask", v[2], 0xFFFFFFFFu},
      {"lod bias", v[3], std::bit_cast<DWORD>(-1.5f)},
      {"address v", v[4], D3DTADDRESS_CLAMP},
      {"stage 0 colour op", v[5], D3DTOP_MODULATE},
      {"stage 2 alpha op", v[6], D3DTOP_DISABLE},
      {"stage 3 coordinates", v[7], 3},
  };
  for (const Case& c : cases) EXPECT_EQ(c.actual, c.expected) << c.what;
  DWORD fvf = 0;
  D3d().GetFVF(&fvf);
  EXPECT_EQ(fvf, L3DDEV_DEFAULT_FVF);
}

TEST_F(StateTest, ARequestTakenBackBeforeApplySendsNothing) {
  m_device->SetStateRender(D3DRS_ALPHABLENDENABLE, 1);
  m_device->SetStateSampler(1, D3DSAMP_MAGFILTER, D3DTEXF_POINT);
  m_device->SetStateRender(D3DRS_ALPHABLENDENABLE, 0);
  m_device->SetStateSampler(1, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
  m_device->ApplyState();
  EXPECT_EQ(Sent(), Lines{});
}

TEST_F(StateTest, EachChangeIsSentOnceAndResetSendsOnlyWhatAPassChanged) {
  IDirect3DTexture9* texture = nullptr;
  ASSERT_EQ(D3d().CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture, nullptr),
            D3D_OK);
  Sent();
  // The first pass.
  m_device->ResetState();
  m_device->SetStateRender(D3DRS_ALPHABLENDENABLE, 1);
  m_device->SetStateRender(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
  m_device->SetStateTexStage(1, D3DTSS_COLOROP, D3DTOP_ADD);
  m_device->SetStateTexture(1, texture);
  m_device->SetFVF(0x142);
  m_device->ApplyState();
  m_device->ApplyState();
  EXPECT_EQ(Sent(), (Lines{Text("SetRenderState", {D3DRS_SRCBLEND, D3DBLEND_SRCALPHA}),
                           Text("SetRenderState", {D3DRS_ALPHABLENDENABLE, 1}),
                           Text("SetTextureStageState", {1, D3DTSS_COLOROP, D3DTOP_ADD}),
                           Text("SetTexture", {1, Address(texture)}), Text("SetFVF", {0x142})}));
  // The next pass keeps the blend enabled and changes only the fog.
  m_device->ResetState();
  m_device->SetStateRender(D3DRS_ALPHABLENDENABLE, 1);
  m_device->SetStateRender(D3DRS_FOGENABLE, 1);
  m_device->ApplyState();
  EXPECT_EQ(Sent(), (Lines{Text("SetRenderState", {D3DRS_FOGENABLE, 1}),
                           Text("SetRenderState", {D3DRS_SRCBLEND, D3DBLEND_ONE}),
                           Text("SetTextureStageState", {1, D3DTSS_COLOROP, D3DTOP_DISABLE}),
                           Text("SetTexture", {1, 0}), Text("SetFVF", {L3DDEV_DEFAULT_FVF})}));
  IDirect3DBaseTexture9* bound = nullptr;
  D3d().GetTexture(1, &bound);
  EXPECT_EQ(bound, nullptr);
  texture->Release();
}

TEST_F(StateTest, UnsupportedStatesAreFatal) {
  struct Case {
    const char* message;
    std::function<void(L3DDevice&)> call;
  };
  const Case cases[] = {
      {"[L3DDevice::SetStateRender] サポート外のレンダーステート",
       [](L3DDevice& d) { d.SetStateRender(210, 0); }},
      {"[L3DDevice::SetStateRender] サポート外のレンダーステート2",
       [](L3DDevice& d) { d.SetStateRender(D3DRS_POINTSIZE, 0); }},
      {"[L3DDevice::SetStateRender] サポート外のレンダーステート2",
       [](L3DDevice& d) { d.SetStateRender(D3DRS_DEBUGMONITORTOKEN, 0); }},
      {"[L3DDevice::SetStateSampler] サポート外のテクスチャ番号",
       [](L3DDevice& d) { d.SetStateSampler(4, D3DSAMP_ADDRESSU, 0); }},
      {"[L3DDevice::SetStateSampler] サポート外のサンプラーステート",
       [](L3DDevice& d) { d.SetStateSampler(0, 14, 0); }},
      {"[L3DDevice::SetStateSampler] サポート外のサンプラーステート2",
       [](L3DDevice& d) { d.SetStateSampler(0, 0, 0); }},
      {"[L3DDevice::SetStateTexStage] サポート外のテクスチャ番号",
       [](L3DDevice& d) { d.SetStateTexStage(4, D3DTSS_COLOROP, 0); }},
      {"[L3DDevice::SetStateTexStage] サポート外のテクスチャステージステート",
       [](L3DDevice& d) { d.SetStateTexStage(0, 33, 0); }},
      {"[L3DDevice::SetStateTexStage] サポート外のテクスチャステージステート2",
       [](L3DDevice& d) { d.SetStateTexStage(3, 12, 0); }},
      {"[L3DDevice::SetStateTexture] 不正なテクスチャ番号",
       [](L3DDevice& d) { d.SetStateTexture(4, nullptr); }},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Fatal([&] { c.call(*m_device); }), c.message);
  }
}

TEST_F(StateTest, LeavingShaderModeSendsTheFvfAgain) {
  IDirect3DVertexShader9* shader = nullptr;
  ASSERT_EQ(D3d().CreateVertexShader(kEmptyVertexShader, sizeof kEmptyVertexShader, &shader),
            D3D_OK);
  Sent();
  m_device->SetVShader(false, shader);
  m_device->SetVShader(false, shader);
  m_device->SetVShader(false, nullptr);
  m_device->ApplyState();
  m_device->ApplyState();
  EXPECT_EQ(Sent(), (Lines{Text("SetVertexShader", {Address(shader)}), Text("SetVertexShader", {0}),
                           Text("SetFVF", {L3DDEV_DEFAULT_FVF})}));
  // The software flag is sent only when it changes.
  m_device->SetVShader(true, nullptr);
  m_device->SetVShader(true, nullptr);
  EXPECT_EQ(Sent(), Lines{Text("SetSoftwareVertexProcessing", {1})});
  shader->Release();
}

TEST_F(StateTest, StreamBindingsAreCachedUntilAUserMemoryDraw) {
  IDirect3DVertexBuffer9* buffer = nullptr;
  ASSERT_EQ(D3d().CreateVertexBuffer(56 * 3, 0, L3DDEV_DEFAULT_FVF, D3DPOOL_MANAGED, &buffer,
                                     nullptr),
            D3D_OK);
  m_device->SetStreamSource(buffer, 56);
  m_device->SetStreamSource(buffer, 28);  // another stride alone sends nothing
  const float vertices[3 * 14] = {};
  m_device->DrawTriangleListUP(vertices, 1);
  m_device->SetStreamSource(buffer, 56);
  std::vector<std::string> streams;
  for (const std::string& line : Sent()) {
    if (line.rfind("SetStreamSource", 0) == 0) streams.push_back(line);
  }
  EXPECT_EQ(streams, (Lines{Text("SetStreamSource", {0, Address(buffer), 0, 56}),
                            Text("SetStreamSource", {0, Address(buffer), 0, 56})}));
  buffer->Release();
}

TEST_F(StateTest, AfterAResetDeviceAndCacheAreBackAtTheDefaults) {
  m_device->SetStateRender(D3DRS_ALPHABLENDENABLE, 1);
  m_device->SetStateSampler(0, D3DSAMP_ADDRESSU, D3DTADDRESS_WRAP);
  m_device->ApplyState();
  m_device->SetStateRender(D3DRS_ZENABLE, 0);  // requested, never applied: lost with the reset
  D3d().simulateLoss(0);
  ASSERT_TRUE(m_device->Reset(true));
  DWORD blend = 1, address = 0, z = 0;
  D3d().GetRenderState(D3DRS_ALPHABLENDENABLE, &blend);
  D3d().GetSamplerState(0, D3DSAMP_ADDRESSU, &address);
  D3d().GetRenderState(D3DRS_ZENABLE, &z);
  EXPECT_EQ(blend, 0u);
  EXPECT_EQ(address, D3DTADDRESS_CLAMP);
  EXPECT_EQ(z, 1u);
  Sent();
  m_device->ResetState();
  m_device->SetStateRender(D3DRS_ZENABLE, 1);
  m_device->ApplyState();
  EXPECT_EQ(Sent(), Lines{});
}

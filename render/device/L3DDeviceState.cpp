#include "foundation/lerr/lerr.h"
#include "foundation/lerr/lerrText.h"
#include "render/device/L3DDevice.h"

#include <bit>

using namespace d3d9;

namespace {

constexpr uint32_t floatBits(float f) { return std::bit_cast<uint32_t>(f); }

// Every render state of the interface but D3DRS_POINTSIZE (154) and D3DRS_DEBUGMONITORTOKEN
// (165): ranges of state numbers, first and last included.
constexpr uint32_t kRenderRanges[][2] = {
    {7, 9},     {14, 16},   {19, 20},   {22, 29},   {34, 38},   {48, 48},   {52, 60},
    {128, 137}, {139, 143}, {145, 148}, {151, 152}, {155, 163}, {166, 168}, {170, 176},
    {178, 195}, {198, 209},
};

uint32_t renderDefault(uint32_t state) {
  switch (state) {
    case D3DRS_ZENABLE: case D3DRS_ZWRITEENABLE: case D3DRS_LASTPIXEL: case D3DRS_DESTBLEND:
    case D3DRS_DESTBLENDALPHA: case D3DRS_STENCILFAIL: case D3DRS_STENCILZFAIL:
    case D3DRS_STENCILPASS: case D3DRS_CCW_STENCILFAIL: case D3DRS_CCW_STENCILZFAIL:
    case D3DRS_CCW_STENCILPASS: case D3DRS_CLIPPING: case D3DRS_COLORVERTEX:
    case D3DRS_LOCALVIEWER: case D3DRS_DIFFUSEMATERIALSOURCE: case D3DRS_MULTISAMPLEANTIALIAS:
    case D3DRS_BLENDOP: case D3DRS_BLENDOPALPHA: case D3DRS_NORMALDEGREE:
      return 1;
    case D3DRS_SHADEMODE: case D3DRS_SRCBLEND: case D3DRS_SRCBLENDALPHA: case D3DRS_CULLMODE:
    case D3DRS_SPECULARMATERIALSOURCE:
      return 2;
    case D3DRS_FILLMODE: case D3DRS_POSITIONDEGREE:
      return 3;
    case D3DRS_ZFUNC:
      return 4;
    case D3DRS_ALPHAFUNC: case D3DRS_STENCILFUNC: case D3DRS_CCW_STENCILFUNC:
      return 8;
    case D3DRS_COLORWRITEENABLE: case D3DRS_COLORWRITEENABLE1: case D3DRS_COLORWRITEENABLE2:
    case D3DRS_COLORWRITEENABLE3:
      return 15;
    case D3DRS_STENCILMASK: case D3DRS_STENCILWRITEMASK: case D3DRS_TEXTUREFACTOR:
    case D3DRS_MULTISAMPLEMASK: case D3DRS_BLENDFACTOR:
      return 0xFFFFFFFFu;
    case D3DRS_FOGEND: case D3DRS_FOGDENSITY: case D3DRS_POINTSIZE_MIN: case D3DRS_POINTSCALE_A:
    case D3DRS_MINTESSELLATIONLEVEL: case D3DRS_MAXTESSELLATIONLEVEL: case D3DRS_ADAPTIVETESS_Z:
      return floatBits(1.0f);
    case D3DRS_POINTSIZE_MAX:
      return floatBits(64.0f);
    default:
      return 0;  // 0 or 0.0, whose bits are the same
  }
}

uint32_t samplerDefault(uint32_t state) {
  switch (state) {
    case D3DSAMP_ADDRESSU: case D3DSAMP_ADDRESSV: case D3DSAMP_ADDRESSW:
      return D3DTADDRESS_CLAMP;
    case D3DSAMP_MAGFILTER: case D3DSAMP_MINFILTER: case D3DSAMP_MIPFILTER:
      return D3DTEXF_LINEAR;
    case D3DSAMP_MIPMAPLODBIAS:
      return floatBits(-1.5f);
    case D3DSAMP_MAXANISOTROPY:
      return 1;
    default:
      return 0;
  }
}

constexpr uint32_t kStageStates[] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 22, 23, 24, 26, 27, 28, 32};

uint32_t stageDefault(uint32_t stage, uint32_t state) {
  switch (state) {
    case D3DTSS_COLOROP: case D3DTSS_ALPHAOP:
      return stage == 0 ? D3DTOP_MODULATE : D3DTOP_DISABLE;
    case D3DTSS_COLORARG1: case D3DTSS_ALPHAARG1:
      return D3DTA_TEXTURE;
    case D3DTSS_COLORARG2: case D3DTSS_ALPHAARG2: case D3DTSS_COLORARG0: case D3DTSS_ALPHAARG0:
    case D3DTSS_RESULTARG:
      return D3DTA_CURRENT;
    case D3DTSS_TEXCOORDINDEX:
      return stage;
    default:
      return 0;  // the bump-mapping floats are 0.0
  }
}

[[noreturn]] void fatal(const char16_t* text) { lerrFatal("%s", lerrText(text).c_str()); }

}  // namespace

void L3DDevice::SetStateRender(uint32_t state, uint32_t value) {
  if (state >= L3DDEV_RENDER_STATES) fatal(u"[L3DDevice::SetStateRender] サポート外のレンダーステート");
  _L3DDEV_STATE& e = m_renderStates.At(state);
  if (!(e.flags & L3DDEV_STATE_SUPPORTED)) {
    fatal(u"[L3DDevice::SetStateRender] サポート外のレンダーステート2");
  }
  m_renderStates.Request(e, value);
}

void L3DDevice::SetStateSampler(uint32_t sampler, uint32_t state, uint32_t value) {
  if (sampler >= L3DDEV_SAMPLERS) fatal(u"[L3DDevice::SetStateSampler] サポート外のテクスチャ番号");
  if (state >= L3DDEV_SAMPLER_STATES) {
    fatal(u"[L3DDevice::SetStateSampler] サポート外のサンプラーステート");
  }
  _L3DDEV_STAGE_STATE& e = m_samplerStates.At(sampler * L3DDEV_SAMPLER_STATES + state);
  if (!(e.flags & L3DDEV_STATE_SUPPORTED)) {
    fatal(u"[L3DDevice::SetStateSampler] サポート外のサンプラーステート2");
  }
  m_samplerStates.Request(e, value);
}

void L3DDevice::SetStateTexStage(uint32_t stage, uint32_t state, uint32_t value) {
  if (stage >= L3DDEV_SAMPLERS) fatal(u"[L3DDevice::SetStateTexStage] サポート外のテクスチャ番号");
  if (state >= L3DDEV_STAGE_STATES) {
    fatal(u"[L3DDevice::SetStateTexStage] サポート外のテクスチャステージステート");
  }
  _L3DDEV_STAGE_STATE& e = m_stageStates.At(stage * L3DDEV_STAGE_STATES + state);
  if (!(e.flags & L3DDEV_STATE_SUPPORTED)) {
    fatal(u"[L3DDevice::SetStateTexStage] サポート外のテクスチャステージステート2");
  }
  m_stageStates.Request(e, value);
}

void L3DDevice::SetStateTexture(uint32_t stage, IDirect3DBaseTexture9* texture) {
  if (stage >= L3DDEV_SAMPLERS) fatal(u"[L3DDevice::SetStateTexture] 不正なテクスチャ番号");
  m_textureStates.Request(m_textureStates.At(stage), texture);
}

void L3DDevice::ApplyState() {
  m_renderStates.Apply([this](const _L3DDEV_STATE& e) {
    m_device->SetRenderState(D3DRENDERSTATETYPE(e.state), e.requested);
  });
  m_samplerStates.Apply([this](const _L3DDEV_STAGE_STATE& e) {
    m_device->SetSamplerState(e.unit, D3DSAMPLERSTATETYPE(e.state), e.requested);
  });
  m_stageStates.Apply([this](const _L3DDEV_STAGE_STATE& e) {
    m_device->SetTextureStageState(e.unit, D3DTEXTURESTAGESTATETYPE(e.state), e.requested);
  });
  m_textureStates.Apply(
      [this](const _L3DDEV_TEXTURE_STATE& e) { m_device->SetTexture(e.unit, e.requested); });
  if (m_fvfWanted != m_fvfSent) {
    m_fvfSent = m_fvfWanted;
    m_device->SetFVF(m_fvfSent);
  }
}

void L3DDevice::ResetState() {
  while (_L3DDEV_STATE* e = m_renderStates.FirstChanged()) SetStateRender(e->state, e->def);
  while (_L3DDEV_STAGE_STATE* e = m_samplerStates.FirstChanged()) {
    SetStateSampler(e->unit, e->state, e->def);
  }
  while (_L3DDEV_STAGE_STATE* e = m_stageStates.FirstChanged()) {
    SetStateTexStage(e->unit, e->state, e->def);
  }
  while (_L3DDEV_TEXTURE_STATE* e = m_textureStates.FirstChanged()) {
    SetStateTexture(e->unit, nullptr);
  }
  m_fvfWanted = L3DDEV_DEFAULT_FVF;
}

void L3DDevice::_InitState() {
  m_renderStates.Clear(L3DDEV_RENDER_STATES);
  for (const auto& range : kRenderRanges) {
    for (uint32_t s = range[0]; s <= range[1]; ++s) m_renderStates.Support(s, 0, s, renderDefault(s));
  }
  m_samplerStates.Clear(L3DDEV_SAMPLERS * L3DDEV_SAMPLER_STATES);
  m_stageStates.Clear(L3DDEV_SAMPLERS * L3DDEV_STAGE_STATES);
  m_textureStates.Clear(L3DDEV_SAMPLERS);
  for (uint32_t unit = 0; unit < L3DDEV_SAMPLERS; ++unit) {
    for (uint32_t s = 1; s < L3DDEV_SAMPLER_STATES; ++s) {
      m_samplerStates.Support(unit * L3DDEV_SAMPLER_STATES + s, unit, s, samplerDefault(s));
    }
    for (uint32_t s : kStageStates) {
      m_stageStates.Support(unit * L3DDEV_STAGE_STATES + s, unit, s, stageDefault(unit, s));
    }
    m_textureStates.Support(unit, unit, 0, nullptr);
  }
  _RestoreState();
}

void L3DDevice::_RestoreState() {
  m_renderStates.Restore([this](const _L3DDEV_STATE& e) {
    m_device->SetRenderState(D3DRENDERSTATETYPE(e.state), e.def);
  });
  m_samplerStates.Restore([this](const _L3DDEV_STAGE_STATE& e) {
    m_device->SetSamplerState(e.unit, D3DSAMPLERSTATETYPE(e.state), e.def);
  });
  m_stageStates.Restore([this](const _L3DDEV_STAGE_STATE& e) {
    m_device->SetTextureStageState(e.unit, D3DTEXTURESTAGESTATETYPE(e.state), e.def);
  });
  m_textureStates.Restore(
      [this](const _L3DDEV_TEXTURE_STATE& e) { m_device->SetTexture(e.unit, nullptr); });
  m_fvfWanted = m_fvfSent = L3DDEV_DEFAULT_FVF;
  m_device->SetFVF(L3DDEV_DEFAULT_FVF);
  m_vshader = nullptr;
  m_device->SetVertexShader(nullptr);
  m_softwareVP = false;
  m_device->SetSoftwareVertexProcessing(FALSE);
  m_pshader = nullptr;
  m_device->SetPixelShader(nullptr);
  m_stream = nullptr;
  m_device->SetStreamSource(0, nullptr, 0, 0);
  m_indices = nullptr;
  m_device->SetIndices(nullptr);
}

void L3DDevice::SetVShader(bool software, IDirect3DVertexShader9* shader) {
  if (software != m_softwareVP) {
    m_softwareVP = software;
    m_device->SetSoftwareVertexProcessing(software ? TRUE : FALSE);
  }
  if (shader == m_vshader) return;
  if ((shader == nullptr) != (m_vshader == nullptr)) {
    // Direct3D forgets the FVF when a shader is bound or unbound; make the next ApplyState
    // send it again even though the wanted value did not change.
    m_fvfSent = m_fvfWanted == 0 ? 1 : 0;
  }
  m_vshader = shader;
  m_device->SetVertexShader(shader);
}

void L3DDevice::SetPShader(IDirect3DPixelShader9* shader) {
  if (shader == m_pshader) return;
  m_pshader = shader;
  m_device->SetPixelShader(shader);
}

void L3DDevice::SetStreamSource(IDirect3DVertexBuffer9* buffer, uint32_t stride) {
  // The stride is not cached: the same buffer with another stride sends nothing.
  if (buffer == m_stream) return;
  m_stream = buffer;
  m_device->SetStreamSource(0, buffer, 0, stride);
}

void L3DDevice::SetIndices(IDirect3DIndexBuffer9* buffer) {
  if (buffer == m_indices) return;
  m_indices = buffer;
  m_device->SetIndices(buffer);
}

void L3DDevice::DrawTriangleListUP(const void* vertices, uint32_t triangles) {
  m_device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, triangles, vertices, L3DDEV_VERTEX_STRIDE);
  _ForgetStreamBindings();
}

void L3DDevice::DrawIndexedPrimitive(uint32_t type, uint32_t vertexCount,
                                     uint32_t primitiveCount) {
  m_device->DrawIndexedPrimitive(D3DPRIMITIVETYPE(type), 0, 0, vertexCount, 0, primitiveCount);
}

void L3DDevice::DrawIndexedPrimitiveUP(uint32_t stride, uint32_t type, uint32_t vertexCount,
                                       uint32_t primitiveCount, const uint16_t* indices,
                                       const void* vertices) {
  m_device->DrawIndexedPrimitiveUP(D3DPRIMITIVETYPE(type), 0, vertexCount, primitiveCount,
                                   indices, D3DFMT_INDEX16, vertices, stride);
  _ForgetStreamBindings();
}

void L3DDevice::_ForgetStreamBindings() {
  m_stream = nullptr;
  m_indices = nullptr;
}

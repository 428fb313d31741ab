#include "platform/d3d9/DeviceState.h"

#include <cstring>

namespace d3d9 {
namespace {

struct StateDefault {
  uint32_t state;
  DWORD value;
};

constexpr DWORD kOne = 0x3F800000u;  // 1.0f
constexpr DWORD kSixtyFour = 0x42800000u;  // 64.0f

// Every render state the interface defines, with its default; the others are unknown.
constexpr StateDefault kRenderDefaults[] = {
    {D3DRS_ZENABLE, D3DZB_FALSE}, {D3DRS_FILLMODE, D3DFILL_SOLID},
    {D3DRS_SHADEMODE, D3DSHADE_GOURAUD}, {D3DRS_ZWRITEENABLE, 1}, {D3DRS_ALPHATESTENABLE, 0},
    {D3DRS_LASTPIXEL, 1}, {D3DRS_SRCBLEND, D3DBLEND_ONE}, {D3DRS_DESTBLEND, D3DBLEND_ZERO},
    {D3DRS_CULLMODE, D3DCULL_CCW}, {D3DRS_ZFUNC, D3DCMP_LESSEQUAL}, {D3DRS_ALPHAREF, 0},
    {D3DRS_ALPHAFUNC, D3DCMP_ALWAYS}, {D3DRS_DITHERENABLE, 0}, {D3DRS_ALPHABLENDENABLE, 0},
    {D3DRS_FOGENABLE, 0}, {D3DRS_SPECULARENABLE, 0}, {D3DRS_FOGCOLOR, 0},
    {D3DRS_FOGTABLEMODE, D3DFOG_NONE}, {D3DRS_FOGSTART, 0}, {D3DRS_FOGEND, kOne},
    {D3DRS_FOGDENSITY, kOne}, {D3DRS_RANGEFOGENABLE, 0}, {D3DRS_STENCILENABLE, 0},
    {D3DRS_STENCILFAIL, D3DSTENCILOP_KEEP}, {D3DRS_STENCILZFAIL, D3DSTENCILOP_KEEP},
    {D3DRS_STENCILPASS, D3DSTENCILOP_KEEP}, {D3DRS_STENCILFUNC, D3DCMP_ALWAYS},
    {D3DRS_STENCILREF, 0}, {D3DRS_STENCILMASK, 0xFFFFFFFFu}, {D3DRS_STENCILWRITEMASK, 0xFFFFFFFFu},
    {D3DRS_TEXTUREFACTOR, 0xFFFFFFFFu}, {128, 0}, {129, 0}, {130, 0}, {131, 0}, {132, 0},
    {133, 0}, {134, 0}, {135, 0}, {D3DRS_CLIPPING, 1}, {D3DRS_LIGHTING, 1}, {D3DRS_AMBIENT, 0},
    {D3DRS_FOGVERTEXMODE, D3DFOG_NONE}, {D3DRS_COLORVERTEX, 1}, {D3DRS_LOCALVIEWER, 1},
    {D3DRS_NORMALIZENORMALS, 0}, {D3DRS_DIFFUSEMATERIALSOURCE, D3DMCS_COLOR1},
    {D3DRS_SPECULARMATERIALSOURCE, D3DMCS_COLOR2}, {D3DRS_AMBIENTMATERIALSOURCE, D3DMCS_MATERIAL},
    {D3DRS_EMISSIVEMATERIALSOURCE, D3DMCS_MATERIAL}, {D3DRS_VERTEXBLEND, 0},
    {D3DRS_CLIPPLANEENABLE, 0}, {D3DRS_POINTSIZE, kOne}, {D3DRS_POINTSIZE_MIN, kOne},
    {D3DRS_POINTSPRITEENABLE, 0}, {D3DRS_POINTSCALEENABLE, 0}, {D3DRS_POINTSCALE_A, kOne},
    {D3DRS_POINTSCALE_B, 0}, {D3DRS_POINTSCALE_C, 0}, {D3DRS_MULTISAMPLEANTIALIAS, 1},
    {D3DRS_MULTISAMPLEMASK, 0xFFFFFFFFu}, {D3DRS_PATCHEDGESTYLE, 0},
    {D3DRS_DEBUGMONITORTOKEN, 0}, {D3DRS_POINTSIZE_MAX, kSixtyFour},
    {D3DRS_INDEXEDVERTEXBLENDENABLE, 0}, {D3DRS_COLORWRITEENABLE, 0xF}, {D3DRS_TWEENFACTOR, 0},
    {D3DRS_BLENDOP, D3DBLENDOP_ADD}, {D3DRS_POSITIONDEGREE, 3}, {D3DRS_NORMALDEGREE, 1},
    {D3DRS_SCISSORTESTENABLE, 0}, {D3DRS_SLOPESCALEDEPTHBIAS, 0},
    {D3DRS_ANTIALIASEDLINEENABLE, 0}, {D3DRS_MINTESSELLATIONLEVEL, kOne},
    {D3DRS_MAXTESSELLATIONLEVEL, kOne}, {D3DRS_ADAPTIVETESS_X, 0}, {D3DRS_ADAPTIVETESS_Y, 0},
    {D3DRS_ADAPTIVETESS_Z, kOne}, {D3DRS_ADAPTIVETESS_W, 0},
    {D3DRS_ENABLEADAPTIVETESSELLATION, 0}, {D3DRS_TWOSIDEDSTENCILMODE, 0},
    {D3DRS_CCW_STENCILFAIL, D3DSTENCILOP_KEEP}, {D3DRS_CCW_STENCILZFAIL, D3DSTENCILOP_KEEP},
    {D3DRS_CCW_STENCILPASS, D3DSTENCILOP_KEEP}, {D3DRS_CCW_STENCILFUNC, D3DCMP_ALWAYS},
    {D3DRS_COLORWRITEENABLE1, 0xF}, {D3DRS_COLORWRITEENABLE2, 0xF}, {D3DRS_COLORWRITEENABLE3, 0xF},
    {D3DRS_BLENDFACTOR, 0xFFFFFFFFu}, {D3DRS_SRGBWRITEENABLE, 0}, {D3DRS_DEPTHBIAS, 0},
    {198, 0}, {199, 0}, {200, 0}, {201, 0}, {202, 0}, {203, 0}, {204, 0}, {205, 0},
    {D3DRS_SEPARATEALPHABLENDENABLE, 0}, {D3DRS_SRCBLENDALPHA, D3DBLEND_ONE},
    {D3DRS_DESTBLENDALPHA, D3DBLEND_ZERO}, {D3DRS_BLENDOPALPHA, D3DBLENDOP_ADD},
};

const StateDefault* findRender(uint32_t state) {
  for (const auto& d : kRenderDefaults) {
    if (d.state == state) return &d;
  }
  return nullptr;
}

}  // namespace

DWORD floatBits(float f) {
  DWORD d;
  std::memcpy(&d, &f, 4);
  return d;
}

float bitsFloat(DWORD bits) {
  float f;
  std::memcpy(&f, &bits, 4);
  return f;
}

float DeviceState::renderFloat(D3DRENDERSTATETYPE s) const { return bitsFloat(render[s]); }
float DeviceState::samplerFloat(uint32_t i, D3DSAMPLERSTATETYPE s) const {
  return bitsFloat(sampler[i][s]);
}

bool renderStateKnown(uint32_t state) { return findRender(state) != nullptr; }
DWORD renderStateDefault(uint32_t state) {
  const StateDefault* d = findRender(state);
  return d ? d->value : 0;
}

bool samplerStateKnown(uint32_t state) { return state >= 1 && state < kSamplerStateCount; }
DWORD samplerStateDefault(uint32_t state) {
  switch (state) {
    case D3DSAMP_ADDRESSU:
    case D3DSAMP_ADDRESSV:
    case D3DSAMP_ADDRESSW: return D3DTADDRESS_WRAP;
    case D3DSAMP_MAGFILTER:
    case D3DSAMP_MINFILTER: return D3DTEXF_POINT;
    case D3DSAMP_MAXANISOTROPY: return 1;
    default: return 0;
  }
}

bool stageStateKnown(uint32_t state) {
  return (state >= 1 && state <= 11) || (state >= 22 && state <= 24) ||
         (state >= 26 && state <= 28) || state == 32;
}

DWORD stageStateDefault(uint32_t stage, uint32_t state) {
  switch (state) {
    case D3DTSS_COLOROP: return stage == 0 ? D3DTOP_MODULATE : D3DTOP_DISABLE;
    case D3DTSS_ALPHAOP: return stage == 0 ? D3DTOP_SELECTARG1 : D3DTOP_DISABLE;
    case D3DTSS_COLORARG1:
    case D3DTSS_ALPHAARG1: return D3DTA_TEXTURE;
    case D3DTSS_COLORARG2:
    case D3DTSS_ALPHAARG2:
    case D3DTSS_COLORARG0:
    case D3DTSS_ALPHAARG0:
    case D3DTSS_RESULTARG: return D3DTA_CURRENT;
    case D3DTSS_TEXCOORDINDEX: return stage;
    default: return 0;
  }
}

void resetStateValues(DeviceState& s, bool autoDepth) {
  s.render.fill(0);
  for (const auto& d : kRenderDefaults) s.render[d.state] = d.value;
  s.render[D3DRS_ZENABLE] = autoDepth ? D3DZB_TRUE : D3DZB_FALSE;
  for (auto& sampler : s.sampler) {
    for (uint32_t i = 0; i < kSamplerStateCount; ++i) sampler[i] = samplerStateDefault(i);
  }
  for (uint32_t st = 0; st < kStageCount; ++st) {
    for (uint32_t i = 0; i < kStageStateCount; ++i) s.stage[st][i] = stageStateDefault(st, i);
  }
  D3DMATRIX identity{};
  for (int i = 0; i < 4; ++i) identity.m[i][i] = 1.0f;
  s.world = s.view = s.projection = identity;
  s.fvf = 0;
  s.softwareVertexProcessing = false;
  std::fill(s.vertexConstants.begin(), s.vertexConstants.end(), 0.0f);
  std::fill(s.pixelConstants.begin(), s.pixelConstants.end(), 0.0f);
}

}  // namespace d3d9

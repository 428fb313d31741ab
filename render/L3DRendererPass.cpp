// The shader pass of one mesh: render and stage states, textures, the vertex (and for map3 the
// pixel) shader and the constant registers the shader programs of the archive read. The
// register layout is the contract with those programs.

#include "foundation/lerr/lerr.h"
#include "foundation/lerr/lerrText.h"
#include "render/L3DRenderer.h"
#include "render/device/L3DDevice.h"

#include <cmath>
#include <cstring>

using namespace d3d9;

namespace {

enum class Pass { Normal, Highlight, Furlight, Texlight, TexHighlight, TexFurlight, Map3 };

struct Choice {
  Pass pass = Pass::Normal;
  bool white = false;
};

// The fourth component of the first skinned register: 3 x 255 and a margin, so that a blend
// index byte read as byte / 255 becomes three times the index (one palette entry is 3
// registers) when the shader rounds it down.
constexpr float kIndexScale = 765.01f;

struct Vec4 {
  float v[4] = {};
};

void normalise(float v[3]) {
  const float length = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
  if (length == 0.0f) return;
  v[0] /= length;
  v[1] /= length;
  v[2] /= length;
}

// v x the upper 3 x 3 of m (a direction: no translation), normalised.
void transformDirection(const LMat& m, const float in[3], float out[3]) {
  float r[3];
  for (int c = 0; c < 3; ++c) r[c] = in[0] * m.m[0][c] + in[1] * m.m[1][c] + in[2] * m.m[2][c];
  std::memcpy(out, r, sizeof r);
  normalise(out);
}

// The origin seen through the inverse of m, normalised: the eye of the view.
void eyeThrough(const LMat& inverse, float out[3]) {
  const float origin[3] = {0.0f, 0.0f, 0.0f};
  vec3TransformCoord(inverse, origin, out);
  normalise(out);
}

Vec4 vec(float x, float y, float z, float w) { return Vec4{{x, y, z, w}}; }
Vec4 vec3w(const float v[3], float w) { return Vec4{{v[0], v[1], v[2], w}}; }

struct BlendRow {
  bool zWriteOff;
  uint32_t src, dest;
  bool separate;
  uint32_t srcAlpha, destAlpha;
  uint32_t alphaFunc;  // 0: no alpha test
  uint32_t alphaRef;
};

// Modes 1 to 13; mode 0, 12 and values above 13 leave blending off and Z writes on.
constexpr BlendRow kBlendRows[14] = {
    {},
    {true, D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA, true, D3DBLEND_ZERO, D3DBLEND_INVSRCALPHA,
     D3DCMP_GREATER, 0},
    {true, D3DBLEND_SRCALPHA, D3DBLEND_ONE, true, D3DBLEND_ZERO, D3DBLEND_ONE, D3DCMP_GREATER, 0},
    {true, D3DBLEND_ONE, D3DBLEND_INVSRCALPHA, true, D3DBLEND_ZERO, D3DBLEND_ONE, 0, 0},
    {true, D3DBLEND_DESTCOLOR, D3DBLEND_ZERO, true, D3DBLEND_ZERO, D3DBLEND_ONE, 0, 0},
    {true, D3DBLEND_INVDESTCOLOR, D3DBLEND_INVSRCALPHA, true, D3DBLEND_ZERO, D3DBLEND_ONE, 0, 0},
    {true, D3DBLEND_DESTCOLOR, D3DBLEND_ONE, true, D3DBLEND_ZERO, D3DBLEND_ONE, 0, 0},
    {false, D3DBLEND_ONE, D3DBLEND_ZERO, true, D3DBLEND_ZERO, D3DBLEND_ZERO, D3DCMP_GREATEREQUAL,
     255},
    {false, D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA, true, D3DBLEND_ZERO, D3DBLEND_INVSRCALPHA,
     D3DCMP_GREATER, 0},
    {true, D3DBLEND_ONE, D3DBLEND_ONE, true, D3DBLEND_ZERO, D3DBLEND_ONE, 0, 0},
    {true, D3DBLEND_DESTCOLOR, D3DBLEND_SRCALPHA, true, D3DBLEND_ZERO, D3DBLEND_ONE, 0, 0},
    {true, D3DBLEND_INVDESTCOLOR, D3DBLEND_ZERO, true, D3DBLEND_ZERO, D3DBLEND_ONE, 0, 0},
    {},
    {true, D3DBLEND_ONE, D3DBLEND_ONE, false, 0, 0, D3DCMP_GREATER, 0},
};

void setBlendStates(L3DDevice& device, uint32_t mode) {
  if (mode == 0 || mode == 12 || mode > 13) return;
  const BlendRow& row = kBlendRows[mode];
  device.SetStateRender(D3DRS_ALPHABLENDENABLE, 1);
  if (row.zWriteOff) device.SetStateRender(D3DRS_ZWRITEENABLE, 0);
  device.SetStateRender(D3DRS_SRCBLEND, row.src);
  device.SetStateRender(D3DRS_DESTBLEND, row.dest);
  if (row.separate) {
    device.SetStateRender(D3DRS_SEPARATEALPHABLENDENABLE, 1);
    device.SetStateRender(D3DRS_SRCBLENDALPHA, row.srcAlpha);
    device.SetStateRender(D3DRS_DESTBLENDALPHA, row.destAlpha);
  }
  if (row.alphaFunc != 0) {
    device.SetStateRender(D3DRS_ALPHATESTENABLE, 1);
    device.SetStateRender(D3DRS_ALPHAFUNC, row.alphaFunc);
    device.SetStateRender(D3DRS_ALPHAREF, row.alphaRef);
  }
}

// Blend modes whose colours send 0 as their fourth component.
bool clearsColourAlpha(uint32_t mode) {
  return mode == 0 || mode == 4 || mode == 6 || mode == 9 || mode == 11;
}

Choice choosePass(uint32_t kind, uint32_t textures, bool pixelShaders, bool threeUVs) {
  switch (kind) {
    case L3D_SHADER_NORMAL:
      return {Pass::Normal, false};
    case L3D_SHADER_HIGHLIGHT:
      return textures >= 2 ? Choice{Pass::Highlight, false} : Choice{Pass::Normal, false};
    case L3D_SHADER_FURLIGHT:
      return textures >= 2 ? Choice{Pass::Furlight, false} : Choice{Pass::Normal, false};
    case L3D_SHADER_TEXLIGHT:
      return textures >= 2 ? Choice{Pass::Texlight, false} : Choice{Pass::Normal, true};
    case L3D_SHADER_TEXHIGHLIGHT:
      if (textures >= 3) return {Pass::TexHighlight, false};
      return textures == 2 ? Choice{Pass::Texlight, false} : Choice{Pass::Normal, true};
    case L3D_SHADER_TEXFURLIGHT:
      if (textures >= 3) return {Pass::TexFurlight, false};
      return textures == 2 ? Choice{Pass::Texlight, false} : Choice{Pass::Normal, true};
    case L3D_SHADER_MAP3:
      if (pixelShaders && textures >= 3 && threeUVs) return {Pass::Map3, false};
      return {Pass::Normal, false};
    default:
      lerrFatal("%s", lerrText(u"[L3DRenderer::_SetShaderPass] サポートしていない形式").c_str());
  }
}

uint32_t passKind(Pass pass) {
  switch (pass) {
    case Pass::Normal: return L3D_SHADER_NORMAL;
    case Pass::Highlight: return L3D_SHADER_HIGHLIGHT;
    case Pass::Furlight: return L3D_SHADER_FURLIGHT;
    case Pass::Texlight: return L3D_SHADER_TEXLIGHT;
    case Pass::TexHighlight: return L3D_SHADER_TEXHIGHLIGHT;
    case Pass::TexFurlight: return L3D_SHADER_TEXFURLIGHT;
    case Pass::Map3: return L3D_SHADER_MAP3;
  }
  return L3D_SHADER_NORMAL;
}

// What the constants read of the option, whatever its class.
struct OptionValues {
  Vec4 colourA{{1.0f, 1.0f, 1.0f, 1.0f}};
  Vec4 colourB{{1.0f, 1.0f, 1.0f, 1.0f}};
  float parameter1 = 0.0f;
  float parameter2 = 0.0f;
  float direction[3] = {};
};

template <class T>
void takeColours(OptionValues& out, L3D_RENDERER_SHADEROPT& option) {
  T& o = l3dShaderOptAs<T>(option);
  std::memcpy(out.colourA.v, o.colourA, sizeof out.colourA.v);
  std::memcpy(out.colourB.v, o.colourB, sizeof out.colourB.v);
}

OptionValues optionValues(L3D_RENDERER_SHADEROPT& option, bool white) {
  OptionValues out;
  switch (option.kind) {
    case L3D_SHADER_NORMAL:
      takeColours<L3D_RENDERER_SHADEROPT_NORMAL>(out, option);
      break;
    case L3D_SHADER_HIGHLIGHT:
      takeColours<L3D_RENDERER_SHADEROPT_HIGHLIGHT>(out, option);
      out.parameter1 = l3dShaderOptAs<L3D_RENDERER_SHADEROPT_HIGHLIGHT>(option).parameter;
      break;
    case L3D_SHADER_FURLIGHT: {
      takeColours<L3D_RENDERER_SHADEROPT_FURLIGHT>(out, option);
      auto& o = l3dShaderOptAs<L3D_RENDERER_SHADEROPT_FURLIGHT>(option);
      out.parameter1 = o.parameter;
      std::memcpy(out.direction, o.direction, sizeof out.direction);
      break;
    }
    case L3D_SHADER_TEXLIGHT:
      out.parameter1 = l3dShaderOptAs<L3D_RENDERER_SHADEROPT_TEXLIGHT>(option).parameter;
      break;
    case L3D_SHADER_TEXHIGHLIGHT: {
      auto& o = l3dShaderOptAs<L3D_RENDERER_SHADEROPT_TEXHIGHLIGHT>(option);
      out.parameter1 = o.parameter;
      out.parameter2 = o.parameter2;
      break;
    }
    case L3D_SHADER_TEXFURLIGHT: {
      auto& o = l3dShaderOptAs<L3D_RENDERER_SHADEROPT_TEXFURLIGHT>(option);
      out.parameter1 = o.parameter;
      out.parameter2 = o.parameter2;
      std::memcpy(out.direction, o.direction, sizeof out.direction);
      break;
    }
    case L3D_SHADER_MAP3:
      takeColours<L3D_RENDERER_SHADEROPT_MAP3>(out, option);
      break;
    default:
      break;
  }
  if (white) {
    out.colourA = vec(1.0f, 1.0f, 1.0f, 1.0f);
    out.colourB = vec(1.0f, 1.0f, 1.0f, 1.0f);
  }
  if (clearsColourAlpha(option.blendMode)) {
    out.colourA.v[3] = 0.0f;
    out.colourB.v[3] = 0.0f;
  }
  return out;
}

d3d9::IDirect3DBaseTexture9* baseOf(const L3DTexture* texture) {
  return texture != nullptr ? texture->texture : nullptr;
}

}  // namespace

bool L3DRenderer::_SetShaderPass(uint32_t pass, const LMat* matrices,
                                 const L3D_RENDERER_DRAWMESH& mesh, uint32_t flags) {
  if (pass != 0) return false;
  L3DDevice& device = *m_device;
  const L3D_ANIMINST_MAT& material = *mesh.material;
  L3D_RENDERER_SHADEROPT& option = *material.option;
  const d3d9::D3DCAPS9& caps = device.GetCaps();
  const Choice choice =
      choosePass(option.kind, caps.MaxSimultaneousTextures,
                 (device.GetFlags() & L3DDEV_FLAG_PSHADER) != 0,
                 (mesh.flags & L3D_DRAWMESH_PACKED) != 0);
  const OptionValues values = optionValues(option, choice.white);

  device.ResetState();
  _SetFogStates();
  setBlendStates(device, option.blendMode);

  switch (choice.pass) {
    case Pass::Highlight:
    case Pass::Furlight:
      device.SetStateTexStage(1, D3DTSS_COLOROP, D3DTOP_ADD);
      device.SetStateTexStage(1, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
      break;
    case Pass::Texlight:
      device.SetStateTexStage(1, D3DTSS_COLOROP, D3DTOP_MODULATE);
      device.SetStateTexStage(1, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
      break;
    case Pass::TexHighlight:
    case Pass::TexFurlight:
      device.SetStateTexStage(1, D3DTSS_COLOROP, D3DTOP_MODULATE);
      device.SetStateTexStage(1, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
      device.SetStateTexStage(2, D3DTSS_COLOROP, D3DTOP_ADD);
      device.SetStateTexStage(2, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
      break;
    default:
      break;
  }

  _SetVShader(mesh.bonesPerVertex, passKind(choice.pass));

  const bool wrap = option.addressMode == L3D_SHADEROPT_ADDRESS_WRAP ||
                    (mesh.flags & L3D_DRAWMESH_WRAP) != 0;
  if ((flags & L3D_DRAW_KEEP_STAGE0) == 0) {
    auto bind = [&](uint32_t stage, const L3DTexture* texture) {
      device.SetStateTexture(stage, baseOf(texture));
      if (texture != nullptr && wrap) {
        device.SetStateSampler(stage, D3DSAMP_ADDRESSU, D3DTADDRESS_WRAP);
        device.SetStateSampler(stage, D3DSAMP_ADDRESSV, D3DTADDRESS_WRAP);
      }
    };
    if (choice.pass == Pass::Map3) {
      bind(0, material.texture.Get());
      bind(1, material.texture2.Get());
      bind(2, material.texture3.Get());
      const dbtl::rcptr<L3DPShader>& shader = m_pshaders[L3D_SHADER_MAP3];
      device.SetPShader(shader ? shader->shader : nullptr);
    } else {
      bind(0, mesh.texture);
    }
  }

  // Constants.
  const float* light = m_light;
  const Vec4 fogRegister = vec(fog.scale, fog.offset, 0.0f, 0.0f);
  Vec4 regs[9];
  uint32_t count = 0;
  auto push = [&](const Vec4& v) { regs[count++] = v; };
  auto pushMatrix = [&](const LMat& m) {
    for (int r = 0; r < 4; ++r) push(vec(m.m[r][0], m.m[r][1], m.m[r][2], m.m[r][3]));
  };
  const float p1 = values.parameter1;
  const float p2 = values.parameter2;

  if (mesh.bonesPerVertex > 0) {
    const Vec4 s = vec(1.0f, fog.scale, fog.offset, kIndexScale);
    const float halfLight[3] = {0.5f * light[0], 0.5f * light[1], 0.5f * light[2]};
    const float halfDirection[3] = {0.5f * values.direction[0], 0.5f * values.direction[1],
                                    0.5f * values.direction[2]};
    float eye[3] = {};
    if (choice.pass == Pass::Highlight || choice.pass == Pass::TexHighlight) {
      eyeThrough(GetInverseViewProjection(), eye);
    }
    push(s);
    switch (choice.pass) {
      case Pass::Normal:
      case Pass::Map3:
        push(vec3w(light, 0.0f));
        push(values.colourA);
        push(values.colourB);
        break;
      case Pass::Highlight:
        push(vec3w(light, p1));
        push(values.colourA);
        push(values.colourB);
        push(vec3w(eye, 0.5f));
        break;
      case Pass::Furlight:
        push(vec3w(light, p1));
        push(values.colourA);
        push(values.colourB);
        push(vec3w(halfDirection, 0.5f));
        break;
      case Pass::Texlight:
        push(vec3w(halfLight, 0.5f));
        push(vec(p1, 0.0f, 0.0f, 0.0f));
        break;
      case Pass::TexHighlight:
        push(vec3w(light, p1));
        push(vec3w(halfLight, 0.5f));
        push(vec3w(eye, p2));
        break;
      case Pass::TexFurlight:
        push(vec3w(halfLight, 0.5f));
        push(vec3w(halfDirection, 0.5f));
        push(vec(p1, p2, 0.0f, 0.0f));
        break;
    }
    pushMatrix(m_viewProjectionT);
    // Palette slot 0, then the bone list; an entry naming a matrix the part does not have
    // sends matrix 0 instead of reading past the palette.
    const uint32_t slots = 1 + mesh.boneCount;
    m_constants.Reserve((count + 3 * slots) * 4);
    float* out = m_constants.GetData();
    std::memcpy(out, regs, count * sizeof(Vec4));
    float* block = out + count * 4;
    const LMat* palette = m_palette.GetData();
    for (uint32_t k = 0; k < slots; ++k) {
      uint32_t entry = k == 0 ? 0 : mesh.bones[k - 1];
      if (entry >= m_paletteCount) entry = 0;
      const LMat& m = m_paletteCount > 0 ? palette[entry] : m_identity;
      std::memcpy(block + k * 12, &m.m[0][0], 12 * sizeof(float));
    }
    device.GetDevice()->SetVertexShaderConstantF(0, out, count + 3 * slots);
  } else {
    const LMat& world = matrices != nullptr ? matrices[0] : m_identity;
    LMat worldInverse;
    LMat::Inverse(world, worldInverse);
    LMat wvp;
    LMat::Mul(world, m_viewProjection, wvp);
    LMat wvpT;
    LMat::Transpose(wvpT, wvp);
    float objectLight[3];
    transformDirection(worldInverse, light, objectLight);
    const float halfLight[3] = {0.5f * objectLight[0], 0.5f * objectLight[1],
                                0.5f * objectLight[2]};
    float objectDirection[3];
    transformDirection(worldInverse, values.direction, objectDirection);
    const float halfDirection[3] = {0.5f * objectDirection[0], 0.5f * objectDirection[1],
                                    0.5f * objectDirection[2]};
    float eye[3] = {};
    if (choice.pass == Pass::Highlight || choice.pass == Pass::TexHighlight) {
      LMat wvpInverse;
      LMat::Inverse(wvp, wvpInverse);
      eyeThrough(wvpInverse, eye);
    }
    switch (choice.pass) {
      case Pass::Normal:
      case Pass::Map3:
        push(vec3w(objectLight, 0.0f));
        push(values.colourA);
        push(values.colourB);
        push(fogRegister);
        break;
      case Pass::Highlight:
        push(vec3w(objectLight, p1));
        push(values.colourA);
        push(values.colourB);
        push(vec3w(eye, 0.5f));
        push(fogRegister);
        break;
      case Pass::Furlight:
        push(vec3w(objectLight, p1));
        push(values.colourA);
        push(values.colourB);
        push(vec3w(halfDirection, 0.5f));
        push(fogRegister);
        break;
      case Pass::Texlight:
        push(vec3w(halfLight, 0.5f));
        push(vec(p1, fog.scale, fog.offset, 0.0f));
        break;
      case Pass::TexHighlight:
        push(vec3w(objectLight, p1));
        push(vec3w(halfLight, 0.5f));
        push(vec3w(eye, p2));
        push(fogRegister);
        break;
      case Pass::TexFurlight:
        push(vec3w(halfLight, 0.5f));
        push(vec3w(halfDirection, 0.5f));
        push(vec(p1, p2, fog.scale, fog.offset));
        break;
    }
    pushMatrix(wvpT);
    device.GetDevice()->SetVertexShaderConstantF(0, &regs[0].v[0], count);
  }

  // Extra stage textures, bound also when the caller keeps stage 0.
  switch (choice.pass) {
    case Pass::Highlight:
    case Pass::Furlight: {
      const L3D_ANIMINST_MAT* own = mesh.ownMaterial != nullptr ? mesh.ownMaterial : &material;
      device.SetStateTexture(1, baseOf(own->texture2.Get()));
      break;
    }
    case Pass::Texlight:
      device.SetStateTexture(1, baseOf(material.texture2.Get()));
      break;
    case Pass::TexHighlight:
    case Pass::TexFurlight:
      device.SetStateTexture(1, baseOf(material.texture2.Get()));
      device.SetStateTexture(2, baseOf(material.texture3.Get()));
      break;
    default:
      break;
  }
  return true;
}

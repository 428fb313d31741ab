#include "foundation/lerr/lerr.h"
#include "render/L3DRenderer.h"
#include "render/device/L3DDevice.h"

#include <cmath>

namespace {

// A colour channel 0..1 as a byte: x 255 rounded to nearest (ties to even), low 8 bits kept
// without clamping, so 1.5 gives 382 and its byte 0x7E. fmod keeps every finite value defined;
// a value that is no number gives 0.
uint32_t channelByte(float value) {
  const float scaled = std::nearbyint(value * 255.0f);
  if (!std::isfinite(scaled)) return 0;
  float low = std::fmod(scaled, 256.0f);
  if (low < 0.0f) low += 256.0f;
  return uint32_t(low) & 0xFF;
}

}  // namespace

void L3DRenderer::SetViewProjection(const LMat& view, const LMat& projection) {
  m_view = view;
  m_projection = projection;
  LMat::Mul(view, projection, m_viewProjection);
  LMat::Transpose(m_viewProjectionT, m_viewProjection);
  m_cacheFlags = 0;
}

const LMat& L3DRenderer::GetInverseViewProjection() {
  if (!(m_cacheFlags & L3D_RENDERER_CACHE_INV_VIEWPROJ)) {
    LMat::Inverse(m_viewProjection, m_inverseViewProjection);
    m_cacheFlags |= L3D_RENDERER_CACHE_INV_VIEWPROJ;
  }
  return m_inverseViewProjection;
}

const LMat& L3DRenderer::GetInverseProjection() {
  if (!(m_cacheFlags & L3D_RENDERER_CACHE_INV_PROJ)) {
    LMat::Inverse(m_projection, m_inverseProjection);
    m_cacheFlags |= L3D_RENDERER_CACHE_INV_PROJ;
  }
  return m_inverseProjection;
}

void L3DRenderer::SetLightDirection(const float direction[3]) {
  const float x = direction[0];
  const float y = direction[1];
  const float z = direction[2];
  const float length = std::sqrt(x * x + y * y + z * z);
  if (length == 0.0f) {
    m_light[0] = m_light[1] = m_light[2] = 0.0f;
    return;
  }
  m_light[0] = x / length;
  m_light[1] = y / length;
  m_light[2] = z / length;
}

void L3DRenderer::SetFogColor(float red, float green, float blue) {
  fog.color = channelByte(red) << 16 | channelByte(green) << 8 | channelByte(blue);
}

void L3DRenderer::_SetFogStates() {
  if (fog.enabled) {
    m_device->SetStateRender(d3d9::D3DRS_FOGENABLE, 1);
    m_device->SetStateRender(d3d9::D3DRS_FOGCOLOR, fog.color);
  } else {
    m_device->SetStateRender(d3d9::D3DRS_FOGENABLE, 0);
  }
}

void L3DRenderer::_SetVShader(uint32_t bones, uint32_t kind) {
  if (kind >= L3D_SHADER_KINDS || bones > L3D_SHADER_MAX_BONES) {
    lerrFatal("[L3DRenderer::_SetVShader] no shader of kind %u with %u bones", unsigned(kind),
              unsigned(bones));
  }
  // The check counts the bones a vertex blends, not the palette entries a mesh sends.
  const uint32_t needed = m_baseConstants[kind] + m_boneConstants[kind] * bones;
  const bool hardware = (m_device->GetFlags() & L3DDEV_FLAG_VSHADER) != 0 &&
                        needed <= m_device->GetCaps().MaxVertexShaderConst;
  const dbtl::rcptr<L3DVShader>& shader = m_vshaders[kind * 5 + bones];
  m_device->SetVShader(!hardware, shader ? shader->shader : nullptr);
}

void L3DRenderer::SetTransform(const LMat& a, const LMat& b, const LMat& c) {
  _SetFogStates();
  _SetVShader(0, L3D_SHADER_NOLIGHT);
  LMat product;
  LMat::Mul(a, b, product);
  LMat::Mul(product, c, product);
  float constants[5][4] = {{fog.scale, fog.offset, 0.0f, 0.0f}};
  LMat transposed;
  LMat::Transpose(transposed, product);
  for (int row = 0; row < 4; ++row) {
    for (int col = 0; col < 4; ++col) constants[1 + row][col] = transposed.m[row][col];
  }
  m_device->GetDevice()->SetVertexShaderConstantF(0, &constants[0][0], 5);
}

void L3DRenderer::_RegistZsdElement(const L3D_RENDERER_ZSD_GROUPDESC& group) {
  m_zsd.Regist(fog, group);
}

void L3DRenderer::RegistZsd(const float center[3], uint32_t vertexCount,
                            const L3D_RENDERER_VERTEX* vertices, const L3D_RENDERER_VERTEX* posed,
                            const uint16_t* indices, uint32_t indexCount, L3DZsdDrawFunc draw,
                            void* context, uint32_t flags) {
  L3D_RENDERER_ZSD_ELEMENTDESC element;
  element.vertexCount = vertexCount;
  element.vertices = vertices;
  element.posed = posed;
  element.indexCount = indexCount;
  element.indices = indices;
  element.draw = draw;
  element.context = context;
  element.flags = flags;
  L3D_RENDERER_ZSD_GROUPDESC group;
  group.center[0] = center[0];
  group.center[1] = center[1];
  group.center[2] = center[2];
  group.first = &element;
  m_zsd.Regist(fog, group);
}

void L3DRenderer::DrawZsd() {
  m_zsd.Draw(this, fog);
  // The blended-mesh records of this frame have been drawn.
  m_alphaUsed = 0;
}

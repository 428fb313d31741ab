#include "engines/rond/Stage.h"

#include "engines/rond/RondEngine.h"
#include "foundation/math/LMat.h"
#include "foundation/omb/ombLog.h"
#include "model/load/Da3dObject.h"
#include "model/object/L3DObjectInstance.h"
#include "platform/d3d9/D3d9States.h"
#include "render/L3DRenderer.h"
#include "render/device/L3DDevice.h"
#include "render/device/L3DTexture.h"
#include "script/ScriptThread.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace rond {

namespace {

uint32_t colourByte(float x) {
  if (x >= 1.0f) return 255;
  if (x <= 0.0f) return 0;
  return uint32_t(x * 255.0f + 0.5f);
}

// The quad's two triangles, drawn as one indexed list.
constexpr uint16_t kShadowIndices[6] = {0, 2, 1, 2, 1, 3};

void drawShadowQuad(L3DRenderer* renderer, const L3D_RENDERER_VERTEX* vertices,
                    uint32_t vertexCount, const uint16_t* indices, uint32_t indexCount,
                    void* context) {
  auto* texture = static_cast<L3DTexture*>(context);
  L3DDevice& device = *renderer->GetDevice();
  device.ResetState();
  device.SetStateRender(d3d9::D3DRS_CULLMODE, 1);
  device.SetStateRender(d3d9::D3DRS_ZWRITEENABLE, 0);
  device.SetStateRender(d3d9::D3DRS_ALPHABLENDENABLE, 1);
  device.SetStateRender(d3d9::D3DRS_SRCBLEND, 5);
  device.SetStateRender(d3d9::D3DRS_DESTBLEND, 6);
  renderer->SetTransform(renderer->GetIdentity(), renderer->GetView(), renderer->GetProjection());
  device.SetStateTexture(0, texture != nullptr ? texture->texture : nullptr);
  device.ApplyState();
  device.DrawIndexedPrimitiveUP(sizeof(L3D_RENDERER_VERTEX), d3d9::D3DPT_TRIANGLELIST,
                                vertexCount, indexCount / 3, indices, vertices);
}

}  // namespace

Stage::Stage() { setDefaults(); }

Stage::~Stage() {
  if (thread_ != nullptr) ScriptThread::destroy(thread_);
  model_.reset();
  shadowTexture_.Reset();
}

void Stage::setDefaults() {
  startPosition[0] = {0, 0, 1024};
  startPosition[1] = {0, 0, -1024};
  startAngle[0] = 3217;
  startAngle[1] = 0;
  moveBox = Box{{-5120, -5120, -5120}, {5120, 5120, 5120}};
  bulletBox = moveBox;
  const float light[3] = {0.0f, 1.0f, 1.0f};
  std::copy(light, light + 3, lightDirection);
  const float colour[4] = {0.6f, 0.6f, 0.6f, 1.0f};
  std::copy(colour, colour + 4, lightColour);
  const float ambient[4] = {0.4f, 0.4f, 0.4f, 1.0f};
  std::copy(ambient, ambient + 4, ambientColour);
  std::copy(ambient, ambient + 4, fogColour);
  fogEnabled = 0;
  fogStart = 0.0f;
  fogEnd = 0.0f;
  for (L3D_RENDERER_VERTEX& v : shadowVertices) v = L3D_RENDERER_VERTEX{};
  setShadowColour(1.0f, 1.0f, 1.0f, 1.0f);
  for (int i = 0; i < 4; ++i) {
    shadowVertices[i].u = i < 2 ? 0.0f : 1.0f;
    shadowVertices[i].v = (i & 1) == 0 ? 0.0f : 1.0f;
  }
  shadowOffset = 0.0f;
  shadowScaleBase = 1.0f;
  shadowScaleRate = 0.0f;
  shadowScaleCut = 1.0f;
  frame = 0;
}

void Stage::reset(Engine* engine, const char16_t* directory) {
  shadowTexture_.Reset();
  if (thread_ != nullptr) ScriptThread::destroy(std::exchange(thread_, nullptr));
  model_.reset();
  setDefaults();
  engine_ = engine;
  directory_ = engine->internDirectory(directory);
  const L3DModelServices services = engine->modelServices();
  // A stage without a model (a bare arena of the tests) still runs its script and its boxes.
  if (da3dIsObjectDataExist(services, directory_, u"main")) {
    char16_t path[128];
    std::u16string name = std::u16string(directory_) + u"main";
    name.copy(path, 127);
    path[std::min<size_t>(name.size(), 127)] = 0;
    const std::u16string list = engine->seListText(directory_, nullptr, true);
    model_.loadWithSe(services, path, list.c_str());
    if (model_.instance) model_.instance->SetAnim(model_.instance->CreateAnim("start"),
                                                  L3DObjectInstance::Restart::Yes);
  }
  thread_ = new ScriptThread(engine->scriptManager(), engine->stageTable());
  thread_->loadRelative(directory_, u"main", static_cast<::Engine*>(engine), this);
}

void Stage::step() {
  if (thread_ != nullptr) thread_->resume();
  if (model_.instance) model_.instance->ForwardAnimFrame();
  ++frame;
}

void Stage::draw() {
  if (!model_.instance || engine_ == nullptr || engine_->renderer() == nullptr) return;
  float d[3] = {lightDirection[0], lightDirection[1], lightDirection[2]};
  const float length = std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
  if (length > 0.0f) {
    for (float& c : d) c /= length;
  }
  engine_->renderer()->SetLightDirection(d);
  engine_->renderer()->DrawObjectInstance(*model_.instance, lightColour, ambientColour, 0);
}

bool Stage::fogFactors(float& scale, float& offset) const {
  if (fogEnabled == 0) return false;
  const float range = fogEnd - fogStart;
  scale = -1.0f / range;
  offset = fogEnd / range;
  return true;
}

void Stage::applyFog() {
  L3DRenderer* renderer = engine_ != nullptr ? engine_->renderer() : nullptr;
  if (renderer == nullptr) return;
  float scale = 0.0f;
  float offset = 0.0f;
  if (!fogFactors(scale, offset)) {
    renderer->fog.enabled = 0;
    return;
  }
  renderer->fog.enabled = 1;
  renderer->fog.scale = scale;
  renderer->fog.offset = offset;
  renderer->SetFogColor(fogColour[0], fogColour[1], fogColour[2]);
}

void Stage::setFogLinear(float start, float end) {
  if (end == start) {
    ombLogPrintf(OMB_LOG_WARNING,
                 u"Warning: [%s] fog end equals fog start (%f): the fog is left as it was",
                 "stageSetFogLinear", double(start));
    return;
  }
  fogStart = start;
  fogEnd = end;
  fogEnabled = 1;
}

void Stage::setShadowTexture(const char16_t* name, float left, float top, float right,
                             float bottom) {
  if (name == nullptr || name[0] == 0 || engine_ == nullptr) return;
  shadowTexture_ = da3dLoadTextureInDir(engine_->modelServices(), directory_, name, 0);
  for (int i = 0; i < 4; ++i) {
    shadowVertices[i].u = i < 2 ? left : right;
    shadowVertices[i].v = (i & 1) == 0 ? top : bottom;
  }
}

void Stage::setShadowColour(float r, float g, float b, float a) {
  const uint32_t colour =
      colourByte(a) << 24 | colourByte(r) << 16 | colourByte(g) << 8 | colourByte(b);
  for (L3D_RENDERER_VERTEX& v : shadowVertices) v.colour = colour;
}

bool Stage::hasShadowTexture() const { return bool(shadowTexture_); }

float Stage::shadowSize(const FixedVec3& position) const {
  const float size = shadowScaleBase - static_cast<float>(position.y - moveBox.min.y) *
                                           shadowScaleRate * kFixedToFloat;
  return std::max(shadowScaleCut, size);
}

void Stage::shadowQuad(const FixedVec3& position, L3D_RENDERER_VERTEX out[4]) const {
  const float x = static_cast<float>(position.x) * kFixedToFloat;
  const float z = static_cast<float>(position.z) * kFixedToFloat;
  const float y = static_cast<float>(moveBox.min.y) * kFixedToFloat + shadowOffset;
  const float half = shadowSize(position) * 0.5f;
  const float xs[4] = {x - half, x - half, x + half, x + half};
  const float zs[4] = {z - half, z + half, z - half, z + half};
  for (int i = 0; i < 4; ++i) {
    out[i] = shadowVertices[i];
    out[i].x = xs[i];
    out[i].y = y;
    out[i].z = zs[i];
  }
}

void Stage::drawShadow(const FixedVec3& position) {
  L3DRenderer* renderer = engine_ != nullptr ? engine_->renderer() : nullptr;
  if (renderer == nullptr || !shadowTexture_) return;
  L3D_RENDERER_VERTEX quad[4];
  shadowQuad(position, quad);
  // The list sorts by the distance of the centre from the eye, so the centre goes in view space.
  const float centre[3] = {(quad[0].x + quad[3].x) * 0.5f, quad[0].y, (quad[0].z + quad[3].z) * 0.5f};
  float viewCentre[3];
  vec3TransformCoord(renderer->GetView(), centre, viewCentre);
  L3D_RENDERER_VERTEX posed[4];
  for (int i = 0; i < 4; ++i) {
    posed[i] = quad[i];
    const float p[3] = {quad[i].x, quad[i].y, quad[i].z};
    float v[3];
    vec3TransformCoord(renderer->GetView(), p, v);
    posed[i].x = v[0];
    posed[i].y = v[1];
    posed[i].z = v[2];
  }
  renderer->RegistZsd(viewCentre, 4, quad, posed, kShadowIndices, 6, &drawShadowQuad,
                      shadowTexture_.Get(), L3D_ZSD_KEEP_ORDER);
}

}  // namespace rond

#include "render/post/PostEffectWater.h"

#include "foundation/lerr/lerr.h"
#include "foundation/math/LMat.h"
#include "render/L3DRenderer.h"
#include "render/device/L3DDevice.h"

#include <cstring>
#include <limits>
#include <utility>

using namespace d3d9;

namespace {

constexpr const char16_t* kNoiseDirectory = u"sys/posteffect/";

// Names are kept to 31 units, as the script side hands them over.
void copyName(char16_t (&out)[32], const char16_t* name) {
  uint32_t n = 0;
  if (name != nullptr) {
    for (; n < 31 && name[n] != 0; ++n) out[n] = name[n];
  }
  out[n] = 0;
}

}  // namespace

void PostEffectWater::release() {
  noise[1].texture.Reset();
  noise[0].texture.Reset();
}

PostEffectWater* PostEffect::setWater(float powerRedX, float powerRedY, float powerGreenX,
                                      float powerGreenY, float powerBlueX, float powerBlueY,
                                      float brightMin, float brightMax,
                                      const char16_t* noiseName0, float sizeX0, float sizeY0,
                                      float speedX0, float speedY0, const char16_t* noiseName1,
                                      float sizeX1, float sizeY1, float speedX1, float speedY1) {
  if (!initialised_ || config_.loadTexture == nullptr) return nullptr;
  char16_t name0[32];
  char16_t name1[32];
  copyName(name0, noiseName0);
  copyName(name1, noiseName1);
  dbtl::rcptr<L3DTexture> t0 = config_.loadTexture(config_.context, kNoiseDirectory, name0);
  if (!t0) return nullptr;
  dbtl::rcptr<L3DTexture> t1 = config_.loadTexture(config_.context, kNoiseDirectory, name1);
  if (!t1) return nullptr;
  if (water_ == nullptr) water_ = new PostEffectWater();
  PostEffectWater& w = *water_;
  w.powerRedX = powerRedX;
  w.powerRedY = powerRedY;
  w.powerGreenX = powerGreenX;
  w.powerGreenY = powerGreenY;
  w.powerBlueX = powerBlueX;
  w.powerBlueY = powerBlueY;
  w.brightMin = brightMin;
  w.brightScale = brightMin < brightMax ? 1.0f / (brightMax - brightMin) : 0.0f;
  const float size[2][2] = {{sizeX0, sizeY0}, {sizeX1, sizeY1}};
  const float speed[2][2] = {{speedX0, speedY0}, {speedX1, speedY1}};
  w.noise[0].texture = std::move(t0);
  w.noise[1].texture = std::move(t1);
  for (uint32_t k = 0; k < 2; ++k) {
    PostEffectWaterNoise& n = w.noise[k];
    n.scaleX = 1.0f / size[k][0];
    n.scaleY = 1.0f / size[k][1];
    n.speedX = speed[k][0];
    n.speedY = speed[k][1];
    n.offsetX = -n.speedX;
    n.offsetY = -n.speedY;
  }
  return water_;
}

PostEffectWaterMesh* postEffectBuildWaterMesh(const PostEffectWaterModel& model) {
  // Counted in 64 bits: the sums of a large model cannot wrap before the checks below.
  uint64_t vertexTotal = 0;
  uint64_t indexTotal = 0;
  for (const PostEffectWaterRecord& r : model.records) {
    vertexTotal += r.vertices.size();
    indexTotal += r.indices.size();
  }
  // 16-bit indices reach 65536 vertices; the index count is kept in 32 bits.
  if (vertexTotal > 0x10000u) {
    lerrFatal("[PostEffect::createWaterMesh] the water model has %llu vertices; at most 65536 "
              "can be drawn",
              static_cast<unsigned long long>(vertexTotal));
  }
  if (indexTotal > std::numeric_limits<uint32_t>::max()) {
    lerrFatal("[PostEffect::createWaterMesh] the water model has too many indices");
  }
  auto* mesh = new PostEffectWaterMesh();
  if (vertexTotal != 0) {
    mesh->source = new PostEffectVertex[vertexTotal];
    mesh->drawn = new PostEffectVertex[vertexTotal];
  }
  if (indexTotal != 0) mesh->indices = new uint16_t[indexTotal];
  // Each record numbers its own points; the mesh holds every record's vertices one after the
  // other, so a record's indices move past the vertices of the records before it.
  for (const PostEffectWaterRecord& r : model.records) {
    const uint32_t base = mesh->vertexCount;
    const uint32_t count = uint32_t(r.vertices.size());
    for (uint32_t index : r.indices) {
      if (index >= count) {
        PostEffect::destroyWaterMesh(mesh);
        lerrFatal("[PostEffect::createWaterMesh] index %u of a material record is past its %u "
                  "vertices",
                  index, count);
      }
      mesh->indices[mesh->indexCount++] = uint16_t(base + index);
    }
    if (count != 0) {
      std::memcpy(mesh->source + base, r.vertices.data(), count * sizeof(PostEffectVertex));
    }
    mesh->vertexCount += count;
  }
  if (mesh->vertexCount != 0) {
    std::memcpy(mesh->drawn, mesh->source, mesh->vertexCount * sizeof(PostEffectVertex));
  }
  return mesh;
}

PostEffectWaterMesh* PostEffect::createWaterMesh(const char16_t* directory,
                                                 const char16_t* name) {
  if (config_.loadWaterModel == nullptr) return nullptr;
  PostEffectWaterModel model;
  if (!config_.loadWaterModel(config_.context, directory, name, model)) return nullptr;
  return postEffectBuildWaterMesh(model);
}

void PostEffect::destroyWaterMesh(PostEffectWaterMesh* mesh) {
  if (mesh == nullptr) return;
  delete[] mesh->indices;
  delete[] mesh->drawn;
  delete[] mesh->source;
  delete mesh;
}

void PostEffect::drawWater(PostEffectWaterMesh* mesh) {
  if (water_ == nullptr || mesh == nullptr || !initialised_) return;
  L3DDevice& device = *config_.device;
  copy_->CopyBackBuffer();

  const PostEffectWaterNoise& n0 = water_->noise[0];
  const PostEffectWaterNoise& n1 = water_->noise[1];
  for (uint32_t i = 0; i < mesh->vertexCount; ++i) {
    const PostEffectVertex& s = mesh->source[i];
    PostEffectVertex& d = mesh->drawn[i];
    d.uv[0][0] = s.uv[0][0] * n0.scaleX + n0.offsetX;
    d.uv[0][1] = s.uv[0][1] * n0.scaleY + n0.offsetY;
    d.uv[1][0] = s.uv[1][0] * n1.scaleX + n1.offsetX;
    d.uv[1][1] = s.uv[1][1] * n1.scaleY + n1.offsetY;
  }

  LMat vp;
  if (config_.renderer != nullptr) vp = config_.renderer->GetViewProjection();
  else vp.SetIdentity();
  LMat t;
  t.SetIdentity();
  t.m[3][0] = 1.0f;
  t.m[3][1] = -1.0f;
  LMat s;
  s.SetScaling(0.5f, -0.5f, 1.0f);
  LMat m;
  LMat::Mul(vp, t, m);
  LMat::Mul(m, s, m);
  LMat vpT;
  LMat mT;
  LMat::Transpose(vpT, vp);
  LMat::Transpose(mT, m);

  device.ResetState();
  device.SetFVF(POSTEFFECT_FVF);
  device.SetStateRender(D3DRS_ZWRITEENABLE, FALSE);
  device.SetStateTexture(0, copy_->texture);
  device.SetStateTexture(1, n0.texture->texture);
  device.SetStateTexture(2, n1.texture->texture);
  for (uint32_t sampler = 0; sampler < 3; ++sampler) {
    const uint32_t mode = sampler == 0 ? D3DTADDRESS_CLAMP : D3DTADDRESS_WRAP;
    device.SetStateSampler(sampler, D3DSAMP_ADDRESSU, mode);
    device.SetStateSampler(sampler, D3DSAMP_ADDRESSV, mode);
  }
  IDirect3DDevice9* d3d = device.GetDevice();
  d3d->SetVertexShaderConstantF(0, &vpT.m[0][0], 4);
  d3d->SetVertexShaderConstantF(4, &mT.m[0][0], 4);
  device.SetVShader(false, shaders_.vertex[PostEffectShaders::kWater]->shader);
  const float c0[4] = {water_->powerRedX, water_->powerRedY, water_->powerGreenX,
                       water_->powerGreenY};
  const float c1[4] = {water_->powerBlueX, water_->powerBlueY, water_->brightMin,
                       water_->brightScale};
  d3d->SetPixelShaderConstantF(0, c0, 1);
  d3d->SetPixelShaderConstantF(1, c1, 1);
  device.SetPShader(shaders_.pixel[PostEffectShaders::kWaterP]->shader);
  device.ApplyState();
  if (mesh->vertexCount != 0 && mesh->indexCount >= 3) {
    device.DrawIndexedPrimitiveUP(sizeof(PostEffectVertex), D3DPT_TRIANGLELIST,
                                  mesh->vertexCount, mesh->indexCount / 3, mesh->indices,
                                  mesh->drawn);
  }
  device._ForgetStreamBindings();
  device.SetVShader(device.IsSoftwareVP(), nullptr);
  device.SetPShader(nullptr);
}

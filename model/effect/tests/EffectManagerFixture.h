#pragma once

// A running effect manager over a renderer without a device: the definition and data files are
// served from memory, textures are made up, and every batch the manager would draw is recorded.

#include "model/effect/L3DEffectManager.h"
#include "model/effect/tests/EffectTestSupport.h"
#include "render/L3DRenderer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace effecttest {

using effectfile::bits;

// Event builders (values as stored, in file order).
inline effectfile::Event ev(int32_t frame, uint32_t kind, std::vector<uint32_t> values = {}) {
  return {frame, kind, std::move(values)};
}
inline effectfile::Event image(int32_t frame, uint32_t img, int32_t model = -1,
                               int32_t priority = 0) {
  return ev(frame, 3, {img, uint32_t(model), uint32_t(priority)});
}
inline effectfile::Event end(int32_t frame) { return ev(frame, 0); }
inline std::vector<uint32_t> floats(std::initializer_list<float> values) {
  std::vector<uint32_t> out;
  for (float f : values) out.push_back(bits(f));
  return out;
}

struct DrawCall {
  const L3D_EFFECT_BATCHKEY* key;
  std::vector<L3D_RENDERER_VERTEX> vertices;
  std::vector<uint16_t> indices;
};

class RecordingObserver : public L3DEffectDrawObserver {
 public:
  void OnDraw(const L3D_EFFECT_BATCHKEY& key, const L3D_RENDERER_VERTEX* vertices,
              uint32_t vertexCount, const uint16_t* indices, uint32_t indexCount) override {
    calls.push_back({&key, std::vector<L3D_RENDERER_VERTEX>(vertices, vertices + vertexCount),
                     std::vector<uint16_t>(indices, indices + indexCount)});
  }
  std::vector<DrawCall> calls;
};

// Images by default: 0 and 1 on texture 0 with blend 1 (additive) and 2 (ordered), 2 on
// texture 1 with blend 1, 3..7 on texture 0 with blend 1.
inline effectfile::Prop defaultProp() {
  effectfile::Prop p;
  p.textures = {0, 0};
  p.images.resize(8);
  for (effectfile::Image& i : p.images) i.blend = 1;
  p.images[1].blend = 2;
  p.images[2].texture = 1;
  return p;
}

class EffectManagerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    LMat identity;
    identity.SetIdentity();
    m_renderer.SetViewProjection(identity, identity);
    m_renderer.GetRandom().Seed(1234);
    m_manager.Create(&m_renderer);
    m_manager.SetTextureLoader(m_textures.Loader());
    m_manager.SetDrawObserver(&m_draws);
  }

  // Loads the definition and one data set (NNID 1) and returns the set.
  L3D_EFFECT_DATA* Load(const effectfile::Data& data,
                        const effectfile::Prop& prop = defaultProp()) {
    m_pack.Add("effdef.dat", effectfile::write(prop));
    m_pack.Add("effdata.dat", effectfile::write(data));
    m_manager.SetProp(PackScope::current(), "effdef");
    return m_manager.LoadData(1, PackScope::current(), "effdata");
  }

  // One root with the given root part and children.
  static effectfile::Data OneRoot(effectfile::Part root, std::vector<effectfile::Part> children = {},
                                  uint32_t flags = 0) {
    effectfile::Data d;
    d.roots.resize(1);
    d.roots[0].flags = flags;
    d.roots[0].root = std::move(root);
    d.roots[0].children = std::move(children);
    return d;
  }

  void Play(const L3D_EFFECT_DATA* data, uint32_t number = 0, int32_t life = -1,
            uint32_t delay = 0, const void* key = nullptr, const float* attach = nullptr,
            const float* trailA = nullptr, const float* trailB = nullptr,
            LVec3 position = {}) {
    m_manager.Play(data, number, delay, life, position, kQuatIdentity, {1.0f, 1.0f, 1.0f}, {},
                   key, attach, trailA, trailB);
  }

  uint32_t Roots() const {
    uint32_t n = 0;
    for (auto* r = m_manager.GetPlaying(); r != nullptr; r = r->next) ++n;
    return n;
  }
  static uint32_t Children(const L3D_EFFECT_WORKROOT* root) {
    uint32_t n = 0;
    for (auto* p = root->children; p != nullptr; p = p->childNext) ++n;
    return n;
  }

  FakeTextures m_textures;
  EffectPack m_pack;
  L3DRenderer m_renderer;
  RecordingObserver m_draws;
  L3DEffectManager m_manager;
  LerrCapture m_capture;
};

}  // namespace effecttest

#include "engines/rond/ScoreTip.h"

#include "engines/rond/Player.h"
#include "engines/rond/RondEngine.h"
#include "engines/rond/ScriptIndex.h"
#include "foundation/bytes/StateHash.h"
#include "model/effect/L3DEffectManager.h"
#include "model/math/EngineRandom.h"
#include "model/object/L3DObjectInstance.h"
#include "render/L3DRenderer.h"

#include <cmath>
#include <utility>

namespace rond {

namespace {

void stopKey(Engine* engine, ScoreTip& tip) {
  L3DEffectManager* effects = engine != nullptr ? engine->effectManager() : nullptr;
  if (effects != nullptr && tip.model.instance) effects->StopKey(tip.model.instance.Get());
}

// The instance at the tip's new place, keeping its previous place and the delta.
void placeInstance(ScoreTip& tip) {
  L3DObjectInstance* instance = tip.model.instance.Get();
  if (instance == nullptr) return;
  L3D_OBJINST_TRANSFORM& t = instance->transform;
  const float p[3] = {tip.position.x, tip.position.y, tip.position.z};
  for (int i = 0; i < 3; ++i) {
    t.previousPosition[i] = t.position[i];
    t.position[i] = p[i];
    t.deltaPosition[i] = t.position[i] - t.previousPosition[i];
  }
  instance->ForwardAnimFrame();
}

}  // namespace

bool stepScoreTip(ScoreTip& tip, const LVec3& target, const ScoreTipDefinition& definition) {
  switch (tip.state) {
    case ScoreTip::kRise:
      tip.position = {tip.position.x + tip.velocity.x, tip.position.y + tip.velocity.y,
                      tip.position.z + tip.velocity.z};
      if (tip.frame + 1 >= definition.riseFrames) {
        tip.state = ScoreTip::kWait;
        tip.frame = 0;
      } else {
        ++tip.frame;
      }
      return false;
    case ScoreTip::kWait:
      if (tip.frame + 1 >= definition.waitFrames) {
        tip.state = ScoreTip::kHome;
        tip.frame = 0;
      } else {
        ++tip.frame;
      }
      return false;
    case ScoreTip::kHome: {
      const LVec3 d{target.x - tip.position.x, target.y - tip.position.y,
                    target.z - tip.position.z};
      const float s = definition.homeSpeed;
      if ((d.x * d.x + d.y * d.y) + d.z * d.z <= s * s) return true;
      LVec3 n;
      vec3Normalize(n, d);
      tip.position = {tip.position.x + n.x * s, tip.position.y + n.y * s,
                      tip.position.z + n.z * s};
      ++tip.frame;
      return false;
    }
    default:
      return true;
  }
}

void ScoreTips::setDefinitionCount(int32_t n) {
  clearAll();
  definitions_.clear();
  definitions_.resize(size_t(n < 0 ? 0 : n));
}

void ScoreTips::define(int32_t index, const ScoreTipValues& values, const char16_t* directory) {
  if (!checkScriptIndex(index, int32_t(definitions_.size()), u"score tip")) return;
  ScoreTipDefinition& d = definitions_[size_t(index)];
  for (int side = 0; side < 2; ++side) {
    for (uint32_t i = 0; i < d.live[side]; ++i) stopKey(engine_, d.tips[side][i]);
  }
  d = ScoreTipDefinition{};
  d.notifyPlayers = values.notifyPlayers;
  d.riseFrames = values.riseFrames;
  d.riseSpeed = values.riseSpeed;
  d.yMin = values.yMin;
  d.yRange = values.yMax - values.yMin;
  d.waitFrames = values.waitFrames;
  d.homeSpeed = values.homeSpeed;
  d.capacity = values.count > 0 ? uint32_t(values.count) : 0;
  if (d.capacity == 0) return;
  d.tips[0].resize(d.capacity);
  d.tips[1].resize(d.capacity);
  Da3dObject& first = d.tips[0][0].model;
  first.loadWithNormalAnim(engine_->modelServices(), directory, values.geometryName.c_str());
  for (int side = 0; side < 2; ++side) {
    for (uint32_t i = side == 0 ? 1 : 0; i < d.capacity; ++i) {
      d.tips[side][i].model.cloneWithNormalAnim(first);
    }
  }
}

void ScoreTips::addTip(int32_t index, int32_t side, const FixedVec3& position) {
  if (!checkScriptIndex(index, int32_t(definitions_.size()), u"score tip")) return;
  ScoreTipDefinition& d = definitions_[size_t(index)];
  if (d.live[side] >= d.capacity) return;
  ScoreTip& tip = d.tips[side][d.live[side]++];
  if (tip.model.instance) tip.model.instance->ResetAnimFrame();
  tip.position = {fixedToFloat(position.x), fixedToFloat(position.y), fixedToFloat(position.z)};
  OMB_RANDOM* random = engine_->seededRandom();
  const float u1 = randomFloat(random);
  const float u2 = randomFloat(random);
  const float u3 = randomFloat(random);
  LVec3 v;
  vec3Normalize(v, LVec3{u1 - 0.5f, (d.yMin + u2 * d.yRange) * 0.5f, u3 - 0.5f});
  tip.velocity = {v.x * d.riseSpeed, v.y * d.riseSpeed, v.z * d.riseSpeed};
  tip.state = ScoreTip::kRise;
  tip.frame = 0;
}

void ScoreTips::clearAll() {
  for (ScoreTipDefinition& d : definitions_) {
    for (int side = 0; side < 2; ++side) {
      for (uint32_t i = 0; i < d.live[side]; ++i) stopKey(engine_, d.tips[side][i]);
      d.live[side] = 0;
    }
  }
}

void ScoreTips::moveTip(ScoreTip& source, ScoreTip& destination) {
  std::swap(source.model, destination.model);
  destination.position = source.position;
  destination.velocity = source.velocity;
  destination.state = source.state;
  destination.frame = source.frame;
}

void ScoreTips::update() {
  LVec3 targets[2];
  Player* players[2] = {engine_->player(0), engine_->player(1)};
  for (int side = 0; side < 2; ++side) {
    if (players[side] != nullptr) {
      const FixedVec3& c = players[side]->centre;
      targets[side] = {fixedToFloat(c.x), fixedToFloat(c.y), fixedToFloat(c.z)};
    }
  }
  for (ScoreTipDefinition& d : definitions_) {
    for (int side = 0; side < 2; ++side) {
      std::vector<ScoreTip>& tips = d.tips[side];
      uint32_t i = 0;
      while (i < d.live[side]) {
        ScoreTip& tip = tips[i];
        if (!stepScoreTip(tip, targets[side], d)) {
          placeInstance(tip);
          ++i;
          continue;
        }
        stopKey(engine_, tip);
        if (Player* p = players[side]) {
          for (const AttackPair& pair : d.notifyPlayers) {
            if (!checkScriptIndex(pair.first, int32_t(p->parameters.size()), u"parameter")) {
              continue;
            }
            PlayerParameter& parameter = p->parameters[size_t(pair.first)];
            parameter.set(int32_t(uint32_t(parameter.value) + uint32_t(pair.second)));
          }
        }
        const uint32_t last = d.live[side] - 1;
        if (i != last) moveTip(tips[last], tip);
        --d.live[side];
      }
    }
  }
}

void ScoreTips::draw(const float lightDirection[3], const float multiplier[4],
                     const float offset[4]) {
  L3DRenderer* renderer = engine_->renderer();
  if (renderer == nullptr) return;
  float d[3] = {lightDirection[0], lightDirection[1], lightDirection[2]};
  const float length = std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
  if (length > 0.0f) {
    for (float& c : d) c /= length;
  }
  renderer->SetLightDirection(d);
  for (ScoreTipDefinition& def : definitions_) {
    for (int side = 0; side < 2; ++side) {
      for (uint32_t i = 0; i < def.live[side]; ++i) {
        if (L3DObjectInstance* instance = def.tips[side][i].model.instance.Get()) {
          renderer->DrawObjectInstance(*instance, multiplier, offset, 0);
        }
      }
    }
  }
}

void ScoreTips::hash(StateHash& h) const {
  for (const ScoreTipDefinition& d : definitions_) {
    for (int side = 0; side < 2; ++side) {
      h.u32(d.live[side]);
      for (uint32_t i = 0; i < d.live[side]; ++i) {
        const ScoreTip& t = d.tips[side][i];
        h.f32(t.position.x).f32(t.position.y).f32(t.position.z).i32(t.state).i32(t.frame);
      }
    }
  }
}

}  // namespace rond

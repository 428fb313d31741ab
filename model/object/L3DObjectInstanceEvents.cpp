#include "foundation/lerr/lerr.h"
#include "foundation/lerr/lerrText.h"
#include "foundation/startup/Dmath.h"
#include "model/object/L3DObjectInstance.h"
#include "render/LResManager.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>

// Building the event sets of an instance, stepping them and the running texture animations.

namespace {

const L3D_OBJDATA_TEXAREA* findArea(dbtl::DList<L3D_OBJDATA_TEXAREA>* list, const L3DPoolRef& name) {
  if (list == nullptr) return nullptr;
  for (auto it = list->Begin(); it != list->End(); it = dbtl::DListBase::Next(it)) {
    const L3D_OBJDATA_TEXAREA* area = dbtl::DList<L3D_OBJDATA_TEXAREA>::Get(it).Get();
    const char* text = area->areaName.text != nullptr ? area->areaName.text : "";
    if (l3dNameEquals(text, area->areaName.length, name.text != nullptr ? name.text : "", name.length)) {
      return area;
    }
  }
  return nullptr;
}

// A scale between two areas; a source of width 0 would divide by zero, so it maps everything to
// the target's edge instead.
float areaScale(float target, float source) { return source != 0.0f ? target / source : 0.0f; }

// Frames until a scroll passes its limit, truncated toward zero, plus one. A speed of 0 never
// passes it (0: no restart); a quotient that is not finite or does not fit is clamped instead
// of converted out of range.
uint32_t scrollLength(float limit, float speed, float minimum, float maximum) {
  if (speed == 0.0f) return 0;
  const float q = speed > 0.0f ? (limit - maximum) / speed : (minimum - limit) / speed;
  if (!(q >= 0.0f)) return 1;
  if (q >= 4294967040.0f) return std::numeric_limits<uint32_t>::max();
  return static_cast<uint32_t>(q) + 1;
}

// The sine-table index of a wave counter. A period of 0 or 1 has no cycle to divide by and
// always gives index 0.
uint32_t waveIndex(uint32_t counter, uint32_t period) {
  if (period <= 1) return 0;
  const float q = static_cast<float>(counter) / static_cast<float>(period - 1);
  const double angle = static_cast<double>(q) * 6.2831855f * 651.8986469044033;
  return static_cast<uint32_t>(static_cast<int64_t>(angle)) & 4095u;
}

}  // namespace

void L3DObjectInstance::_CreateEvents(L3D_OBJINST_EVENTSET& set, dbtl::DList<L3D_OBJDATA_EVENT>& list,
                                      dbtl::DList<L3D_OBJDATA_TEXAREA>* areas) {
  set.events.clear();
  set.Rewind();
  set.events.reserve(list.GetCount());
  for (auto it = list.Begin(); it != list.End(); it = dbtl::DListBase::Next(it)) {
    const L3D_OBJDATA_EVENT* d = dbtl::DList<L3D_OBJDATA_EVENT>::Get(it).Get();
    if (d->type > L3D_EVENT_TEXANIM) {
      lerrFatal(lerrText(u"[L3DAnimInstance::__CreateEvents] 未対応のイベント種類(%d)").c_str(),
                static_cast<int>(d->type));
    }
    L3D_OBJINST_EVENT e;
    e.frame = static_cast<int32_t>(d->frame);
    e.data = d;
    e.kind = d->type;
    bool keep = true;
    switch (d->type) {
      case L3D_EVENT_TEXSET: {
        const auto* t = static_cast<const L3D_OBJDATA_EVENT_TEXSET*>(d);
        const L3D_OBJDATA_TEXAREA* src = findArea(areas, t->sourceArea);
        if (src == nullptr) src = findArea(&data->texAreas, t->sourceArea);
        const L3D_OBJDATA_TEXAREA* dst = findArea(areas, t->targetArea);
        if (dst == nullptr) dst = findArea(&data->texAreas, t->targetArea);
        if (src == nullptr || dst == nullptr) {
          keep = false;
          break;
        }
        dbtl::rcptr<L3D_PARTINST_MAT> mat = _FindMat(src->partName, src->materialName);
        if (!mat) {
          keep = false;
          break;
        }
        e.mat = mat.Get();
        const std::string textureName(dst->textureName.text != nullptr ? dst->textureName.text : "",
                                      dst->textureName.text != nullptr ? dst->textureName.length : 0);
        e.texture = ResolveTexture(textureName.c_str(), 1);
        e.srcLeft = src->left;
        e.scaleU = areaScale(dst->width, src->width);
        e.dstLeft = dst->left;
        e.srcTop = src->top;
        e.scaleV = areaScale(dst->height, src->height);
        e.dstTop = dst->top;
        break;
      }
      case L3D_EVENT_SE: {
        const auto* s = static_cast<const L3D_OBJDATA_EVENT_SE*>(d);
        e.groupIndex = static_cast<int32_t>(s->groupIndex);
        e.soundNumber = s->soundNumber;
        e.choiceCount = s->choiceCount;
        e.choices = s->choices.Get();
        L3D_PARTINST_TRANSFORM* t = _FindTransform(s->partName, s->boneName);
        e.attach = t != nullptr ? t->position : transform.position;
        break;
      }
      case L3D_EVENT_SYSTEM_EFFECT:
      case L3D_EVENT_EFFECT: {
        const auto* f = static_cast<const L3D_OBJDATA_EVENT_EFFECT*>(d);
        L3D_PARTINST_TRANSFORM* t = _FindTransform(f->partName, f->boneName);
        e.attach = t != nullptr ? t->position : transform.position;
        L3D_PARTINST_TRANSFORM* a = _FindTransform(f->partName2, f->boneName2);
        L3D_PARTINST_TRANSFORM* b = _FindTransform(f->partName3, f->boneName3);
        e.trailA = a != nullptr ? a->position : nullptr;
        e.trailB = b != nullptr ? b->position : nullptr;
        e.effectData = d->type == L3D_EVENT_SYSTEM_EFFECT ? systemEffects : ownEffects;
        e.effectNumber = f->effectNumber;
        if (!e.effectData) {
          if (resolver.nnid == nullptr) {
            lerrLog(0, "%s", lerrText(u"[L3DAnimInstance::__CreateEvents] エフェクトデータが存在しない").c_str());
          } else {
            lerrLog(0, lerrText(u"[L3DAnimInstance::__CreateEvents] エフェクトデータが存在しない(%s)").c_str(),
                    LResManager::GetNnidName(resolver.nnid));
          }
        }
        break;
      }
      case L3D_EVENT_SETCOLL: {
        const auto* c = static_cast<const L3D_OBJDATA_EVENT_SETCOLL*>(d);
        for (auto g = collGroups.Begin(); g != collGroups.End(); g = dbtl::DListBase::Next(g)) {
          L3DCollGroupInstance* group = dbtl::DList<L3DCollGroupInstance>::Get(g).Get();
          const char* name = group->data->name.GetText() != nullptr ? group->data->name.GetText() : "";
          if (l3dNameEquals(name, static_cast<uint32_t>(std::strlen(name)),
                            c->groupName.text != nullptr ? c->groupName.text : "", c->groupName.length)) {
            e.group = group;
            break;
          }
        }
        if (e.group == nullptr) {
          lerrFatal("%s", lerrText(u"[L3DAnimInstance::__CreateEvents] setcollのnameが異常").c_str());
        }
        e.value = c->value;
        break;
      }
      case L3D_EVENT_GOFRAME:
        e.targetFrame = static_cast<int32_t>(static_cast<const L3D_OBJDATA_EVENT_GOFRAME*>(d)->targetFrame);
        break;
      case L3D_EVENT_TEXANIM: {
        const auto* a = static_cast<const L3D_OBJDATA_EVENT_TEXANIM*>(d);
        dbtl::rcptr<L3D_PARTINST_MAT> mat = _FindMat(a->partName, a->materialName);
        if (!mat) {
          keep = false;
          break;
        }
        e.mat = mat.Get();
        e.waveOn = a->waveOn;
        e.ampU = a->ampU;
        e.ampV = a->ampV;
        e.heightScaled = a->heightScaled;
        e.baseU = a->baseU;
        e.baseV = a->baseV;
        e.periodU = a->periodU;
        e.periodV = a->periodV;
        e.scrollOn = a->scrollOn;
        e.speedU = a->speedU;
        e.speedV = a->speedV;
        e.limitU = a->limitU;
        e.limitV = a->limitV;
        break;
      }
      default:
        break;
    }
    if (keep) set.events.push_back(std::move(e));
  }
  std::stable_sort(set.events.begin(), set.events.end(),
                   [](const L3D_OBJINST_EVENT& a, const L3D_OBJINST_EVENT& b) { return a.frame < b.frame; });
}

void L3DObjectInstance::_StepEvents(L3D_OBJINST_EVENTSET& set) {
  set.currentFrame += 1;
  bool jumped = false;
  for (;;) {
    bool jump = false;
    int32_t target = 0;
    while (set.nextIndex < set.count() && set.events[set.nextIndex].frame <= set.currentFrame) {
      const L3D_OBJINST_EVENT& e = set.events[set.nextIndex];
      // One jump a step: a jump reached again after a jump in this step (a target frame that
      // holds the jump itself) waits for the next step instead of looping forever.
      if (jumped && e.kind == L3D_EVENT_GOFRAME) break;
      set.nextIndex += 1;
      int32_t t = 0;
      if (_workEvent(e, t, 0)) {
        jump = true;
        target = t;
      }
    }
    if (!jump) return;
    jumped = true;
    set.currentFrame = target;
    set.nextIndex = set.count();
    for (uint32_t i = 0; i < set.count(); ++i) {
      if (set.events[i].frame >= target) {
        set.nextIndex = i;
        break;
      }
    }
  }
}

bool L3DObjectInstance::_workEvent(const L3D_OBJINST_EVENT& e, int32_t& target, uint32_t delay) {
  if (services.trace != nullptr) services.trace->OnEvent(this, e);
  switch (e.kind) {
    case L3D_EVENT_TEXSET: {
      L3D_PARTINST_MAT& m = *e.mat;
      m.currentTexture = e.texture ? e.texture
                                   : (m.currentMaterial != nullptr ? m.currentMaterial->texture
                                                                   : dbtl::rcptr<L3DTexture>());
      const L3D_RENDERER_VERTEX* source = m.mesh->vertices.vertices.Get();
      for (uint32_t v = 0; v < m.vertexCount; ++v) {
        m.vertices[v].u = (source[v].u - e.srcLeft) * e.scaleU + e.dstLeft;
        m.vertices[v].v = (source[v].v - e.srcTop) * e.scaleV + e.dstTop;
      }
      m.flags |= L3D_PARTINST_MAT_UPLOAD | L3D_PARTINST_MAT_UV_CHANGED;
      return false;
    }
    case L3D_EVENT_SE: {
      if ((flags & L3D_OBJINST_BUILDING) != 0 || services.seManager == nullptr) return false;
      uint32_t sound = e.soundNumber;
      if (e.choiceCount > 0) {
        const int32_t pick = _Random().NextRange(static_cast<int32_t>(e.choiceCount - 1), 0);
        sound = e.choices[pick];
      }
      LSeManager::_GROUPINFO* group = nullptr;
      if (e.groupIndex >= 0 && static_cast<uint32_t>(e.groupIndex) < seGroups.count) {
        group = seGroups.groups[static_cast<uint32_t>(e.groupIndex)];
      }
      services.seManager->Play(sound, group, this, reinterpret_cast<const LSePositionSource*>(e.attach));
      return false;
    }
    case L3D_EVENT_SYSTEM_EFFECT:
    case L3D_EVENT_EFFECT: {
      if (!e.effectData || services.effects == nullptr) return false;
      const auto* f = static_cast<const L3D_OBJDATA_EVENT_EFFECT*>(e.data);
      L3DEffectPlayRequest request;
      request.data = e.effectData;
      request.number = e.effectNumber;
      request.delay = delay;
      request.life = f->life;
      request.position = f->position;
      request.rotation = f->rotation;
      request.scale = f->scale;
      request.tag = f->tag;
      request.key = this;
      request.attach = e.attach;
      request.trailA = e.trailA;
      request.trailB = e.trailB;
      services.effects->Play(request);
      return false;
    }
    case L3D_EVENT_SETCOLL: {
      L3DCollGroupInstance& g = *e.group;
      if ((e.value & 1) != 0) {
        g.flags |= L3D_COLLINST_ENABLED;
      } else if ((e.value & 2) != 0) {
        g.flags &= ~L3D_COLLINST_ENABLED;
      }
      for (uint32_t s = 0; s < g.sphereCount; ++s) g.spheres[s].flags &= ~L3D_COLLINST_SPHERE_POSITIONED;
      return false;
    }
    case L3D_EVENT_GOFRAME:
      target = e.targetFrame;
      return true;
    case L3D_EVENT_TEXANIM: {
      L3D_OBJINST_TSR r;
      r.event = &e;
      const L3D_PARTINST_MAT& m = *e.mat;
      if (e.scrollOn != 0 && m.vertexCount > 0) {
        const L3D_RENDERER_VERTEX* source = m.mesh->vertices.vertices.Get();
        float minU = source[0].u, maxU = source[0].u, minV = source[0].v, maxV = source[0].v;
        for (uint32_t v = 1; v < m.vertexCount; ++v) {
          minU = std::min(minU, source[v].u);
          maxU = std::max(maxU, source[v].u);
          minV = std::min(minV, source[v].v);
          maxV = std::max(maxV, source[v].v);
        }
        r.scrollLengthU = scrollLength(e.limitU, e.speedU, minU, maxU);
        r.scrollLengthV = scrollLength(e.limitV, e.speedV, minV, maxV);
      }
      residents.push_back(r);
      return false;
    }
    default:
      lerrFatal(lerrText(u"[L3DObjectInstance::_workEvent] 未対応のイベント種類(%d)").c_str(),
                static_cast<int>(e.kind));
  }
}

void L3DObjectInstance::_ApplyResident(L3D_OBJINST_TSR& r) {
  const L3D_OBJINST_EVENT& e = *r.event;
  if (e.kind != L3D_EVENT_TEXANIM) {
    lerrFatal(lerrText(u"[L3DObjectInstance::ForwardAnimFrame] 未対応の常駐イベント種類(%d)").c_str(),
              static_cast<int>(e.kind));
  }
  L3D_PARTINST_MAT& m = *e.mat;
  const L3D_RENDERER_VERTEX* source = m.mesh->vertices.vertices.Get();
  for (uint32_t v = 0; v < m.vertexCount; ++v) {
    m.vertices[v].u = source[v].u;
    m.vertices[v].v = source[v].v;
  }
  m.flags |= L3D_PARTINST_MAT_DRAW_COPY | L3D_PARTINST_MAT_UPLOAD | L3D_PARTINST_MAT_UV_CHANGED |
             L3D_PARTINST_MAT_TEXANIM;
  if (e.scrollOn != 0) {
    if (r.scrollCounterU != 0) {
      const float du = e.speedU * static_cast<float>(r.scrollCounterU);
      for (uint32_t v = 0; v < m.vertexCount; ++v) m.vertices[v].u += du;
    }
    r.scrollCounterU += 1;
    if (r.scrollCounterU == r.scrollLengthU) r.scrollCounterU = 0;
    if (r.scrollCounterV != 0) {
      const float dv = e.speedV * static_cast<float>(r.scrollCounterV);
      for (uint32_t v = 0; v < m.vertexCount; ++v) m.vertices[v].v += dv;
    }
    r.scrollCounterV += 1;
    if (r.scrollCounterV == r.scrollLengthV) r.scrollCounterV = 0;
  }
  if (e.waveOn != 0) {
    const float su = DmathSinTable[waveIndex(r.waveCounterU, e.periodU)];
    const float cv = DmathSinTable[waveIndex(r.waveCounterV, e.periodV) + 1024];
    const float du = e.ampU * su;
    const float dv = e.ampV * cv;
    for (uint32_t v = 0; v < m.vertexCount; ++v) {
      if (e.heightScaled != 0) {
        m.vertices[v].u += (source[v].y - e.baseU) * du;
        m.vertices[v].v += (source[v].y - e.baseV) * dv;
      } else {
        m.vertices[v].u += du;
        m.vertices[v].v += dv;
      }
    }
    r.waveCounterU += 1;
    if (r.waveCounterU == e.periodU) r.waveCounterU = 0;
    r.waveCounterV += 1;
    if (r.waveCounterV == e.periodV) r.waveCounterV = 0;
  }
}

#include "render/post/PostEffectNatives.h"

#include "render/post/PostEffect.h"
#include "render/post/PostEffectWater.h"
#include "script/ScriptNative.h"

#include <string>

namespace {

PostEffectLookup g_lookup = nullptr;

PostEffect* current(HSQUIRRELVM vm) { return g_lookup != nullptr ? g_lookup(vm) : nullptr; }

bool present(const ScriptObject& t, const char16_t* key) {
  return t.getType() == OT_TABLE && t.hasSlot(key);
}

// Absent keys read as 0; numbers of either kind are accepted.
float number(const ScriptObject& t, const char16_t* key) {
  if (!present(t, key)) return 0.0f;
  const ScriptObject v = t.getSlot(key);
  if (v.getType() == OT_FLOAT) return v.toFloat();
  if (v.getType() == OT_INTEGER) return static_cast<float>(v.toInteger());
  return 0.0f;
}

int32_t integer(const ScriptObject& t, const char16_t* key) {
  if (!present(t, key)) return 0;
  const ScriptObject v = t.getSlot(key);
  if (v.getType() == OT_INTEGER) return v.toInteger();
  if (v.getType() == OT_FLOAT) {
    const float f = v.toFloat();
    // Truncated toward zero; out of range (or not a number) reads as 0 rather than an
    // undefined conversion.
    if (f > -2147483648.0f && f < 2147483648.0f) return static_cast<int32_t>(f);
  }
  return 0;
}

// The name as the script gave it, cut to 31 units; empty when absent or not a string.
std::u16string name(const ScriptObject& t, const char16_t* key) {
  if (!present(t, key)) return {};
  const ScriptObject v = t.getSlot(key);
  if (v.getType() != OT_STRING) return {};
  std::u16string text = v.toString();
  if (text.size() > 31) text.resize(31);
  return text;
}

void levels(const ScriptObject& t, int32_t gauss[4], float alpha[4]) {
  for (uint32_t k = 0; k < 4; ++k) {
    const std::u16string digit(1, char16_t(u'0' + k));
    gauss[k] = integer(t, (u"gaussLevel" + digit).c_str());
    alpha[k] = number(t, (u"alpha" + digit).c_str());
  }
}

int32_t systemRegistPostEffect(HSQUIRRELVM vm, int32_t type, ScriptObject params) {
  return postEffectRegist(current(vm), type, params);
}

void systemClearPostEffect(HSQUIRRELVM vm, int32_t handle) {
  PostEffect* effect = current(vm);
  if (effect == nullptr) return;
  // A water handle, a stale handle and a made-up number find no entry and change nothing.
  auto* entry = static_cast<PostEffectEntry*>(scriptHandles().find(handle, kPostEffectHandle));
  if (entry != nullptr) effect->removeEffect(entry);
}

void systemClearPostEffectAll(HSQUIRRELVM vm) {
  if (PostEffect* effect = current(vm)) effect->clearEffects();
}

void systemClearPostEffectWater(HSQUIRRELVM vm) {
  if (PostEffect* effect = current(vm)) effect->clearWater();
}

}  // namespace

int32_t postEffectHandle(PostEffectEntry* entry) {
  return scriptHandleOf(kPostEffectHandle, entry);
}

int32_t postEffectWaterHandle(PostEffectWater* water) {
  return scriptHandleOf(kPostEffectWaterHandle, water);
}

int32_t postEffectRegist(PostEffect* effect, int32_t type, const ScriptObject& t) {
  if (effect == nullptr || !effect->initialised() || type < 1 || type > 9) return 0;
  int32_t gauss[4];
  float alpha[4];
  switch (type) {
    case POSTEFFECT_BRIGHT: {
      const float bright = number(t, u"bright");
      levels(t, gauss, alpha);
      return postEffectHandle(effect->addBright(bright, gauss, alpha));
    }
    case POSTEFFECT_DIFFUSE:
      levels(t, gauss, alpha);
      return postEffectHandle(effect->addDiffuse(gauss, alpha, number(t, u"bias")));
    case POSTEFFECT_OVERLAY_COLOR:
    case POSTEFFECT_SOFTLIGHT_COLOR:
    case POSTEFFECT_HARDLIGHT_COLOR: {
      const float r = number(t, u"red"), g = number(t, u"green"), b = number(t, u"blue");
      const float a = number(t, u"alpha");
      if (type == POSTEFFECT_OVERLAY_COLOR) return postEffectHandle(effect->addOverlayColor(r, g, b, a));
      if (type == POSTEFFECT_SOFTLIGHT_COLOR) {
        return postEffectHandle(effect->addSoftlightColor(r, g, b, a));
      }
      return postEffectHandle(effect->addHardlightColor(r, g, b, a));
    }
    case POSTEFFECT_ZOOM_BLUR: {
      const float cx = number(t, u"centerX"), cy = number(t, u"centerY");
      const float range = number(t, u"centerRange"), bias = number(t, u"centerBias");
      const float power = number(t, u"power");
      const int32_t start = integer(t, u"frameStart"), end = integer(t, u"frameEnd");
      const int32_t dead = integer(t, u"frameDead");
      return postEffectHandle(
          effect->setZoomBlur(cx, cy, range, bias, power, start, end, dead));
    }
    case POSTEFFECT_SHIMMER: {
      const std::u16string noise = name(t, u"noiseName");
      const float sx = number(t, u"sizeX"), sy = number(t, u"sizeY");
      const float px = number(t, u"powerX"), py = number(t, u"powerY");
      const float vx = number(t, u"speedX"), vy = number(t, u"speedY");
      const float a = number(t, u"alpha");
      return postEffectHandle(effect->setShimmer(noise.c_str(), sx, sy, px, py, vx, vy, a));
    }
    case POSTEFFECT_WATER: {
      float v[8];
      const char16_t* keys[8] = {u"powerRedX",   u"powerRedY",  u"powerGreenX", u"powerGreenY",
                                 u"powerBlueX",  u"powerBlueY", u"brightMin",   u"brightMax"};
      for (uint32_t k = 0; k < 8; ++k) v[k] = number(t, keys[k]);
      const std::u16string n0 = name(t, u"noiseName0");
      const float sx0 = number(t, u"sizeX0"), sy0 = number(t, u"sizeY0");
      const float vx0 = number(t, u"speedX0"), vy0 = number(t, u"speedY0");
      const std::u16string n1 = name(t, u"noiseName1");
      const float sx1 = number(t, u"sizeX1"), sy1 = number(t, u"sizeY1");
      const float vx1 = number(t, u"speedX1"), vy1 = number(t, u"speedY1");
      return postEffectWaterHandle(effect->setWater(v[0], v[1], v[2], v[3], v[4], v[5], v[6],
                                                    v[7], n0.c_str(), sx0, sy0, vx0, vy0,
                                                    n1.c_str(), sx1, sy1, vx1, vy1));
    }
    default:
      levels(t, gauss, alpha);
      return postEffectHandle(effect->addAlpha(gauss, alpha));
  }
}

void registerPostEffectApi(const ScriptObject& table, PostEffectLookup lookup) {
  g_lookup = lookup;
  table.registerFunction(u"systemClearPostEffect", &systemClearPostEffect)
      .registerFunction(u"systemClearPostEffectAll", &systemClearPostEffectAll)
      .registerFunction(u"systemClearPostEffectWater", &systemClearPostEffectWater)
      .registerFunction(u"systemRegistPostEffect", &systemRegistPostEffect);
}

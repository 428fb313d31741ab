#include "host/engine/EngineNatives.h"

#include "foundation/omb/ombRandom.h"
#include "host/engine/Engine.h"
#include "host/globals/GlobalNatives.h"
#include "host/system/System.h"

#include <algorithm>

int32_t randomInRange(uint32_t word, int32_t a, int32_t b) {
  const int64_t low = std::min(a, b);
  const int64_t high = std::max(a, b);
  const uint64_t span = uint64_t(high - low + 1);
  return int32_t(low + int64_t(uint64_t(word) % span));
}

int32_t engineGetRandomRange(HSQUIRRELVM vm, int32_t a, int32_t b) {
  return randomInRange(ombRandomGetU32(callerEngine(vm).seededRandom()), a, b);
}

void bgmFadeout(HSQUIRRELVM vm, int32_t time) {
  BgmPlayer* bgm = callerSystem(vm).bgmPlayer();
  if (bgm == nullptr || !bgm->_GetStream()) return;
  bgm->_GetStream()->FadeOut(uint32_t(time < 0 ? 1 : time));
}

void bgmStop(HSQUIRRELVM vm) {
  if (BgmPlayer* bgm = callerSystem(vm).bgmPlayer()) bgm->stop();
}

void bgmSetVolume(HSQUIRRELVM vm, float volume) {
  BgmPlayer* bgm = callerSystem(vm).bgmPlayer();
  if (bgm != nullptr && bgm->_GetStream()) bgm->_GetStream()->SetVolume(volume);
}

void inputCustomize(HSQUIRRELVM vm, const char16_t* name) {
  if (InputManager* input = callerSystem(vm).inputManager()) input->setScript(name);
}

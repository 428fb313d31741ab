// The root table's sound natives: a base's sound effects and the music of the root script's
// directory.

#include "engines/vell/Engine.h"
#include "engines/vell/FieldObject.h"
#include "engines/vell/Map.h"
#include "host/engine/EngineNatives.h"
#include "host/system/System.h"
#include "script/ScriptNative.h"
#include "sound/bgm/BgmPlayer.h"

namespace vell {

namespace {

// The sound-effect group of a base: the map's and each object's own groups, the engine's for
// every other kind; type 1 picks the voice group.
LSeManager::_GROUPINFO* groupOf(Engine& engine, Base& base, int32_t type) {
  const bool voice = type == 1;
  if (base.kind == kBaseMap && engine.map() != nullptr && &engine.map()->base == &base) {
    return voice ? engine.map()->voiceGroup : engine.map()->seGroup;
  }
  if (Object* o = objectOfBase(&base)) return voice ? o->voiceGroup : o->seGroup;
  return voice ? engine.voiceGroup() : engine.seGroup();
}

void basePlaySe(HSQUIRRELVM vm, int32_t id, int32_t type, int32_t number) {
  Engine& engine = fieldEngine(vm);
  Base* base = id == 0 ? engine.currentBase()
                       : static_cast<Base*>(scriptHandles().get(id, kBaseHandleKind));
  if (base == nullptr || number < 0 || engine.system() == nullptr) return;
  LSeManager* se = engine.system()->seManager();
  LSeManager::_GROUPINFO* group = groupOf(engine, *base, type);
  if (se != nullptr && group != nullptr) se->Play(uint32_t(number), group, nullptr, nullptr);
}

BgmPlayer* bgmOf(Engine& engine) {
  return engine.system() != nullptr ? engine.system()->bgmPlayer() : nullptr;
}

void bgmPlay(HSQUIRRELVM vm, const char16_t* intro, const char16_t* loop, bool looping) {
  Engine& engine = fieldEngine(vm);
  if (BgmPlayer* bgm = bgmOf(engine)) bgm->play(engine.rootBase()->directory, intro, loop, looping);
}

// A negative type becomes a large one, which has no volume and plays nothing.
void bgmPlaySound(HSQUIRRELVM vm, int32_t volumeType, const char16_t* name) {
  Engine& engine = fieldEngine(vm);
  if (BgmPlayer* bgm = bgmOf(engine)) {
    bgm->playSound(uint32_t(volumeType), engine.rootBase()->directory, name);
  }
}

}  // namespace

void registerBasePlaySe(const ScriptObject& table) {
  table.registerFunction(u"basePlaySe", &basePlaySe);
}

void registerBgmNatives(const ScriptObject& table) {
  table.registerFunction(u"bgmPlay", &bgmPlay)
      .registerFunction(u"bgmStop", &bgmStop)
      .registerFunction(u"bgmSetVolume", &bgmSetVolume)
      .registerFunction(u"bgmFadeout", &bgmFadeout)
      .registerFunction(u"bgmPlaySound", &bgmPlaySound);
}

}  // namespace vell

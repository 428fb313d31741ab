// The root table's post-effect natives: the host's, acting on the engine's own post effect.

#include "engines/vell/Engine.h"
#include "render/post/PostEffectNatives.h"

namespace vell {

namespace {

// Null when the renderer refused the engine a post effect: registering then gives 0.
PostEffect* enginePostEffect(HSQUIRRELVM vm) {
  ::Engine* engine = ::Engine::fromVm(vm);
  return engine != nullptr ? engine->postEffect() : nullptr;
}

}  // namespace

void registerPostEffectNatives(const ScriptObject& table) {
  registerPostEffectApi(table, &enginePostEffect);
}

}  // namespace vell

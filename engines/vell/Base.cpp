#include "engines/vell/Base.h"

#include "engines/vell/Engine.h"
#include "script/ScriptManager.h"
#include "script/ScriptThread.h"
#include "script/ScriptValueSerial.h"

#include <utility>

namespace vell {

const ScriptHandleKind kBaseHandleKind{u"base"};

namespace {

// Sets the engine's current base for the life of the scope: the second base runs as the root.
class CurrentBaseScope {
 public:
  explicit CurrentBaseScope(Base& base)
      : engine_(*base.engine), saved_(engine_.currentBase()) {
    engine_.setCurrentBase(base.kind == kBaseSecond ? engine_.rootBase() : &base);
  }
  ~CurrentBaseScope() {
    engine_.setCurrentBase(saved_ != nullptr && saved_->kind == kBaseSecond ? engine_.rootBase()
                                                                            : saved_);
  }
  CurrentBaseScope(const CurrentBaseScope&) = delete;
  CurrentBaseScope& operator=(const CurrentBaseScope&) = delete;

 private:
  Engine& engine_;
  Base* saved_;
};

}  // namespace

Base::~Base() {
  release();
  args = ScriptObject();
  share = ScriptObject();
}

void Base::init(Engine* owner, uint32_t baseKind, const char16_t* scriptDirectory) {
  engine = owner;
  kind = baseKind;
  directory = scriptDirectory;
}

void Base::run(const char16_t* scriptName, const ScriptObject& table) {
  share = ScriptObject();
  ScriptThread::destroy(std::exchange(thread, nullptr));
  CurrentBaseScope scope(*this);
  thread = new ScriptThread(engine->scriptManager(), table);
  // The thread's engine is the host's engine base of the field engine (natives reach it with
  // Engine::fromVm); its self is this base.
  ::Engine* host = engine;
  thread->loadRelative(directory, scriptName, host, this);
}

void Base::resume() {
  if (thread == nullptr) return;
  CurrentBaseScope scope(*this);
  thread->resume();
}

void Base::release() {
  if (engine == nullptr) return;
  share = ScriptObject();
  args = ScriptObject();
  ScriptThread::destroy(std::exchange(thread, nullptr));
  scriptHandles().remove(std::exchange(handle, 0));
  directory = nullptr;
  engine = nullptr;
}

// Values are held through the engine's own machine: the thread whose native handed them over
// may be gone by the time the base lets them go.
ScriptObject Base::bound(const ScriptObject& value) const {
  if (value.getVm() == nullptr) return value;
  return ScriptObject::reference(engine->scriptManager()->vm.vm, value.getObject());
}

void Base::setArgs(const ScriptObject& value) { args = bound(value); }

void Base::setArgsFromBuffer(OMB_ARRAY* buffer) {
  setArgs(deserializeScriptValue(buffer, *engine->scriptManager()));
  freeScriptValueBuffer(buffer);
}

void Base::setShare(const ScriptObject& value) { share = bound(value); }

ScriptObject Base::valueOrNull(const ScriptObject& value) const {
  if (value.getVm() != nullptr && !value.isNull()) return value;
  return ScriptObject::newNull(engine->scriptManager()->vm.vm);
}

ScriptObject Base::getArgs() const { return valueOrNull(args); }
ScriptObject Base::getShare() const { return valueOrNull(share); }

int32_t Base::id() { return scriptHandleOf(kBaseHandleKind, this); }

}  // namespace vell

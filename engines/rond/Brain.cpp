#include "engines/rond/Brain.h"

#include "engines/rond/RondEngine.h"
#include "engines/rond/ScriptIndex.h"
#include "script/ScriptThread.h"

#include <utility>

namespace rond {

namespace {

// The brain's own seed: the match's seed spread by the slot, so the two brains of a match draw
// different numbers and a match replays them alike. 0 would ask the generator for the clock.
uint32_t brainSeed(uint32_t matchSeed, int32_t slot) {
  const uint32_t seed = matchSeed * 2654435761u + 0x9E3779B9u * uint32_t(slot + 1);
  return seed != 0 ? seed : 1;
}

}  // namespace

ControllerBrain::ControllerBrain(uint32_t recordKind, Engine* engine, const char16_t* directory,
                                 int32_t level, int32_t slot)
    : Controller(recordKind),
      engine_(engine),
      directory_(engine->internDirectory(directory)),
      level_(level),
      slot_(slot) {}

ControllerBrain::~ControllerBrain() { destroyThread(); }

void ControllerBrain::destroyThread() {
  if (thread_ != nullptr) ScriptThread::destroy(std::exchange(thread_, nullptr));
}

void ControllerBrain::release() {
  destroyThread();
  random_.reset();
  slot_ = 2;
  level_ = 0;
  directory_ = nullptr;
  engine_ = nullptr;
  Controller::release();
}

void ControllerBrain::start() {
  if (engine_ == nullptr) return;
  destroyThread();
  previousHeld_.fill(0);
  previousAnalog_.fill(0.0f);
  random_.reset(ombRandomCreate(brainSeed(engine_->seed(), slot_)));
  thread_ = new ScriptThread(engine_->scriptManager(), engine_->brainTable());
  thread_->loadRelative(directory_, u"main", static_cast<::Engine*>(engine_), this);
}

void ControllerBrain::setValue(int32_t index, float value) {
  if (checkScriptIndex(index, kButtons, u"analog")) analog_[uint32_t(index)] = value;
}

void ControllerBrain::refresh() {
  if (engine_ != nullptr && engine_->taskEnabled()) {
    analog_.fill(0.0f);
    if (thread_ != nullptr) thread_->resume();
    for (int i = 0; i < kButtons; ++i) {
      const float value = analog_[size_t(i)];
      const uint8_t down = value >= kHeldThreshold ? 1 : 0;
      held()[i] = down;
      pressed()[i] = down != 0 && previousHeld_[size_t(i)] == 0 ? 1 : 0;
      third()[i] = previousAnalog_[size_t(i)] < kThirdFrom && value > kThirdTo ? 1 : 0;
      previousHeld_[size_t(i)] = down;
    }
    previousAnalog_ = analog_;
  }
  record();
}

}  // namespace rond

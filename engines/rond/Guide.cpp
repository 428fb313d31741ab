#include "engines/rond/Guide.h"

#include "engines/rond/RondEngine.h"
#include "host/engine/EngineSprite1.h"
#include "host/system/System.h"
#include "script/ScriptThread.h"

#include <cstdlib>
#include <utility>

namespace rond {

Guide::~Guide() {
  stop();
  std::free(std::exchange(random_, nullptr));
}

void Guide::stop() {
  if (thread_ != nullptr) ScriptThread::destroy(std::exchange(thread_, nullptr));
  if (spritesMade_) {
    sprite1::systemDestroy(&sprites_);
    spritesMade_ = false;
  }
}

void Guide::start() {
  stop();
  System* system = engine_->system();
  if (system != nullptr && system->renderer() != nullptr) {
    sprite1::systemCreate(&sprites_, engineSprite1Config(*system));
    spritesMade_ = true;
  }
  // Seeded from the round, so a guide behaves alike in a replay; it never feeds the simulation.
  // A zero seed would mean "the time".
  if (random_ == nullptr) {
    const uint32_t seed = engine_->seed() ^ (0x85EBCA6Bu * uint32_t(target_ + 1));
    random_ = ombRandomCreate(seed != 0 ? seed : 1);
  }
  thread_ = new ScriptThread(engine_->scriptManager(), engine_->guideTable());
  thread_->loadRelative(engine_->systemDirectory(), target_ == kNoSlot ? u"guideSystem" : u"guidePlayer",
                        static_cast<::Engine*>(engine_), this);
}

void Guide::resume() {
  if (thread_ != nullptr) thread_->resume();
}

void Guide::draw() {
  if (spritesMade_) sprite1::drawAll(&sprites_);
}

}  // namespace rond

#pragma once

#include "foundation/omb/ombRandom.h"
#include "render/sprite1/sprite1.h"
#include "script/ScriptObject.h"

#include <cstdint>

struct ScriptThread;

namespace rond {

class Engine;

// A script that draws on top of the match with its own layer-1 sprite set: the system guide
// (target 2, script "guideSystem") or a player guide for one view (target 0 or 1,
// "guidePlayer"), both from the system directory, on the guide table.
class Guide {
 public:
  Guide(Engine* engine, int32_t target) : engine_(engine), target_(target) {}
  ~Guide();
  Guide(const Guide&) = delete;
  Guide& operator=(const Guide&) = delete;

  // (Re)creates the sprite set (only where a renderer draws it) and the script thread.
  void start();
  void resume();
  void draw();

  Engine* engine() const { return engine_; }
  int32_t target() const { return target_; }
  // The guide's sprite set; null where no renderer draws it.
  sprite1::System* sprites() { return spritesMade_ ? &sprites_ : nullptr; }
  // The guide's own generator (see registerGuideApi).
  OMB_RANDOM* random() const { return random_; }
  ScriptThread* thread() const { return thread_; }

 private:
  void stop();

  Engine* engine_;
  int32_t target_;
  sprite1::System sprites_;
  bool spritesMade_ = false;
  ScriptThread* thread_ = nullptr;
  OMB_RANDOM* random_ = nullptr;
};

// The natives of the guide table (GuideNatives.cpp). Player guides run only where their view is
// drawn, which differs between the runtimes of a network match and between a match and its
// replay, so no guide may reach the simulation: its random draws come from the guide's own
// generator and the common table's parameter write is refused.
void registerGuideApi(const ScriptObject& table);

}  // namespace rond

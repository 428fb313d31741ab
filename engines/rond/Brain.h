#pragma once

#include "foundation/omb/ombRandom.h"
#include "net/controller/Controller.h"
#include "script/ScriptObject.h"

#include <array>
#include <cstdint>
#include <cstdlib>
#include <memory>

struct ScriptThread;

namespace rond {

class Engine;

// An AI brain: a controller whose 16 analog values a script in the engine's brain table writes
// every frame (`ctrlSetValue`); the values become the same pressed, held and third flags a game
// pad gives, so a player cannot tell a brain from a device.
//
// A brain runs only while a match is recorded or played live: playback drives the slot from the
// replay instead. So nothing a brain does may reach the simulation except through its flags and
// values, which the replay records. It draws random numbers from a generator of its own (seeded
// from the match's seed and its slot) and never from the engine's, whose draws a replay must
// repeat one for one; the brain table refuses the natives that would change the match.
class ControllerBrain : public Controller {
 public:
  // A value at or above this holds the button.
  static constexpr float kHeldThreshold = 0.5f;
  // The third flag: from below the first to above the second since the previous frame.
  static constexpr float kThirdFrom = 0.01f;
  static constexpr float kThirdTo = 0.99f;

  ControllerBrain(uint32_t recordKind, Engine* engine, const char16_t* directory, int32_t level,
                  int32_t slot);
  ~ControllerBrain() override;

  // Frees the script thread, forgets the engine and directory (slot 2, level 0), frees the log.
  void release() override;
  int32_t getType() const override { return kTypeBrain; }
  // With tasks on: values cleared, the script resumed once, the flags computed from its values;
  // with tasks off the flags stay. Recorded either way.
  void refresh() override;

  // (Re)starts the script "main" of the brain directory with the brain as its self object.
  void start();
  // This frame's analog value of a button (0 to 15; other indices are the script error of the
  // engine's index check).
  void setValue(int32_t index, float value);

  Engine* engine() const { return engine_; }
  const char16_t* directory() const { return directory_; }
  int32_t level() const { return level_; }
  int32_t slot() const { return slot_; }
  OMB_RANDOM* random() const { return random_.get(); }
  ScriptThread* thread() const { return thread_; }

 private:
  struct FreeRandom {
    void operator()(OMB_RANDOM* generator) const { std::free(generator); }
  };

  void destroyThread();

  Engine* engine_ = nullptr;
  const char16_t* directory_ = nullptr;
  int32_t level_ = 0;
  int32_t slot_ = 2;
  std::array<uint8_t, kButtons> previousHeld_{};
  std::array<float, kButtons> previousAnalog_{};
  ScriptThread* thread_ = nullptr;
  std::unique_ptr<OMB_RANDOM, FreeRandom> random_;
};

// The brain table's natives (BrainNatives.cpp).
void registerBrainApi(const ScriptObject& table);

}  // namespace rond

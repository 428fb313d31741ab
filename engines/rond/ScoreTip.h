#pragma once

#include "engines/rond/Attack.h"
#include "foundation/math/LVec3.h"
#include "model/load/Da3dObject.h"
#include "model/math/FixedPoint.h"

#include <cstdint>
#include <string>
#include <vector>

class StateHash;

namespace rond {

class Engine;

// A tip model that rose out of an erased bullet, waits, then flies into its side's player.
struct ScoreTip {
  enum State : int32_t { kRise = 0, kWait = 1, kHome = 2 };
  Da3dObject model;
  LVec3 position, velocity;  // world units
  int32_t state = kRise;
  int32_t frame = 0;
};

// What systemDefineScoretip reads from its table.
struct ScoreTipValues {
  std::u16string geometryName;
  int32_t count = 0;
  std::vector<AttackPair> notifyPlayers;
  int32_t riseFrames = 0;
  float riseSpeed = 0, yMin = 0, yMax = 0;
  int32_t waitFrames = 0;
  float homeSpeed = 0;
};

// One kind of tip: `capacity` preallocated tips per side, the live ones packed at the front.
struct ScoreTipDefinition {
  uint32_t capacity = 0;
  uint32_t live[2] = {0, 0};
  std::vector<ScoreTip> tips[2];
  std::vector<AttackPair> notifyPlayers;
  int32_t riseFrames = 0;
  float riseSpeed = 0, yMin = 0, yRange = 0;
  int32_t waitFrames = 0;
  float homeSpeed = 0;
};

// One frame of a tip toward the target (world units); true when it arrived.
bool stepScoreTip(ScoreTip& tip, const LVec3& target, const ScoreTipDefinition& definition);

// The engine's score tips: definitions from the system script, tips added when bullets are
// eroded, credited to their side's player when they arrive.
class ScoreTips {
 public:
  explicit ScoreTips(Engine* engine) : engine_(engine) {}

  // Every live tip stopped, then n empty definitions (negative counts as 0).
  void setDefinitionCount(int32_t n);
  // Fills a definition: its tips are made now (the first loads the model from the directory,
  // every other one is its clone), never during play.
  void define(int32_t index, const ScoreTipValues& values, const char16_t* directory);
  // The side's next idle tip rises from the position (fixed point); nothing when all are live
  // or the index names no definition (a script error).
  void addTip(int32_t index, int32_t side, const FixedVec3& position);
  void clearAll();
  void update();
  void draw(const float lightDirection[3], const float multiplier[4], const float offset[4]);
  // The source's model and motion into the destination's place (the two models swap).
  static void moveTip(ScoreTip& source, ScoreTip& destination);

  void hash(StateHash& h) const;
  const std::vector<ScoreTipDefinition>& definitions() const { return definitions_; }

 private:
  Engine* engine_;
  std::vector<ScoreTipDefinition> definitions_;
};

}  // namespace rond

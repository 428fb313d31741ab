#pragma once

#include "model/math/FixedPoint.h"
#include "script/ScriptObject.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace rond {

struct PlayerParameter;

struct AttackPair {
  int32_t first;
  int32_t second;
};

// How a definition is read or copied: in full, or inheriting (absent keys stay unspecified: no
// list, -1 for the integers).
enum class AttackInherit { No, Yes };

// What a hit does: parameter changes on the victim, score tips to erase, bullet levels. A list
// without a value is unspecified (inheriting definitions only); the end marks of the stored
// lists are implied by their sizes.
struct AttackDefinition {
  std::optional<std::vector<AttackPair>> notifyPlayers;
  std::optional<std::vector<AttackPair>> eraseScoretips;
  int32_t victimLevel = 0;
  int32_t victimCost = 0;
  int32_t erosionLevel = 0;
  int32_t erosionCost = 0;

  static AttackDefinition read(const ScriptObject& table, AttackInherit inherit);
  // The source's lists and integers; an unspecified list becomes empty unless inheriting.
  void copy(const AttackDefinition& source, AttackInherit inherit);
};

// A player's registered attack; scripts hold it by handle.
struct AttackNode {
  AttackDefinition definition;
  int32_t handle = 0;
};

// The damage rule on a victim's parameters: each pair in order adds its amount to the parameter
// while that parameter's condition sum stays below its limit. Indices outside the table (of a
// pair or of a condition) are the script error of the index check and the pair is skipped.
void applyParameterDamage(std::vector<PlayerParameter>& parameters,
                          const std::vector<AttackPair>* pairs);

// The yaw from the victim back toward the source of a hit (delta = victim - attacker), in 1/1024
// radian; the current rotation when the hit came from straight above or below.
int32_t damageAngle(const FixedVec3& delta, int32_t currentRotation);

}  // namespace rond

#include "engines/rond/Attack.h"

#include "engines/rond/Object.h"
#include "engines/rond/PlayerParameter.h"
#include "engines/rond/ScriptIndex.h"
#include "foundation/math/DetMath.h"

namespace rond {

namespace {

std::optional<std::vector<AttackPair>> readPairs(const ScriptObject& table, const char16_t* key,
                                                 AttackInherit inherit, bool clampSecond) {
  ScriptObject array = table.findSlot(key);
  if (array.isNull()) {
    if (inherit == AttackInherit::Yes) return std::nullopt;
    return std::vector<AttackPair>{};
  }
  std::vector<AttackPair> pairs;
  const int32_t size = array.getSize();
  for (int32_t i = 0; i + 1 < size; i += 2) {
    AttackPair pair{array.getIntegerSlotByIndex(i, 0), array.getIntegerSlotByIndex(i + 1, 0)};
    if (clampSecond && pair.second < 1) pair.second = 0;
    pairs.push_back(pair);
  }
  return pairs;
}

int32_t readLevel(const ScriptObject& table, const char16_t* key, AttackInherit inherit) {
  if (!table.hasSlot(key)) return inherit == AttackInherit::Yes ? -1 : 0;
  const int32_t v = table.getIntegerSlot(key);
  return v < 0 ? 0 : v;
}

}  // namespace

AttackDefinition AttackDefinition::read(const ScriptObject& table, AttackInherit inherit) {
  AttackDefinition d;
  d.notifyPlayers = readPairs(table, u"notifyPlayers", inherit, false);
  d.eraseScoretips = readPairs(table, u"eraseScoretips", inherit, true);
  d.victimLevel = readLevel(table, u"victimLevel", inherit);
  d.victimCost = readLevel(table, u"victimCost", inherit);
  d.erosionLevel = readLevel(table, u"erosionLevel", inherit);
  d.erosionCost = readLevel(table, u"erosionCost", inherit);
  return d;
}

void AttackDefinition::copy(const AttackDefinition& source, AttackInherit inherit) {
  auto list = [&](const std::optional<std::vector<AttackPair>>& from) {
    if (from || inherit == AttackInherit::Yes) return from;
    return std::optional<std::vector<AttackPair>>(std::vector<AttackPair>{});
  };
  notifyPlayers = list(source.notifyPlayers);
  eraseScoretips = list(source.eraseScoretips);
  victimLevel = source.victimLevel;
  victimCost = source.victimCost;
  erosionLevel = source.erosionLevel;
  erosionCost = source.erosionCost;
}

void applyParameterDamage(std::vector<PlayerParameter>& parameters,
                          const std::vector<AttackPair>* pairs) {
  if (pairs == nullptr) return;
  const int32_t count = int32_t(parameters.size());
  for (const AttackPair& pair : *pairs) {
    if (!checkScriptIndex(pair.first, count, u"parameter")) continue;
    PlayerParameter& p = parameters[uint32_t(pair.first)];
    int32_t sum = 0;
    bool valid = true;
    for (const ParameterCondition& c : p.conditions) {
      if (!checkScriptIndex(c.id, count, u"parameter")) {
        valid = false;
        break;
      }
      const float term = static_cast<float>(parameters[uint32_t(c.id)].value) * c.factor;
      sum = int32_t(uint32_t(sum) + uint32_t(roundFixed(term)));
    }
    if (!valid || sum >= p.conditionFlag) continue;
    p.set(int32_t(uint32_t(p.value) + uint32_t(pair.second)));
  }
}

int32_t damageAngle(const FixedVec3& delta, int32_t currentRotation) {
  if (delta.x == 0 && delta.z == 0) return currentRotation;
  const float y = static_cast<float>(-int64_t(delta.x)) * kFixedToFloat;
  const float x = static_cast<float>(-int64_t(delta.z)) * kFixedToFloat;
  float a = detmath::atan2(y, x);
  while (a > 6.2831855f) a -= 6.2831855f;
  while (a < 0.0f) a += 6.2831855f;
  return roundFixed(a * 1024.0f);
}

}  // namespace rond

#include "engines/rond/PlayerParameter.h"

namespace rond {

namespace {

float rangeOf(int32_t min, int32_t max) {
  return min == max ? 0.0f : static_cast<float>(int64_t(max) - int64_t(min));
}

int32_t clampTo(int32_t v, int32_t min, int32_t max) {
  if (v < min) return min;
  if (v > max) return max;
  return v;
}

}  // namespace

void PlayerParameter::init(const ParameterDefinition& definition) {
  min = definition.min;
  max = definition.max;
  range = rangeOf(min, max);
  value = range != 0.0f ? clampTo(definition.value, min, max) : definition.value;
  tag = definition.tag;
}

void PlayerParameter::set(int32_t v) { value = range != 0.0f ? clampTo(v, min, max) : v; }

void PlayerParameter::setRange(int32_t newMin, int32_t newMax) {
  min = newMin;
  max = newMax;
  range = rangeOf(min, max);
  if (range != 0.0f) value = clampTo(value, min, max);
}

void PlayerParameter::define(int32_t newMin, int32_t newMax, int32_t newTag) {
  setRange(newMin, newMax);
  tag = newTag;
}

void PlayerParameter::resizeConditions(uint32_t count, int32_t flag) {
  if (count == 0) {
    conditions.clear();
    conditions.shrink_to_fit();
    conditionFlag = 1;
    return;
  }
  if (count != conditions.size()) conditions.assign(count, ParameterCondition{});
  conditionFlag = flag;
}

float PlayerParameter::rate() const {
  if (range == 0.0f) return 0.0f;
  return static_cast<float>(int64_t(value) - int64_t(min)) / range;
}

void ParameterTables::setSystemCount(int32_t n) {
  if (n > 0 && uint32_t(n) > system.size()) system.resize(uint32_t(n));
}

void ParameterTables::setPlayerCount(int32_t n) {
  if (n > 0 && uint32_t(n) > player.size()) player.resize(uint32_t(n));
}

void ParameterTables::clear() {
  system.clear();
  player.clear();
}

}  // namespace rond

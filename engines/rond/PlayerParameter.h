#pragma once

#include <cstdint>
#include <vector>

namespace rond {

// One term of a parameter's condition: the value of parameter `id` times `factor`.
struct ParameterCondition {
  int32_t id = -1;
  float factor = 1.0f;
};

// What the engine defines for every player parameter; a player's record starts from it.
struct ParameterDefinition {
  int32_t value = 0;
  int32_t min = 0;
  int32_t max = 0;
  int32_t tag = 0;
};

// An integer with a range, used for the system parameters and for each player's parameters. A
// range of 0.0 (min equal to max) switches clamping off. Clamping tests min first, so with min
// above max every value ends at min or max, never between.
struct PlayerParameter {
  int32_t value = 0;
  int32_t min = 0;
  int32_t max = 0;
  float range = 0.0f;
  std::vector<ParameterCondition> conditions;
  // The damage rule's limit: a change applies only while the condition sum stays below it.
  int32_t conditionFlag = 1;
  int32_t tag = 0;

  // min, max, range and tag from the definition; its value, clamped.
  void init(const ParameterDefinition& definition);
  // Stores the value, clamped when the range is non-zero.
  void set(int32_t v);
  // min and max; with a non-zero range the current value is clamped into them.
  void setRange(int32_t newMin, int32_t newMax);
  // The system parameters' define: setRange, then the tag.
  void define(int32_t newMin, int32_t newMax, int32_t newTag);
  // 0 frees the terms and sets the flag to 1; another count makes fresh terms; the same count
  // keeps them. Non-zero counts take the given flag.
  void resizeConditions(uint32_t count, int32_t flag);
  // (value - min) / range; 0.0 without a range.
  float rate() const;
};

// The engine's two tables: the system parameters and the player parameter definitions. Counts
// only grow; a negative count is 0.
struct ParameterTables {
  std::vector<PlayerParameter> system;
  std::vector<ParameterDefinition> player;

  void setSystemCount(int32_t n);
  void setPlayerCount(int32_t n);
  void clear();
};

}  // namespace rond

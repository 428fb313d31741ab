#pragma once

#include <cstdint>

// The common way to poll buttons: a context and four operations over it. A tracker, the input
// manager's players and a network session's players are all read through one.
struct InputSource {
  void* context = nullptr;
  void (*poll)(void* context) = nullptr;
  uint32_t (*count)(void* context) = nullptr;
  int32_t (*flag)(void* context, uint32_t index) = nullptr;
  float (*value)(void* context, uint32_t index) = nullptr;
};

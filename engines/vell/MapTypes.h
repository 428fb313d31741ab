#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The event records and event groups of a field map.
namespace vell {

inline constexpr uint32_t kEventDisabled = 1;
// Derived, never read from the file: at least one of the group's events is enabled.
inline constexpr uint32_t kGroupHasEnabledEvent = 0x80000000u;
inline constexpr uint32_t kGroupNameCapacity = 33;
inline constexpr uint32_t kOptionCapacity = 1024;

struct MapEvent {
  uint32_t flags = 0;  // bit 0: disabled
  int32_t no = 0;
  int32_t type = 0;
  std::vector<std::u16string> options;
};

struct MapGroup {
  std::u16string name;  // lower-cased, at most 32 units
  uint32_t flags = 0;
  std::vector<MapEvent*> events;
};

}  // namespace vell

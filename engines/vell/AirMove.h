#pragma once

#include "engines/vell/CollTriangle.h"
#include "model/math/FixedPoint.h"

#include <cstdint>

// Movement through the air: one straight step stopped or deflected by walls and caught by
// ceilings and floors, and the air move of one object for one frame (a vertical part, then the
// step). Lengths are fixed point (1/1024 unit), angles radians x 1024.
namespace vell {

class Map;

inline constexpr uint32_t kAirOptionSlide = 1;

// Air step results: stopped by a wall, hit a ceiling.
inline constexpr uint32_t kAirWall = 1;
inline constexpr uint32_t kAirCeiling = 2;

// One object's air move for one frame: the inputs from the object, then the results.
struct AirMove {
  int32_t radius = 0;
  int32_t height = 0;
  FixedVec3 startPosition{};
  int32_t rise = 0;      // vertical, positive up
  int32_t distance = 0;  // horizontal
  int32_t angle = 0;
  CollTriangle* landHint = nullptr;  // the land the move leaves, or none
  uint32_t options = 0;              // kAirOptionSlide
  int32_t slideAngle = 0;
  CollTriangle* resultTriangle = nullptr;
  FixedVec3 endPosition{};
  uint32_t resultFlags = 0;
  Vec3f reflect{0, 0, 1};
};

struct AirState {
  CollTriangle* landTriangle = nullptr;  // set when the step lands
  FixedVec3 position{};
  uint32_t flags = 0;  // kAirWall, kAirCeiling
  int32_t rise = 0;
  int32_t distance = 0;
  Vec3f dir{0, 0, 1};  // horizontal; y unused
  Vec3f reflect{0, 0, 1};
};

// One air step with up to `budget` further wall contacts.
void moveAir(AirState& state, const CollQuery& query, int budget);

// One frame's air move of an object: fills the record's result triangle, end position, result
// flags and reflect.
void moveObjectAir(Map& map, AirMove& move);

}  // namespace vell

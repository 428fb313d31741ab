#pragma once

#include "engines/vell/FieldObject.h"

// The push apart of an object standing in another on land: one short land move away from the
// first object it overlaps.
namespace vell {

class Map;
class ObjectSpace;

// The land move of 102 (0.1 unit) that a push apart makes.
inline constexpr int32_t kPushDistance = 102;

// True when the record's object overlaps another object standing on land and was moved away
// from it: the result triangle and position are filled.
bool pushApart(Map& map, ObjectSpace& space, PushApart& record);

}  // namespace vell

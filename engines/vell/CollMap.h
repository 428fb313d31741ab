#pragma once

#include "engines/vell/CollTriangle.h"
#include "model/math/FixedPoint.h"
#include "model/object/L3DModelServices.h"

#include <cstdint>

class L3DObjectData;

// An object's own collision geometry: the triangles of a model, turned by the object's angle
// and placed at its position, taken from the map's spare triangle records and entered in the
// map's tree while enabled. A platform or lift moves it, carrying the objects that stand on its
// land triangles (its riders), lifting and pushing the objects it meets.
namespace vell {

class Map;
class ObjectSpace;

inline constexpr uint32_t kCollMapSetSize = 16;
inline constexpr uint32_t kCollMapEnabled = 1;

struct CollMap {
  uint32_t flags = 0;
  FixedVec3 position{};
  FixedVec3 boxMin{};
  FixedVec3 boxMax{};
  CollTriangle* sets[3][kCollMapSetSize + 1] = {};
  FixedVec3 local[3][kCollMapSetSize][3] = {};
};

enum CollMapMoveFlag : uint32_t {
  kCollMapRelink = 1,
  kCollMapNoPushDown = 2,
  kCollMapNoPush = 4,
  kCollMapFullMove = 8,
};

struct CollMapMove {
  int32_t rise = 0;
  int32_t distance = 0;
  int32_t angle = 0;
  uint32_t flags = 0;
  FixedVec3 result{};
};

// Builds a disabled collision map from "<directory><name>.dgo"; null when the model has no data.
CollMap* collMapLoad(Map& map, const L3DModelServices& services, const char16_t* directory,
                     const char16_t* name, const FixedVec3& origin, int32_t angle);
// The same from loaded model data (the tests build their models in memory).
CollMap* collMapBuild(Map& map, const L3DObjectData& data, const FixedVec3& origin,
                      int32_t angle);
void collMapSetEnable(Map& map, CollMap& collMap, bool on);
void collMapMoveTo(CollMap& collMap, const FixedVec3& to, Map& map);
// One frame's move of a platform; the objects it meets are found in `space`.
void collMapUpdate(Map& map, ObjectSpace& space, CollMap& collMap, CollMapMove& move);
void collMapRotateRiders(Map& map, CollMap& collMap, const FixedVec3& pivot, int32_t angle);
// The collision map's land triangle under or over p nearest in height, or null.
CollTriangle* collMapFloorUnder(const CollMap& collMap, int32_t& outY, const FixedVec3& p);

}  // namespace vell

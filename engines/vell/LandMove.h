#pragma once

#include "engines/vell/CollTriangle.h"
#include "engines/vell/ObjectSpace.h"
#include "engines/vell/SpaceItem.h"
#include "model/math/FixedPoint.h"

#include <cstdint>

// Land movement over the map: the walker that follows the land triangles by their links, with
// its walk and slip strategies, the sweep of a mover's cylinder against the other objects, and
// the land move of one object for one frame. Lengths are fixed point (1/1024 unit), angles
// radians x 1024, directions unit float vectors.
namespace vell {

class Map;
struct LandHit;

inline constexpr uint32_t kLandOptionSlide = 1;
inline constexpr uint32_t kLandOptionSlip = 2;

// Walk results: stopped at an edge or corner without a neighbour (or did not move), blocked
// by a wall or an object, and (added by moveObjectLand) ended on slippery ground.
inline constexpr uint32_t kWalkStopped = 1;
inline constexpr uint32_t kWalkBlocked = 2;
inline constexpr uint32_t kWalkOnSlip = 4;

// One object's land move for one frame: the inputs from the object, then the results.
struct LandMove {
  const SpaceItem* self = nullptr;  // skipped by the object sweeps
  CollTriangle* startTriangle = nullptr;
  int32_t radius = 0;
  int32_t height = 0;
  FixedVec3 startPosition{};
  int32_t distance = 0;
  int32_t angle = 0;
  uint32_t options = 0;  // kLandOptionSlide, kLandOptionSlip
  int32_t slideAngle = 0;
  int32_t slipAngle = 0;
  int32_t slipFall = 0;
  CollTriangle* endTriangle = nullptr;
  FixedVec3 endPosition{};
  uint32_t resultFlags = 0;
  Vec3f reflect{0, 0, 1};
};

// The walker's fixed context.
struct LandQuery {
  ObjectSpace* engine = nullptr;  // the engine's object collision space, or none
  const SpaceItem* self = nullptr;
  int32_t radius = 0;
  int32_t height = 0;
  int32_t slideLimit = 0x7FFFFFFF;
  int32_t slipLimit = 0x7FFFFFFF;
  bool startsOnSlip = false;
  const FixedVec3* boundsMin = nullptr;
  const FixedVec3* boundsMax = nullptr;
  CollTree* tree = nullptr;
  int32_t* pushCounter = nullptr;

  // The move record's start triangle must be set.
  static void init(LandQuery& query, const LandMove& move, ObjectSpace* engine,
                   const FixedVec3& boundsMin, const FixedVec3& boundsMax, CollTree* tree,
                   int32_t* pushCounter);
};

inline constexpr uint32_t kWalkVisitedCapacity = 13;

// How the walker turns a request into steps: walking keeps the heading on the slope, slipping
// runs down the steepest descent within a fall budget.
struct WalkStrategy {
  Vec3f (*direction)(WalkStrategy& strategy, const CollTriangle& triangle,
                     const Vec3f& requested) = nullptr;
  Vec3f (*step)(WalkStrategy& strategy, const Vec3f& direction, int32_t remaining) = nullptr;
  int32_t (*distance)(WalkStrategy& strategy, const Vec3f& from, const Vec3f& to) = nullptr;
  float stepLength = 0;  // set by the slip step
  float fall = 0;        // the current triangle's fall budget, set before each step
  // The triangles entered since the last real move; bounds the changes without a move.
  uint32_t visitedCount = 0;
  const CollTriangle* visited[kWalkVisitedCapacity] = {};

  void useWalk();
  void useSlip();
  void resetVisited(const CollTriangle* current) {
    visitedCount = 1;
    visited[0] = current;
  }
};

struct WalkState {
  CollTriangle* triangle = nullptr;
  FixedVec3 position{};
  uint32_t flags = 0;  // kWalkStopped, kWalkBlocked
  int32_t remaining = 0;
  Vec3f dir{0, 0, 1};  // the requested direction
  Vec3f reflect{0, 0, 1};
  float fall = 0;  // the fall budget (units) still allowed
};

Vec3f walkDirection(WalkStrategy& strategy, const CollTriangle& triangle, const Vec3f& requested);
Vec3f walkStep(WalkStrategy& strategy, const Vec3f& direction, int32_t remaining);
int32_t walkDistance(WalkStrategy& strategy, const Vec3f& from, const Vec3f& to);
Vec3f slipDirection(WalkStrategy& strategy, const CollTriangle& triangle, const Vec3f& requested);
Vec3f slipStep(WalkStrategy& strategy, const Vec3f& direction, int32_t remaining);
int32_t slipDistance(WalkStrategy& strategy, const Vec3f& from, const Vec3f& to);

// Walks until the distance is used up or the walk ends; true when its last step moved more
// than 1/1024 and it may be called again. `depth` bounds the slides along walls and objects.
bool walkLand(const LandQuery& query, WalkState& state, WalkStrategy& strategy, int depth);

// The mover's cylinder (radius, height above its base) swept from start to end in the x/z
// plane against the objects standing on land, `self` skipped. On a contact: where it stops and
// the rest of the move pushed out of the other cylinder by 0.03.
bool sweepObjects(FixedVec3& outPosition, FixedVec3& outMove, const FixedVec3& start,
                  const FixedVec3& end, int32_t radius, int32_t height, ObjectSpace* engine,
                  const SpaceItem* self);

// Placing a mover at a point: the land triangle there counts only when its surface passes
// through the point exactly (a point 1/1024 above the land is not on it).
CollTriangle* landAtPoint(Map& map, const FixedVec3& p);
// Placing a mover on the land at a point's x/z: the land triangle nearest in height and the
// point on it; where there is no land, no triangle and the requested point.
LandHit landPlacement(Map& map, const FixedVec3& p);

// One frame's land move of an object over the map: fills the record's end triangle, end
// position, result flags and reflect.
void moveObjectLand(Map& map, ObjectSpace* engine, LandMove& move);

}  // namespace vell

#pragma once

#include "engines/vell/CollTriangle.h"
#include "engines/vell/MapData.h"
#include "engines/vell/MapTypes.h"
#include "engines/vell/ObjectSpace.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

// The collision side of a field map: the events and groups, the three triangle sets with their
// links, the tree over them and the land and ground look-ups. The map's models, sounds and
// script are the engine's business and are built on top of this.
namespace vell {

// Records every set keeps beyond the file's triangles for the collision maps of objects.
inline constexpr uint32_t kSpareTriangles = 200;
// The depths the two tree kinds are always built with for kinds 0 and 1.
inline constexpr uint32_t kQuadDepth = 10;
inline constexpr uint32_t kOctDepth = 7;

struct TriangleSet {
  std::unique_ptr<CollTriangle[]> triangles;
  uint32_t count = 0;
  uint32_t capacity = 0;
};

struct LandHit {
  CollTriangle* triangle = nullptr;
  FixedVec3 point{};
};

struct GroundHit {
  CollTriangle* triangle = nullptr;
  int32_t height = 0;
};

class Map {
 public:
  Map();
  ~Map();
  Map(const Map&) = delete;
  Map& operator=(const Map&) = delete;

  // Reads "<mapDirectory><dataName>.caym" through the file layer (archives first, then the
  // disk) and builds from it; a missing or broken file ends the game with its message. The
  // object space, when given, is set up over the map's bounds.
  void loadData(const char16_t* mapDirectory, const char16_t* dataName, ObjectSpace* space);
  // The same from parsed data; whatever an earlier load built is released first.
  void build(const MapFileData& data, ObjectSpace* space);
  void unload();

  // Refreshes each group's "has an enabled event" bit and every live triangle's groupFlags.
  void updateCache();
  const MapEvent* getEvent(uint32_t index) const;
  // The index-th enabled event of the triangle's group, as of the last updateCache.
  static const MapEvent* getTriangleEvent(const CollTriangle& triangle, uint32_t index);
  // Enabling or disabling an event; an index past the events is ignored.
  void setEventEnable(uint32_t index, bool enable);

  // The land triangle at P's x/z whose surface lies nearest in height to P.
  std::optional<LandHit> findLand(const FixedVec3& p);
  // The highest land triangle at P's x/z at or below P.
  std::optional<GroundHit> findGround(const FixedVec3& p);

  CollQuery makeQuery(int32_t radius, int32_t height);

  TriangleSet& set(int i) { return sets_[i]; }
  const std::vector<MapEvent>& events() const { return events_; }
  std::vector<MapGroup>& groups() { return groups_; }
  int32_t nextGroupNumber() const { return nextGroupNumber_; }
  const FixedVec3& boundsMin() const { return boundsMin_; }
  const FixedVec3& boundsMax() const { return boundsMax_; }
  CollTree& tree() { return tree_; }
  // The depth the live tree was built with.
  uint32_t treeDepth() const;

 private:
  std::vector<MapEvent> events_;
  std::vector<MapGroup> groups_;
  TriangleSet sets_[3];
  int32_t nextGroupNumber_ = 0;
  FixedVec3 boundsMin_{};
  FixedVec3 boundsMax_{};
  OMB_ARRAY results_{};
  CollTree tree_;
};

}  // namespace vell

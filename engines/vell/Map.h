#pragma once

#include "engines/vell/Base.h"
#include "engines/vell/CollTriangle.h"
#include "engines/vell/Decal.h"
#include "engines/vell/MapData.h"
#include "engines/vell/MapTypes.h"
#include "engines/vell/ObjectSpace.h"
#include "model/load/Da3dObject.h"
#include "script/ScriptObject.h"
#include "sound/se/LSeManager.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

// The one map of a running field engine. Its collision side (events and groups, the three
// triangle sets with their links, the tree, the land and ground look-ups) stands alone; set up
// by the engine, the map is also a script base of its own with its models (a main layer, up to
// four more and a water model, all taken through the engine's model cache), its sound groups
// and its light.
namespace vell {

class Engine;
class ShadowList;
struct CacheEntry;
struct CollMap;

inline constexpr uint32_t kMapLayers = 5;
inline constexpr uint32_t kMapHidden = 1;
inline constexpr uint32_t kMapBackColor = 2;

// A model of the map: its cache entry, this map's own instance and its "start" animation.
struct MapLayer {
  CacheEntry* resource = nullptr;
  Da3dObject object;
  dbtl::rcptr<L3DAnimInstance> anim;
  bool present() const { return resource != nullptr; }
};

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

  // The engine's map "<base directory>map/<name>/" with the data name that names its data file,
  // models, sound groups and script: everything is loaded and the map's script runs.
  void setup(Engine& owner, const char16_t* name, const char16_t* dataName);
  // Releases the models, sound groups and collision data that setup loaded.
  void unloadAll();
  // One frame: the map's script, the draw-stamp cursor, the layer and water animations.
  void update();
  // Shows or hides the models: hidden layers stop their animation, shown ones restart it.
  void setShow(bool show);
  void draw();
  void drawBackground();
  void drawWater();
  // Stamps the decal on the land under the stamp's centre; nothing when there is no land there.
  void addDecal(const DecalHandle* handle, const DecalStamp& stamp);
  // The decal pass, unless the map is hidden: the stamps, then the shadows that have ground,
  // walked into the batch. drawDecals does it on the renderer's device.
  void collectDecals(DecalBatch& batch, const ShadowList* shadows);
  void drawDecals(const ShadowList* shadows);
  // The script table of an event (null past the events); made once per load.
  ScriptObject eventTable(uint32_t index) const;

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
  // The next spare record of a set (0 to 2), or null when the set has none left.
  CollTriangle* takeSpare(int setIndex);
  // n fresh group numbers; returns the first.
  int32_t takeGroupNumbers(int32_t n);
  // The collision maps of objects, owned here and freed with the collision data.
  std::vector<std::unique_ptr<CollMap>>& collMaps() { return collMaps_; }
  // The depth the live tree was built with.
  uint32_t treeDepth() const;

  Base base;
  Engine* engine = nullptr;
  const char16_t* name = nullptr;
  const char16_t* dataName = nullptr;
  LSeManager::_GROUPINFO* seGroup = nullptr;
  LSeManager::_GROUPINFO* voiceGroup = nullptr;
  uint32_t flags = 0;
  MapLayer layers[kMapLayers];
  MapLayer water;
  float lightDirection[3] = {0.0f, 1.0f, 1.0f};
  float lightColor[4] = {0.0f, 0.0f, 0.0f, 1.0f};
  float ambientColor[4] = {1.0f, 1.0f, 1.0f, 1.0f};
  float backColor[4] = {0.0f, 0.0f, 0.0f, 0.0f};
  float decalOffset[3] = {0.0f, 0.0f, 0.0f};
  uint32_t drawStamp = 1;
  uint32_t stampCursor = 0;
  MapDecals decals;

 private:
  void loadModels();
  void unloadModels();
  void loadLayer(MapLayer& layer, CacheEntry* resource);
  void releaseLayer(MapLayer& layer);
  void makeEventTables();
  const char16_t* directory() const { return base.directory; }

  std::vector<ScriptObject> eventTables_;
  std::vector<MapEvent> events_;
  std::vector<MapGroup> groups_;
  TriangleSet sets_[3];
  int32_t nextGroupNumber_ = 0;
  FixedVec3 boundsMin_{};
  FixedVec3 boundsMax_{};
  OMB_ARRAY results_{};
  CollTree tree_;
  std::vector<std::unique_ptr<CollMap>> collMaps_;
};

}  // namespace vell

#include "engines/vell/Map.h"

#include "engines/vell/CollMap.h"
#include "foundation/file/File.h"
#include "foundation/lerr/lerr.h"
#include "foundation/lerr/lerrParsed.h"
#include "foundation/omb/file/ombFile.h"
#include "foundation/omb/file/ombPath.h"

#include <cmath>
#include <cstddef>
#include <cstdlib>

namespace vell {

namespace {

std::vector<uint8_t> readWholeFile(const char16_t* path) {
  File file;
  file.create(path, OMB_FILE_MODE_READ, 0);
  // The file layer has reported the missing file at level 0, which ends the game; a hook that
  // returns must not let a map be built from nothing.
  if (!file.isOpen()) {
    lerrThrow();
  }
  std::vector<uint8_t> bytes;
  bytes.resize(static_cast<std::size_t>(file.bytesLeft()));
  if (!bytes.empty()) {
    file.read(bytes.data(), static_cast<uint32_t>(bytes.size()));
  }
  return bytes;
}

CollTriangle* linkTo(CollTriangle* base, int32_t index) {
  return index == kNoLink ? nullptr : base + index;
}

bool outsideXZ(const FixedVec3& p, const FixedVec3& lo, const FixedVec3& hi) {
  return p.x < lo.x || p.x > hi.x || p.z < lo.z || p.z > hi.z;
}

}  // namespace

Map::Map() {
  // Pointer-sized: the array holds triangle addresses.
  ombArrayInit(&results_, sizeof(void*), 1024);
  tree_.results = &results_;
}

Map::~Map() {
  unload();
  ombArrayUninit(&results_);
}

void Map::loadData(const char16_t* mapDirectory, const char16_t* dataName, ObjectSpace* space) {
  char16_t path[256];
  ombPathMake(256, path, mapDirectory, dataName, u"caym");
  const std::vector<uint8_t> bytes = readWholeFile(path);
  const Parsed<MapFileData> parsed = parseMapData(bytes);
  lerrFatalIfFailed(parsed);
  build(parsed.value(), space);
}

CollTriangle* Map::takeSpare(int setIndex) {
  TriangleSet& s = sets_[setIndex];
  if (s.count >= s.capacity) return nullptr;
  return &s.triangles[s.count++];
}

int32_t Map::takeGroupNumbers(int32_t n) {
  const int32_t first = nextGroupNumber_;
  nextGroupNumber_ += n;
  return first;
}

void Map::unload() {
  decals.clear();  // the stamps point at the triangles
  collMaps_.clear();
  for (TriangleSet& s : sets_) {
    for (uint32_t i = 0; i < s.count; ++i) {
      CollTriangle& t = s.triangles[i];
      tree_.remove(&t);
      ombListInit(&t.riders, kRiderLinkOffset);
    }
    s.triangles.reset();
    s.count = 0;
    s.capacity = 0;
  }
  groups_.clear();
  if (tree_.quadtree != nullptr) {
    ombQuadTreeUninit(tree_.quadtree);
    delete tree_.quadtree;
    tree_.quadtree = nullptr;
  }
  if (tree_.octree != nullptr) {
    ombOctreeUninit(tree_.octree);
    delete tree_.octree;
    tree_.octree = nullptr;
  }
  events_.clear();
  tree_.pushCounter = 0;
  nextGroupNumber_ = 0;
}

void Map::build(const MapFileData& data, ObjectSpace* space) {
  unload();
  events_ = data.events;
  for (MapEvent& e : events_) e.flags = 0;
  groups_.resize(data.groups.size());
  for (std::size_t g = 0; g < data.groups.size(); ++g) {
    groups_[g].name = data.groups[g].name;
    groups_[g].flags = data.groups[g].flags;
    for (uint32_t index : data.groups[g].events) {
      groups_[g].events.push_back(&events_[index]);
    }
  }

  nextGroupNumber_ = 0;
  for (int s = 0; s < 3; ++s) {
    const std::vector<MapFileTriangle>& in = data.sets[s];
    TriangleSet& out = sets_[s];
    out.capacity = static_cast<uint32_t>(in.size()) + kSpareTriangles;
    out.triangles = std::make_unique<CollTriangle[]>(out.capacity);
    out.count = static_cast<uint32_t>(in.size());
    CollTriangle* base = out.triangles.get();
    for (uint32_t i = 0; i < out.capacity; ++i) {
      ombListInit(&base[i].riders, kRiderLinkOffset);
    }
    for (uint32_t i = 0; i < out.count; ++i) {
      const MapFileTriangle& f = in[i];
      CollTriangle& t = base[i];
      t.set = s;
      t.p0 = f.p[0];
      t.p1 = f.p[1];
      t.p2 = f.p[2];
      t.slope = f.slope;
      t.link0 = linkTo(base, f.link[0]);
      t.link1 = linkTo(base, f.link[1]);
      t.link2 = linkTo(base, f.link[2]);
      CollTriangle** corners[3] = {t.corner0, t.corner1, t.corner2};
      for (int c = 0; c < 3; ++c) {
        std::size_t k = 0;
        for (uint32_t index : f.corner[c]) corners[c][k++] = base + index;
        corners[c][k] = nullptr;
      }
      t.groupNumber = static_cast<int32_t>(f.groupNumber);
      if (t.groupNumber + 1 > nextGroupNumber_) nextGroupNumber_ = t.groupNumber + 1;
      t.group = groups_.empty() ? nullptr : &groups_[f.groupIndex];
      t.setup();
    }
  }
  boundsMin_ = data.boundsMin;
  boundsMax_ = data.boundsMax;

  tree_.kind = data.meshKind == kTreeOct ? kTreeOct : kTreeQuad;
  if (tree_.kind == kTreeOct) {
    tree_.octree = new OMB_OCTREE();
    ombOctreeInit(tree_.octree, kOctDepth, offsetof(CollTriangle, entry),
                  {boundsMin_.x, boundsMin_.y, boundsMin_.z},
                  {boundsMax_.x, boundsMax_.y, boundsMax_.z});
  } else {
    // Kind 0 always gets the finest quadtree; an unknown kind keeps its stored depth.
    const uint32_t depth = data.meshKind == kTreeQuad ? kQuadDepth : data.meshDepth;
    tree_.quadtree = new OMB_QUADTREE();
    ombQuadTreeInit(tree_.quadtree, depth, offsetof(CollTriangle, entry),
                    {boundsMin_.x, boundsMin_.z}, {boundsMax_.x, boundsMax_.z});
  }
  for (TriangleSet& s : sets_) {
    for (uint32_t i = 0; i < s.count; ++i) tree_.insert(&s.triangles[i]);
  }

  if (space != nullptr) {
    const uint32_t depth = data.spaceKind == kSpaceQuadtree  ? kQuadDepth
                           : data.spaceKind == kSpaceOctree ? kOctDepth
                                                             : data.spaceDepth;
    space->init(boundsMin_, boundsMax_, data.spaceKind, depth);
  }
  updateCache();
}

uint32_t Map::treeDepth() const {
  if (tree_.octree != nullptr) return tree_.octree->depth;
  if (tree_.quadtree != nullptr) return tree_.quadtree->depth;
  return 0;
}

void Map::updateCache() {
  for (MapGroup& g : groups_) {
    g.flags &= ~kGroupHasEnabledEvent;
    for (const MapEvent* e : g.events) {
      if (!(e->flags & kEventDisabled)) {
        g.flags |= kGroupHasEnabledEvent;
        break;
      }
    }
  }
  for (TriangleSet& s : sets_) {
    for (uint32_t i = 0; i < s.capacity; ++i) {
      CollTriangle& t = s.triangles[i];
      if (t.set == kSetSpare) continue;
      t.groupFlags = t.group != nullptr ? t.group->flags : 0u;
    }
  }
}

const MapEvent* Map::getEvent(uint32_t index) const {
  return index < events_.size() ? &events_[index] : nullptr;
}

const MapEvent* Map::getTriangleEvent(const CollTriangle& triangle, uint32_t index) {
  if (triangle.group == nullptr || !(triangle.groupFlags & kGroupHasEnabledEvent)) {
    return nullptr;
  }
  for (const MapEvent* e : triangle.group->events) {
    if (e->flags & kEventDisabled) continue;
    if (index == 0) return e;
    --index;
  }
  return nullptr;
}

void Map::setEventEnable(uint32_t index, bool enable) {
  if (index >= events_.size()) return;
  if (enable) {
    events_[index].flags &= ~kEventDisabled;
  } else {
    events_[index].flags |= kEventDisabled;
  }
}

std::optional<LandHit> Map::findLand(const FixedVec3& p) {
  if (outsideXZ(p, boundsMin_, boundsMax_)) return std::nullopt;
  int32_t top = boundsMax_.y;
  if (top - boundsMin_.y < kFixedOne) top = boundsMin_.y + kFixedOne;
  const FixedVec3 start{p.x, boundsMin_.y, p.z};
  const FixedVec3 end{p.x, top, p.z};
  FixedVec3 lo = start, hi = end;
  clampBox(lo, hi, boundsMin_, boundsMax_);
  const uint32_t found = tree_.query(lo, hi, kMaskLand);
  std::optional<LandHit> best;
  int64_t bestDiff = 0;
  for (uint32_t i = 0; i < found; ++i) {
    CollTriangle* t = tree_.result(i);
    Vec3f hit{};
    float when = 0;
    if (!t->intersectPlane(start, end, hit, when) || !t->contains(hit)) continue;
    const int32_t height = floatToFixed(hit.y);
    const int64_t diff = std::llabs(int64_t{height} - p.y);
    if (!best || diff < bestDiff) {
      best = LandHit{t, {floatToFixed(hit.x), height, floatToFixed(hit.z)}};
      bestDiff = diff;
    }
  }
  return best;
}

std::optional<GroundHit> Map::findGround(const FixedVec3& p) {
  if (outsideXZ(p, boundsMin_, boundsMax_) || p.y < boundsMin_.y) return std::nullopt;
  int32_t bottom = boundsMin_.y;
  if (p.y - bottom < kFixedOne) bottom = p.y - kFixedOne;
  const FixedVec3 start{p.x, bottom, p.z};
  FixedVec3 lo = start, hi = p;
  clampBox(lo, hi, boundsMin_, boundsMax_);
  const uint32_t found = tree_.query(lo, hi, kMaskLand);
  std::optional<GroundHit> best;
  int64_t bestDrop = 0;
  for (uint32_t i = 0; i < found; ++i) {
    CollTriangle* t = tree_.result(i);
    Vec3f hit{};
    float when = 0;
    if (!t->intersectPlane(start, p, hit, when) || !t->contains(hit)) continue;
    const int32_t height = floatToFixed(hit.y);
    const int64_t drop = int64_t{p.y} - height;
    if (drop < 0) continue;
    if (!best || drop < bestDrop) {
      best = GroundHit{t, height};
      bestDrop = drop;
    }
  }
  return best;
}

CollQuery Map::makeQuery(int32_t radius, int32_t height) {
  CollQuery q;
  q.radius = radius;
  q.height = height;
  q.boundsMin = &boundsMin_;
  q.boundsMax = &boundsMax_;
  q.tree = &tree_;
  q.pushCounter = &tree_.pushCounter;
  return q;
}

}  // namespace vell

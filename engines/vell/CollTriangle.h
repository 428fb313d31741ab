#pragma once

#include "engines/vell/MapTypes.h"
#include "foundation/omb/containers/ombArray.h"
#include "foundation/omb/containers/ombList.h"
#include "foundation/omb/trees/ombMortonTree.h"
#include "foundation/omb/trees/ombOctree.h"
#include "foundation/omb/trees/ombQuadtree.h"
#include "model/math/FixedPoint.h"

#include <cstdint>

// One collision triangle of a field map with everything the queries need precomputed once:
// float vertices, unit normal, edges, outward edge normals and a local 2-D frame (x along edge
// 0, y along its outward normal) with edge windows widened by 10.25 % of the edge length.
namespace vell {

enum CollSet : int32_t { kSetLand = 0, kSetWall = 1, kSetCeiling = 2, kSetSpare = 3 };
enum CollMask : uint32_t {
  kMaskLand = 1,
  kMaskWall = 2,
  kMaskCeiling = 4,
  kMaskBullet = 8,
};

inline constexpr uint32_t kCornerCapacity = 12;

// The node offset of every rider list: the field objects' rider link (FieldObject.cpp).
extern const int32_t kRiderLinkOffset;

struct Vec3f {
  float x, y, z;
};

struct CollTriangle {
  int32_t set = kSetSpare;
  FixedVec3 p0{}, p1{}, p2{};
  int32_t slope = 0;
  Vec3f f0{}, f1{}, f2{};
  Vec3f normal{};
  Vec3f e0{}, e1{}, e2{};
  Vec3f en0{}, en1{}, en2{};
  Vec3f axis{};
  float len0 = 0;
  float x2 = 0, y2 = 0;
  float x21 = 0, y21 = 0;
  float lo0 = 0, hi0 = 0, lo1 = 0, hi1 = 0, lo2 = 0, hi2 = 0;
  float m1x = 0, m1y = 0;
  float m2x = 0, m2y = 0;
  CollTriangle* link0 = nullptr;
  CollTriangle* link1 = nullptr;
  CollTriangle* link2 = nullptr;
  // Each list is ended by a null entry.
  CollTriangle* corner0[kCornerCapacity + 1] = {};
  CollTriangle* corner1[kCornerCapacity + 1] = {};
  CollTriangle* corner2[kCornerCapacity + 1] = {};
  int32_t groupNumber = -1;
  MapGroup* group = nullptr;
  uint32_t groupFlags = 0;
  uint32_t state = 0;  // bit 0: entered in the tree
  OMB_TREE_LINK entry{};
  OMB_LIST riders{};
  uint32_t drawStamp = 0;

  // Derives every float field, the mask and an empty rider list from set, p0..p2 and group.
  void setup();
  // Translation only: stores the fixed vertices and refreshes f0..f2.
  void setVertices(const FixedVec3& a, const FixedVec3& b, const FixedVec3& c);
  // The tree mask from the set and groupFlags.
  uint32_t computeMask() const;

  // Where the segment's line meets the plane; false only when it runs parallel (both faces
  // count, t unlimited).
  bool intersectPlane(const FixedVec3& start, const FixedVec3& end, Vec3f& outPoint,
                      float& outT) const;
  // P lies on the inner side of all three edges, with a tolerance of 0.00001.
  bool contains(const Vec3f& p) const;
  // A sphere at P (already at the right distance from the plane) reaches the triangle.
  bool touchesSphere(const Vec3f& p, float reach, float reach2) const;
  bool intersectSegment(const FixedVec3& start, const FixedVec3& end, FixedVec3& outPoint) const;
};

inline constexpr uint32_t kTriangleFlagInTree = 1;

// The best candidate of a sphere sweep so far.
struct SweepBest {
  const CollTriangle* triangle = nullptr;
  float value = 3.4028235e38f;
  int32_t touches = 0;
  Vec3f normalSum{0, 0, 0};
  FixedVec3 position{};
};

// One candidate of the map sweep: S the lifted start, delta the lifted move, start the unlifted
// start in fixed point.
void sweepSphereCandidate(const CollTriangle& t, const Vec3f& s, const Vec3f& delta, float reach,
                          float reach2, const FixedVec3& start, SweepBest& best);

enum TreeKind : uint32_t { kTreeQuad = 0, kTreeOct = 1 };

// The map's tree over its triangles and the shared result array of every query on it.
struct CollTree {
  uint32_t kind = kTreeQuad;
  OMB_OCTREE* octree = nullptr;
  OMB_QUADTREE* quadtree = nullptr;
  OMB_ARRAY* results = nullptr;
  int32_t pushCounter = 0;

  // Enters the triangle once, by the box of its fixed vertices.
  void insert(CollTriangle* t);
  void remove(CollTriangle* t);
  // Fills results with the triangles whose mask shares a bit with `mask` for a box already
  // clamped into the map; returns the number found.
  uint32_t query(const FixedVec3& boxMin, const FixedVec3& boxMax, uint32_t mask);
  CollTriangle* result(uint32_t i) const {
    return static_cast<CollTriangle**>(results->items)[i];
  }

  // The sphere sweep against walls: 0 no contact, 1 contact during the move, 2 already touching.
  int sweepSphere(const FixedVec3& boundsMin, const FixedVec3& boundsMax, int32_t& counter,
                  const FixedVec3& start, const FixedVec3& end, int32_t radius, const Vec3f& facing,
                  int32_t lift, FixedVec3& outPosition, FixedVec3& outMove, float& outAngle,
                  Vec3f& outReflect);
};

// What the movement code hands to the casts.
struct CollQuery {
  int32_t radius = 0;
  int32_t height = 0;
  int32_t slideLimit = 0x7FFFFFFF;
  const FixedVec3* boundsMin = nullptr;
  const FixedVec3* boundsMax = nullptr;
  CollTree* tree = nullptr;
  int32_t* pushCounter = nullptr;
};

// The first land triangle hit from start towards end (back faces ignored); outPoint is the hit
// or end.
CollTriangle* castLand(const CollQuery& query, FixedVec3& outPoint, const FixedVec3& start,
                       const FixedVec3& end);
// As castLand against ceilings, with both points lifted by the query's height; outPoint comes
// back at the mover's base.
CollTriangle* castCeiling(const FixedVec3& end, const FixedVec3& start, const CollQuery& query,
                          FixedVec3& outPoint);

}  // namespace vell

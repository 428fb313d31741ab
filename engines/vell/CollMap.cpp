#include "engines/vell/CollMap.h"

#include "engines/vell/FieldMath.h"
#include "engines/vell/FieldObject.h"
#include "engines/vell/Map.h"
#include "engines/vell/ObjectSpace.h"
#include "foundation/dbtl/DCp932Text.h"
#include "foundation/dbtl/Dstr.h"
#include "foundation/math/DetMath.h"
#include "model/L3DObjectData.h"
#include "model/L3DPartData.h"
#include "model/load/Da3dObject.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

namespace vell {

namespace {

constexpr float kPi = 3.14159265f;

Vec3f toFloat(const FixedVec3& p) {
  return {fixedToFloat(p.x), fixedToFloat(p.y), fixedToFloat(p.z)};
}
FixedVec3 add(const FixedVec3& a, const FixedVec3& b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }

template <class F>
void forEachKept(CollMap& c, F&& f) {
  for (int s = 0; s < 3; ++s) {
    for (uint32_t i = 0; i < kCollMapSetSize && c.sets[s][i] != nullptr; ++i) f(s, i, *c.sets[s][i]);
  }
}

// The riders of the land triangles, collected first: placing one changes the lists.
std::vector<Object*> riders(CollMap& c) {
  std::vector<Object*> out;
  for (uint32_t i = 0; i < kCollMapSetSize && c.sets[0][i] != nullptr; ++i) {
    OMB_LIST& list = c.sets[0][i]->riders;
    for (OMB_LIST_LINK* l = list.head.next; l != &list.head; l = l->next) {
      out.push_back(static_cast<Object*>(ombListElement(&list, l)));
    }
  }
  return out;
}

void placeVertices(CollMap& c) {
  forEachKept(c, [&](int s, uint32_t i, CollTriangle& t) {
    t.setVertices(add(c.local[s][i][0], c.position), add(c.local[s][i][1], c.position),
                  add(c.local[s][i][2], c.position));
  });
}

void translate(CollMap& c, const FixedVec3& v) {
  c.position = add(c.position, v);
  c.boxMin = add(c.boxMin, v);
  c.boxMax = add(c.boxMax, v);
  placeVertices(c);
}

bool addCorner(CollTriangle** list, CollTriangle* t) {
  uint32_t n = 0;
  for (; n < kCornerCapacity && list[n] != nullptr; ++n) {
    if (list[n] == t) return true;
  }
  // A full list keeps what it has: the walker then sees one neighbour fewer at that corner.
  if (n >= kCornerCapacity) return false;
  list[n] = t;
  list[n + 1] = nullptr;
  return true;
}

void removeCorner(CollTriangle** list, const CollTriangle* t) {
  uint32_t w = 0;
  for (uint32_t r = 0; r < kCornerCapacity && list[r] != nullptr; ++r) {
    if (list[r] != t) list[w++] = list[r];
  }
  for (; w <= kCornerCapacity; ++w) list[w] = nullptr;
}

const FixedVec3& vertex(const CollTriangle& t, int i) { return i == 0 ? t.p0 : i == 1 ? t.p1 : t.p2; }
CollTriangle*& linkOf(CollTriangle& t, int i) { return i == 0 ? t.link0 : i == 1 ? t.link1 : t.link2; }
CollTriangle** cornerOf(CollTriangle& t, int i) {
  return i == 0 ? t.corner0 : i == 1 ? t.corner1 : t.corner2;
}

void link(Map& map, CollMap& c) {
  FixedVec3 lo = c.boxMin, hi = c.boxMax;
  clampBox(lo, hi, map.boundsMin(), map.boundsMax());
  const uint32_t found = map.tree().query(lo, hi, kMaskLand);
  std::vector<CollTriangle*> list;
  for (uint32_t i = 0; i < found; ++i) list.push_back(map.tree().result(i));
  for (CollTriangle* r : list) {
    for (uint32_t k = 0; k < kCollMapSetSize && c.sets[0][k] != nullptr; ++k) {
      CollTriangle* p = c.sets[0][k];
      if (p == r) continue;
      bool linked = false;
      for (int er = 0; er < 3 && !linked; ++er) {
        const FixedVec3& a = vertex(*r, er);
        const FixedVec3& b = vertex(*r, (er + 1) % 3);
        for (int ep = 0; ep < 3; ++ep) {
          const FixedVec3& x = vertex(*p, ep);
          const FixedVec3& y = vertex(*p, (ep + 1) % 3);
          if ((vec3iEqual(a, x) && vec3iEqual(b, y)) || (vec3iEqual(a, y) && vec3iEqual(b, x))) {
            linkOf(*r, er) = p;
            linkOf(*p, ep) = r;
            linked = true;
            break;
          }
        }
      }
      bool cornered = false;
      for (int vr = 0; vr < 3 && !cornered; ++vr) {
        for (int vp = 0; vp < 3; ++vp) {
          if (!vec3iEqual(vertex(*r, vr), vertex(*p, vp))) continue;
          addCorner(cornerOf(*r, vr), p);
          addCorner(cornerOf(*p, vp), r);
          cornered = true;
          break;
        }
      }
    }
  }
}

void unlink(CollMap& c) {
  for (uint32_t k = 0; k < kCollMapSetSize && c.sets[0][k] != nullptr; ++k) {
    CollTriangle* p = c.sets[0][k];
    for (int e = 0; e < 3; ++e) {
      CollTriangle* n = linkOf(*p, e);
      if (n == nullptr) continue;
      for (int f = 0; f < 3; ++f) {
        if (linkOf(*n, f) == p) linkOf(*n, f) = nullptr;
      }
    }
    for (int v = 0; v < 3; ++v) {
      CollTriangle** own = cornerOf(*p, v);
      for (uint32_t i = 0; i < kCornerCapacity && own[i] != nullptr; ++i) {
        for (int w = 0; w < 3; ++w) removeCorner(cornerOf(*own[i], w), p);
      }
      own[0] = nullptr;
      linkOf(*p, v) = nullptr;
    }
  }
}

void removeAll(Map& map, CollMap& c) {
  forEachKept(c, [&](int, uint32_t, CollTriangle& t) { map.tree().remove(&t); });
}
void insertAll(Map& map, CollMap& c) {
  forEachKept(c, [&](int, uint32_t, CollTriangle& t) { map.tree().insert(&t); });
}

// The highest hit of a vertical segment against the map's own triangles of a set.
bool castOwn(CollMap& c, int set, const FixedVec3& from, const FixedVec3& to, float& y,
             CollTriangle** which, float below) {
  bool any = false;
  for (uint32_t i = 0; i < kCollMapSetSize && c.sets[set][i] != nullptr; ++i) {
    CollTriangle* t = c.sets[set][i];
    Vec3f hit{};
    float when = 0;
    if (!t->intersectPlane(from, to, hit, when) || when < 0.0f || when > 1.0f || !t->contains(hit))
      continue;
    if (hit.y > below) continue;
    if (!any || hit.y >= y) {
      y = hit.y;
      if (which != nullptr) *which = t;
      any = true;
    }
  }
  return any;
}

void ridersOnPlanes(CollMap& c) {
  for (Object* o : riders(c)) {
    CollTriangle* t = o->landTriangle;
    Vec3f hit{};
    float when = 0;
    const FixedVec3 from{o->position.x, c.boxMin.y - 1024, o->position.z};
    const FixedVec3 to{o->position.x, c.boxMax.y + 1024, o->position.z};
    if (t == nullptr || !t->intersectPlane(from, to, hit, when)) continue;
    o->setPositionOnTriangle(t, {o->position.x, floatToFixed(hit.y), o->position.z});
  }
}

Object* ownerOf(const void* item) {
  return static_cast<Object*>(static_cast<const SpaceItem*>(item)->owner);
}

void rise(ObjectSpace& space, CollMap& c, int32_t h) {
  const OMB_ARRAY& found = space.query(c.boxMin, {c.boxMax.x, c.boxMax.y + h, c.boxMax.z},
                                       kSpaceMaskOnLand | kSpaceMaskInAir);
  std::vector<Object*> objects;
  for (uint32_t i = 0; i < found.count; ++i) objects.push_back(ownerOf(static_cast<void**>(found.items)[i]));
  for (Object* o : objects) {
    const FixedVec3& p = o->position;
    float y = 0;
    CollTriangle* t = nullptr;
    if (!castOwn(c, 0, {p.x, p.y + 1024, p.z}, {p.x, p.y - h - 1024, p.z}, y, &t,
                 fixedToFloat(p.y)))
      continue;
    if (floatToFixed(y) >= p.y - h - 3) o->setPositionOnTriangle(t, p);
  }
  translate(c, {0, h, 0});
  ridersOnPlanes(c);
}

// The limit of one object under a descending map: how far the map may come down before its
// ceilings meet the object's top.
int32_t descentLimit(CollMap& c, const Object& o, int32_t allowed) {
  const int32_t bottom = o.position.y;
  const int32_t top = bottom + (o.entry.top - o.entry.bottom);
  int32_t limit = allowed;
  for (uint32_t i = 0; i < kCollMapSetSize && c.sets[2][i] != nullptr; ++i) {
    CollTriangle* t = c.sets[2][i];
    Vec3f hit{};
    float when = 0;
    const FixedVec3 from{o.position.x, top - 1024, o.position.z};
    const FixedVec3 to{o.position.x, top - allowed + 1024, o.position.z};
    if (!t->intersectPlane(from, to, hit, when) || when < 0.0f || when > 1.0f || !t->contains(hit))
      continue;
    const int32_t y = floatToFixed(hit.y);
    if (y < top - 3) continue;
    const int32_t gap = y - top - 3;
    if (gap < 0) return 0;
    if (-gap > limit) limit = -gap;
  }
  return limit;
}

void descend(Map& map, ObjectSpace& space, CollMap& c, int32_t h, uint32_t flags) {
  const OMB_ARRAY& found = space.query({c.boxMin.x, c.boxMin.y + h, c.boxMin.z}, c.boxMax,
                                       kSpaceMaskOnLand | kSpaceMaskInAir);
  std::vector<Object*> objects;
  for (uint32_t i = 0; i < found.count; ++i) objects.push_back(ownerOf(static_cast<void**>(found.items)[i]));
  int32_t allowed = h;
  bool mark = false;
  for (Object* o : objects) {
    const int32_t limit = descentLimit(c, *o, allowed);
    if (!(limit > allowed)) continue;
    if (o->landTriangle != nullptr || (flags & kCollMapNoPushDown)) {
      allowed = limit;
      continue;
    }
    mark = true;
    int32_t x = allowed - limit;
    const FixedVec3 from{o->position.x, o->position.y, o->position.z};
    const FixedVec3 to{o->position.x, o->position.y + x, o->position.z};
    FixedVec3 lo = from, hi = to;
    segmentBoxPadded(0, from, to, lo, hi);
    clampBox(lo, hi, map.boundsMin(), map.boundsMax());
    const uint32_t n = map.tree().query(lo, hi, kMaskLand);
    for (uint32_t i = 0; i < n; ++i) {
      FixedVec3 point{};
      if (!map.tree().result(i)->intersectSegment(from, to, point)) continue;
      x = std::max(x, point.y - from.y + 3);
    }
    allowed = x < 0 ? limit + x : limit;
  }
  if (mark && allowed != 0) {
    for (Object* o : objects) {
      const int32_t limit = descentLimit(c, *o, allowed);
      if (limit > allowed && o->landTriangle == nullptr && !(flags & kCollMapNoPushDown)) {
        o->setPositionOnTriangle(nullptr, {o->position.x, o->position.y + (allowed - limit),
                                           o->position.z});
      }
    }
  }
  translate(c, {0, allowed, 0});
  ridersOnPlanes(c);
}

float horizontal(const FixedVec3& a, const FixedVec3& b) {
  const float x = fixedToFloat(b.x - a.x), z = fixedToFloat(b.z - a.z);
  return std::sqrt(x * x + z * z);
}

void sideways(Map& map, ObjectSpace& space, CollMap& c, int32_t d, int32_t angle, uint32_t flags) {
  const float a = static_cast<float>(angle) / 1024.0f;
  const Vec3f u{detmath::sin(a), 0.0f, detmath::cos(a)};
  const FixedVec3 full = ::vec3ToFixed(u.x * fixedToFloat(d), 0.0f, u.z * fixedToFloat(d));
  FixedVec3 lo = c.boxMin, hi = c.boxMax;
  lo.x += std::min(0, full.x);
  lo.z += std::min(0, full.z);
  hi.x += std::max(0, full.x);
  hi.z += std::max(0, full.z);
  const OMB_ARRAY& found = space.query(lo, hi, kSpaceMaskInAir);
  std::vector<Object*> objects;
  for (uint32_t i = 0; i < found.count; ++i) objects.push_back(ownerOf(static_cast<void**>(found.items)[i]));
  std::vector<int32_t> pushes(objects.size(), 0);
  int32_t allowed = d;
  bool mark = false;
  int32_t counter = 0;
  for (std::size_t k = 0; k < objects.size(); ++k) {
    Object& o = *objects[k];
    const float r = fixedToFloat(o.entry.radius);
    const Vec3f s = toFloat(o.position);
    const float back = -fixedToFloat(allowed);
    const Vec3f delta{u.x * back, 0.0f, u.z * back};
    SweepBest best;
    for (uint32_t i = 0; i < kCollMapSetSize && c.sets[1][i] != nullptr; ++i) {
      sweepSphereCandidate(*c.sets[1][i], s, delta, r + 0.00001f, r * r + 0.00001f, o.position,
                           best);
    }
    int32_t reach = allowed;
    if (best.triangle != nullptr) {
      reach = best.value < 0.0f ? 0 : floatToFixed(horizontal(o.position, best.position));
      reach = std::min(reach, allowed);
    }
    const int32_t push = allowed - reach;
    pushes[k] = push;
    if (push > 0 && !(flags & kCollMapNoPush)) {
      mark = true;
      const FixedVec3 end = add(o.position, ::vec3ToFixed(u.x * fixedToFloat(push), 0.0f,
                                                          u.z * fixedToFloat(push)));
      FixedVec3 at{}, rest{};
      float turn = 0;
      Vec3f refl{};
      const int code = map.tree().sweepSphere(map.boundsMin(), map.boundsMax(), counter,
                                              o.position, end, o.entry.radius, u, 0, at, rest,
                                              turn, refl);
      if (code == 0) {
        reach += push;
      } else if (code == 1) {
        reach += std::min(push, floatToFixed(horizontal(o.position, at)));
      }
    }
    allowed = reach;
  }
  if (mark && allowed != 0) {
    for (std::size_t k = 0; k < objects.size(); ++k) {
      if (pushes[k] <= 0) continue;
      Object& o = *objects[k];
      const int32_t push = std::min(pushes[k], allowed);
      o.setPositionOnTriangle(nullptr, add(o.position, ::vec3ToFixed(u.x * fixedToFloat(push), 0.0f,
                                                                     u.z * fixedToFloat(push))));
    }
  }
  if (flags & kCollMapFullMove) allowed = d;
  const FixedVec3 v = ::vec3ToFixed(u.x * fixedToFloat(allowed), 0.0f, u.z * fixedToFloat(allowed));
  translate(c, v);
  for (Object* o : riders(c)) {
    FixedVec3 at{}, rest{};
    float turn = 0;
    Vec3f refl{};
    const int code = map.tree().sweepSphere(map.boundsMin(), map.boundsMax(), counter, o->position,
                                            add(o->position, v), o->entry.radius, u, 31, at, rest,
                                            turn, refl);
    if (code == 0) {
      o->setPositionOnTriangle(o->landTriangle, add(o->position, v));
      continue;
    }
    int32_t y = 0;
    CollTriangle* floor = collMapFloorUnder(c, y, o->position);
    o->setPositionOnTriangle(floor, {o->position.x, floor != nullptr ? y : o->position.y,
                                     o->position.z});
  }
}

}  // namespace

CollMap* collMapBuild(Map& map, const L3DObjectData& data, const FixedVec3& origin,
                      int32_t angle) {
  const Mat33 turn = mat33RotationY(static_cast<float>(angle) / 1024.0f);
  auto owned = std::make_unique<CollMap>();
  CollMap& c = *owned;
  c.position = origin;
  const int32_t group = map.takeGroupNumbers(3);
  uint32_t kept[3] = {0, 0, 0};
  auto& parts = const_cast<L3DObjectData&>(data).parts;
  for (auto it = parts.Begin(); it != parts.End(); it = dbtl::DList<L3DPartData>::Next(it)) {
    dbtl::rcptr<L3DPartData> part = dbtl::DList<L3DPartData>::Get(it);
    if (!part) continue;
    for (uint32_t m = 0; m < part->matCount; ++m) {
      const L3D_PARTDATA_MAT& mat = part->GetMatArray()[m];
      // The material's name chooses the map group of that name, ASCII letters without case.
      const std::string matName(mat.name.text, std::min<uint32_t>(mat.name.length, 128));
      MapGroup* mapGroup = nullptr;
      for (MapGroup& g : map.groups()) {
        const std::string groupName = dbtl::DCp932FromUtf16(g.name);
        if (groupName.size() == matName.size() &&
            dbtl::DstrCompareNoCaseN(groupName.c_str(), matName.c_str(),
                                     uint32_t(matName.size())) == 0) {
          mapGroup = &g;
          break;
        }
      }
      for (uint32_t i = 0; i + 3 <= mat.indexCount; i += 3) {
        FixedVec3 p[3];
        bool valid = true;
        for (int k = 0; k < 3; ++k) {
          const uint32_t corner = mat.indices[i + k];
          if (corner >= mat.cornerCount || mat.corners[corner].pointIndex >= mat.pointCount) {
            valid = false;
            break;
          }
          const LVec3& v = mat.points[mat.corners[corner].pointIndex];
          const FixedVec3 f = ::vec3ToFixed(v.x, v.y, v.z);
          const float x = fixedToFloat(f.x), y = fixedToFloat(f.y), z = fixedToFloat(f.z);
          p[k] = ::vec3ToFixed(x * turn.m[0][0] + z * turn.m[2][0], y,
                               x * turn.m[0][2] + z * turn.m[2][2]);
        }
        // A corner that points past the material's arrays makes no triangle.
        if (!valid) continue;
        const Vec3f a = toFloat(p[0]), b = toFloat(p[1]), cc = toFloat(p[2]);
        const Vec3f e1{b.x - a.x, b.y - a.y, b.z - a.z}, e2{cc.x - b.x, cc.y - b.y, cc.z - b.z};
        Vec3f n{e1.y * e2.z - e1.z * e2.y, e1.z * e2.x - e1.x * e2.z, e1.x * e2.y - e1.y * e2.x};
        const float len = std::sqrt(n.x * n.x + n.y * n.y + n.z * n.z);
        if (len > 0.0f) n = {n.x / len, n.y / len, n.z / len};
        const float ac = n.y >= 1.0f ? 0.0f : (n.y <= -1.0f ? kPi : detmath::acos(n.y));
        const int32_t slope = floatToFixed(ac);
        const int set = slope > 1617 ? 2 : slope > 1600 ? 1 : 0;
        CollTriangle* t = map.takeSpare(set);
        if (t == nullptr) continue;
        t->set = set;
        t->p0 = p[0];
        t->p1 = p[1];
        t->p2 = p[2];
        t->slope = slope;
        t->group = mapGroup;
        t->groupNumber = group + set;
        t->link0 = t->link1 = t->link2 = nullptr;
        t->corner0[0] = t->corner1[0] = t->corner2[0] = nullptr;
        t->setup();
        if (kept[set] < kCollMapSetSize) {
          c.sets[set][kept[set]] = t;
          for (int k = 0; k < 3; ++k) c.local[set][kept[set]][k] = p[k];
          kept[set] += 1;
        }
        t->setVertices(add(p[0], origin), add(p[1], origin), add(p[2], origin));
      }
    }
  }
  bool any = false;
  FixedVec3 lo{}, hi{};
  forEachKept(c, [&](int, uint32_t, CollTriangle& t) {
    for (int k = 0; k < 3; ++k) {
      const FixedVec3& v = vertex(t, k);
      if (!any) {
        lo = hi = v;
        any = true;
      }
      lo = {std::min(lo.x, v.x), std::min(lo.y, v.y), std::min(lo.z, v.z)};
      hi = {std::max(hi.x, v.x), std::max(hi.y, v.y), std::max(hi.z, v.z)};
    }
  });
  lo = {std::max(lo.x, map.boundsMin().x), std::max(lo.y, map.boundsMin().y),
        std::max(lo.z, map.boundsMin().z)};
  hi = {std::min(hi.x, map.boundsMax().x), std::min(hi.y, map.boundsMax().y),
        std::min(hi.z, map.boundsMax().z)};
  c.boxMin = {lo.x - 5, lo.y - 5, lo.z - 5};
  c.boxMax = {hi.x + 5, hi.y + 5, hi.z + 5};
  map.collMaps().push_back(std::move(owned));
  return &c;
}

CollMap* collMapLoad(Map& map, const L3DModelServices& services, const char16_t* directory,
                     const char16_t* name, const FixedVec3& origin, int32_t angle) {
  dbtl::rcptr<L3DObjectData> data = da3dLoadObjectData(services, directory, name);
  if (!data) return nullptr;
  return collMapBuild(map, *data, origin, angle);
}

void collMapSetEnable(Map& map, CollMap& c, bool on) {
  if (on == ((c.flags & kCollMapEnabled) != 0)) return;
  if (on) {
    c.flags |= kCollMapEnabled;
    insertAll(map, c);
    link(map, c);
    return;
  }
  c.flags &= ~kCollMapEnabled;
  unlink(c);
  forEachKept(c, [&](int, uint32_t, CollTriangle& t) {
    while (t.riders.count > 0) {
      auto* o = static_cast<Object*>(ombListGetFirst(&t.riders));
      o->setPositionOnTriangle(nullptr, o->position);
    }
    map.tree().remove(&t);
  });
}

void collMapMoveTo(CollMap& c, const FixedVec3& to, Map& map) {
  const bool enabled = (c.flags & kCollMapEnabled) != 0;
  collMapSetEnable(map, c, false);
  translate(c, {to.x - c.position.x, to.y - c.position.y, to.z - c.position.z});
  if (enabled) collMapSetEnable(map, c, true);
}

void collMapUpdate(Map& map, ObjectSpace& space, CollMap& c, CollMapMove& move) {
  if (!(c.flags & kCollMapEnabled)) {
    move.result = c.position;
    return;
  }
  if (move.flags & kCollMapRelink) unlink(c);
  if (move.rise != 0 || move.distance != 0) {
    removeAll(map, c);
    if (move.rise > 0) rise(space, c, move.rise);
    if (move.rise < 0) descend(map, space, c, move.rise, move.flags);
    if (move.distance != 0) sideways(map, space, c, move.distance, move.angle, move.flags);
    insertAll(map, c);
  }
  if (move.flags & kCollMapRelink) link(map, c);
  move.result = c.position;
}

void collMapRotateRiders(Map& map, CollMap& c, const FixedVec3& pivot, int32_t angle) {
  const FixedVec3 centre = add(c.position, pivot);
  const float a = static_cast<float>(angle) / 1024.0f;
  const float co = detmath::cos(a), si = detmath::sin(a);
  int32_t counter = 0;
  for (Object* o : riders(c)) {
    const float x = fixedToFloat(o->position.x - centre.x);
    const float z = fixedToFloat(o->position.z - centre.z);
    const FixedVec3 target{centre.x + floatToFixed(x * co + z * si), o->position.y,
                           centre.z + floatToFixed(-x * si + z * co)};
    const Vec3f facing{target.x == o->position.x ? 0.0f : 1.0f, 0.0f, 0.0f};
    FixedVec3 at{}, rest{};
    float turn = 0;
    Vec3f refl{};
    const int code = map.tree().sweepSphere(map.boundsMin(), map.boundsMax(), counter,
                                            o->position, target, o->entry.radius, facing, 31, at,
                                            rest, turn, refl);
    if (code == 2) continue;
    const FixedVec3 to = code == 0 ? target : at;
    int32_t y = 0;
    CollTriangle* floor = collMapFloorUnder(c, y, to);
    o->setPositionOnTriangle(floor, {to.x, floor != nullptr ? y : to.y, to.z});
  }
}

CollTriangle* collMapFloorUnder(const CollMap& c, int32_t& outY, const FixedVec3& p) {
  CollTriangle* best = nullptr;
  int64_t bestDistance = 0;
  const FixedVec3 from{p.x, c.boxMin.y - 1024, p.z};
  const FixedVec3 to{p.x, c.boxMax.y + 1024, p.z};
  for (uint32_t i = 0; i < kCollMapSetSize && c.sets[0][i] != nullptr; ++i) {
    CollTriangle* t = c.sets[0][i];
    Vec3f hit{};
    float when = 0;
    if (!t->intersectPlane(from, to, hit, when) || !t->contains(hit)) continue;
    const int32_t y = floatToFixed(hit.y);
    const int64_t distance = std::llabs(int64_t{y} - p.y);
    if (best == nullptr || distance < bestDistance) {
      best = t;
      bestDistance = distance;
      outY = y;
    }
  }
  return best;
}

}  // namespace vell

#pragma once

#include "engines/vell/MapData.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Writes field map data files ("caym") from MapFileData, and builds MapFileData from a readable
// description, one item a line ('#' starts a comment; lengths in world units):
//
//   mesh quad|oct|<kind> <depth>          tree over the triangles (default: quad 10)
//   space quad|oct|<kind> <depth>         object collision space (default: quad 10)
//   event <no> <type> [option...]
//   group <name> <flags> [event index...]
//   tri land|wall|ceiling x y z  x y z  x y z   one triangle, wound as given
//   grid <x0> <z0> <x1> <z1> <y> <cells>       flat land, cells x cells squares
//   ramp <degrees> <x0> <z0> <x1> <z1> <y0>    land rising towards +x from y0
//   room <x0> <z0> <x1> <z1> <y0> <y1>         four walls facing inwards
//   ceiling <x0> <z0> <x1> <z1> <y>            a slab facing down
//   bounds <minx> <miny> <minz> <maxx> <maxy> <maxz>   (default: the vertices' box)
//
// Any shape line may end with "group <index> <number>" to put its triangles in a group. The
// shapes are wound so that their normals face as described; links across shared edges, the
// corner lists and the slopes are derived when the description is finished.
namespace mapwrite {

std::vector<uint8_t> writeMapData(const vell::MapFileData& map);

class MapBuilder {
 public:
  // Floats in world units, stored as fixed point.
  void triangle(int set, const float a[3], const float b[3], const float c[3]);
  // Two triangles (a, b, c) and (a, c, d), wound so their normal points along `facing`.
  void quad(int set, const float a[3], const float b[3], const float c[3], const float d[3],
            const float facing[3]);
  void grid(float x0, float z0, float x1, float z1, float y, int cells);
  void ramp(float degrees, float x0, float z0, float x1, float z1, float y0);
  void room(float x0, float z0, float x1, float z1, float y0, float y1);
  void ceiling(float x0, float z0, float x1, float z1, float y);
  void setGroup(uint32_t index, uint32_t number) {
    groupIndex_ = index;
    groupNumber_ = number;
  }
  void setBounds(const FixedVec3& lo, const FixedVec3& hi) {
    bounds_ = true;
    map_.boundsMin = lo;
    map_.boundsMax = hi;
  }
  vell::MapFileData& data() { return map_; }
  // Links, corners, slopes and (unless given) bounds.
  vell::MapFileData finish();

 private:
  vell::MapFileData map_;
  uint32_t groupIndex_ = 0;
  uint32_t groupNumber_ = 0;
  bool bounds_ = false;
};

// Throws std::runtime_error naming the line for a description it cannot read.
vell::MapFileData mapFromDescription(std::string_view text);

}  // namespace mapwrite

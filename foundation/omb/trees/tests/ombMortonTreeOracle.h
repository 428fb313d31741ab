#pragma once

// A plain oracle for the quadtree and octree tests: it files boxes by the leaf arithmetic alone,
// level by level, without Morton codes or the cell array.
#include "foundation/omb/trees/ombMortonTree.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <utility>

namespace treekit {

using Coords = std::array<int32_t, 3>;  // an octree point; a quadtree ignores the third

struct Item {
  uint32_t id = 0;
  Coords lo{}, hi{};
  // Not at offset 0, so a wrong link offset shows. Mask 1 unless a test sets another.
  OMB_TREE_LINK link{nullptr, {nullptr, nullptr}, 1};
};

inline constexpr uint32_t kLinkOffset = offsetof(Item, link);

// A cell as a level and its column on each axis at that level.
struct Cell {
  uint32_t level;
  Coords column;
};

template <class Kind>
class Oracle {
 public:
  Oracle(uint32_t depth, const Coords& lo, const Coords& hi)
      : depth_(std::min(depth, Kind::kMaxDepth)), lo_(lo) {
    for (uint32_t a = 0; a < Kind::kAxes; ++a) {
      const uint64_t width = uint64_t(uint32_t(hi[a]) - uint32_t(lo[a]));
      size_[a] = std::min<uint64_t>((width >> depth_) + 1, 0xFFFFFFFFu);
    }
  }

  uint32_t depth() const { return depth_; }
  uint64_t leafSize(uint32_t axis) const { return size_[axis]; }

  // The leaf column, clamped to the area's leaves.
  int32_t leaf(uint32_t axis, int32_t p) const {
    const int64_t column = (int64_t(p) - lo_[axis]) / int64_t(size_[axis]);
    return int32_t(std::clamp<int64_t>(column, 0, (int64_t(1) << depth_) - 1));
  }

  // The deepest cell that holds both corners.
  Cell cellOf(const Coords& lo, const Coords& hi) const {
    for (uint32_t level = depth_;; --level) {
      const uint32_t shift = depth_ - level;
      Cell cell{level, {}};
      bool same = true;
      for (uint32_t a = 0; a < Kind::kAxes; ++a) {
        cell.column[a] = leaf(a, lo[a]) >> shift;
        same = same && cell.column[a] == (leaf(a, hi[a]) >> shift);
      }
      if (same || level == 0) {
        return cell;
      }
    }
  }

  static bool contains(const Cell& outer, const Cell& inner) {
    if (outer.level > inner.level) {
      return false;
    }
    for (uint32_t a = 0; a < Kind::kAxes; ++a) {
      if ((inner.column[a] >> (inner.level - outer.level)) != outer.column[a]) {
        return false;
      }
    }
    return true;
  }

  // Index in the cell array: the cells of all coarser levels, then the interleaved columns.
  static uint32_t indexOf(const Cell& cell) {
    uint32_t index = 0;
    for (uint32_t level = 0; level < cell.level; ++level) {
      index += 1u << (Kind::kAxes * level);
    }
    uint32_t code = 0;
    for (uint32_t bit = 0; bit < cell.level; ++bit) {
      for (uint32_t a = 0; a < Kind::kAxes; ++a) {
        code |= ((uint32_t(cell.column[a]) >> bit) & 1u) << (Kind::kAxes * bit + a);
      }
    }
    return index + code;
  }

  static Cell parentOf(const Cell& cell) {
    Cell parent{cell.level - 1, {}};
    for (uint32_t a = 0; a < Kind::kAxes; ++a) parent.column[a] = cell.column[a] >> 1;
    return parent;
  }

  // The corners of the cell's area: its first leaf's first point and its last leaf's last
  // point, kept inside the 32-bit range.
  std::pair<Coords, Coords> boxOf(const Cell& cell) const {
    Coords lo{}, hi{};
    const uint32_t shift = depth_ - cell.level;
    for (uint32_t a = 0; a < Kind::kAxes; ++a) {
      const int64_t first = int64_t(cell.column[a]) << shift;
      const int64_t end = (int64_t(cell.column[a]) + 1) << shift;
      lo[a] = clamp32(lo_[a] + first * int64_t(size_[a]));
      hi[a] = clamp32(lo_[a] + end * int64_t(size_[a]) - 1);
    }
    return {lo, hi};
  }

 private:
  static int32_t clamp32(int64_t v) {
    return int32_t(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX));
  }

  uint32_t depth_;
  Coords lo_;
  std::array<uint64_t, 3> size_{};
};

}  // namespace treekit

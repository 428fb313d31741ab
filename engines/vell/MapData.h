#pragma once

#include "engines/vell/MapTypes.h"
#include "foundation/bytes/Parsed.h"
#include "model/math/FixedPoint.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

// The map data file ("caym"): collision mesh, events and event groups, big-endian. The parser
// checks every count against the bytes left and every stored index against what it indexes, so
// the map builds its pointers from it without further checks.
namespace vell {

inline constexpr uint32_t kMapMagic = 0x4341594Du;  // "CAYM"
inline constexpr uint32_t kMapVersion = 0;
inline constexpr int32_t kNoLink = -1;

struct MapFileGroup {
  std::u16string name;  // lower-cased
  uint32_t flags = 0;
  std::vector<uint32_t> events;
};

struct MapFileTriangle {
  FixedVec3 p[3]{};
  int32_t slope = 0;
  int32_t link[3] = {kNoLink, kNoLink, kNoLink};
  std::vector<uint32_t> corner[3];
  uint32_t groupNumber = 0;
  // Index into the groups; a file without groups may store 0, which means no group.
  uint32_t groupIndex = 0;
};

struct MapFileData {
  uint32_t meshKind = 0;
  uint32_t meshDepth = 0;
  uint32_t spaceKind = 0;
  uint32_t spaceDepth = 0;
  std::vector<MapEvent> events;
  std::vector<MapFileGroup> groups;
  std::vector<MapFileTriangle> sets[3];  // land, wall, ceiling
  FixedVec3 boundsMin{};
  FixedVec3 boundsMax{};
};

// Errors carry the game's message ("Error: [vell::Map::loadData] Header error", the file
// layer's read and string-length messages) and the offset where the data went wrong.
Parsed<MapFileData> parseMapData(std::span<const uint8_t> bytes);

}  // namespace vell

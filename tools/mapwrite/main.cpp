// mapwrite DESCRIPTION OUTPUT: writes a field map data file ("caym") from a readable description
// (MapWriter.h lists its items). An input that is missing, a directory or unreadable gives exit
// code 1; an empty description or a line it cannot read exit code 2, with one line naming the
// file. The output is written to a temporary file and renamed into place.

#include "tools/mapwrite/MapWriter.h"

#include "../common/ReadInput.h"
#include "../common/ReplaceFile.h"

#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: mapwrite DESCRIPTION OUTPUT\n");
    return 2;
  }
  std::string text;
  if (!tools::readInputFile("mapwrite", argv[1], text)) return 1;
  std::vector<uint8_t> bytes;
  try {
    if (text.find_first_not_of(" \t\r\n") == std::string::npos) {
      throw std::runtime_error("empty description");
    }
    bytes = mapwrite::writeMapData(mapwrite::mapFromDescription(text));
  } catch (const std::exception& e) {
    std::fprintf(stderr, "mapwrite: %s: %s\n", argv[1], e.what());
    return 2;
  }
  return tools::replaceFile("mapwrite", argv[2], bytes.data(), bytes.size()) ? 0 : 1;
}

// scramble: writes a position-scrambled file, in which every byte is combined by exclusive-or
// with the low eight bits of its position (the same operation undoes it).
//
//   scramble INPUT OUTPUT           scrambles the bytes of INPUT
//   scramble -d DESCRIPTION OUTPUT  builds the bytes from a readable description, then
//                                   scrambles them
//
// A description has one item per line; blank lines and lines starting with '#' are skipped.
// Numbers are decimal or 0x-prefixed hexadecimal; all values are little-endian.
//   u8 N        one byte
//   u32 N       four bytes
//   f32 X       a 32-bit float
//   str TEXT    a u32 byte count and the bytes of TEXT (the rest of the line, as written)
//   hex HH ...  bytes given in hexadecimal
//   zeros N     N zero bytes
// A malformed line gives exit code 2 and names the line; an input that is missing, a directory or
// unreadable exit code 1. An empty input (or a description of no bytes) is an empty output. The
// output is written to a temporary file and renamed into place.

#include "foundation/bytes/ByteWriter.h"

#include "../common/ReadInput.h"
#include "../common/ReplaceFile.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<unsigned char>;

bool parseUnsigned(const std::string& text, uint64_t limit, uint64_t& value) {
  if (text.empty()) return false;
  errno = 0;
  char* end = nullptr;
  const unsigned long long parsed = std::strtoull(text.c_str(), &end, 0);
  if (errno != 0 || *end != '\0' || text[0] == '-' || parsed > limit) return false;
  value = parsed;
  return true;
}

void putU32(Bytes& out, uint32_t value) {
  unsigned char bytes[4];
  storeU32le(bytes, value);
  out.insert(out.end(), bytes, bytes + 4);
}

// Appends the bytes of one description line; false when it is malformed.
bool describe(const std::string& line, Bytes& out) {
  std::istringstream words(line);
  std::string kind;
  words >> kind;
  if (kind.empty() || kind[0] == '#') return true;
  if (kind == "str") {
    const size_t at = line.find("str") + 3;
    const std::string text = at < line.size() ? line.substr(at + 1) : std::string();
    putU32(out, static_cast<uint32_t>(text.size()));
    out.insert(out.end(), text.begin(), text.end());
    return true;
  }
  std::vector<std::string> args{std::istream_iterator<std::string>(words), {}};
  uint64_t value = 0;
  if (kind == "hex") {
    for (const std::string& a : args) {
      if (a.size() != 2 || !parseUnsigned("0x" + a, 0xFF, value)) return false;
      out.push_back(static_cast<unsigned char>(value));
    }
    return !args.empty();
  }
  if (args.size() != 1) return false;
  if (kind == "u8" && parseUnsigned(args[0], 0xFF, value)) {
    out.push_back(static_cast<unsigned char>(value));
  } else if (kind == "u32" && parseUnsigned(args[0], 0xFFFFFFFF, value)) {
    putU32(out, static_cast<uint32_t>(value));
  } else if (kind == "zeros" && parseUnsigned(args[0], 1u << 30, value)) {
    out.insert(out.end(), value, 0);
  } else if (kind == "f32") {
    char* end = nullptr;
    const float f = std::strtof(args[0].c_str(), &end);
    if (*end != '\0') return false;
    uint32_t bits;
    std::memcpy(&bits, &f, sizeof bits);
    putU32(out, bits);
  } else {
    return false;
  }
  return true;
}

int usage() {
  std::fprintf(stderr, "usage: scramble INPUT OUTPUT | scramble -d DESCRIPTION OUTPUT\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  const bool described = argc == 4 && std::strcmp(argv[1], "-d") == 0;
  if (!described && argc != 3) return usage();
  const std::string input = argv[described ? 2 : 1];
  const std::string output = argv[described ? 3 : 2];

  std::string text;
  if (!tools::readInputFile("scramble", input, text)) return 1;
  Bytes bytes;
  if (described) {
    std::istringstream in(text);
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      if (!describe(line, bytes)) {
        std::fprintf(stderr, "scramble: %s:%d: cannot read \"%s\"\n", input.c_str(), number,
                     line.c_str());
        return 2;
      }
    }
  } else {
    bytes.assign(text.begin(), text.end());
  }
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] ^= static_cast<unsigned char>(i & 0xFF);

  return tools::replaceFile("scramble", output, bytes.data(), bytes.size()) ? 0 : 1;
}

// dmfpack: writes a "DMF " container from files.
//
//   dmfpack OUTPUT [NAME=]FILE...
//
// Each FILE becomes one entry, named NAME or, without "NAME=", the file's name without its
// directory. The entries' bytes follow the index back to back, in the order given. All numbers
// are little-endian 32-bit: "DMF ", the entry count, then per entry the name length, the name,
// the offset from the container's start and the size.
//
// Refused (exit code 2, nothing written): a name longer than 263 bytes, two names that are
// equal when 'A' to 'Z' are folded to lower case (the reader rejects such a container), and a
// container larger than 32-bit offsets can address. An input that is missing, a directory or
// unreadable gives exit code 1; an empty FILE is an entry of zero bytes. The output is written
// to a temporary file and renamed into place.

#include "foundation/bytes/ByteWriter.h"

#include "../common/DmfName.h"
#include "../common/ReadInput.h"
#include "../common/ReplaceFile.h"

#include <cstdint>
#include <cstdio>
#include <set>
#include <string>
#include <vector>

namespace {

struct Entry {
  std::string name;
  std::vector<char> bytes;
};

int usage() {
  std::fprintf(stderr, "usage: dmfpack OUTPUT [NAME=]FILE...\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return usage();
  const std::string output = argv[1];
  std::vector<Entry> entries;
  std::set<std::string> names;
  for (int i = 2; i < argc; ++i) {
    const std::string argument = argv[i];
    const size_t equals = argument.find('=');
    std::string path = argument;
    std::string name;
    if (equals != std::string::npos) {
      name = argument.substr(0, equals);
      path = argument.substr(equals + 1);
    } else {
      const size_t slash = path.find_last_of('/');
      name = slash == std::string::npos ? path : path.substr(slash + 1);
    }
    if (name.size() > 263) {
      std::fprintf(stderr, "dmfpack: name longer than 263 bytes: %s\n", name.c_str());
      return 2;
    }
    if (!names.insert(tools::foldDmfName(name)).second) {
      std::fprintf(stderr, "dmfpack: duplicate name (ASCII case ignored): %s\n", name.c_str());
      return 2;
    }
    Entry entry{name, {}};
    if (!tools::readInputFile("dmfpack", path, entry.bytes)) return 1;
    entries.push_back(std::move(entry));
  }

  uint64_t offset = 8;
  for (const Entry& e : entries) offset += 12 + e.name.size();
  ByteWriter out;
  out.text("DMF ").u32le(static_cast<uint32_t>(entries.size()));
  for (const Entry& e : entries) {
    if (offset + e.bytes.size() > UINT32_MAX) {
      std::fprintf(stderr, "dmfpack: container larger than 4 GiB\n");
      return 2;
    }
    out.u32le(static_cast<uint32_t>(e.name.size())).text(e.name);
    out.u32le(static_cast<uint32_t>(offset)).u32le(static_cast<uint32_t>(e.bytes.size()));
    offset += e.bytes.size();
  }
  for (const Entry& e : entries) out.bytes(e.bytes.data(), e.bytes.size());

  const std::vector<uint8_t>& bytes = out.bytes();
  return tools::replaceFile("dmfpack", output, bytes.data(), bytes.size()) ? 0 : 1;
}

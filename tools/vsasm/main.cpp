// vsasm: assembles shader sources into token streams.
//
//   vsasm SOURCE OUTPUT
//       one shader: OUTPUT holds its tokens, little-endian.
//   vsasm --archive OUTPUT NAME=SOURCE...
//       a "DMF " container (the renderer's shader archive) whose entries are the assembled
//       shaders, each stored position-scrambled: every byte exclusive-or the low eight bits of
//       its offset in the entry. Names longer than 263 bytes and names that are equal when 'A'
//       to 'Z' are folded to lower case (the container's reader refuses them) give exit code 2.
//
// Assembly errors go to standard error as "SOURCE:line N: message", a source that cannot be
// read as "vsasm: cannot read SOURCE: reason"; the exit status is then 1 and nothing is written.

#include "tools/vsasm/ShaderAssembler.h"

#include "../common/DmfName.h"
#include "../common/ReadInput.h"
#include "../common/ReplaceFile.h"

#include <cstdio>
#include <iostream>
#include <set>
#include <string>
#include <vector>

namespace {

void putU32(std::vector<uint8_t>& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(uint8_t(v >> (8 * i)));
}

bool assembleFile(const std::string& path, std::vector<uint8_t>& bytes) {
  std::string source;
  if (!tools::readInputFile("vsasm", path, source)) return false;
  const vsasm::Assembled a = vsasm::assemble(source);
  if (!a.ok) {
    std::cerr << path << ":" << a.error << "\n";
    return false;
  }
  bytes.clear();
  for (uint32_t t : a.tokens) putU32(bytes, t);
  return true;
}

int archive(const std::string& output, int count, char** entries) {
  std::vector<std::pair<std::string, std::vector<uint8_t>>> shaders;
  std::set<std::string> names;
  for (int i = 0; i < count; ++i) {
    const std::string entry = entries[i];
    const size_t eq = entry.find('=');
    if (eq == std::string::npos || eq == 0 || eq > 263) {
      std::cerr << "vsasm: expected NAME=SOURCE, got " << entry << "\n";
      return 2;
    }
    if (!names.insert(tools::foldDmfName(entry.substr(0, eq))).second) {
      std::cerr << "vsasm: duplicate name (ASCII case ignored): " << entry.substr(0, eq) << "\n";
      return 2;
    }
    std::vector<uint8_t> bytes;
    if (!assembleFile(entry.substr(eq + 1), bytes)) return 1;
    for (size_t k = 0; k < bytes.size(); ++k) bytes[k] ^= uint8_t(k);
    shaders.emplace_back(entry.substr(0, eq), std::move(bytes));
  }
  uint64_t offset = 8;
  for (const auto& [name, bytes] : shaders) offset += 12 + name.size();
  std::vector<uint8_t> out = {'D', 'M', 'F', ' '};
  putU32(out, uint32_t(shaders.size()));
  for (const auto& [name, bytes] : shaders) {
    putU32(out, uint32_t(name.size()));
    out.insert(out.end(), name.begin(), name.end());
    putU32(out, uint32_t(offset));
    putU32(out, uint32_t(bytes.size()));
    offset += bytes.size();
  }
  if (offset > UINT32_MAX) {
    std::cerr << "vsasm: the archive is too large\n";
    return 1;
  }
  for (const auto& [name, bytes] : shaders) out.insert(out.end(), bytes.begin(), bytes.end());
  return tools::replaceFile("vsasm", output, out.data(), out.size()) ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 3 && std::string(argv[1]) == "--archive") return archive(argv[2], argc - 3, argv + 3);
  if (argc != 3) {
    std::cerr << "usage: vsasm SOURCE OUTPUT\n       vsasm --archive OUTPUT NAME=SOURCE...\n";
    return 2;
  }
  std::vector<uint8_t> bytes;
  if (!assembleFile(argv[1], bytes)) return 1;
  return tools::replaceFile("vsasm", argv[2], bytes.data(), bytes.size()) ? 0 : 1;
}

// vsasm: assembles shader sources into token streams.
//
//   vsasm SOURCE OUTPUT
//       one shader: OUTPUT holds its tokens, little-endian.
//   vsasm --archive OUTPUT NAME=SOURCE...
//       a "DMF " container (the renderer's shader archive) whose entries are the assembled
//       shaders, each stored position-scrambled: every byte exclusive-or the low eight bits of
//       its offset in the entry.
//
// Errors go to standard error as "SOURCE:line N: message", and the exit status is 1.

#include "tools/vsasm/ShaderAssembler.h"

#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

namespace {

bool readFile(const std::string& path, std::string& out) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream s;
  s << in.rdbuf();
  out = s.str();
  return true;
}

// Writes beside the target and renames, so a failed run never leaves a partial file.
bool writeFile(const std::string& path, const std::vector<uint8_t>& bytes) {
  const std::string temporary = path + ".tmp";
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    if (!out) return false;
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    if (!out) return false;
  }
  return std::rename(temporary.c_str(), path.c_str()) == 0;
}

void putU32(std::vector<uint8_t>& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(uint8_t(v >> (8 * i)));
}

bool assembleFile(const std::string& path, std::vector<uint8_t>& bytes) {
  std::string source;
  if (!readFile(path, source)) {
    std::cerr << path << ": cannot be read\n";
    return false;
  }
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
  for (int i = 0; i < count; ++i) {
    const std::string entry = entries[i];
    const size_t eq = entry.find('=');
    if (eq == std::string::npos || eq == 0 || eq > 263) {
      std::cerr << "vsasm: expected NAME=SOURCE, got " << entry << "\n";
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
  if (!writeFile(output, out)) {
    std::cerr << output << ": cannot be written\n";
    return 1;
  }
  return 0;
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
  if (!writeFile(argv[2], bytes)) {
    std::cerr << argv[2] << ": cannot be written\n";
    return 1;
  }
  return 0;
}

#include "ArchiveWriter.h"

#include "foundation/bytes/ByteWriter.h"
#include "foundation/omb/ombFileArchiveIndex.h"
#include "foundation/omb/ombFileScramble.h"
#include "platform/text/Utf8.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace fs = std::filesystem;

namespace {

std::vector<uint8_t> readFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    throw std::runtime_error("cannot read " + path.string());
  }
  std::vector<uint8_t> data((std::istreambuf_iterator<char>(in)), {});
  if (in.bad()) {
    throw std::runtime_error("cannot read " + path.string());
  }
  return data;
}

}  // namespace

std::vector<uint8_t> buildArchive(const std::vector<ArchiveEntry>& entries) {
  ByteWriter w;
  w.u32be(OMB_ARCHIVE_MAGIC).u32be(0).u64be(0).u32be(static_cast<uint32_t>(entries.size()));
  for (const ArchiveEntry& entry : entries) {
    w.u32be(static_cast<uint32_t>(entry.name.size()));
    for (const char16_t unit : entry.name) w.u16be(unit);
    w.u64be(entry.data.size());
  }
  for (const ArchiveEntry& entry : entries) w.bytes(entry.data);
  std::vector<uint8_t> out = w.release();
  ombFileScramble(out.data(), out.size(), 0);
  return out;
}

std::vector<ArchiveEntry> entriesFromDirectory(const std::string& directory) {
  std::vector<std::pair<std::string, fs::path>> files;
  for (const fs::directory_entry& item : fs::recursive_directory_iterator(directory)) {
    if (item.is_regular_file()) {
      files.emplace_back(fs::relative(item.path(), directory).generic_string(), item.path());
    }
  }
  std::sort(files.begin(), files.end());
  std::vector<ArchiveEntry> entries;
  for (const auto& [name, path] : files) {
    entries.push_back({platform::utf8ToUtf16(name), readFile(path)});
  }
  return entries;
}

std::vector<ArchiveEntry> entriesFromList(const std::string& listPath) {
  std::ifstream list(listPath);
  if (!list) {
    throw std::runtime_error("cannot read " + listPath);
  }
  const fs::path folder = fs::path(listPath).parent_path();
  std::vector<ArchiveEntry> entries;
  std::string line;
  while (std::getline(list, line)) {
    if (!line.empty() && line.back() == '\r') {
      line.pop_back();
    }
    if (line.empty() || line[0] == '#') {
      continue;
    }
    const std::size_t tab = line.find('\t');
    const std::string name = line.substr(0, tab);
    const fs::path source = tab == std::string::npos ? fs::path(name) : fs::path(line.substr(tab + 1));
    entries.push_back({platform::utf8ToUtf16(name), readFile(folder / source)});
  }
  return entries;
}

void writeFileAtomically(const std::string& path, const std::vector<uint8_t>& bytes) {
  const std::string temporary = path + ".tmp";
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out.flush()) {
      throw std::runtime_error("cannot write " + temporary);
    }
  }
  std::error_code error;
  fs::rename(temporary, path, error);
  if (error) {
    fs::remove(temporary, error);
    throw std::runtime_error("cannot write " + path);
  }
}

#include "ArchiveWriter.h"

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

void putBigEndian(std::vector<uint8_t>& out, uint64_t value, int bytes) {
  for (int i = bytes - 1; i >= 0; --i) {
    out.push_back(static_cast<uint8_t>(value >> (8 * i)));
  }
}

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
  std::vector<uint8_t> out;
  putBigEndian(out, OMB_ARCHIVE_MAGIC, 4);
  putBigEndian(out, 0, 4);
  putBigEndian(out, 0, 8);
  putBigEndian(out, entries.size(), 4);
  for (const ArchiveEntry& entry : entries) {
    putBigEndian(out, entry.name.size(), 4);
    for (const char16_t unit : entry.name) {
      putBigEndian(out, unit, 2);
    }
    putBigEndian(out, entry.data.size(), 8);
  }
  for (const ArchiveEntry& entry : entries) {
    out.insert(out.end(), entry.data.begin(), entry.data.end());
  }
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

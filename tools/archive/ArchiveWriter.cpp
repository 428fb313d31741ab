#include "tools/archive/ArchiveWriter.h"

#include "foundation/bytes/ByteWriter.h"
#include "foundation/omb/file/ombFileArchiveIndex.h"
#include "foundation/omb/file/ombFileScramble.h"
#include "platform/text/Utf8.h"

#include "../common/ReadInput.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace fs = std::filesystem;

namespace {

std::vector<uint8_t> readFile(const fs::path& path) {
  std::vector<uint8_t> data;
  std::string why;
  if (!tools::readWholeFile(path.string(), data, why)) {
    throw std::runtime_error("cannot read " + path.string() + ": " + why);
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
  std::error_code error;
  const fs::file_status status = fs::status(directory, error);
  if (status.type() == fs::file_type::not_found) {
    throw std::runtime_error("cannot read " + directory + ": " + std::strerror(ENOENT));
  }
  if (error) throw std::runtime_error("cannot read " + directory + ": " + error.message());
  if (!fs::is_directory(status)) {
    throw std::runtime_error("cannot read " + directory + ": " + std::strerror(ENOTDIR));
  }
  std::vector<std::pair<std::string, fs::path>> files;
  for (fs::recursive_directory_iterator it(directory, error), end; !error && it != end;
       it.increment(error)) {
    if (it->is_regular_file()) {
      files.emplace_back(fs::relative(it->path(), directory).generic_string(), it->path());
    }
  }
  if (error) throw std::runtime_error("cannot read " + directory + ": " + error.message());
  if (files.empty()) throw std::runtime_error(directory + " holds no files");
  std::sort(files.begin(), files.end());
  std::vector<ArchiveEntry> entries;
  for (const auto& [name, path] : files) {
    entries.push_back({platform::utf8ToUtf16(name), readFile(path)});
  }
  return entries;
}

std::vector<ArchiveEntry> entriesFromList(const std::string& listPath) {
  std::string text;
  std::string why;
  if (!tools::readWholeFile(listPath, text, why)) {
    throw std::runtime_error("cannot read " + listPath + ": " + why);
  }
  const fs::path folder = fs::path(listPath).parent_path();
  std::vector<ArchiveEntry> entries;
  std::istringstream list(text);
  std::string line;
  for (int number = 1; std::getline(list, line); ++number) {
    if (!line.empty() && line.back() == '\r') {
      line.pop_back();
    }
    if (line.empty() || line[0] == '#') {
      continue;
    }
    const std::size_t tab = line.find('\t');
    const std::string name = line.substr(0, tab);
    const fs::path source = tab == std::string::npos ? fs::path(name) : fs::path(line.substr(tab + 1));
    const std::string where = listPath + ":" + std::to_string(number) + ": ";
    if (line.find('\0') != std::string::npos) {
      throw std::runtime_error(where + "a NUL byte in the line");
    }
    if (name.empty() || source.empty()) {
      throw std::runtime_error(where + "expected NAME or NAME<TAB>SOURCE");
    }
    std::vector<uint8_t> data;
    if (!tools::readWholeFile((folder / source).string(), data, why)) {
      throw std::runtime_error(where + "cannot read " + (folder / source).string() + ": " + why);
    }
    entries.push_back({platform::utf8ToUtf16(name), std::move(data)});
  }
  // A list with no entries makes an empty archive, which the reader accepts (tests use one).
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

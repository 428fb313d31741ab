#pragma once

#include "foundation/omb/ombCore.h"
#include "foundation/omb/ombFile.h"
#include "foundation/omb/ombFileModule.h"
#include "foundation/omb/ombFileScramble.h"
#include "platform/text/Utf8.h"

#include <gtest/gtest.h>

#include <stdlib.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <utility>
#include <vector>

// Shared by the file layer, archive, log and File tests: a fresh file layer for every test and a
// scratch folder beside the test program, so that paths relative to the executable's directory
// (the framework's base directory) reach it.
namespace ombfiletest {

namespace fs = std::filesystem;

using Bytes = std::vector<uint8_t>;

inline std::u16string u16(const std::string& text) {
  return platform::utf8ToUtf16(text);
}

inline Bytes bytesOf(std::string_view text) {
  return Bytes(text.begin(), text.end());
}

inline Bytes readAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

inline void writeAll(const fs::path& path, const Bytes& bytes) {
  fs::create_directories(path.parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// Every byte of a view from its position to its end, read in one call.
inline Bytes readRest(OMB_FILE* file) {
  Bytes bytes(4096);
  uint32_t count = 0;
  EXPECT_EQ(ombFileRead(&count, bytes.data(), static_cast<uint32_t>(bytes.size()), file), OMB_OK);
  bytes.resize(count);
  return bytes;
}

// Opens in the mode, reads everything and closes; nothing when the open fails.
inline std::optional<Bytes> contents(uint32_t mode, const std::u16string& path) {
  OMB_FILE* file = ombFileOpen(mode, path.c_str(), 0);
  if (!file) {
    return std::nullopt;
  }
  Bytes bytes = readRest(file);
  ombFileClose(file);
  return bytes;
}

// True when no view holds the file: only then can it be opened for writing (without creating).
inline bool isUnheld(const std::u16string& path) {
  OMB_FILE* writer = ombFileOpen(OMB_FILE_MODE_WRITE, path.c_str(), 0);
  ombFileClose(writer);
  return writer != nullptr;
}

class FileLayerTest : public testing::Test {
 protected:
  // The core comes up before any member of a derived fixture replaces the log output: its first
  // init resets the output to the default.
  FileLayerTest() { ombCoreInit(); }

  void SetUp() override {
    // Archives stay registered until the layer shuts down, so each test gets a layer of its own.
    ombFileUninit();
    ombFileInit();
    std::string pattern = (fs::canonical(TEST_BIN_DIR) / "ombfile-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    folder_ = pattern;
  }
  void TearDown() override {
    ombFileUninit();
    ombFileInit();
    std::error_code ignored;
    fs::remove_all(folder_, ignored);
  }

  // The native path of a name in the scratch folder, usable as a framework path ("/...").
  fs::path native(const std::string& name) const { return folder_ / name; }
  std::u16string path(const std::string& name) const { return u16(native(name).string()); }
  // The same file as a path relative to the executable's directory.
  std::u16string relative(const std::string& name) const {
    return u16(folder_.filename().string() + "/" + name);
  }
  std::u16string write(const std::string& name, const Bytes& bytes) const {
    writeAll(native(name), bytes);
    return path(name);
  }

  // Runs the archive tool on a list of {entry name, contents}; returns the archive's framework
  // path.
  std::u16string archive(const std::string& name,
                         const std::vector<std::pair<std::string, std::string>>& entries) {
    const fs::path sources = native(name + ".src");
    fs::create_directories(sources);
    std::ofstream list(sources / "list");
    for (std::size_t i = 0; i < entries.size(); ++i) {
      const std::string source = "entry" + std::to_string(i);
      writeAll(sources / source, bytesOf(entries[i].second));
      list << entries[i].first << '\t' << source << '\n';
    }
    list.close();
    runTool(native(name), "--list", sources / "list");
    return path(name);
  }
  void runTool(const fs::path& output, const std::string& option, const fs::path& input) {
    const std::string command = std::string(TEST_BIN_DIR) + "/archive '" + output.string() +
                                "' " + option + " '" + input.string() + "'";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
  }

  fs::path folder_;
};

}  // namespace ombfiletest

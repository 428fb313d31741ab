#pragma once

#include "foundation/omb/file/ombFile.h"
#include "foundation/omb/file/ombFileModule.h"
#include "foundation/omb/file/ombFileScramble.h"
#include "foundation/omb/ombCore.h"
#include "testsupport/FileBytes.h"
#include "testsupport/TempDir.h"
#include "testsupport/Text.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
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

using testsupport::u16;

inline Bytes bytesOf(std::string_view text) {
  return Bytes(text.begin(), text.end());
}

inline Bytes readAll(const fs::path& path) { return readFileBytes(path); }

inline void writeAll(const fs::path& path, const Bytes& bytes) { writeFileBytes(path, bytes); }

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
    temp_ = std::make_unique<TempDir>(fs::canonical(TEST_BIN_DIR), "ombfile");
    folder_ = temp_->path();
  }
  void TearDown() override {
    ombFileUninit();
    ombFileInit();
    temp_.reset();
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

  std::unique_ptr<TempDir> temp_;
  fs::path folder_;
};

}  // namespace ombfiletest

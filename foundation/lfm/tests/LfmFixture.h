#pragma once

#include "foundation/dbtl/DApplication.h"
#include "foundation/dbtl/DFile.h"
#include "foundation/dbtl/tests/ReadAll.h"
#include "foundation/lfm/LFmOverride.h"
#include "foundation/lfm/lfmPack.h"
#include "platform/app/ProcessStart.h"
#include "testsupport/DMemorySource.h"
#include "testsupport/LerrCapture.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <utility>
#include <vector>

// A published application (its module directory is the test program's bin/ folder), an empty
// pack registry, and a name for this test's own packs and files beside the executable. CTest
// runs tests in parallel processes, so the name holds the process id.
class LfmFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(m_application.Init(platform::processInstance(), platform::kShowNormal, nullptr));
    dbtl::DApplication::_Publish(&m_application);
    lfmTerm();
    m_module = m_application.GetModuleDirectory();
    m_name = std::string("lfmtest-") + std::to_string(::getpid()) + "-" +
             ::testing::UnitTest::GetInstance()->current_test_info()->name();
  }
  void TearDown() override {
    lfmTerm();
    dbtl::DApplication::_Publish(nullptr);
    std::error_code ignored;
    std::filesystem::remove_all(m_module + m_name, ignored);
    std::filesystem::remove(m_module + m_name + ".dmf", ignored);
  }

  // Writes a file at a path relative to the module directory, making its directories.
  std::string WriteModuleFile(const std::string& relative, const std::vector<uint8_t>& bytes) {
    const std::filesystem::path path = m_module + relative;
    std::filesystem::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return path.string();
  }

  LerrCapture m_capture;
  dbtl::DApplication m_application;
  std::string m_module;
  std::string m_name;
};

// An override that answers from a set of names and records every question. OpenData opens the
// file on a memory source holding the name it was asked for.
class RecordingOverride : public LFmOverride {
 public:
  bool IsDataExist(const char* name) override {
    queries.emplace_back(name);
    return existing.count(name) != 0;
  }
  void OpenData(dbtl::DFile& file, const char* name, uint32_t flags) override {
    opened.emplace_back(name, flags);
    dbtl::rcptr<DMemorySource> source;
    source.Create(1);
    source->data.assign(name, name + std::strlen(name));
    file.OpenOverride(name, source);
  }

  std::set<std::string> existing;
  std::vector<std::string> queries;
  std::vector<std::pair<std::string, uint32_t>> opened;
};

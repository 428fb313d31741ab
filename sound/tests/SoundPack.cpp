#include "SoundPack.h"

#include "foundation/lerr/lerr.h"
#include "foundation/lfm/LFmOverride.h"
#include "foundation/lfm/lfmPack.h"

#include <gtest/gtest.h>

namespace soundtest {
namespace {

class FixtureOverride : public LFmOverride {
 public:
  bool IsDataExist(const char* name) override {
    ++queries[name];
    return files.count(name) != 0;
  }
  void OpenData(dbtl::DFile& file, const char* name, uint32_t flags) override {
    const auto it = files.find(name);
    if (it == files.end() || !file.Open(it->second.c_str(), flags)) {
      lerrFatal("[SoundPack] no file \"%s\"", name);
    }
  }
  std::map<std::string, std::string> files;
  std::map<std::string, uint32_t> queries;
};

FixtureOverride* g_override = nullptr;

}  // namespace

std::string Unique(const std::string& name) {
  const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
  return std::string(test->test_suite_name()) + "_" + test->name() + "_" + name;
}

SoundPack::SoundPack() {
  lfmTerm();
  dbtl::rcptr<FixtureOverride> override;
  override.Create(1);
  g_override = override.Get();
  lfmRegistOverride(override);
  pack_ = lfmRegistPack("");
}

SoundPack::~SoundPack() {
  lfmTerm();
  g_override = nullptr;
}

void SoundPack::Put(const std::string& name, const std::string& path) {
  g_override->files[name] = path;
}

uint32_t SoundPack::Queries(const std::string& name) const {
  const auto it = g_override->queries.find(name);
  return it == g_override->queries.end() ? 0 : it->second;
}

}  // namespace soundtest

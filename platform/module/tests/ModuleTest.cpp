#include "platform/module/Module.h"

#include "platform/module/FileSearch.h"
#include "platform/module/LocalMemory.h"

#include <dlfcn.h>
#include <gtest/gtest.h>
#include <link.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

struct TempDir {
  TempDir() {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base != nullptr && *base != '\0' ? base : "/tmp") +
                          "/moduletest.XXXXXX";
    path = ::mkdtemp(pattern.data()) != nullptr ? pattern : std::string();
  }
  ~TempDir() {
    if (!path.empty()) std::filesystem::remove_all(path);
  }
  std::string File(const std::string& name, const std::string& bytes) const {
    const std::string full = path + "/" + name;
    std::ofstream(full, std::ios::binary) << bytes;
    return full;
  }
  std::string path;
};

// The C library's file, as the running program has it loaded.
std::string CLibraryPath() {
  std::string found;
  dl_iterate_phdr(
      [](dl_phdr_info* info, size_t, void* out) {
        const std::string name = info->dlpi_name != nullptr ? info->dlpi_name : "";
        if (name.find("/libc.so") == std::string::npos) return 0;
        *static_cast<std::string*>(out) = name;
        return 1;
      },
      &found);
  return found;
}

TEST(ModuleTest, LoadsASharedObjectAndFindsItsEntryPoints) {
  const std::string path = CLibraryPath();
  ASSERT_FALSE(path.empty());
  std::unique_ptr<platform::Module> module = platform::loadModule(path);
  ASSERT_NE(module, nullptr);
  EXPECT_NE(module->symbol("getpid"), nullptr);
  EXPECT_EQ(module->symbol("getpid"), ::dlsym(RTLD_DEFAULT, "getpid"));
  EXPECT_EQ(module->symbol("GetPluginInfo"), nullptr);
  EXPECT_EQ(module->symbol(nullptr), nullptr);
}

TEST(ModuleTest, RefusesFilesThatAreNoModuleOfThisPlatform) {
  TempDir dir;
  ASSERT_FALSE(dir.path.empty());
  // The start of a Windows module: such a plug-in is what games ship, and it cannot load here.
  std::string windowsModule("MZ\x90\0\x03\0\0\0\x04\0\0\0\xFF\xFF\0\0", 16);
  windowsModule.resize(512, '\0');
  EXPECT_EQ(platform::loadModule(dir.File("plugin.spi", windowsModule)), nullptr);
  EXPECT_EQ(platform::loadModule(dir.File("empty.spi", "")), nullptr);
  EXPECT_EQ(platform::loadModule(dir.path + "/missing.spi"), nullptr);
  // A bare name is a file in the current directory, never a library found on the search path.
  EXPECT_EQ(platform::loadModule("libc.so.6"), nullptr);
}

TEST(FileSearchTest, MatchesTheLastComponentCaseBlindAndSortsByName) {
  TempDir dir;
  ASSERT_FALSE(dir.path.empty());
  dir.File("b.spi", "");
  dir.File("A.SPI", "");
  dir.File(".hidden.spi", "");
  dir.File("c.spi.txt", "");
  dir.File("d.txt", "");
  ASSERT_EQ(::mkdir((dir.path + "/e.Spi").c_str(), 0700), 0);

  const std::vector<platform::FoundFile> found = platform::findFiles(dir.path + "/*.spi");
  ASSERT_EQ(found.size(), 4u);
  const char* names[] = {".hidden.spi", "A.SPI", "b.spi", "e.Spi"};
  for (size_t i = 0; i < found.size(); ++i) {
    EXPECT_EQ(found[i].name, names[i]);
    EXPECT_EQ(found[i].directory, i == 3) << found[i].name;
  }
  EXPECT_EQ(platform::findFiles(dir.path + "/?.TXT").size(), 1u);
  EXPECT_TRUE(platform::findFiles(dir.path + "/missing/*.spi").empty());
}

TEST(LocalMemoryTest, BlocksAreZeroedSizedAndLockCounted) {
  platform::LocalHandle handle = platform::localAlloc(10);
  ASSERT_NE(handle, nullptr);
  EXPECT_EQ(platform::localSize(handle), 10u);
  auto* bytes = static_cast<unsigned char*>(platform::localLock(handle));
  ASSERT_NE(bytes, nullptr);
  for (int i = 0; i < 10; ++i) EXPECT_EQ(bytes[i], 0) << i;
  std::memset(bytes, 0x5A, 10);
  EXPECT_EQ(platform::localLock(handle), bytes);
  EXPECT_TRUE(platform::localUnlock(handle));
  EXPECT_FALSE(platform::localUnlock(handle));
  EXPECT_FALSE(platform::localUnlock(handle));
  EXPECT_EQ(platform::localFree(handle), nullptr);

  EXPECT_EQ(platform::localAlloc(static_cast<size_t>(-1)), nullptr);
  EXPECT_EQ(platform::localLock(nullptr), nullptr);
  EXPECT_EQ(platform::localSize(nullptr), 0u);
  EXPECT_EQ(platform::localFree(nullptr), nullptr);
}

}  // namespace

#include "image/DImageKind.h"
#include "image/file/DimgLoad.h"
#include "image/file/DimgSusie.h"
#include "testsupport/image/DimgLoadTestSupport.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstring>
#include <filesystem>
#include <map>

namespace {

using namespace filetest;

// The fake plug-in: real entry points in this test program, reached through a fake module
// loader exactly as the scan reaches a loaded module's exports. It recognises data that starts
// with "FAKEPIC" and hands over a 2 × 1 24-bit bitmap whose pixels are the data's bytes 8 to 13.
struct FakeState {
  const char* version = "00IN";
  std::vector<std::string> askedNames;
  Bytes pictureData;       // what GetPicture received
  int32_t pictureResult = 0;
  size_t headerChecksum = 0;  // sum of the 4096 header bytes of every question
};
FakeState fake;

constexpr char kMagic[] = "FAKEPIC";

int32_t GetPluginInfo(int32_t number, char* buffer, int32_t length) {
  if (number != 0 || length < 5) return 0;
  std::strcpy(buffer, fake.version);
  return int32_t(std::strlen(buffer));
}

int32_t IsSupported(const char* name, const void* header) {
  fake.askedNames.push_back(name);
  const auto* bytes = static_cast<const uint8_t*>(header);
  // A plug-in may look at all 4096 bytes; under the address sanitizer a buffer that ends
  // sooner shows here.
  for (size_t i = 0; i < 4096; ++i) fake.headerChecksum += bytes[i];
  return std::memcmp(bytes, kMagic, 7) == 0 ? 1 : 0;
}

int32_t GetPictureInfo(const char*, int32_t, uint32_t, void*) { return 0; }

int32_t GetPicture(const char* data, int32_t length, uint32_t flag, platform::LocalHandle* info,
                   platform::LocalHandle* pixels, void* progress, int32_t user) {
  EXPECT_EQ(flag, 1u);
  EXPECT_EQ(progress, nullptr);
  EXPECT_EQ(user, 0);
  fake.pictureData.assign(data, data + length);
  Bytes header;
  Put32(header, 40);
  Put32(header, 2);
  Put32(header, 1);
  Put16(header, 1);
  Put16(header, 24);
  header.resize(40, 0);
  *info = platform::localAlloc(header.size());
  std::memcpy(platform::localLock(*info), header.data(), header.size());
  platform::localUnlock(*info);
  *pixels = platform::localAlloc(8);
  auto* out = static_cast<uint8_t*>(platform::localLock(*pixels));
  for (size_t i = 0; i < 6 && 8 + i < size_t(length); ++i) out[i] = uint8_t(data[8 + i]);
  platform::localUnlock(*pixels);
  return fake.pictureResult;
}

class FakeModule : public platform::Module {
 public:
  FakeModule(std::string name, std::map<std::string, void*> exports, std::vector<std::string>* freed)
      : m_name(std::move(name)), m_exports(std::move(exports)), m_freed(freed) {}
  ~FakeModule() override { m_freed->push_back(m_name); }
  void* symbol(const char* name) const override {
    const auto it = m_exports.find(name);
    return it == m_exports.end() ? nullptr : it->second;
  }

 private:
  std::string m_name;
  std::map<std::string, void*> m_exports;
  std::vector<std::string>* m_freed;
};

std::map<std::string, void*> AllExports() {
  return {{"GetPluginInfo", reinterpret_cast<void*>(&GetPluginInfo)},
          {"IsSupported", reinterpret_cast<void*>(&IsSupported)},
          {"GetPictureInfo", reinterpret_cast<void*>(&GetPictureInfo)},
          {"GetPicture", reinterpret_cast<void*>(&GetPicture)}};
}

// A folder of plug-in files; the fake loader gives each name its module, or none.
class SusiePluginTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fake = FakeState{};
    dir = TempPath("dimg-susie") + "/";
    std::filesystem::remove_all(dir);
    ASSERT_TRUE(std::filesystem::create_directory(dir));
  }
  void TearDown() override {
    _DSusieTerm();
    std::filesystem::remove_all(dir);
  }

  void AddFile(const std::string& name, std::map<std::string, void*> exports, bool loads = true) {
    std::ofstream(dir + name) << "module";
    if (loads) modules[dir + name] = std::move(exports);
  }

  void Scan() {
    DSusieScan(dir.c_str(), [this](const std::string& path) -> std::unique_ptr<platform::Module> {
      loaded.push_back(path);
      const auto it = modules.find(path);
      if (it == modules.end()) return nullptr;
      return std::make_unique<FakeModule>(path.substr(dir.size()), it->second, &freed);
    });
  }

  std::string dir;
  std::map<std::string, std::map<std::string, void*>> modules;
  std::vector<std::string> loaded;
  std::vector<std::string> freed;
};

TEST_F(SusiePluginTest, TheScanKeepsUsablePluginsAndLogsEachFile) {
  std::map<std::string, void*> noInfo = AllExports();
  noInfo.erase("GetPluginInfo");
  std::map<std::string, void*> noPictureInfo = AllExports();
  noPictureInfo.erase("GetPictureInfo");
  AddFile("a.spi", AllExports());
  AddFile("b.spi", noInfo);
  AddFile("c.SPI", AllExports());
  AddFile("d.spi", noPictureInfo);
  AddFile("e.spi", {}, false);
  AddFile("notes.txt", AllExports());
  ASSERT_EQ(::mkdir((dir + "f.spi").c_str(), 0700), 0);

  DebugLogCapture log;
  Scan();
  EXPECT_EQ(loaded, (std::vector<std::string>{dir + "a.spi", dir + "b.spi", dir + "c.SPI",
                                              dir + "d.spi", dir + "e.spi"}));
  EXPECT_EQ(log.Text(), "[_DSusieInit] \"" + dir + "a.spi\": loaded.\n"
                        "[_DSusieInit] can't get \"GetPluginInfo\" in \"" + dir + "b.spi\"\n"
                        "[_DSusieInit] \"" + dir + "c.SPI\": loaded.\n"
                        "[_DSusieInit] \"" + dir + "d.spi\": can't find functions.\n");
  EXPECT_EQ(DSusiePlugins().GetCount(), 2u);
  EXPECT_EQ(freed, (std::vector<std::string>{"b.spi", "d.spi"}));
  _DSusieTerm();
  EXPECT_EQ(DSusiePlugins().GetCount(), 0u);
  EXPECT_EQ(freed, (std::vector<std::string>{"b.spi", "d.spi", "a.spi", "c.SPI"}));
}

TEST_F(SusiePluginTest, TheVersionMustBe00INInAnyCase) {
  const struct {
    const char* version;
    bool kept;
  } cases[] = {{"00IN", true}, {"00in", true}, {"00AM", false}, {"00IN ", false}, {"", false}};
  AddFile("p.spi", AllExports());
  for (const auto& c : cases) {
    SCOPED_TRACE(c.version);
    fake.version = c.version;
    DebugLogCapture log;
    Scan();
    EXPECT_EQ(DSusiePlugins().GetCount(), c.kept ? 1u : 0u);
    EXPECT_EQ(log.Text(), "[_DSusieInit] \"" + dir + "p.spi\": " +
                              (c.kept ? "loaded.\n" : "version error.\n"));
    _DSusieTerm();
  }
}

Bytes FakePicture(size_t prefix, size_t size) {
  Bytes data(prefix, 0x41);
  data.insert(data.end(), kMagic, kMagic + 8);
  const uint8_t pixels[6] = {1, 2, 3, 4, 5, 6};
  data.insert(data.end(), pixels, pixels + 6);
  if (data.size() < size) data.resize(size, 0x42);
  return data;
}

TEST_F(SusiePluginTest, DimgLoadFallsThroughToThePluginThatAcceptsTheData) {
  AddFile("p.spi", AllExports());
  Scan();
  const struct {
    const char* name;
    size_t prefix;
    size_t size;
  } cases[] = {{"small file", 0, 20},
               {"behind a 128-byte prefix", 128, 300},
               {"prefix, file just over 4095 bytes", 128, 4100}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const Bytes file = FakePicture(c.prefix, c.size);
    MemoryFile f(file, "pics/fake.pic");
    dbtl::DImage image;
    fake.askedNames.clear();
    ASSERT_TRUE(DimgLoad(f.file, image));
    EXPECT_EQ(image.GetKind(), DImageKindBGR8);
    ASSERT_EQ(image.GetWidth(), 2u);
    ASSERT_EQ(image.GetHeight(), 1u);
    EXPECT_EQ(PixelOf(image, 0, 0), (Rgba{3, 2, 1, 255}));
    EXPECT_EQ(PixelOf(image, 1, 0), (Rgba{6, 5, 4, 255}));
    EXPECT_EQ(fake.pictureData, Bytes(file.begin() + c.prefix, file.end()));
    EXPECT_EQ(fake.askedNames, std::vector<std::string>(c.prefix == 0 ? 1 : 2, "pics/fake.pic"));
  }
}

TEST_F(SusiePluginTest, TheHeaderIsZeroFilledPastTheFile) {
  AddFile("p.spi", AllExports());
  Scan();
  for (const size_t size : {size_t{10}, size_t{4100}}) {
    SCOPED_TRACE(size);
    const Bytes file(size, 1);
    MemoryFile f(file);
    dbtl::DImage image;
    fake.headerChecksum = 0;
    EXPECT_FALSE(DimgLoadSusie(image, f.file));
    // The first question sees min(size, 4096) ones, the second the ones from offset 128 on.
    EXPECT_EQ(fake.headerChecksum, std::min<size_t>(size, 4096) + std::min<size_t>(size - std::min<size_t>(size, 128), 4096));
  }
}

TEST_F(SusiePluginTest, TheFirstAcceptingPluginIsUsedAndItsFailureFailsTheLoad) {
  AddFile("a.spi", AllExports());
  AddFile("b.spi", AllExports());
  Scan();
  ASSERT_EQ(DSusiePlugins().GetCount(), 2u);
  MemoryFile f(FakePicture(0, 64), "x.pic");
  dbtl::DImage image;
  fake.pictureResult = 2;
  EXPECT_FALSE(DimgLoadSusie(image, f.file));
  EXPECT_EQ(image.GetBuffer(), nullptr);
  EXPECT_EQ(fake.askedNames.size(), 1u);
}

TEST_F(SusiePluginTest, DataNoPluginAcceptsEndsWithTheLoadErrorLine) {
  AddFile("p.spi", AllExports());
  Scan();
  MemoryFile f(Bytes(300, 0x42), "pics/unknown.pic");
  dbtl::DImage image;
  DebugLogCapture log;
  EXPECT_FALSE(DimgLoad(f.file, image));
  EXPECT_EQ(fake.askedNames.size(), 2u);
  EXPECT_EQ(log.Text(), "[DimgLoad] \"pics/unknown.pic\": Load Error\n");
}

// What the games ship are Windows modules: the platform's loader refuses them and the scan
// stays silent and empty. The program's own folder has no plug-ins at all.
TEST_F(SusiePluginTest, OnThisPlatformTheScanFindsNoUsablePlugin) {
  std::string windowsModule("MZ\x90\0\x03\0\0\0", 8);
  windowsModule.resize(1024, '\0');
  std::ofstream(dir + "ifjpeg.spi", std::ios::binary) << windowsModule;
  DebugLogCapture log;
  DSusieScan(dir.c_str(), &platform::loadModule);
  _DSusieInit();
  EXPECT_EQ(DSusiePlugins().GetCount(), 0u);
  EXPECT_EQ(log.Text(), "");
  MemoryFile f(FakePicture(0, 64));
  dbtl::DImage image;
  EXPECT_FALSE(DimgLoadSusie(image, f.file));
}

}  // namespace

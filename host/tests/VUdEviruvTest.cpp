// The pack override and its data source over the framework's file layer, on real files in a
// temporary folder ("//<tmp>/").

#include "host/app/VUdEviruv.h"

#include "foundation/dbtl/DFile.h"
#include "foundation/lerr/LExceptGame.h"
#include "foundation/lerr/lerr.h"
#include "foundation/omb/file/ombFileModule.h"
#include "foundation/omb/ombCore.h"
#include "testsupport/LogCapture.h"
#include "testsupport/XdgHome.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>

namespace {

// The framework core comes up before the log capture replaces its output.
struct CoreUp {
  CoreUp() { ombCoreInit(); }
};

class PackOverrideTest : public testing::Test {
 protected:
  PackOverrideTest() {
    // The file layer reads the temporary root when it starts.
    ombFileUninit();
    ombFileInit();
    std::ofstream(home.root / "tmp" / "data.bin", std::ios::binary) << "0123456789";
  }
  ~PackOverrideTest() override {
    ombFileUninit();
    ombFileInit();
  }

  XdgHome home;
  CoreUp core;
  LogCapture log;
  VUdEviruv pack;
};

TEST_F(PackOverrideTest, FindsAndReadsThroughTheFileLayer) {
  EXPECT_TRUE(pack.IsDataExist("//<tmp>/data.bin"));
  EXPECT_TRUE(pack.IsDataExist("//<tmp>\\data.bin"));
  EXPECT_FALSE(pack.IsDataExist("//<tmp>/missing.bin"));

  dbtl::DFile file;
  pack.OpenData(file, "//<tmp>/data.bin", dbtl::DFILE_READ);
  ASSERT_TRUE(file.IsOpen());
  EXPECT_STREQ(file.GetPath(), "//<tmp>/data.bin");
  EXPECT_EQ(file.GetSize(), 10);
  char bytes[4] = {};
  ASSERT_TRUE(file.Seek(-3, dbtl::DSEEK_END));
  EXPECT_EQ(file.Read(bytes, 4), 3);
  EXPECT_EQ(std::string(bytes, 3), "789");
  ASSERT_TRUE(file.Seek(2, dbtl::DSEEK_BEGIN));
  EXPECT_EQ(file.Read(bytes, 2), 2);
  EXPECT_EQ(std::string(bytes, 2), "23");
  EXPECT_EQ(file.Tell(), 4);
}

TEST_F(PackOverrideTest, WritesANewFileOnlyWithBothCreationBits) {
  {
    dbtl::DFile file;
    pack.OpenData(file, "//<tmp>/new.bin",
                  dbtl::DFILE_WRITE | dbtl::DFILE_CREATE | dbtl::DFILE_NEW);
    ASSERT_TRUE(file.IsOpen());
    EXPECT_EQ(file.Write("abcdef", 6), 6);
    EXPECT_TRUE(file.Flush());
  }
  std::ifstream in(home.root / "tmp" / "new.bin", std::ios::binary);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "abcdef");

  for (const uint32_t creation : {dbtl::DFILE_CREATE, dbtl::DFILE_NEW}) {
    dbtl::DFile file;
    EXPECT_THROW(pack.OpenData(file, "//<tmp>/other.bin", dbtl::DFILE_WRITE | creation),
                 LExceptGame);
  }
  dbtl::DFile missing;
  EXPECT_THROW(pack.OpenData(missing, "//<tmp>/missing.bin", dbtl::DFILE_READ), LExceptGame);
  lerrTerm();
}

}  // namespace

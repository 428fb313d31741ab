#include "foundation/omb/file/ombFile.h"
#include "testsupport/FileLayerTest.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace {

using namespace ombfiletest;

class ombFileImage : public FileLayerTest {};

TEST_F(ombFileImage, ImageNamesTryThePathAndThenPng) {
  write("pic.png", bytesOf("png"));
  write("both", bytesOf("bare"));
  write("both.png", bytesOf("png"));
  struct Case {
    std::string name;
    std::optional<std::string> opened;
  };
  const Case cases[] = {
      {"pic", "png"}, {"pic.", "png"}, {"pic.png", "png"}, {"both", "bare"}, {"none", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(ombFileIsImageExist(path(c.name).c_str()), c.opened ? OMB_OK : OMB_ERR_NOT_FOUND);
    OMB_FILE* file = ombFileOpenImage(path(c.name).c_str(), OMB_FILE_MODE_READ_DISK);
    ASSERT_EQ(file != nullptr, c.opened.has_value());
    if (file) {
      EXPECT_EQ(readRest(file), bytesOf(*c.opened));
      EXPECT_EQ(file->flags, 0u);
      ombFileClose(file);
    }
  }
}

}  // namespace

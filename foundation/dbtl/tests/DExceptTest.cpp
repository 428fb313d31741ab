#include "foundation/dbtl/DExcept.h"

#include "foundation/dbtl/DExceptFile.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(DExcept, MessageIsCutTo255Bytes) {
  const std::string text = std::string(255, 'k') + std::string(45, 'c');
  const dbtl::DExcept e(text.c_str());
  EXPECT_EQ(std::string(e.GetMessage()), std::string(255, 'k'));
  const dbtl::DExcept copy = e;
  EXPECT_EQ(std::string(copy.GetMessage()), std::string(255, 'k'));
  EXPECT_STREQ(dbtl::DExcept(nullptr).GetMessage(), "");
}

TEST(DExcept, FileExceptionIsCaughtAsTheBase) {
  bool caught = false;
  try {
    throw dbtl::DExceptFile();
  } catch (const dbtl::DExcept& e) {
    caught = true;
    EXPECT_STREQ(e.GetMessage(), "DExceptFile");
  }
  EXPECT_TRUE(caught);
}

}  // namespace

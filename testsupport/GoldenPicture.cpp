#include "testsupport/GoldenPicture.h"

#include "testsupport/FileBytes.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

void expectGoldenPicture(const std::vector<uint8_t>& picture, const std::string& goldenPath,
                         const char* writeVariable) {
  ASSERT_GT(picture.size(), 54u);
  if (std::getenv(writeVariable) != nullptr) {
    std::filesystem::create_directories(std::filesystem::path(goldenPath).parent_path());
    const std::string temporary = goldenPath + "." + std::to_string(::getpid()) + ".tmp";
    writeFileBytes(temporary, picture);
    ASSERT_EQ(std::rename(temporary.c_str(), goldenPath.c_str()), 0) << goldenPath;
  }
  const std::vector<uint8_t> golden = readFileBytes(goldenPath);
  ASSERT_EQ(picture.size(), golden.size()) << goldenPath;
  size_t differing = 0;
  for (size_t i = 54; i < golden.size(); ++i) differing += picture[i] != golden[i];
  EXPECT_EQ(differing, 0u) << "bytes that differ from " << goldenPath;
}

#include "foundation/omb/ombCore.h"
#include "host/config/Config.h"
#include "testsupport/LogCapture.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <vector>

namespace {

class ConfigLoungeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ombCoreInit();
    ASSERT_EQ(pipe(ends_), 0);
    config_.loungeMode = true;
    config_.loungeOutput = static_cast<uint64_t>(ends_[1]);
  }
  void TearDown() override {
    if (ends_[0] >= 0) close(ends_[0]);
    close(ends_[1]);
  }
  int ends_[2] = {-1, -1};
  Config config_;
};

TEST_F(ConfigLoungeTest, WritesAStatusRecordWithAZeroPayload) {
  config_.writeLoungeData(4);
  std::vector<uint8_t> record(CONFIG_LOUNGE_RECORD + 1, 0xEE);
  ASSERT_EQ(read(ends_[0], record.data(), record.size()), CONFIG_LOUNGE_RECORD);
  record.resize(CONFIG_LOUNGE_RECORD);
  std::vector<uint8_t> expected(CONFIG_LOUNGE_RECORD, 0);
  expected[0] = 4;
  EXPECT_EQ(record, expected);
}

TEST_F(ConfigLoungeTest, WithoutTheLoungeFlagNothingIsWritten) {
  config_.loungeMode = false;
  config_.writeLoungeData(4);
  config_.loungeMode = true;
  config_.writeLoungeData(6);
  uint8_t kind = 0;
  ASSERT_EQ(read(ends_[0], &kind, 1), 1);
  EXPECT_EQ(kind, 6);
}

TEST_F(ConfigLoungeTest, AGoneLoungeIsTheCommunicationError) {
  LogCapture log;
  close(ends_[0]);
  ends_[0] = -1;
  config_.writeLoungeData(5);
  ASSERT_EQ(LogCapture::messages().size(), 1u);
  EXPECT_EQ(LogCapture::messages()[0].level, 0);
  EXPECT_EQ(LogCapture::messages()[0].text,
            u"Error: [Config::writeLoungeData] ラウンジとの通信エラー");
}

}  // namespace

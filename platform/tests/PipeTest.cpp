#include "platform/kernel/Pipe.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <vector>

namespace {

TEST(Pipe, ReadsOnlyWholeRecords) {
  int ends[2];
  ASSERT_EQ(pipe(ends), 0);
  std::vector<char> record(276);
  for (size_t i = 0; i < record.size(); ++i) record[i] = static_cast<char>(i);
  std::vector<char> buffer(276, 0);

  // Part of a record waits: nothing is consumed.
  ASSERT_EQ(write(ends[1], record.data(), 100), 100);
  EXPECT_EQ(platform::pipeReadWhole(ends[0], buffer.data(), 276), platform::PipeRead::NotYet);
  ASSERT_EQ(write(ends[1], record.data() + 100, 176), 176);
  EXPECT_EQ(platform::pipeReadWhole(ends[0], buffer.data(), 276), platform::PipeRead::Whole);
  EXPECT_EQ(buffer, record);
  EXPECT_EQ(platform::pipeReadWhole(ends[0], buffer.data(), 276), platform::PipeRead::NotYet);
  close(ends[0]);
  close(ends[1]);

  // Numbers that name no open descriptor.
  EXPECT_EQ(platform::pipeReadWhole(ends[0], buffer.data(), 276), platform::PipeRead::Failed);
  EXPECT_EQ(platform::pipeReadWhole(uint64_t(1) << 40, buffer.data(), 276),
            platform::PipeRead::Failed);
}

TEST(Pipe, WritesWholeRecordsAndSurvivesAGoneReader) {
  int ends[2];
  ASSERT_EQ(pipe(ends), 0);
  std::vector<char> record(276);
  for (size_t i = 0; i < record.size(); ++i) record[i] = static_cast<char>(i * 7);
  EXPECT_TRUE(platform::pipeWriteWhole(ends[1], record.data(), 276));
  std::vector<char> buffer(276, 0);
  EXPECT_EQ(platform::pipeReadWhole(ends[0], buffer.data(), 276), platform::PipeRead::Whole);
  EXPECT_EQ(buffer, record);

  // Without a reader the write fails instead of raising SIGPIPE, which would end this process.
  close(ends[0]);
  EXPECT_FALSE(platform::pipeWriteWhole(ends[1], record.data(), 276));
  close(ends[1]);
  EXPECT_FALSE(platform::pipeWriteWhole(ends[1], record.data(), 276));
}

}  // namespace

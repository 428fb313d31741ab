#include "foundation/dbtl/DBuffer.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <new>
#include <string>

namespace {

using dbtl::DBuffer;

TEST(DBuffer, ReserveGrowsInStepsAndKeepsElements) {
  DBuffer<uint32_t, 32> buffer;
  EXPECT_EQ(buffer.GetCapacity(), 0u);
  EXPECT_EQ(buffer.GetData(), nullptr);

  struct Step {
    uint32_t request;
    uint32_t capacity;
  };
  const Step steps[] = {{1, 32}, {32, 32}, {10, 32}, {33, 64}, {64, 64}, {65, 96}, {200, 224}};
  for (const auto& step : steps) {
    uint32_t* before = buffer.GetData();
    const uint32_t oldCapacity = buffer.GetCapacity();
    for (uint32_t i = 0; i < oldCapacity; ++i) before[i] = i * 3;
    buffer.Reserve(step.request);
    EXPECT_EQ(buffer.GetCapacity(), step.capacity) << step.request;
    if (step.request <= oldCapacity) {
      EXPECT_EQ(buffer.GetData(), before) << step.request;
    }
    for (uint32_t i = 0; i < oldCapacity; ++i) ASSERT_EQ(buffer.GetData()[i], i * 3);
  }
}

TEST(DBuffer, ElementsWithAssignmentAreCopiedOnGrowth) {
  DBuffer<std::string, 4> names;
  names.Reserve(3);
  for (int i = 0; i < 4; ++i) names.GetData()[i] = std::string(30, static_cast<char>('a' + i));
  names.Reserve(5);
  EXPECT_EQ(names.GetCapacity(), 8u);
  EXPECT_EQ(names.GetData()[3], std::string(30, 'd'));
  EXPECT_TRUE(names.GetData()[4].empty());
}

TEST(DBuffer, CapacityThatWouldOverflowIsAnAllocationFailure) {
  DBuffer<uint8_t, 256> buffer;
  buffer.Reserve(1);
  EXPECT_THROW(buffer.Reserve(0xFFFFFF01u), std::bad_alloc);
  EXPECT_EQ(buffer.GetCapacity(), 256u);
  ASSERT_NE(buffer.GetData(), nullptr);
}

}  // namespace

#include "foundation/dbtl/DArray.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <new>

namespace {

using dbtl::DArray;

TEST(DArray, ResizeGrowsCapacityInStepsAndShrinksOnlyTheSize) {
  DArray<uint16_t, 768> array;
  array.Resize(10);
  EXPECT_EQ(array.GetSize(), 10u);
  EXPECT_EQ(array.GetCapacity(), 768u);
  for (uint16_t i = 0; i < 10; ++i) array.GetData()[i] = static_cast<uint16_t>(100 + i);

  uint16_t* storage = array.GetData();
  array.Resize(4);
  EXPECT_EQ(array.GetSize(), 4u);
  EXPECT_EQ(array.GetCapacity(), 768u);
  EXPECT_EQ(array.GetData(), storage);
  EXPECT_EQ(array.GetData()[9], 109);  // beyond the size, still there

  array.Resize(769);
  EXPECT_EQ(array.GetCapacity(), 1536u);
  EXPECT_EQ(array.GetSize(), 769u);
  for (uint16_t i = 0; i < 4; ++i) EXPECT_EQ(array.GetData()[i], 100 + i);
}

TEST(DArray, CapacityThatWouldOverflowIsAnAllocationFailure) {
  DArray<uint16_t, 2304> array;
  array.Resize(3);
  EXPECT_THROW(array.Resize(0xFFFFFFFFu), std::bad_alloc);
  EXPECT_EQ(array.GetSize(), 3u);
  EXPECT_EQ(array.GetCapacity(), 2304u);
}

}  // namespace

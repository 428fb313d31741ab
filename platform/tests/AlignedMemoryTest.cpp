#include "platform/kernel/AlignedMemory.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

namespace {

TEST(AlignedMemory, BlocksHonourTheAlignment) {
  for (const std::size_t alignment : {std::size_t{1}, std::size_t{16}, std::size_t{64},
                                      std::size_t{4096}}) {
    for (const std::size_t size : {std::size_t{0}, std::size_t{1}, std::size_t{100000}}) {
      void* block = platform::alignedAllocate(size, alignment);
      ASSERT_NE(block, nullptr);
      EXPECT_EQ(reinterpret_cast<std::uintptr_t>(block) % alignment, 0u) << alignment;
      std::memset(block, 0xAB, size);
      platform::alignedFree(block);
    }
  }
}

TEST(AlignedMemory, RefusesAnAlignmentThatIsNotAPowerOfTwo) {
  EXPECT_EQ(platform::alignedAllocate(16, 0), nullptr);
  EXPECT_EQ(platform::alignedAllocate(16, 24), nullptr);
  platform::alignedFree(nullptr);
}

}  // namespace

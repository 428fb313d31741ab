#include "foundation/omb/containers/ombArray.h"

#include "testsupport/LogCapture.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

TEST(ombArray, GrowsInWholeStepsAndNeverShrinks) {
  OMB_ARRAY array;
  ombArrayInit(&array, sizeof(int), 8);
  struct Step {
    uint32_t count;
    uint32_t capacity;
  };
  const Step steps[] = {{1, 8}, {8, 8}, {9, 16}, {3, 16}, {40, 40}, {0, 40}};
  for (const auto& s : steps) {
    ASSERT_NE(ombArrayResize(&array, s.count), nullptr);
    EXPECT_EQ(array.count, s.count);
    EXPECT_EQ(array.capacity, s.capacity) << s.count;
  }
  ombArrayUninit(&array);
  EXPECT_EQ(array.items, nullptr);
}

TEST(ombArray, KeepsItsElementsAcrossGrowthAndShrinking) {
  OMB_ARRAY array;
  ombArrayInit(&array, sizeof(int), 4);
  auto* items = static_cast<int*>(ombArrayResize(&array, 4));
  for (int i = 0; i < 4; ++i) {
    items[i] = i + 10;
  }
  items = static_cast<int*>(ombArrayResize(&array, 1000));
  EXPECT_EQ(std::vector<int>(items, items + 4), (std::vector<int>{10, 11, 12, 13}));
  void* storage = array.items;
  EXPECT_EQ(ombArrayResize(&array, 2), storage);
  EXPECT_EQ(items[0], 10);
  EXPECT_EQ(items[1], 11);
  ombArrayUninit(&array);
}

// An allocator that can expand in place keeps the block; one that cannot gets a copy of exactly
// the stored elements.
struct Recorder {
  bool expandable;
  std::vector<std::size_t> allocations;
  std::vector<std::size_t> expansions;
  int frees = 0;
};

OMB_ALLOCATOR makeAllocator(Recorder& r) {
  OMB_ALLOCATOR a{};
  a.user = &r;
  a.allocate = [](void* user, std::size_t size) -> void* {
    static_cast<Recorder*>(user)->allocations.push_back(size);
    // Room to expand into, and the stale bytes are marked so that a short copy shows.
    void* block = std::malloc(4096);
    std::memset(block, 0xEE, 4096);
    return block;
  };
  a.free = [](void* user, void* memory) {
    ++static_cast<Recorder*>(user)->frees;
    std::free(memory);
  };
  a.expand = [](void* user, void*, std::size_t size) {
    auto* r = static_cast<Recorder*>(user);
    r->expansions.push_back(size);
    return r->expandable && size <= 4096;
  };
  return a;
}

TEST(ombArray, UsesTheAllocatorsInPlaceExpansionBeforeCopying) {
  for (const bool expandable : {true, false}) {
    SCOPED_TRACE(expandable);
    Recorder r{expandable, {}, {}, 0};
    OMB_ALLOCATOR allocator = makeAllocator(r);
    OMB_ARRAY array;
    ombArrayInit(&array, 2, 16, &allocator);
    auto* bytes = static_cast<uint16_t*>(ombArrayResize(&array, 3));
    bytes[0] = 1;
    bytes[1] = 2;
    bytes[2] = 3;
    void* first = array.items;
    bytes = static_cast<uint16_t*>(ombArrayResize(&array, 17));
    EXPECT_EQ(r.expansions, (std::vector<std::size_t>{64}));
    EXPECT_EQ(array.items == first, expandable);
    const std::vector<std::size_t> allocations =
        expandable ? std::vector<std::size_t>{32} : std::vector<std::size_t>{32, 64};
    EXPECT_EQ(r.allocations, allocations);
    EXPECT_EQ(bytes[0], 1);
    EXPECT_EQ(bytes[2], 3);
    ombArrayUninit(&array);
    EXPECT_EQ(r.frees, expandable ? 1 : 2);
  }
}

// A byte size that does not fit is reported like exhaustion, and nothing short is allocated.
TEST(ombArray, OversizedRequestsReportOutOfMemory) {
  struct Case {
    uint32_t elementSize, growStep, initial, count;
  };
  const Case cases[] = {
      {16, 0x100, 2, 0xFFFFFFF0u},          // capacity rounded up past 32 bits
      {0x80000001u, 1, 0, 0xFFFFFFFFu},     // bytes beyond any object size
  };
  for (const auto& c : cases) {
    LogCapture capture;
    OMB_ARRAY array;
    ombArrayInit(&array, c.elementSize, c.growStep);
    ombArrayResize(&array, c.initial);
    void* items = array.items;
    EXPECT_EQ(ombArrayResize(&array, c.count), nullptr);
    EXPECT_EQ(LogCapture::messages(),
              (std::vector<LogCapture::Message>{{0, u"Error: Out of memory."}}));
    EXPECT_EQ(array.items, items);
    EXPECT_EQ(array.count, c.initial);
    ombArrayUninit(&array);
  }
}

}  // namespace

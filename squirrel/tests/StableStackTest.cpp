// The machine's stacks: elements keep their address however far the stack grows, every element
// is constructed and destroyed once, and growing past the limit fails like running out of memory.

#include "squirrel/vm/StableStack.h"

#include <gtest/gtest.h>

#include <new>
#include <string>

namespace {

using sqvm::StableStack;

struct Counted {
  static inline int alive = 0;
  std::string text;
  Counted() { ++alive; }
  explicit Counted(std::string t) : text(std::move(t)) { ++alive; }
  Counted(const Counted& o) : text(o.text) { ++alive; }
  ~Counted() { --alive; }
};

TEST(StableStack, ElementsNeverMove) {
  StableStack<Counted> s(4, 1 << 20);
  Counted* first = &s[0];
  s[0].text = "first";
  Counted& pushed = s.emplace_back("pushed");
  s.resize(300000);  // many commits further
  for (int i = 0; i < 1000; ++i) s.emplace_back("more");
  EXPECT_EQ(&s[0], first);
  EXPECT_EQ(s[0].text, "first");
  EXPECT_EQ(&s[4], &pushed);
  EXPECT_EQ(pushed.text, "pushed");
  EXPECT_EQ(s.size(), 301000u);
  EXPECT_EQ(Counted::alive, 301000);
  s.resize(2);
  EXPECT_EQ(Counted::alive, 2);
  s.push_back(Counted("again"));
  EXPECT_EQ(s.back().text, "again");
  EXPECT_EQ(&s.back(), &s[2]);
}

TEST(StableStack, DestroysWhatItHolds) {
  {
    StableStack<Counted> s(10, 100);
    s.emplace_back("x");
    s.pop_back();
    s.emplace_back("y");
  }
  EXPECT_EQ(Counted::alive, 0);
}

TEST(StableStack, GrowingPastTheLimitThrows) {
  StableStack<Counted> s(0, 5000);
  s.resize(5000);
  EXPECT_THROW(s.emplace_back("one too many"), std::bad_alloc);
  EXPECT_THROW(s.resize(5001), std::bad_alloc);
  EXPECT_EQ(s.size(), 5000u);
  s.pop_back();
  EXPECT_EQ(s.emplace_back("fits").text, "fits");
}

// Elements whose size does not divide a page: the committed memory ends inside one of them.
struct Odd {
  char bytes[88];
};

// Filling a stack by emplaceCommitted for as long as roomForOneCommitted allows must stay within
// the committed memory (a count rounded up would write past it) and use it up (one rounded down
// would stop early), and stop at a cap set below the maximum; popBack gives back the element it
// is pointed at.
TEST(StableStack, CommittedRoomIsWhatEmplaceCommittedMayUse) {
  StableStack<Odd> s(0, 1 << 16);
  s.emplace_back();  // commits the first pages
  while (s.roomForOneCommitted()) s.emplaceCommitted().bytes[87] = 'x';
  const std::size_t filled = s.size();
  EXPECT_GT((filled + 1) * sizeof(Odd), sqvm::stablestack::pageSize());
  EXPECT_EQ(s.back().bytes[87], 'x');
  s.emplace_back();  // commits more, and the room grows with it
  EXPECT_TRUE(s.roomForOneCommitted());
  s.setCommittedCap(filled + 1);
  EXPECT_FALSE(s.roomForOneCommitted());
  s.popBack(&s.back());
  EXPECT_TRUE(s.roomForOneCommitted());
  s.popBack(&s.back());
  EXPECT_EQ(s.size(), filled - 1);
}

}  // namespace

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

}  // namespace

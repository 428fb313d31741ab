#include "foundation/dbtl/DObject.h"
#include "foundation/dbtl/rcptr.h"
#include "foundation/dbtl/rcptr_holder.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <new>
#include <stdexcept>
#include <vector>

namespace {

using dbtl::rcptr;

// Records the order in which elements are made and destroyed.
std::vector<int> g_events;
int g_nextId = 0;
int g_throwOnId = -1;

struct Tracked {
  int id;
  Tracked() : id(g_nextId++) {
    if (id == g_throwOnId) throw std::runtime_error("element constructor failed");
    g_events.push_back(id);
  }
  ~Tracked() { g_events.push_back(-1 - id); }
};

struct Base : dbtl::DObject {
  static inline int destroyed = 0;
  ~Base() override { ++destroyed; }
};

struct Derived : Base {
  static inline int destroyed = 0;
  std::vector<int> payload = std::vector<int>(8, 7);
  ~Derived() override { ++destroyed; }
};

class RcptrTest : public ::testing::Test {
 protected:
  void SetUp() override {
    g_events.clear();
    g_nextId = 0;
    g_throwOnId = -1;
    Base::destroyed = 0;
    Derived::destroyed = 0;
  }
};

TEST_F(RcptrTest, EmptyPointersAndCreateZero) {
  rcptr<Tracked> p;
  p.Reset();
  EXPECT_FALSE(p);
  p.Create(0);
  EXPECT_FALSE(p);
  EXPECT_EQ(p._GetCount(), nullptr);

  p.Create(1);
  ASSERT_TRUE(p);
  p.Create(0);  // drops the held array and stays empty
  EXPECT_FALSE(p);
  EXPECT_EQ(g_events, (std::vector<int>{0, -1}));
}

TEST_F(RcptrTest, LastCopyDestroysElementsInIndexOrder) {
  rcptr<Tracked> a;
  a.Create(3);
  rcptr<Tracked> b = a;
  rcptr<Tracked> c;
  c = b;
  EXPECT_EQ(a.UseCount(), 3);
  a.Reset();
  b.Reset();
  EXPECT_EQ(g_events, (std::vector<int>{0, 1, 2}));
  c.Reset();
  EXPECT_EQ(g_events, (std::vector<int>{0, 1, 2, -1, -2, -3}));
}

TEST_F(RcptrTest, SelfAssignmentKeepsTheObject) {
  rcptr<Tracked> p;
  p.Create(1);
  rcptr<Tracked>& alias = p;
  p = alias;
  ASSERT_TRUE(p);
  EXPECT_EQ(p.UseCount(), 1);
  EXPECT_EQ(p->id, 0);
  p = std::move(alias);
  ASSERT_TRUE(p);
  EXPECT_EQ(g_events, (std::vector<int>{0}));
}

TEST_F(RcptrTest, AssignmentReleasesTheOldArray) {
  rcptr<Tracked> a;
  a.Create(1);
  rcptr<Tracked> b;
  b.Create(1);
  a = b;
  EXPECT_EQ(g_events, (std::vector<int>{0, 1, -1}));
  EXPECT_EQ(a.Get(), b.Get());
  EXPECT_EQ(b.UseCount(), 2);
}

TEST_F(RcptrTest, OffsetKeepsTheWholeArrayAlive) {
  rcptr<uint8_t> bytes;
  bytes.Create(16);
  for (int i = 0; i < 16; ++i) bytes[i] = static_cast<uint8_t>(i);
  rcptr<uint8_t> tail = bytes.Offset(12);
  rcptr<uint8_t> middle = bytes.Offset(4);
  EXPECT_EQ(bytes.UseCount(), 3);
  bytes.Reset();
  middle.Reset();
  // The array is still alive through the last offset copy; the sanitizer would flag a read of
  // freed storage here.
  EXPECT_EQ(tail[0], 12);
  EXPECT_EQ(tail[3], 15);
  EXPECT_EQ(tail.UseCount(), 1);
}

TEST_F(RcptrTest, DerivedArrayIsDestroyedThroughABasePointer) {
  rcptr<Derived> derived;
  derived.Create(3);
  rcptr<Base> base = derived;
  derived.Reset();
  EXPECT_EQ(Derived::destroyed, 0);
  base.Reset();
  EXPECT_EQ(Derived::destroyed, 3);
  EXPECT_EQ(Base::destroyed, 3);
}

TEST_F(RcptrTest, BorrowedPointerOwnsNothing) {
  Tracked onStack;
  {
    rcptr<Tracked> borrowed = rcptr<Tracked>::Borrow(&onStack);
    rcptr<Tracked> copy = borrowed;
    EXPECT_EQ(copy.Get(), &onStack);
    EXPECT_EQ(copy.UseCount(), 0);
    rcptr<Tracked> shifted;
    shifted = copy;
  }
  EXPECT_EQ(g_events, (std::vector<int>{0}));
}

TEST_F(RcptrTest, FailedCreateLeavesAnEmptyPointer) {
  rcptr<Tracked> p;
  p.Create(2);  // ids 0 and 1
  g_throwOnId = 3;
  EXPECT_THROW(p.Create(3), std::runtime_error);  // ids 2, then 3 throws
  EXPECT_FALSE(p);
  EXPECT_EQ(p._GetCount(), nullptr);
  // The old array went first; the element made before the failure was destroyed again.
  EXPECT_EQ(g_events, (std::vector<int>{0, 1, -1, -2, 2, -3}));

  rcptr<uint64_t> huge;
  huge.Create(4);
  EXPECT_THROW(huge.Create(0x80000000u), std::bad_alloc);  // 16 GiB: beyond a 32-bit size
  EXPECT_FALSE(huge);
}

TEST_F(RcptrTest, HolderKeepsWordsWithoutAReference) {
  rcptr<Tracked> p;
  p.Create(1);
  dbtl::rcptr_holder holder(p);
  EXPECT_EQ(p.UseCount(), 1);
  rcptr<Tracked> again = holder.Get<Tracked>();
  EXPECT_EQ(again.Get(), p.Get());
  EXPECT_EQ(p.UseCount(), 2);
}

}  // namespace

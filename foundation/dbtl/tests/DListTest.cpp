#include "foundation/dbtl/DList.h"

#include "foundation/dbtl/DObject.h"
#include "foundation/dbtl/rcptr.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

using dbtl::DList;
using dbtl::rcptr;

std::vector<int> g_destroyed;

// Element with its own destructor.
struct Item {
  int value = 0;
  ~Item() { g_destroyed.push_back(value); }
};

// Elements released through the virtual destructor of the root class.
struct Shape : dbtl::DObject {
  int value = 0;
};
struct Circle : Shape {
  std::string name = std::string(40, 'c');  // a member that leaks unless ~Circle runs
  ~Circle() override { g_destroyed.push_back(value); }
};

rcptr<Item> makeItem(int value) {
  rcptr<Item> item;
  item.Create(1);
  item->value = value;
  return item;
}

template <class T>
std::vector<int> values(DList<T>& list) {
  std::vector<int> out;
  for (auto it = list.Begin(); !(it == list.End()); it = list.Next(it)) {
    out.push_back(DList<T>::Get(it)->value);
  }
  return out;
}

class DListTest : public ::testing::Test {
 protected:
  void SetUp() override { g_destroyed.clear(); }
};

TEST_F(DListTest, NeverUsedAndReleasedListsActEmpty) {
  DList<Item> list;
  list.Release();  // never used: nothing to do
  list.Clear();
  EXPECT_EQ(list.GetCount(), 0u);
  EXPECT_TRUE(list.Begin() == list.End());
  EXPECT_TRUE(list.Erase(list.End()) == list.End());

  list.PushBack(makeItem(1));
  list.Release();
  EXPECT_EQ(g_destroyed, (std::vector<int>{1}));
  EXPECT_EQ(list.GetCount(), 0u);
  list.PushBack(makeItem(2));  // a released list works again
  EXPECT_EQ(values(list), (std::vector<int>{2}));
}

TEST_F(DListTest, InsertStandsBeforeItsPosition) {
  DList<Item> list;
  auto three = list.PushBack(makeItem(3));
  list.Insert(three, makeItem(1));
  list.Insert(three, makeItem(2));
  list.Insert(list.Begin(), makeItem(0));
  EXPECT_EQ(values(list), (std::vector<int>{0, 1, 2, 3}));
  EXPECT_EQ(list.GetCount(), 4u);
  EXPECT_EQ(list.Front()->value, 0);
}

TEST_F(DListTest, EraseWhileIteratingAndClearOrder) {
  DList<Item> list;
  for (int i = 0; i < 6; ++i) list.PushBack(makeItem(i));
  for (auto it = list.Begin(); !(it == list.End());) {
    if (DList<Item>::Get(it)->value % 2 == 0) {
      it = list.Erase(it);
    } else {
      it = list.Next(it);
    }
  }
  EXPECT_EQ(values(list), (std::vector<int>{1, 3, 5}));
  EXPECT_EQ(g_destroyed, (std::vector<int>{0, 2, 4}));

  auto last = list.Begin();
  last = list.Next(list.Next(last));
  EXPECT_TRUE(list.Erase(last) == list.End());

  g_destroyed.clear();
  list.Clear();
  EXPECT_EQ(g_destroyed, (std::vector<int>{1, 3}));
  EXPECT_TRUE(list.Begin() == list.End());
}

TEST_F(DListTest, SecondEraseThroughAnotherIteratorChangesNothing) {
  DList<Item> list;
  list.PushBack(makeItem(1));
  auto two = list.PushBack(makeItem(2));
  list.PushBack(makeItem(3));
  auto sameNode = two;

  auto after = list.Erase(two);
  EXPECT_EQ(DList<Item>::Get(after)->value, 3);
  EXPECT_EQ(list.GetCount(), 2u);
  EXPECT_EQ(g_destroyed, (std::vector<int>{2}));

  // The stale iterator still walks on to the old successor, holds no element, and erasing it
  // again neither unlinks a neighbour nor releases the element a second time.
  EXPECT_FALSE(DList<Item>::Get(sameNode));
  EXPECT_EQ(DList<Item>::Get(list.Next(sameNode))->value, 3);
  list.Erase(sameNode);
  EXPECT_EQ(list.GetCount(), 2u);
  EXPECT_EQ(values(list), (std::vector<int>{1, 3}));
  EXPECT_EQ(g_destroyed, (std::vector<int>{2}));

  // Nothing is inserted before a node that no longer stands in the list.
  EXPECT_TRUE(list.Insert(sameNode, makeItem(9)) == list.End());
  EXPECT_EQ(values(list), (std::vector<int>{1, 3}));
}

TEST_F(DListTest, SharedElementSurvivesErasureFromOneList) {
  DList<Item> first;
  DList<Item> second;
  rcptr<Item> shared = makeItem(7);
  first.PushBack(shared);
  second.PushBack(shared);
  shared.Reset();
  first.Erase(first.Begin());
  EXPECT_TRUE(g_destroyed.empty());
  EXPECT_EQ(second.Front()->value, 7);
  second.Release();
  EXPECT_EQ(g_destroyed, (std::vector<int>{7}));
}

TEST_F(DListTest, ElementKindsAreReleasedTheirOwnWay) {
  {
    DList<Shape> shapes;  // derived objects held through the root's virtual destructor
    rcptr<Circle> circle;
    circle.Create(1);
    circle->value = 5;
    shapes.PushBack(circle);
    circle.Reset();
    EXPECT_TRUE(g_destroyed.empty());
  }
  EXPECT_EQ(g_destroyed, (std::vector<int>{5}));

  DList<char> texts;  // plain data: owned copies and borrowed literals side by side
  rcptr<char> owned;
  owned.Create(6);
  std::memcpy(owned.Get(), "owned", 6);
  texts.PushBack(owned);
  texts.PushBack(rcptr<char>::Borrow(const_cast<char*>("borrowed")));
  owned.Reset();
  EXPECT_STREQ(texts.Front().Get(), "owned");
  EXPECT_STREQ(DList<char>::Get(texts.Next(texts.Begin())).Get(), "borrowed");
}

TEST_F(DListTest, HeldIteratorOverALongClearedListDropsWithoutDeepRecursion) {
  DList<int> list;
  rcptr<int> value;
  value.Create(1);
  for (int i = 0; i < 200000; ++i) list.PushBack(value);
  auto held = list.Begin();
  list.Release();
  // Every erased node still holds its old successor, so this one iterator keeps the whole
  // chain alive; dropping it must not recurse once per node.
  held.Reset();
  EXPECT_EQ(value.UseCount(), 1);
}

}  // namespace

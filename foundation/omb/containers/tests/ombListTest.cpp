#include "foundation/omb/containers/ombList.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <vector>

namespace {

struct Item {
  int value;
  OMB_LIST_LINK link;
};

struct Fixture : testing::Test {
  static void removed(void* user, void* element) {
    static_cast<std::vector<int>*>(user)->push_back(static_cast<Item*>(element)->value);
  }
  void SetUp() override {
    ombListInit(&list, offsetof(Item, link), &removed, &seen);
    for (auto& item : items) {
      ombListAppend(&list, &item.link);
    }
  }
  std::vector<int> values() {
    std::vector<int> out;
    for (OMB_LIST_LINK* l = list.head.next; l != ombListSentinel(&list); l = l->next) {
      out.push_back(static_cast<Item*>(ombListElement(&list, l))->value);
    }
    return out;
  }
  Item items[4] = {{1, {}}, {2, {}}, {3, {}}, {4, {}}};
  OMB_LIST list;
  std::vector<int> seen;
};

using ombList = Fixture;

TEST_F(ombList, RemoveUnlinksCallsBackAndReturnsTheFollowingLink) {
  EXPECT_EQ(static_cast<Item*>(ombListGetFirst(&list))->value, 1);
  EXPECT_EQ(ombListRemove(&list, &items[1].link), &items[2].link);
  EXPECT_EQ(ombListRemove(&list, &items[3].link), ombListSentinel(&list));
  EXPECT_EQ(values(), (std::vector<int>{1, 3}));
  EXPECT_EQ(list.count, 2u);
  EXPECT_EQ(seen, (std::vector<int>{2, 4}));
}

TEST_F(ombList, RemovingTheSentinelChangesNothing) {
  EXPECT_EQ(ombListRemove(&list, ombListSentinel(&list)), ombListSentinel(&list));
  EXPECT_EQ(values(), (std::vector<int>{1, 2, 3, 4}));
  EXPECT_EQ(list.count, 4u);
  EXPECT_TRUE(seen.empty());
}

TEST_F(ombList, RemoveFirstAndLast) {
  ombListRemoveFirst(&list);
  ombListRemoveLast(&list);
  EXPECT_EQ(values(), (std::vector<int>{2, 3}));
  EXPECT_EQ(seen, (std::vector<int>{1, 4}));
  ombListClear(&list);
  ombListRemoveFirst(&list);
  ombListRemoveLast(&list);
  EXPECT_EQ(ombListGetFirst(&list), nullptr);
}

TEST_F(ombList, ClearCallsBackFromTheFirstOnlyWithACallback) {
  ombListClear(&list);
  EXPECT_EQ(seen, (std::vector<int>{1, 2, 3, 4}));
  EXPECT_EQ(list.count, 0u);

  SetUp();
  seen.clear();
  list.removed = nullptr;
  ombListClear(&list);
  EXPECT_TRUE(seen.empty());
  EXPECT_EQ(list.count, 0u);
  EXPECT_EQ(ombListGetFirst(&list), nullptr);
}

}  // namespace

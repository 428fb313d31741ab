#include "foundation/omb/containers/ombHash.h"

#include "foundation/omb/ombCore.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

TEST(ombHash, StringHashIsFnv1OverTheUnitsBytes) {
  struct Case {
    const char16_t* key;
    uint32_t hash;
  };
  const Case cases[] = {
      {u"", 0x811C9DC5u},
      {u"a", 0x050C5D7Eu},
      {u"foobar", 0x31F0B262u},
      // U+3042: FNV-1 of the bytes 0x30, 0x42; U+00E9 has no high byte: FNV-1 of 0xE9.
      {u"\u3042", 0x2176B0BFu},
      {u"\u00E9", 0x050C5DF6u},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ombHashString(nullptr, c.key), c.hash) << testing::PrintToString(std::u16string(c.key));
  }
}

class ombHashTable : public testing::Test {
 protected:
  static void releaseValue(void* user, void* value) {
    static_cast<std::vector<std::u16string>*>(user)->push_back(
        u"v:" + std::u16string(static_cast<const char16_t*>(value)));
  }
  static void releaseKey(void* user, void* key) {
    static_cast<std::vector<std::u16string>*>(user)->push_back(
        u"k:" + std::u16string(static_cast<const char16_t*>(key)));
  }
  void SetUp() override {
    ombCoreInit();
    ombHashInit(&table, 4, &releaseValue);
    table.keyRelease = &releaseKey;
    table.user = &released;
  }
  void TearDown() override {
    if (table.buckets) {
      ombHashUninit(&table);
    }
  }
  OMB_HASH table;
  std::vector<std::u16string> released;
};

TEST_F(ombHashTable, InsertFindAndRemove) {
  char16_t one[] = u"one";
  char16_t uno[] = u"uno";
  EXPECT_EQ(ombHashInsert(&table, u"one", uno), OMB_OK);
  EXPECT_EQ(ombHashInsert(&table, u"two", one), OMB_OK);
  // Keys compare by content, not by pointer.
  EXPECT_EQ(ombHashFind(&table, one), uno);
  EXPECT_EQ(ombHashFind(&table, u"three"), nullptr);
  EXPECT_EQ(ombHashRemove(&table, one), OMB_OK);
  EXPECT_EQ(released, (std::vector<std::u16string>{u"k:one", u"v:uno"}));
  EXPECT_EQ(ombHashFind(&table, u"one"), nullptr);
  EXPECT_EQ(ombHashRemove(&table, u"one"), OMB_ERR_KEY);
  ombHashUninit(&table);  // while the values still exist
}

TEST_F(ombHashTable, DuplicateInsertKeepsTheFirstValue) {
  char16_t first[] = u"first";
  char16_t second[] = u"second";
  EXPECT_EQ(ombHashInsert(&table, u"k", first), OMB_OK);
  EXPECT_EQ(ombHashInsert(&table, u"k", second), OMB_ERR_KEY);
  EXPECT_EQ(ombHashFind(&table, u"k"), first);
  ombHashUninit(&table);
  EXPECT_EQ(released, (std::vector<std::u16string>{u"k:k", u"v:first"}));
}

// Many keys in few buckets: chains hold every key, and uninit releases all keys before any value.
TEST_F(ombHashTable, UninitReleasesAllKeysThenAllValues) {
  std::vector<std::u16string> keys;
  for (int i = 0; i < 300; ++i) {
    keys.push_back(u"key" + std::u16string(1, char16_t(u'A' + i % 26)) + std::u16string(i / 26, u'x'));
  }
  for (auto& key : keys) {
    ASSERT_EQ(ombHashInsert(&table, key.c_str(), key.data()), OMB_OK);
  }
  for (auto& key : keys) {
    ASSERT_EQ(ombHashFind(&table, key.c_str()), key.data());
  }
  ombHashUninit(&table);
  ASSERT_EQ(released.size(), 600u);
  for (std::size_t i = 0; i < released.size(); ++i) {
    EXPECT_EQ(released[i].substr(0, 2), i < 300 ? u"k:" : u"v:") << i;
  }
}

}  // namespace

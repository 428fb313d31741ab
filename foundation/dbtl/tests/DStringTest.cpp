#include "foundation/dbtl/DString.h"

#include <gtest/gtest.h>

#include <cstring>
#include <new>
#include <string>

namespace {

using dbtl::DString;
using dbtl::rcptr;

TEST(DString, GrowsInStepsOf32) {
  DString s(std::string(31, 'a').c_str());
  EXPECT_EQ(s.GetLength(), 31u);
  EXPECT_EQ(s.GetCapacity(), 32u);
  s.Append("b");
  EXPECT_EQ(s.GetCapacity(), 64u);
  EXPECT_TRUE(s.Equals((std::string(31, 'a') + "b").c_str()));

  s.Reserve(10);  // never shrinks
  EXPECT_EQ(s.GetCapacity(), 64u);
  s.Reserve(65);
  EXPECT_EQ(s.GetCapacity(), 96u);
  EXPECT_EQ(s.GetLength(), 32u);
}

TEST(DString, EmptyTextsMakeNoBufferButAnEmptyAppendDoes) {
  DString s;
  s.Assign(nullptr);
  s.Assign("");
  s.Append(nullptr);
  EXPECT_EQ(s.GetCapacity(), 0u);
  EXPECT_STREQ(s.GetText(), "");
  EXPECT_TRUE(s.Equals(nullptr));
  EXPECT_TRUE(s.Equals(""));
  rcptr<char> text = s.GetString();
  EXPECT_STREQ(text.Get(), "");
  EXPECT_EQ(text.UseCount(), 0);  // a borrowed empty text

  s.Append("");
  EXPECT_EQ(s.GetCapacity(), 32u);
  EXPECT_EQ(s.GetLength(), 0u);

  s.Assign("abc");
  s.Assign("");
  EXPECT_EQ(s.GetCapacity(), 32u);  // the buffer stays, emptied
  EXPECT_TRUE(s.Equals(""));
  EXPECT_FALSE(s.Equals("abc"));
}

TEST(DString, TextHandedOutStaysAsItWas) {
  DString s("first");
  rcptr<char> held = s.GetString();
  EXPECT_EQ(held.Get(), s.GetText());  // shared, not copied

  s.Append(" more");  // fits in the same capacity: must not write into the held buffer
  EXPECT_STREQ(held.Get(), "first");
  EXPECT_STREQ(s.GetText(), "first more");

  held = s.GetString();
  s.Assign("other");
  EXPECT_STREQ(held.Get(), "first more");
  held = s.GetString();
  s.Assign("");
  EXPECT_STREQ(held.Get(), "other");

  held = s.GetString();
  char* buffer = s.GetBuffer();
  std::strcpy(buffer, "direct");
  s._UpdateLength();
  EXPECT_STREQ(held.Get(), "");
  EXPECT_TRUE(s.Equals("direct"));
}

TEST(DString, CopiesShareUntilOneChanges) {
  DString a("shared");
  DString b = a;
  EXPECT_EQ(a.GetText(), b.GetText());
  b.Append("!");
  EXPECT_STREQ(a.GetText(), "shared");
  EXPECT_STREQ(b.GetText(), "shared!");
  a = b;
  a.Assign("x");
  EXPECT_STREQ(b.GetText(), "shared!");
}

TEST(DString, TextsFromTheStringItself) {
  DString s("abcdef");
  s.Append(s.GetText());
  EXPECT_STREQ(s.GetText(), "abcdefabcdef");
  s.Assign(s.GetText() + 6);
  EXPECT_STREQ(s.GetText(), "abcdef");
  DString big(std::string(31, 'x').c_str());
  big.Append(big.GetText());  // grows while the source is its own old buffer
  EXPECT_TRUE(big.Equals(std::string(62, 'x').c_str()));
}

TEST(DString, DirectWritesAndUpdateLength) {
  DString s;
  EXPECT_EQ(s.GetBuffer(), nullptr);
  s.Reserve(40);
  std::memcpy(s.GetBuffer(), "ab\0cd", 6);
  s._UpdateLength();
  EXPECT_EQ(s.GetLength(), 2u);

  std::memset(s.GetBuffer(), 'z', s.GetCapacity());  // no terminator anywhere
  s._UpdateLength();
  EXPECT_EQ(s.GetLength(), s.GetCapacity() - 1);
  EXPECT_EQ(std::strlen(s.GetText()), s.GetCapacity() - 1);
}

TEST(DString, CapacityThatWouldOverflowIsAnAllocationFailure) {
  DString s("kept");
  EXPECT_THROW(s.Reserve(0xFFFFFFF0u), std::bad_alloc);
  EXPECT_EQ(s.GetCapacity(), 32u);
  EXPECT_TRUE(s.Equals("kept"));
}

}  // namespace

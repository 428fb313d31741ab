// The string table: a text built by concatenation is the same object as the text interned
// whole (string identity is string equality), whatever the lengths and the split, including
// texts long enough for the sampled hash.

#include "squirrel/vm/String.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(StringTable, ConcatenationFindsTheInternedText) {
  sqvm::StringTable table;
  for (size_t length : {0, 1, 2, 31, 32, 33, 63, 64, 65, 100, 1000}) {
    std::u16string text;
    for (size_t i = 0; i < length; ++i) text.push_back(static_cast<char16_t>(u'a' + (i * 7) % 26 + (i % 3) * 0x3000));
    sqvm::String* whole = table.intern(text);
    EXPECT_EQ(whole->hash, sqvm::hashText(text.data(), static_cast<uint32_t>(length)));
    for (size_t split : {size_t{0}, size_t{1}, length / 2, length ? length - 1 : 0, length}) {
      if (split > length) continue;
      const std::u16string_view view(text);
      EXPECT_EQ(table.concat(view.substr(0, split), view.substr(split)), whole)
          << "length " << length << " split " << split;
    }
  }
}

}  // namespace

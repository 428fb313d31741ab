// Blocks for big tables and arrays: every size is usable to its last byte, big ones are
// aligned for huge pages, and big containers built on them keep their contents and order.

#include "squirrel/vm/BigBlock.h"

#include "ScriptFixture.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

namespace {

TEST(BigBlock, EverySizeIsUsableToItsEnd) {
  constexpr std::size_t kMiB = std::size_t{1} << 20;
  for (std::size_t size : {std::size_t{0}, std::size_t{1}, kMiB - 1, kMiB, kMiB + 1, 2 * kMiB - 1, 2 * kMiB, 2 * kMiB + 1, 5 * kMiB + 3}) {
    auto* p = static_cast<unsigned char*>(sqvm::allocateBlock(size));
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(p) % alignof(std::max_align_t), 0u) << size;
    if (size) {
      std::memset(p, 0xA5, size);
      EXPECT_EQ(p[size - 1], 0xA5);
    }
    sqvm::freeBlock(p, size);
  }
}

// A table and an array far above the block threshold, grown, shrunk and walked by a script:
// the sums prove every element and key survived each rebuild.
class BigContainers : public sqtest::MachineTest {};

// Script integers wrap at 32 bits.
std::string wrapped(int64_t sum) { return std::to_string(static_cast<int32_t>(static_cast<uint32_t>(sum))); }

TEST_F(BigContainers, KeepTheirContents) {
  const std::u16string source =
      u"local t = {}, a = [];\n"
      u"for (local i = 0; i < 150000; i++) { t[i * 7] <- i; a.append(i); }\n"
      u"for (local i = 0; i < 150000; i += 2) delete t[i * 7];\n"
      u"local keys = 0, vals = 0;\n"
      u"foreach (k, v in t) { keys += k / 7 - v; vals += v; }\n"
      u"a.resize(100000);\n"
      u"a.reverse();\n"
      u"local asum = 0;\n"
      u"foreach (v in a) asum += v;\n"
      u"print(t.len() + \" \" + keys + \" \" + vals + \" \" + a.len() + \" \" + asum + \" \" + a[0]);";
  ASSERT_TRUE(SQ_SUCCEEDED(sq_compilebuffer(v, source.data(), static_cast<SQInteger>(source.size()),
                                            u"big.nut", SQFalse)))
      << lastError();
  sq_pushroottable(v);
  ASSERT_TRUE(SQ_SUCCEEDED(sq_call(v, 1, SQFalse, SQFalse))) << lastError();
  // The 75000 odd values sum to 75000^2; the first 100000 elements to 99999 * 100000 / 2.
  EXPECT_EQ(printed, "75000 0 " + wrapped(75000LL * 75000) + " 100000 " + wrapped(99999LL * 100000 / 2) +
                         " 99999");
}

}  // namespace

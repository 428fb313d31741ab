// The closure writer: the exact stream layout, the calls it makes (zero-length ones included)
// and its failure on a short write.

#include "squirrel/format/ClosureWriter.h"

#include "CompilerTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <string>
#include <vector>

namespace {

using sqformat::FunctionData;
using sqformat::Instruction;
using sqformat::OuterKind;

// Builds the expected stream by hand from the format description.
class Bytes {
 public:
  Bytes& u8(uint8_t v) {
    data.push_back(static_cast<char>(v));
    return *this;
  }
  Bytes& u32(uint32_t v) {
    for (int i = 0; i < 4; ++i) u8(static_cast<uint8_t>(v >> (8 * i)));
    return *this;
  }
  Bytes& part() { return u32(0x50415254); }
  Bytes& null() { return u32(0x01000001); }
  Bytes& integer(int32_t v) { return u32(0x05000002).u32(static_cast<uint32_t>(v)); }
  Bytes& real(float v) { return u32(0x05000004).u32(std::bit_cast<uint32_t>(v)); }
  Bytes& string(std::u16string_view s) {
    u32(0x08000010).u32(static_cast<uint32_t>(s.size()));
    for (char16_t c : s) u8(static_cast<uint8_t>(c)).u8(static_cast<uint8_t>(c >> 8));
    return *this;
  }
  std::string data;
};

// A prototype that fills every section, with one nested function that fills none.
FunctionData sample() {
  FunctionData f;
  f.sourceName = u"s.nut";
  f.functionName = u"main";
  f.literals = {sqformat::Null{}, int32_t{-5}, 1.5f, std::u16string(u""), std::u16string(u"a\0b\U0001F600", 5)};
  f.parameters = {u"this", u"x"};
  f.outerValues = {{OuterKind::Local, 3, u"a"}, {OuterKind::Symbol, u"g", u"g"}, {OuterKind::Outer, 1, u"o"}};
  f.localVarInfos = {{u"x", 1, 0, 7}, {u"this", 0, 0, 9}};
  f.lineInfos = {{1, 0}, {4, 2}};
  f.defaultParams = {6, 7};
  f.instructions = {Instruction{-3, 24, 0, 0, 0}, Instruction{0x12345678, 60, 3, 4, 5}};
  auto nested = std::make_unique<FunctionData>();
  nested->sourceName = u"s.nut";
  nested->stackSize = 1;
  nested->isGenerator = true;
  f.functions.push_back(std::move(nested));
  f.stackSize = 12;
  f.hasVarargs = true;
  return f;
}

std::string expectedSampleStream() {
  Bytes b;
  b.u8(0xFA).u8(0xFA).u32(0x53514952).u32(2);
  b.part().string(u"s.nut").string(u"main").part();
  b.u32(5).u32(2).u32(3).u32(2).u32(2).u32(2).u32(2).u32(1).part();
  b.null().integer(-5).real(1.5f).string(u"").string(std::u16string_view(u"a\0b\U0001F600", 5)).part();
  b.string(u"this").string(u"x").part();
  b.u32(0).integer(3).string(u"a").u32(1).string(u"g").string(u"g").u32(2).integer(1).string(u"o").part();
  b.string(u"x").u32(1).u32(0).u32(7).string(u"this").u32(0).u32(0).u32(9).part();
  b.u32(1).u32(0).u32(4).u32(2).part();
  b.u32(6).u32(7).part();
  b.u32(static_cast<uint32_t>(-3)).u8(24).u8(0).u8(0).u8(0);
  b.u32(0x12345678).u8(60).u8(3).u8(4).u8(5).part();
  // nested: anonymous, every section empty
  b.part().string(u"s.nut").null().part();
  for (int i = 0; i < 8; ++i) b.u32(0);
  for (int i = 0; i < 8; ++i) b.part();
  b.u32(1).u8(1).u8(0);
  b.u32(12).u8(0).u8(1).u32(0x5441494C);
  return b.data;
}

TEST(ClosureWriter, WritesEverySectionInStreamOrder) {
  FunctionData f = sample();
  std::string bytes = sqtest::writeToBytes(f);
  std::string expected = expectedSampleStream();
  auto mismatch = std::mismatch(bytes.begin(), bytes.end(), expected.begin(), expected.end());
  EXPECT_TRUE(bytes == expected) << "first difference at byte " << (mismatch.first - bytes.begin())
                                 << " of " << bytes.size() << " (expected " << expected.size() << ")";
  std::string error;
  auto decoded = sqtest::decodeStream(bytes, error);
  ASSERT_TRUE(decoded) << error;
  EXPECT_EQ(sqtest::describeDifference(f, *decoded), "");
}

// The sizes of the successive write calls for a prototype with nothing in it: the empty line,
// default-parameter and instruction sections and the empty string are written as calls of
// size 0, which the callback must answer with 0.
TEST(ClosureWriter, WritesEmptySectionsWithZeroLengthCalls) {
  FunctionData f;
  f.sourceName = u"";
  f.functionName = sqformat::Null{};
  std::vector<std::size_t> calls;
  std::u16string error;
  ASSERT_TRUE(sqformat::writeClosure(
      f, [&](const void*, std::size_t size) { calls.push_back(size); return size; }, error));
  std::vector<std::size_t> expected = {2, 4, 4,        // stream, head, character size
                                       4, 4, 4, 0,     // part, source name: tag, length, no units
                                       4, 4};          // function name null, part
  for (int i = 0; i < 8; ++i) expected.push_back(4);  // counts
  expected.insert(expected.end(), {4, 4, 4, 4, 4, 0, 4, 0, 4, 0, 4});  // parts and bulk sections
  expected.insert(expected.end(), {4, 1, 1, 4});  // stack size, flags, tail
  EXPECT_EQ(calls, expected);
}

// Each call that delivers less than asked makes the whole write fail with the machine's text,
// and nothing is written after it.
TEST(ClosureWriter, StopsAtTheFirstShortWrite) {
  FunctionData f = sample();
  std::size_t total = 0;
  std::u16string error;
  ASSERT_TRUE(sqformat::writeClosure(f, [&](const void*, std::size_t size) { ++total; return size; }, error));
  for (std::size_t failAt = 0; failAt < total; ++failAt) {
    std::size_t call = 0;
    bool calledAfterFailure = false;
    error.clear();
    bool ok = sqformat::writeClosure(
        f,
        [&](const void*, std::size_t size) -> std::size_t {
          if (call > failAt) calledAfterFailure = true;
          return call++ == failAt ? size + 1 : size;  // any count other than `size` fails
        },
        error);
    EXPECT_FALSE(ok) << "call " << failAt;
    EXPECT_EQ(error, u"io error (write function failure)") << "call " << failAt;
    EXPECT_FALSE(calledAfterFailure) << "call " << failAt;
  }
}

}  // namespace

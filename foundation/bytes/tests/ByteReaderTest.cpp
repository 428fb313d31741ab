#include "foundation/bytes/ByteReader.h"

#include "foundation/bytes/ByteWriter.h"
#include "foundation/bytes/Parsed.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

const std::vector<uint8_t> kBytes{0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x80};

}  // namespace

TEST(ByteReaderTest, ReadsBothByteOrders) {
  ByteReader r(kBytes);
  EXPECT_EQ(r.u16le(), 0x0201u);
  EXPECT_EQ(r.u16be(), 0x0304u);
  EXPECT_EQ(r.u32le(), 0x08070605u);
  EXPECT_EQ(r.i8(), -128);
  EXPECT_TRUE(r.atEnd());
  EXPECT_FALSE(r.failed());

  ByteReader wide(kBytes);
  EXPECT_EQ(wide.u64be(), 0x0102030405060708u);
  wide.seek(0);
  EXPECT_EQ(wide.u64le(), 0x0807060504030201u);
  wide.seek(5);
  EXPECT_EQ(wide.i32be(), 0x06070880);
  EXPECT_EQ(loadU32be(kBytes.data()), 0x01020304u);
  EXPECT_EQ(loadU32le(kBytes.data()), 0x04030201u);
}

TEST(ByteReaderTest, ShortReadFailsWithoutMovingAndStaysFailed) {
  ByteReader r(kBytes);
  r.skip(6);
  EXPECT_EQ(r.u32le(), 0u);  // three bytes left
  EXPECT_TRUE(r.failed());
  EXPECT_EQ(r.failOffset(), 6u);
  // Later reads give zero even where bytes would be there.
  EXPECT_EQ(r.u8(), 0u);
  EXPECT_TRUE(r.take(1).empty());
  EXPECT_FALSE(r.has(0));
  EXPECT_FALSE(r.fits(0, 1));
  EXPECT_EQ(r.failOffset(), 6u);

  uint8_t out[4] = {9, 9, 9, 9};
  ByteReader shortOne(kBytes.data(), 2);
  EXPECT_FALSE(shortOne.read(out, sizeof out));
  EXPECT_EQ(out[0] | out[1] | out[2] | out[3], 0);  // zero-filled, not half copied
}

TEST(ByteReaderTest, CountsAreTestedAgainstWhatIsLeftWithoutOverflow) {
  ByteReader r(kBytes);
  r.skip(1);
  EXPECT_TRUE(r.fits(2, 4));
  EXPECT_FALSE(r.fits(3, 3));
  EXPECT_FALSE(r.fits(UINT64_MAX, UINT64_MAX / 2));
  EXPECT_TRUE(r.fits(UINT64_MAX, 0));
  EXPECT_FALSE(r.seek(kBytes.size() + 1));
  EXPECT_TRUE(r.failed());
}

TEST(ByteReaderTest, SubReaderCoversItsBytesOnly) {
  ByteReader r(kBytes);
  ByteReader inner = r.sub(3);
  EXPECT_EQ(r.offset(), 3u);
  EXPECT_EQ(inner.u16le(), 0x0201u);
  EXPECT_EQ(inner.u16le(), 0u);
  EXPECT_TRUE(inner.failed());
  EXPECT_FALSE(r.failed());
  ByteReader tooLong = r.sub(100);
  EXPECT_TRUE(tooLong.failed());
  EXPECT_TRUE(r.failed());
}

TEST(ByteReaderTest, WriterRoundTripsThroughTheReader) {
  ByteWriter w;
  w.u8(0xFE).u16be(0xBEEF).u32le(0xDEADBEEF).u64be(0x0123456789ABCDEFu).f32le(-1.5f).f32be(
      0.25f);
  w.text("ab").zeros(2).i32le(-2);
  const size_t patched = w.size();
  w.u32be(0);
  w.patchU32be(patched, 0xCAFEF00D);
  ByteReader r(w.bytes());
  EXPECT_EQ(r.u8(), 0xFEu);
  EXPECT_EQ(r.u16be(), 0xBEEFu);
  EXPECT_EQ(r.u32le(), 0xDEADBEEFu);
  EXPECT_EQ(r.u64be(), 0x0123456789ABCDEFu);
  EXPECT_EQ(r.f32le(), -1.5f);
  EXPECT_EQ(r.f32be(), 0.25f);
  const auto text = r.take(2);
  EXPECT_EQ(std::string(text.begin(), text.end()), "ab");
  EXPECT_EQ(r.u16le(), 0u);
  EXPECT_EQ(r.i32le(), -2);
  EXPECT_EQ(r.u32be(), 0xCAFEF00Du);
  EXPECT_TRUE(r.atEnd());
  EXPECT_FALSE(r.failed());
}

TEST(ByteReaderTest, FixedOffsetHelpersAgreeWithTheReader) {
  uint8_t b[14] = {};
  storeU16le(b, 0x1234);
  storeU16be(b + 2, 0x1234);
  storeU32le(b + 4, 0x89ABCDEF);
  storeU32be(b + 8, 0x89ABCDEF);
  ByteReader r(b, sizeof b);
  EXPECT_EQ(r.u16le(), 0x1234u);
  EXPECT_EQ(r.u16be(), 0x1234u);
  EXPECT_EQ(r.u32le(), 0x89ABCDEFu);
  EXPECT_EQ(loadU32be(b + 8), 0x89ABCDEFu);
  EXPECT_EQ(loadU16le(b + 2), 0x3412u);
  uint8_t wide[8];
  storeU64be(wide, 0x0102030405060708u);
  EXPECT_EQ(ByteReader(wide, 8).u64be(), 0x0102030405060708u);
}

TEST(ParsedTest, CarriesAValueOrAnErrorAndCatchesThrownErrors) {
  const Parsed<int> good = parseCatching<int>([] { return 7; });
  ASSERT_TRUE(good.ok());
  EXPECT_EQ(good.value(), 7);
  const Parsed<int> bad =
      parseCatching<int>([]() -> int { throwParse("broken", 12); });
  ASSERT_FALSE(bad.ok());
  EXPECT_EQ(bad.error().text, "broken");
  EXPECT_EQ(bad.error().offset, 12u);
  const Parsed<> done = parseCatching<std::monostate>([] {});
  EXPECT_TRUE(done.ok());
}

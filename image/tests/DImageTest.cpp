#include "image/DImage.h"

#include "foundation/dbtl/DRefCount.h"
#include "foundation/dbtl/rcptr.h"
#include "image/DImageHolder.h"
#include "image/DImageReverse.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

namespace {

using dbtl::DImage;
using dbtl::DImageHolder;
using dbtl::DImageReverse;
using dbtl::rcptr;

struct Geometry {
  uint32_t width, height, pitch, bits, bytes, kind;
  bool hasMemory;
};

bool operator==(const Geometry& a, const Geometry& b) {
  return a.width == b.width && a.height == b.height && a.pitch == b.pitch && a.bits == b.bits &&
         a.bytes == b.bytes && a.kind == b.kind && a.hasMemory == b.hasMemory;
}

std::ostream& operator<<(std::ostream& os, const Geometry& g) {
  return os << g.width << "x" << g.height << " pitch " << g.pitch << " bits " << g.bits
            << " bytes " << g.bytes << " kind " << g.kind << (g.hasMemory ? " +mem" : " -mem");
}

Geometry Of(const DImage& image) {
  return {image.GetWidth(), image.GetHeight(), image.GetPitch(), image.GetBitsPerPixel(),
          image.GetBytesPerPixel(), image.GetKind(), image.GetBuffer() != nullptr};
}

enum class Op { Create, Release };

struct Step {
  const char* what;
  Op op;
  uint32_t width, height, pitch, kind;
  bool result;
  Geometry after;
};

// Each row runs on the image left by the rows before it.
TEST(DImage, Lifecycle) {
  const Geometry empty{0, 0, 0, 0, 0, 0, false};
  const Step steps[] = {
      {"pitch below a row", Op::Create, 5, 3, 14, 1, false, empty},
      {"kind 8", Op::Create, 5, 3, 0, 8, false, empty},
      {"width 0", Op::Create, 0, 3, 0, 1, false, empty},
      {"height 0", Op::Create, 5, 0, 0, 1, false, empty},
      {"release of an empty image", Op::Release, 0, 0, 0, 0, false, empty},
      {"default pitch rounds up", Op::Create, 5, 3, 0, 1, true, {5, 3, 16, 24, 3, 1, true}},
      {"other height needs a release", Op::Create, 5, 4, 0, 1, false, {5, 3, 16, 24, 3, 1, true}},
      {"other pitch needs a release", Op::Create, 5, 3, 20, 1, false, {5, 3, 16, 24, 3, 1, true}},
      {"re-typed to kind 0", Op::Create, 4, 3, 16, 0, true, {4, 3, 16, 32, 4, 0, true}},
      {"re-typed to 16-bit, wider", Op::Create, 8, 3, 0, 5, true, {8, 3, 16, 16, 2, 5, true}},
      {"re-type whose row exceeds the pitch", Op::Create, 5, 3, 16, 2, false,
       {8, 3, 16, 16, 2, 5, true}},
      {"release keeps the kind", Op::Release, 0, 0, 0, 0, true, {0, 0, 0, 0, 0, 5, false}},
      {"second release", Op::Release, 0, 0, 0, 0, false, {0, 0, 0, 0, 0, 5, false}},
      {"create after release", Op::Create, 2, 2, 12, 7, true, {2, 2, 12, 24, 3, 7, true}},
  };
  DImage image;
  for (const Step& s : steps) {
    const bool result = s.op == Op::Create ? image.Create(s.width, s.height, s.pitch, s.kind)
                                           : image.Release();
    EXPECT_EQ(result, s.result) << s.what;
    EXPECT_EQ(Of(image), s.after) << s.what;
  }
}

// Sizes whose row or whole buffer does not fit 32 bits are refused, not wrapped.
TEST(DImage, RefusesOverflowingSizes) {
  struct Case {
    const char* what;
    uint32_t width, height, pitch, kind;
  };
  const Case cases[] = {
      {"row of 4 GiB", 0x40000000u, 1, 0, 0},
      {"default pitch rounding", 0x55555555u, 1, 0, 1},
      {"height times pitch", 65536, 65536, 0, 0},
      {"the 16 alignment bytes", 0x3FFFFFFFu, 1, 0, 0},
      {"given pitch", 1, 2, 0x80000000u, 0},
  };
  for (const Case& c : cases) {
    DImage image;
    EXPECT_FALSE(image.Create(c.width, c.height, c.pitch, c.kind)) << c.what;
    EXPECT_EQ(image.GetBuffer(), nullptr) << c.what;
  }
}

// Sees where the pixels lie in the block the image allocated.
struct BlockProbe : DImage {
  const uint8_t* BlockStart() const { return static_cast<uint8_t*>(m_buffer._GetCount()->array); }
  size_t BlockBytes() const { return dbtl::DArrayHeaderOf(m_buffer._GetCount()->array)->count; }
};

TEST(DImage, NewMemoryIsAlignedWithinItsBlock) {
  struct Case {
    uint32_t width, height, pitch, kind;
  };
  const Case cases[] = {{3, 2, 0, 0}, {5, 3, 0, 1}, {7, 5, 15, 6}, {1, 1, 0, 4}};
  for (const Case& c : cases) {
    BlockProbe image;
    ASSERT_TRUE(image.Create(c.width, c.height, c.pitch, c.kind));
    const ptrdiff_t lead = image.GetBuffer() - image.BlockStart();
    EXPECT_EQ(reinterpret_cast<uintptr_t>(image.GetBuffer()) % 16, 0u);
    EXPECT_GE(lead, 1);
    EXPECT_LE(lead, 16);
    EXPECT_LE(size_t(lead) + size_t(image.GetHeight()) * image.GetPitch(), image.BlockBytes());
  }
}

TEST(DImage, RetypingKeepsTheBytes) {
  DImage image;
  ASSERT_TRUE(image.Create(3, 2, 0, 0));
  EXPECT_EQ(image.GetBits(), image.GetBuffer());
  std::vector<uint8_t> pattern(2 * 12);
  for (size_t i = 0; i < pattern.size(); ++i) pattern[i] = uint8_t(i * 7 + 1);
  std::memcpy(image.GetBuffer(), pattern.data(), pattern.size());
  uint8_t* const before = image.GetBuffer();
  ASSERT_TRUE(image.Create(3, 2, 12, 2));
  EXPECT_EQ(image.GetBuffer(), before);
  EXPECT_EQ(0, std::memcmp(image.GetBuffer(), pattern.data(), pattern.size()));
}

// Row addressing of both row orders on a 3 x 4 kind-1 image with pitch 12.
TEST(DImage, RowAddressing) {
  struct Expect {
    bool reverse;
    ptrdiff_t bits, pixel0_0, pixel2_1, nextOfBits, advance2, offset2_1;  // bytes from data
  };
  const Expect cases[] = {
      {false, 0, 0, 6 + 12, 12, 24, 6 + 12},
      {true, 36, 36, 6 + 24, 24, 12, 6 + 24},
  };
  for (const Expect& e : cases) {
    std::unique_ptr<DImage> image =
        e.reverse ? std::make_unique<DImageReverse>() : std::make_unique<DImage>();
    ASSERT_TRUE(image->Create(3, 4, 12, 1));
    uint8_t* const data = image->GetBuffer();
    uint8_t* const bits = image->GetBits();
    EXPECT_EQ(bits - data, e.bits) << e.reverse;
    EXPECT_EQ(image->Bits(), bits) << e.reverse;
    EXPECT_EQ(image->Buffer(), data) << e.reverse;
    EXPECT_EQ(image->GetPixelAddress(0, 0) - data, e.pixel0_0) << e.reverse;
    EXPECT_EQ(image->GetPixelAddress(2, 1) - data, e.pixel2_1) << e.reverse;
    EXPECT_EQ(image->NextRow(bits) - data, e.nextOfBits) << e.reverse;
    EXPECT_EQ(image->AdvanceRows(bits, 2) - data, e.advance2) << e.reverse;
    EXPECT_EQ(image->OffsetPixel(bits, 2, 1) - data, e.offset2_1) << e.reverse;
  }
}

TEST(DImage, EmptyImagesHaveNoRowZero) {
  DImage plain;
  DImageReverse reverse;
  EXPECT_EQ(plain.GetBits(), nullptr);
  EXPECT_EQ(reverse.GetBits(), nullptr);
  EXPECT_EQ(reverse.GetPixelAddress(0, 0), nullptr);
}

TEST(DImageHolder, Attach) {
  std::vector<uint8_t> memory(64);
  const rcptr<uint8_t> borrowed = rcptr<uint8_t>::Borrow(memory.data() + 1);
  struct Case {
    const char* what;
    uint32_t width, height, pitch, kind;
    bool nullBuffer;
    bool result;
    Geometry after;
  };
  const Geometry empty{0, 0, 0, 0, 0, 0, false};
  const Case cases[] = {
      {"default pitch", 5, 2, 0, 3, false, true, {5, 2, 16, 24, 3, 3, true}},
      {"given pitch kept", 3, 2, 7, 6, false, true, {3, 2, 7, 16, 2, 6, true}},
      {"pitch below a row", 3, 2, 5, 6, false, false, empty},
      {"kind 8", 3, 2, 0, 8, false, false, empty},
      {"width 0", 0, 2, 0, 0, false, false, empty},
      {"height 0", 3, 0, 0, 0, false, false, empty},
      {"no memory", 3, 2, 0, 0, true, false, empty},
  };
  for (const Case& c : cases) {
    DImageHolder holder;
    const bool result =
        holder.Attach(c.nullBuffer ? rcptr<uint8_t>() : borrowed, c.width, c.height, c.pitch, c.kind);
    EXPECT_EQ(result, c.result) << c.what;
    EXPECT_EQ(Of(holder), c.after) << c.what;
    if (result) {
      EXPECT_EQ(holder.GetBits(), memory.data() + 1) << c.what << ": used without alignment";
    }
  }
}

TEST(DImageHolder, AttachHoldsOneReference) {
  rcptr<uint8_t> first;
  first.Create(32);
  rcptr<uint8_t> second;
  second.Create(32);
  {
    DImageHolder holder;
    ASSERT_TRUE(holder.Attach(first, 4, 2, 0, 0));
    EXPECT_EQ(first.UseCount(), 2);
    ASSERT_TRUE(holder.Attach(second, 4, 2, 0, 0));
    EXPECT_EQ(first.UseCount(), 1);
    EXPECT_EQ(second.UseCount(), 2);
    EXPECT_FALSE(holder.Attach(first, 4, 2, 3, 0));
    EXPECT_EQ(first.UseCount(), 1) << "a refused Attach keeps the old buffer";
    EXPECT_EQ(holder.GetBuffer(), second.Get());
  }
  EXPECT_EQ(second.UseCount(), 1);
}

}  // namespace

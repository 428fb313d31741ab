#include "foundation/lfm/lfmScrambled.h"

#include "foundation/dbtl/DMFile.h"
#include "testsupport/DMemorySource.h"
#include "testsupport/DmfBuilder.h"
#include "testsupport/FileBytes.h"
#include "testsupport/LerrCapture.h"
#include "testsupport/TempDir.h"

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

namespace {

using dbtl::DFile;

// Little-endian values laid out at chosen positions and scrambled by position.
class ScrambledBytes {
 public:
  ScrambledBytes& Zeros(size_t n) {
    m_plain.insert(m_plain.end(), n, 0);
    return *this;
  }
  ScrambledBytes& U8(uint8_t v) {
    m_plain.push_back(v);
    return *this;
  }
  ScrambledBytes& U32(uint32_t v) {
    DmfBuilder::PutU32(m_plain, v);
    return *this;
  }
  ScrambledBytes& Text(const std::string& text) {
    m_plain.insert(m_plain.end(), text.begin(), text.end());
    return *this;
  }
  std::vector<uint8_t> Bytes() const {
    std::vector<uint8_t> out = m_plain;
    for (size_t i = 0; i < out.size(); ++i) out[i] ^= static_cast<uint8_t>(i & 0xFF);
    return out;
  }

 private:
  std::vector<uint8_t> m_plain;
};

class lfmScrambledTest : public ::testing::Test {
 protected:
  // Opens the bytes in m_file, positioned at 0.
  void Open(const std::vector<uint8_t>& bytes) {
    m_file.Close();
    dbtl::rcptr<DMemorySource> source;
    source.Create(1);
    source->data = bytes;
    ASSERT_TRUE(m_file.OpenOverride("scrambled.bin", source));
  }

  LerrCapture m_capture;
  DFile m_file;
};

// A value at 254 is combined with 254, 255, 0 and 1: the key wraps with the position.
TEST_F(lfmScrambledTest, ValuesAcrossPosition255) {
  float one = 1.5f;
  uint32_t oneBits;
  std::memcpy(&oneBits, &one, sizeof oneBits);
  Open(ScrambledBytes().Zeros(254).U32(0x11223344).U32(oneBits).U8(0xA5).U8(0x00).Bytes());
  ASSERT_TRUE(m_file.Seek(254, dbtl::DSEEK_BEGIN));
  EXPECT_EQ(lfmReadScrambledU32(m_file), 0x11223344u);
  EXPECT_EQ(lfmReadScrambledFloat(m_file), 1.5f);
  EXPECT_EQ(lfmReadScrambledU8(m_file), 0xA5);
  EXPECT_EQ(lfmReadScrambledU8(m_file), 0x00);

  // The raw bytes really are scrambled with 254, 255, 0, 1.
  uint8_t raw[4];
  ASSERT_TRUE(m_file.Seek(254, dbtl::DSEEK_BEGIN));
  ASSERT_EQ(m_file.Read(raw, 4), 4);
  EXPECT_EQ(raw[0], 0x44 ^ 254);
  EXPECT_EQ(raw[1], 0x33 ^ 255);
  EXPECT_EQ(raw[2], 0x22 ^ 0);
  EXPECT_EQ(raw[3], 0x11 ^ 1);

  // Any field can be read on its own, in any order.
  ASSERT_TRUE(m_file.Seek(258, dbtl::DSEEK_BEGIN));
  EXPECT_EQ(lfmReadScrambledFloat(m_file), 1.5f);
  uint8_t bytes[3];
  ASSERT_TRUE(m_file.Seek(255, dbtl::DSEEK_BEGIN));
  EXPECT_EQ(lfmReadScrambled(bytes, 3, m_file), 3u);
  EXPECT_EQ(bytes[0], 0x33);
  EXPECT_EQ(bytes[2], 0x11);
}

TEST_F(lfmScrambledTest, Strings) {
  Open(ScrambledBytes().Zeros(250).U32(5).Text("hello").U32(0).U32(7).Text(std::string("ab\0cdef", 7)).U32(3)
           .Text("\x82\xA0z")
           .Bytes());
  ASSERT_TRUE(m_file.Seek(250, dbtl::DSEEK_BEGIN));
  dbtl::DString text("previous");
  lfmReadScrambledString(m_file, text);
  EXPECT_STREQ(text.GetText(), "hello");
  lfmReadScrambledString(m_file, text);
  EXPECT_STREQ(text.GetText(), "");
  EXPECT_EQ(m_file.Tell(), 263);  // the empty string reads nothing after its count
  lfmReadScrambledString(m_file, text);
  EXPECT_STREQ(text.GetText(), "ab");  // ends at the first NUL
  EXPECT_EQ(text.GetLength(), 2u);
  EXPECT_EQ(m_file.Tell(), 274);
  lfmReadScrambledString(m_file, text);
  EXPECT_STREQ(text.GetText(), "\x82\xA0z");
}

TEST_F(lfmScrambledTest, FailuresAreFatal) {
  struct Case {
    const char* what;
    std::vector<uint8_t> bytes;
    void (*read)(DFile&);
    std::u16string message;
  };
  const std::u16string readFailed = u"ファイル \"scrambled.bin\" を読み込めませんでした。";
  const Case cases[] = {
      {"short value", ScrambledBytes().U8(1).U8(2).Bytes(), [](DFile& f) { lfmReadScrambledU32(f); },
       readFailed},
      {"string longer than the file", ScrambledBytes().U32(6).Text("short").Bytes(),
       [](DFile& f) {
         dbtl::DString s;
         lfmReadScrambledString(f, s);
       },
       readFailed},
      // Refused before allocating: a count near 4 GiB must not become a 4 GiB string.
      {"huge string count", ScrambledBytes().U32(0xFFFFFFF0u).Text("x").Bytes(),
       [](DFile& f) {
         dbtl::DString s;
         lfmReadScrambledString(f, s);
       },
       readFailed},
      {"largest string count", ScrambledBytes().U32(0xFFFFFFFFu).Bytes(),
       [](DFile& f) {
         dbtl::DString s;
         lfmReadScrambledString(f, s);
       },
       readFailed},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Open(c.bytes);
    EXPECT_EQ(m_capture.FatalText([&] { c.read(m_file); }), c.message);
  }
  // A closed file has no position.
  DFile closed;
  EXPECT_EQ(m_capture.FatalText([&] { lfmReadScrambledU8(closed); }),
            u"ファイル \"\" の位置を取得できませんでした。");
}

// Stored pointers are offsets into their block: (pointer - stored base) relocated onto the
// block loaded now, with the elements checked to lie inside it.
TEST_F(lfmScrambledTest, PointersAreRelocatedIntoTheirBlock) {
  alignas(8) unsigned char block[64] = {};
  struct Case {
    const char* what;
    uint32_t stored;
    uint32_t storedBase;
    uint32_t count;
    size_t elementSize;
    size_t alignment;
    ptrdiff_t offset;  // -1: fatal
  };
  const Case cases[] = {
      {"null", 0, 0x1000, 9, 4, 4, -2},
      {"inside", 0x1010, 0x1000, 3, 4, 4, 16},
      {"exactly to the end", 0x1030, 0x1000, 4, 4, 4, 48},
      {"empty at the end", 0x1040, 0x1000, 0, 4, 4, 64},
      {"base above 2 GiB", 0x80000008u, 0x80000000u, 2, 8, 8, 8},
      {"one element past the end", 0x1034, 0x1000, 4, 4, 4, -1},
      {"before the block", 0x0FFC, 0x1000, 1, 4, 4, -1},
      {"count overflows", 0x1000, 0x1000, 3, SIZE_MAX / 2, 1, -1},
      {"misaligned", 0x1002, 0x1000, 1, 4, 4, -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Open(ScrambledBytes().Zeros(250).U32(c.stored).U32(c.storedBase).U32(c.count).Bytes());
    ASSERT_TRUE(m_file.Seek(250, dbtl::DSEEK_BEGIN));
    if (c.offset == -1) {
      EXPECT_EQ(m_capture.FatalText([&] {
                  lfmReadScrambledPointer(m_file, block, sizeof block, c.elementSize, c.alignment);
                }),
                u"[lfmReadScrambledPointer] pointer outside its data block in \"scrambled.bin\"");
      continue;
    }
    const LfmPointer p =
        lfmReadScrambledPointer(m_file, block, sizeof block, c.elementSize, c.alignment);
    if (c.offset == -2) {
      EXPECT_EQ(p.pointer, nullptr);
      EXPECT_EQ(p.count, 0u);
    } else {
      EXPECT_EQ(p.pointer, block + c.offset);
      EXPECT_EQ(p.count, c.count);
    }
  }
  // The typed form takes the element's size and alignment.
  Open(ScrambledBytes().U32(0x2008).U32(0x2000).U32(2).Bytes());
  uint32_t count = 0;
  uint64_t* words = lfmReadScrambledPointer<uint64_t>(m_file, block, sizeof block, &count);
  EXPECT_EQ(words, reinterpret_cast<uint64_t*>(block + 8));
  EXPECT_EQ(count, 2u);
}

// Scrambled entries of a "DMF " container descramble by their position inside the entry, and
// the fixture writer's descriptions read back value for value.
TEST_F(lfmScrambledTest, ScrambleToolFilesInsideAContainer) {
  TempDir dir(TEST_BINARY_DIR, "dbtl");
  const std::string description = dir.Path("model.txt");
  std::ofstream(description) << "# a small scrambled record\nzeros 253\nu32 0xDEADBEEF\n"
                                "f32 -2.25\nstr mesh name\nhex 82 A0\nu8 7\n";
  const std::string scrambled = dir.Path("model.bin");
  const std::string tool = std::string(TEST_BIN_DIR) + "/scramble";
  ASSERT_EQ(WEXITSTATUS(std::system((tool + " -d " + description + " " + scrambled).c_str())), 0);
  std::vector<uint8_t> entry = readFileBytes(scrambled);
  ASSERT_EQ(entry.size(), 253u + 4 + 4 + 4 + 9 + 2 + 1);

  // The container puts the entry at an offset that is not a multiple of 256.
  const std::string container =
      dir.Write("c.dmf", DmfBuilder().Add("pad", "xyz").Add("model", std::string(entry.begin(), entry.end())).Bytes());
  dbtl::DMFile dmf;
  ASSERT_TRUE(dmf.OpenPath(container.c_str()));
  DFile file;
  ASSERT_TRUE(dmf.OpenEntry("model", file));
  ASSERT_TRUE(file.Seek(253, dbtl::DSEEK_BEGIN));
  EXPECT_EQ(lfmReadScrambledU32(file), 0xDEADBEEFu);
  EXPECT_EQ(lfmReadScrambledFloat(file), -2.25f);
  dbtl::DString name;
  lfmReadScrambledString(file, name);
  EXPECT_STREQ(name.GetText(), "mesh name");
  uint8_t kana[2];
  lfmReadScrambled(kana, 2, file);
  EXPECT_EQ(kana[0], 0x82);
  EXPECT_EQ(kana[1], 0xA0);
  EXPECT_EQ(lfmReadScrambledU8(file), 7);

  // A malformed description is refused with its line.
  std::ofstream(description) << "u32 5\nu16 3\n";
  EXPECT_EQ(WEXITSTATUS(std::system((tool + " -d " + description + " " + scrambled + " 2>/dev/null").c_str())), 2);
}

}  // namespace

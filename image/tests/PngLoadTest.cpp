#include "image/DImageKind.h"
#include "image/file/DimgLoad.h"
#include "testsupport/image/DimgLoadTestSupport.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

using namespace filetest;

constexpr uint32_t W = 9;  // 9 × 7: every one of the seven interlace passes has pixels
constexpr uint32_t H = 7;

uint8_t Level(uint32_t x, uint32_t y, uint32_t c) { return uint8_t(x * 37 + y * 91 + c * 53 + 5); }

// Samples of `depth` bits packed high bit first, rows padded to whole bytes as PNG stores them.
Bytes Pack(const std::function<uint32_t(uint32_t, uint32_t, uint32_t)>& sample, uint32_t channels,
           int depth) {
  Bytes out;
  for (uint32_t y = 0; y < H; ++y) {
    uint32_t bits = 0;
    uint32_t filled = 0;
    for (uint32_t x = 0; x < W; ++x) {
      for (uint32_t c = 0; c < channels; ++c) {
        const uint32_t v = sample(x, y, c);
        if (depth == 16) {
          out.push_back(uint8_t(v >> 8));
          out.push_back(uint8_t(v));
        } else if (depth == 8) {
          out.push_back(uint8_t(v));
        } else {
          bits = bits << depth | v;
          filled += depth;
          if (filled == 8) {
            out.push_back(uint8_t(bits));
            bits = filled = 0;
          }
        }
      }
    }
    if (filled != 0) out.push_back(uint8_t(bits << (8 - filled)));
  }
  return out;
}

PngPicture Rgb(int depth, bool alpha, bool interlaced) {
  PngPicture p;
  p.width = W;
  p.height = H;
  p.colour = alpha ? PNG_COLOR_TYPE_RGBA : PNG_COLOR_TYPE_RGB;
  p.depth = depth;
  p.interlaced = interlaced;
  // A 16-bit sample v × 257 strips back to v; the low byte differs so that a wrong strip shows.
  p.rows = Pack([&](uint32_t x, uint32_t y, uint32_t c) {
    const uint32_t v = Level(x, y, c);
    return depth == 16 ? v * 256 + (255 - v) : v;
  }, alpha ? 4 : 3, depth);
  return p;
}

// Grey of 1 to 16 bits and its 8-bit R, G, B twin (a d-bit grey g reads as g × 255 / (2^d - 1)).
uint32_t GreySample(uint32_t x, uint32_t y, int depth) {
  return depth >= 8 ? Level(x, y, 0) : Level(x, y, 0) >> (8 - depth);
}
uint8_t GreyLevel(uint32_t x, uint32_t y, int depth) {
  return depth >= 8 ? Level(x, y, 0) : uint8_t(GreySample(x, y, depth) * 255 / ((1u << depth) - 1));
}

PngPicture Grey(int depth, bool alpha, bool interlaced) {
  PngPicture p;
  p.width = W;
  p.height = H;
  p.colour = alpha ? PNG_COLOR_TYPE_GRAY_ALPHA : PNG_COLOR_TYPE_GRAY;
  p.depth = depth;
  p.interlaced = interlaced;
  p.rows = Pack([&](uint32_t x, uint32_t y, uint32_t c) {
    const uint32_t v = c == 0 ? GreySample(x, y, depth) : Level(x, y, 3);
    return depth == 16 ? v * 257 : v;
  }, alpha ? 2 : 1, depth);
  return p;
}

PngPicture GreyTwin(int depth, bool alpha) {
  PngPicture p;
  p.width = W;
  p.height = H;
  p.colour = alpha ? PNG_COLOR_TYPE_RGBA : PNG_COLOR_TYPE_RGB;
  p.rows = Pack([&](uint32_t x, uint32_t y, uint32_t c) {
    return c < 3 ? GreyLevel(x, y, depth) : Level(x, y, 3);
  }, alpha ? 4 : 3, 8);
  return p;
}

png_color PaletteColour(uint32_t i) { return {uint8_t(i * 70 + 3), uint8_t(250 - i * 13), uint8_t(i * i)}; }
uint8_t PaletteAlpha(uint32_t i) { return uint8_t(i * 40); }
uint32_t PaletteIndex(uint32_t x, uint32_t y, int depth) { return (x + 2 * y) % (1u << std::min(depth, 4)); }

PngPicture Palette(int depth, bool transparency, bool interlaced) {
  PngPicture p;
  p.width = W;
  p.height = H;
  p.colour = PNG_COLOR_TYPE_PALETTE;
  p.depth = depth;
  p.interlaced = interlaced;
  const uint32_t entries = 1u << std::min(depth, 4);
  for (uint32_t i = 0; i < entries; ++i) p.palette.push_back(PaletteColour(i));
  // A tRNS shorter than the palette: the entries after it are opaque.
  if (transparency) {
    for (uint32_t i = 0; i + 1 < entries; ++i) p.paletteAlpha.push_back(PaletteAlpha(i));
  }
  p.rows = Pack([&](uint32_t x, uint32_t y, uint32_t) { return PaletteIndex(x, y, depth); }, 1, depth);
  return p;
}

PngPicture PaletteTwin(int depth, bool transparency) {
  PngPicture p;
  p.width = W;
  p.height = H;
  p.colour = transparency ? PNG_COLOR_TYPE_RGBA : PNG_COLOR_TYPE_RGB;
  const uint32_t last = (1u << std::min(depth, 4)) - 1;
  p.rows = Pack([&](uint32_t x, uint32_t y, uint32_t c) {
    const uint32_t i = PaletteIndex(x, y, depth);
    const png_color colour = PaletteColour(i);
    const uint8_t rgb[3] = {colour.red, colour.green, colour.blue};
    return c < 3 ? rgb[c] : (i == last ? 255u : PaletteAlpha(i));
  }, transparency ? 4 : 3, 8);
  return p;
}

bool Load(const Bytes& bytes, dbtl::DImage& image) {
  MemoryFile f(bytes);
  return DimgLoadPng(f.file, image);
}

TEST(PngLoadTest, ColourPixelsArriveAsStoredWithAlphaInverted) {
  dbtl::DImage rgb;
  ASSERT_TRUE(Load(WritePng(Rgb(8, false, false)), rgb));
  EXPECT_EQ(rgb.GetKind(), DImageKindRGB8);
  dbtl::DImage rgba;
  ASSERT_TRUE(Load(WritePng(Rgb(8, true, false)), rgba));
  EXPECT_EQ(rgba.GetKind(), DImageKindRGBA8);
  for (uint32_t y = 0; y < H; ++y) {
    for (uint32_t x = 0; x < W; ++x) {
      const Rgba stored = {Level(x, y, 0), Level(x, y, 1), Level(x, y, 2), Level(x, y, 3)};
      EXPECT_EQ(PixelOf(rgb, x, y), (Rgba{stored[0], stored[1], stored[2], 255}));
      EXPECT_EQ(PixelOf(rgba, x, y), (Rgba{stored[0], stored[1], stored[2], uint8_t(255 - stored[3])}));
    }
  }
}

struct Twin {
  const char* name;
  std::function<PngPicture()> file;
  std::function<PngPicture()> twin;
  uint32_t kind;
};

void PrintTo(const Twin& t, std::ostream* os) { *os << t.name; }

class PngTwinTest : public ::testing::TestWithParam<Twin> {};

TEST_P(PngTwinTest, LoadsLikeItsEightBitTwin) {
  const Twin& t = GetParam();
  dbtl::DImage image;
  dbtl::DImage twin;
  ASSERT_TRUE(Load(WritePng(t.file()), image));
  ASSERT_TRUE(Load(WritePng(t.twin()), twin));
  EXPECT_EQ(image.GetKind(), t.kind);
  EXPECT_EQ(twin.GetKind(), t.kind);
  ASSERT_EQ(image.GetWidth(), W);
  ASSERT_EQ(image.GetHeight(), H);
  EXPECT_EQ(PixelsOf(image), PixelsOf(twin));
}

INSTANTIATE_TEST_SUITE_P(
    Variants, PngTwinTest,
    ::testing::Values(
        Twin{"Rgb16", [] { return Rgb(16, false, false); }, [] { return Rgb(8, false, false); }, 1},
        Twin{"Rgba16", [] { return Rgb(16, true, false); }, [] { return Rgb(8, true, false); }, 0},
        Twin{"RgbInterlaced", [] { return Rgb(8, false, true); }, [] { return Rgb(8, false, false); }, 1},
        Twin{"Rgba16Interlaced", [] { return Rgb(16, true, true); }, [] { return Rgb(8, true, false); }, 0},
        Twin{"Grey8", [] { return Grey(8, false, false); }, [] { return GreyTwin(8, false); }, 1},
        Twin{"Grey4", [] { return Grey(4, false, false); }, [] { return GreyTwin(4, false); }, 1},
        Twin{"Grey2", [] { return Grey(2, false, false); }, [] { return GreyTwin(2, false); }, 1},
        Twin{"Grey1Interlaced", [] { return Grey(1, false, true); }, [] { return GreyTwin(1, false); }, 1},
        Twin{"Grey16", [] { return Grey(16, false, false); }, [] { return GreyTwin(16, false); }, 1},
        Twin{"GreyAlpha8", [] { return Grey(8, true, false); }, [] { return GreyTwin(8, true); }, 0},
        Twin{"GreyAlpha16", [] { return Grey(16, true, false); }, [] { return GreyTwin(16, true); }, 0},
        Twin{"Palette8", [] { return Palette(8, false, false); }, [] { return PaletteTwin(8, false); }, 1},
        Twin{"Palette4", [] { return Palette(4, false, false); }, [] { return PaletteTwin(4, false); }, 1},
        Twin{"Palette2Interlaced", [] { return Palette(2, false, true); }, [] { return PaletteTwin(2, false); }, 1},
        Twin{"Palette1", [] { return Palette(1, false, false); }, [] { return PaletteTwin(1, false); }, 1},
        Twin{"Palette4Transparency", [] { return Palette(4, true, false); }, [] { return PaletteTwin(4, true); }, 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(PngLoadTest, GreyWithATransparentValueLoadsAsKind0WithOpaqueAtZero) {
  PngPicture p = Grey(8, false, false);
  p.transparentColour = true;
  p.transparent.gray = Level(0, 0, 0);
  dbtl::DImage image;
  ASSERT_TRUE(Load(WritePng(p), image));
  ASSERT_EQ(image.GetKind(), DImageKindRGBA8);
  const uint8_t g = Level(0, 0, 0);
  EXPECT_EQ(PixelOf(image, 0, 0), (Rgba{g, g, g, 255}));
  const uint8_t h = Level(1, 0, 0);
  ASSERT_NE(h, g);
  EXPECT_EQ(PixelOf(image, 1, 0), (Rgba{h, h, h, 0}));
}

// One stream, plain, behind each private header, and each of those inside a window that
// starts 37 bytes into a larger file: the scrambling counts from the window's start.
TEST(PngLoadTest, TheSameStreamLoadsAloneBehindBothHeadersAndInAWindow) {
  const Bytes png = WritePng(Rgb(8, true, true));
  dbtl::DImage reference;
  ASSERT_TRUE(Load(png, reference));
  const struct {
    const char* name;
    Bytes bytes;
  } cases[] = {{"plain signature", png},
               {"plain header", WrapPng(png, PngWrap::Plain)},
               {"scrambled header", WrapPng(png, PngWrap::Scrambled)}};
  for (const auto& c : cases) {
    for (const bool windowed : {false, true}) {
      SCOPED_TRACE(std::string(c.name) + (windowed ? " in a window" : ""));
      Bytes outer(37, 0x5A);
      outer.insert(outer.end(), c.bytes.begin(), c.bytes.end());
      outer.insert(outer.end(), 11, 0xA5);
      MemoryFile whole(windowed ? outer : c.bytes);
      dbtl::DFile window;
      if (windowed) {
        ASSERT_TRUE(window.OpenRange(whole.file, 37, int64_t(c.bytes.size())));
      }
      dbtl::DImage image;
      ASSERT_TRUE(DimgLoadPng(windowed ? window : whole.file, image));
      EXPECT_EQ(image.GetKind(), reference.GetKind());
      EXPECT_EQ(PixelsOf(image), PixelsOf(reference));
    }
  }
}

TEST(PngLoadTest, ScrambledBytesAreKeyedByTheirOffset) {
  PngPicture noise;
  noise.width = 64;
  noise.height = 8;
  for (uint32_t i = 0; i < 64 * 8 * 3; ++i) noise.rows.push_back(uint8_t(i * 2654435761u >> 13));
  const Bytes png = WritePng(noise);
  const Bytes scrambled = WrapPng(png, PngWrap::Scrambled);
  EXPECT_EQ(scrambled[8], png[8] ^ 0x08);
  ASSERT_GT(png.size(), 260u);
  EXPECT_EQ(scrambled[256], png[256]);
  EXPECT_EQ(scrambled[257], png[257] ^ 0x01);
  // The same stream written plainly behind the scrambling header does not load.
  Bytes wrong = WrapPng(png, PngWrap::Plain);
  std::copy_n(scrambled.begin(), 8, wrong.begin());
  dbtl::DImage image;
  EXPECT_FALSE(Load(wrong, image));
  EXPECT_EQ(image.GetBuffer(), nullptr);
}

// A plain libpng read with its default settings, telling whether it warned: the chunks the
// loader skips do make libpng 1.6 warn.
bool LibpngWarns(const Bytes& bytes) {
  struct State {
    const Bytes* bytes;
    size_t at = 8;
    bool warned = false;
  } state{&bytes};
  png_structp png = png_create_read_struct(
      PNG_LIBPNG_VER_STRING, &state,
      [](png_structp p, png_const_charp) { png_longjmp(p, 1); },
      [](png_structp p, png_const_charp) { static_cast<State*>(png_get_error_ptr(p))->warned = true; });
  png_infop info = png_create_info_struct(png);
  png_set_read_fn(png, &state, [](png_structp p, png_bytep out, size_t n) {
    auto* s = static_cast<State*>(png_get_io_ptr(p));
    if (s->at + n > s->bytes->size()) png_error(p, "short");
    std::memcpy(out, s->bytes->data() + s->at, n);
    s->at += n;
  });
  png_set_sig_bytes(png, 8);
  if (setjmp(png_jmpbuf(png)) == 0) png_read_info(png, info);
  png_destroy_read_struct(&png, &info, nullptr);
  return state.warned;
}

TEST(PngLoadTest, ColourProfileChunksThatLibpngWarnsAboutAreSkipped) {
  const Bytes png = WritePng(Rgb(8, false, false));
  dbtl::DImage reference;
  ASSERT_TRUE(Load(png, reference));
  Bytes zeroChrm(32, 0);
  const struct {
    const char* name;
    const char* chunk;
    Bytes data;
  } cases[] = {
      {"profile that does not inflate", "iCCP", {'p', 0, 0, 1, 2, 3, 4, 5, 6, 7}},
      {"unknown rendering intent", "sRGB", {9}},
      {"chromaticities of zero", "cHRM", zeroChrm},
      {"gamma of zero", "gAMA", {0, 0, 0, 0}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const Bytes file = InsertChunk(png, c.chunk, c.data);
    EXPECT_TRUE(LibpngWarns(file));
    dbtl::DImage image;
    DebugLogCapture log;
    ASSERT_TRUE(Load(file, image));
    EXPECT_EQ(PixelsOf(image), PixelsOf(reference));
    EXPECT_EQ(log.Text(), "");
  }
}

TEST(PngLoadTest, BrokenStreamsFailWithLibpngsMessageAndNoBuffer) {
  const Bytes png = WritePng(Rgb(8, false, false));
  Bytes badIhdr = png;
  badIhdr[20] ^= 0x40;  // inside IHDR: its CRC no longer matches
  const struct {
    const char* name;
    Bytes bytes;
    const char* log;
  } cases[] = {
      {"warning: ancillary chunk with a bad CRC", InsertChunk(png, "tEXt", {'a', 0, 'b'}, true),
       "[Error] tEXt: CRC error\n"},
      {"cut in the image data", Bytes(png.begin(), png.end() - 30), "[Error] can't read data\n"},
      {"scrambled, cut in the image data",
       WrapPng(Bytes(png.begin(), png.end() - 30), PngWrap::Scrambled), "[Error] can't read data\n"},
      {"header checksum", badIhdr, "[Error] IHDR: CRC error\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    dbtl::DImage image;
    DebugLogCapture log;
    EXPECT_FALSE(Load(c.bytes, image));
    EXPECT_EQ(image.GetBuffer(), nullptr);
    EXPECT_EQ(log.Text(), c.log);
  }
}

TEST(PngLoadTest, OtherStartsAreNotPngAndSayNothing) {
  const Bytes png = WritePng(Rgb(8, false, false));
  Bytes halfHeader = {0x44, 0x43, 0x49, 0x88, 0x99, 0xAA, 0xBB, 0xCD};
  halfHeader.insert(halfHeader.end(), png.begin() + 8, png.end());
  const Bytes cases[] = {{}, {0x89, 'P', 'N'}, {'B', 'M', 0, 0, 0, 0}, halfHeader,
                         {0x44, 0x43, 0x49, 0xCC, 0xBB}};
  for (const Bytes& bytes : cases) {
    dbtl::DImage image;
    DebugLogCapture log;
    EXPECT_FALSE(Load(bytes, image));
    EXPECT_EQ(log.Text(), "");
  }
}

TEST(PngLoadTest, AHugeHeaderIsRefusedBeforeTheImageIsMade) {
  // 20000 × 20000 R, G, B announced by a complete header; a little data follows.
  Bytes png = WritePng(Rgb(8, false, false));
  for (int i : {16, 20}) {
    png[i] = 0;
    png[i + 1] = 0;
    png[i + 2] = 0x4E;
    png[i + 3] = 0x20;
  }
  const uint32_t crc = uint32_t(crc32(0, png.data() + 12, 17));
  for (int i = 0; i < 4; ++i) png[29 + i] = uint8_t(crc >> (24 - 8 * i));
  MemoryFile f(png);
  CountingImage image;
  EXPECT_FALSE(DimgLoadPng(f.file, image));
  EXPECT_EQ(image.creates, 0);
}

}  // namespace

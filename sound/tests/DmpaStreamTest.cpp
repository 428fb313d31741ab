#include "sound/mpeg/DmpaScan.h"

#include "MpegTestSupport.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

using mpegtest::NewDecoder;

struct HeaderCase {
  uint8_t bytes[4];
  int result;
  int error;  // when result is 0
  int version = 0, layer = 0, crc = 0, bitrateIndex = 0, sampleIndex = 0, padding = 0, mode = 0, modeExtension = 0;
};

const HeaderCase kHeaders[] = {
    {{0xFF, 0xFB, 0x90, 0x64}, 1, 0, 1, 3, 0, 9, 0, 0, 1, 2},      // MPEG-1 III 128k 44.1 joint
    {{0xFF, 0xFA, 0x92, 0xC0}, 1, 0, 1, 3, 1, 9, 0, 1, 3, 0},      // with CRC and padding, mono
    {{0xFF, 0xFD, 0xA4, 0x00}, 1, 0, 1, 2, 0, 10, 1, 0, 0, 0},     // MPEG-1 II 48k
    {{0xFF, 0xFF, 0xE8, 0x40}, 1, 0, 1, 1, 0, 14, 2, 0, 1, 0},     // MPEG-1 I 32k
    {{0xFF, 0xF3, 0x84, 0xC4}, 1, 0, 2, 3, 0, 8, 1, 0, 3, 0},      // MPEG-2 III 24k
    {{0xFF, 0xE3, 0x18, 0xC4}, 1, 0, 3, 3, 0, 1, 2, 0, 3, 0},      // MPEG-2.5 III 8k
    {{0xFF, 0xEB, 0x18, 0xC4}, 1, 0, 3, 3, 0, 1, 2, 0, 3, 0},      // 2.5: bit 3 not examined
    {{0xFE, 0xFB, 0x90, 0x64}, 0, 3},                              // no 0xFF
    {{0xFF, 0xDB, 0x90, 0x64}, 0, 3},                              // top bits not 0xF/0xE
    {{0xFF, 0xFB, 0x00, 0x64}, 0, 4},                              // free format
    {{0xFF, 0xFB, 0xF0, 0x64}, 0, 4},                              // bitrate index 15
    {{0xFF, 0xFB, 0x9C, 0x64}, 0, 4},                              // sampling index 3
    {{0xFF, 0xF9, 0x90, 0x64}, 0, 4},                              // layer field 0
};

TEST(DmpaStream, ParseHeader) {
  for (const auto& c : kHeaders) {
    auto ctx = NewDecoder();
    _DMPAHEADER h{};
    SCOPED_TRACE(testing::Message() << std::hex << int(c.bytes[1]) << " " << int(c.bytes[2]));
    ASSERT_EQ(DmpaParseHeader(&h, c.bytes, ctx.get()), c.result);
    if (!c.result) {
      EXPECT_EQ(ctx->error, c.error);
      continue;
    }
    EXPECT_EQ(h.version, c.version);
    EXPECT_EQ(h.layer, c.layer);
    EXPECT_EQ(h.crc, c.crc);
    EXPECT_EQ(h.bitrateIndex, c.bitrateIndex);
    EXPECT_EQ(h.sampleIndex, c.sampleIndex);
    EXPECT_EQ(h.padding, c.padding);
    EXPECT_EQ(h.mode, c.mode);
    EXPECT_EQ(h.modeExtension, c.modeExtension);
  }
}

// A first frame of 156 bytes with the given header and, optionally, a tag at the tag position.
std::vector<uint8_t> FirstFrame(const uint8_t header[4], const char* tag = nullptr, uint32_t flags = 3,
                                uint32_t frames = 0, uint32_t bytes = 0) {
  std::vector<uint8_t> f(156, 0);
  std::memcpy(f.data(), header, 4);
  if (tag) {
    auto ctx = NewDecoder();
    _DMPAHEADER h{};
    DmpaParseHeader(&h, header, ctx.get());
    size_t at = 4 + (h.crc ? 2 : 0);
    if (h.layer == 3) at += h.version == 1 ? (h.mode == 3 ? 17 : 32) : (h.mode == 3 ? 9 : 17);
    std::memcpy(f.data() + at, tag, 4);
    auto put = [&f](size_t p, uint32_t v) {
      for (int i = 0; i < 4; ++i) f[p + i] = static_cast<uint8_t>(v >> (24 - 8 * i));
    };
    if (std::strcmp(tag, "Xing") == 0) {
      put(at + 4, flags);
      put(at + 8, frames);
      put(at + 12, bytes);
    } else {
      put(at + 10, bytes);
      put(at + 14, frames);
    }
  }
  return f;
}

struct InfoCase {
  const char* name;
  uint8_t header[4];
  const char* tag;
  uint32_t flags;
  int result, error;
  int sampleRate = 0, channels = 0, bitrate = 0, shortest = 0, longest = 0, frameBytes = 0, pcmBytes = 0;
  uint32_t frameCount = 0, byteCount = 0;
};

const InfoCase kInfos[] = {
    {"l3 128k 44.1 joint", {0xFF, 0xFB, 0x90, 0x64}, nullptr, 0, 1, 0, 44100, 2, 128000, 417, 418, 0, 4608, 0, 0},
    {"l3 mono 64k 32k", {0xFF, 0xFB, 0x58, 0xC0}, nullptr, 0, 1, 0, 32000, 1, 64000, 288, 289, 0, 2304, 0, 0},
    {"l3 mpeg-2 24k 64k", {0xFF, 0xF3, 0x84, 0x44}, nullptr, 0, 1, 0, 24000, 2, 64000, 192, 193, 0, 2304, 0, 0},
    {"l3 mpeg-2.5 8k 8k", {0xFF, 0xE3, 0x18, 0xC4}, nullptr, 0, 1, 0, 8000, 1, 8000, 72, 73, 0, 1152, 0, 0},
    {"l2 192k 44.1", {0xFF, 0xFD, 0xA0, 0x04}, nullptr, 0, 1, 0, 44100, 2, 192000, 626, 627, 0, 4608, 0, 0},
    {"l1 384k 44.1", {0xFF, 0xFF, 0xC0, 0x04}, nullptr, 0, 1, 0, 44100, 2, 384000, 416, 420, 0, 1536, 0, 0},
    {"l3 xing", {0xFF, 0xFB, 0x92, 0x64}, "Xing", 3, 1, 0, 44100, 2, 0, 104, 1045, 418, 4608, 1000, 400000},
    {"l3 xing frames only", {0xFF, 0xFB, 0x90, 0xC4}, "Xing", 1, 1, 0, 44100, 1, 0, 104, 1045, 417, 2304, 1000, 400000},
    {"l3 xing without counts", {0xFF, 0xFB, 0x90, 0x64}, "Xing", 4, 0, 4},
    {"l3 vbri", {0xFF, 0xFB, 0x90, 0x64}, "VBRI", 0, 1, 0, 44100, 2, 0, 104, 1045, 417, 4608, 1000, 400000},
    {"l1 xing", {0xFF, 0xFF, 0xC0, 0x04}, "Xing", 3, 1, 0, 44100, 2, 0, 32, 488, 416, 1536, 1000, 400000},
};

TEST(DmpaStream, FrameInfo) {
  for (const auto& c : kInfos) {
    SCOPED_TRACE(c.name);
    auto ctx = NewDecoder();
    const auto bytes = FirstFrame(c.header, c.tag, c.flags, 1000, 400000);
    _DMPAFRAMEINFO info;
    ASSERT_EQ(DmpaGetFrameInfo(&info, ctx.get(), bytes.data(), bytes.size(), 0), c.result);
    if (!c.result) {
      EXPECT_EQ(ctx->error, c.error);
      continue;
    }
    EXPECT_EQ(info.sampleRate, c.sampleRate);
    EXPECT_EQ(info.channels, c.channels);
    EXPECT_EQ(info.bitsPerSample, 16);
    EXPECT_EQ(info.bitrate, c.bitrate);
    EXPECT_EQ(info.shortestFrame, c.shortest);
    EXPECT_EQ(info.longestFrame, c.longest);
    EXPECT_EQ(info.frameBytes, c.frameBytes);
    EXPECT_EQ(info.pcmBytes, c.pcmBytes);
    EXPECT_EQ(info.frameCount, c.frameCount);
    EXPECT_EQ(info.byteCount, c.byteCount);
    EXPECT_EQ(ctx->codedRate, 0) << "first = 0 must not set the stream parameters";
  }
}

TEST(DmpaStream, FrameInfoFollowsOutputOptions) {
  const uint8_t header[4] = {0xFF, 0xFB, 0x90, 0x64};
  const auto bytes = FirstFrame(header);
  struct {
    int shift;
    uint32_t flags;
    int rate, channels, bits, pcm;
  } cases[] = {{0, 0, 44100, 2, 16, 4608}, {1, 0, 22050, 2, 16, 2304}, {2, DMPA_OUT_8BIT, 11025, 2, 8, 576},
               {0, DMPA_OUT_MIX, 44100, 1, 16, 2304}, {0, DMPA_OUT_SECOND | DMPA_OUT_8BIT, 44100, 1, 8, 1152}};
  for (const auto& c : cases) {
    auto ctx = NewDecoder();
    ctx->rateShift = c.shift;
    ctx->outputFlags = c.flags;
    _DMPAFRAMEINFO info;
    ASSERT_EQ(DmpaGetFrameInfo(&info, ctx.get(), bytes.data(), bytes.size(), 1), 1);
    EXPECT_EQ(info.sampleRate, c.rate);
    EXPECT_EQ(info.channels, c.channels);
    EXPECT_EQ(info.bitsPerSample, c.bits);
    EXPECT_EQ(info.pcmBytes, c.pcm);
    EXPECT_EQ(ctx->codedRate, 44100);
    EXPECT_EQ(ctx->pcmBytes, c.pcm);
  }
}

TEST(DmpaStream, SubbandCount) {
  struct {
    int rate, cutoff, shift, expected;
  } cases[] = {{44100, 44100, 0, 31}, {44100, 24000, 0, 31}, {44100, 11025, 0, 16}, {44100, 44100, 1, 15},
               {44100, 44100, 2, 8},  {22050, 5000, 0, 15},  {8000, 8000, 0, 31},   {48000, 0, 0, 0}};
  for (const auto& c : cases) {
    auto ctx = NewDecoder();
    ctx->codedRate = c.rate;
    ctx->cutoff = c.cutoff;
    ctx->rateShift = c.shift;
    EXPECT_EQ(DmpaSubbandCount(ctx.get()), c.expected) << c.rate << " " << c.cutoff << " " << c.shift;
  }
}

TEST(DmpaStream, FrameLength) {
  struct {
    uint8_t header[4];
    int rate, expected;
  } cases[] = {{{0xFF, 0xFB, 0x90, 0x64}, 44100, 417}, {{0xFF, 0xFB, 0x92, 0x64}, 44100, 418},
               {{0xFF, 0xF3, 0x84, 0x44}, 24000, 192}, {{0xFF, 0xFF, 0xC2, 0x04}, 44100, 420},
               {{0xFF, 0xFD, 0xA2, 0x04}, 44100, 627}, {{0xFF, 0xE3, 0x1A, 0xC4}, 8000, 73}};
  for (const auto& c : cases) {
    auto ctx = NewDecoder();
    _DMPAHEADER h{};
    ASSERT_EQ(DmpaParseHeader(&h, c.header, ctx.get()), 1);
    EXPECT_EQ(DmpaFrameLength(h, c.rate), c.expected);
  }
}

TEST(DmpaScan, Id3v2Length) {
  const uint8_t tag[] = {'I', 'D', '3', 4, 0, 0, 0, 0, 0x02, 0x01};
  EXPECT_EQ(DmpaId3v2Length(tag, sizeof tag), 10u + 257u);
  const uint8_t footer[] = {'I', 'D', '3', 4, 0, 0x10, 0, 0, 0, 5};
  EXPECT_EQ(DmpaId3v2Length(footer, sizeof footer), 25u);
  const uint8_t notSafe[] = {'I', 'D', '3', 3, 0, 0, 0x80, 0, 0, 0};
  EXPECT_EQ(DmpaId3v2Length(notSafe, sizeof notSafe), 0u);
  const uint8_t frame[] = {0xFF, 0xFB, 0x90, 0x64, 0, 0, 0, 0, 0, 0};
  EXPECT_EQ(DmpaId3v2Length(frame, sizeof frame), 0u);
  EXPECT_EQ(DmpaId3v2Length(tag, 9), 0u);
}

TEST(DmpaScan, FindSync) {
  std::vector<uint8_t> block(1024, 0);
  EXPECT_EQ(DmpaFindSync(block.data(), block.size()), -1);
  block[1021] = 0xFF;  // in the last three positions: not examined
  block[1022] = 0xFB;
  EXPECT_EQ(DmpaFindSync(block.data(), block.size()), -1);
  block[500] = 0xFF;
  block[501] = 0xD0;  // not a sync
  block[700] = 0xFF;
  block[701] = 0xE3;
  EXPECT_EQ(DmpaFindSync(block.data(), block.size()), 700);
  block[1020] = 0xFF;
  block[1021] = 0xF3;
  block[700] = 0;
  EXPECT_EQ(DmpaFindSync(block.data(), block.size()), 1020);
}

}  // namespace

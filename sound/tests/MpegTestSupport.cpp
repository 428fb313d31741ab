#include "MpegTestSupport.h"

#include "testsupport/FileBytes.h"

#include <gtest/gtest.h>
#include <mpg123.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>

namespace mpegtest {

Pcm MakeSignal(int rate, int channels, double seconds) {
  Pcm pcm;
  pcm.rate = rate;
  pcm.channels = channels;
  const size_t n = static_cast<size_t>(rate * seconds);
  pcm.samples.resize(n * channels);
  uint32_t seed = 12345;
  auto noise = [&seed]() {
    seed = seed * 1664525u + 1013904223u;
    return static_cast<double>(static_cast<int32_t>(seed)) / 2147483648.0;
  };
  const double pi = 3.14159265358979323846;
  for (size_t i = 0; i < n; ++i) {
    const double t = static_cast<double>(i) / rate;
    const double vib = std::sin(2 * pi * 5 * t);
    const double burst = std::fmod(t, 0.5) < 0.04 ? noise() * 0.5 : 0.0;
    const double click = (i % static_cast<size_t>(rate / 3)) < 3 ? 0.6 : 0.0;
    for (int c = 0; c < channels; ++c) {
      const double f = c == 0 ? 440.0 : 554.37;
      double v = 0.25 * std::sin(2 * pi * f * t + 0.8 * vib) + 0.12 * std::sin(2 * pi * (f * 2.5) * t) +
                 0.05 * std::sin(2 * pi * 3100 * t * (1 + 0.1 * c)) + burst + (c == 0 ? click : -click) +
                 0.02 * noise();
      v = std::max(-1.0, std::min(1.0, v));
      pcm.samples[i * channels + c] = static_cast<int16_t>(v * 30000);
    }
  }
  return pcm;
}

void WriteWav(const std::string& path, const Pcm& pcm) {
  std::ofstream f(path, std::ios::binary);
  auto u32 = [&f](uint32_t v) { for (int i = 0; i < 4; ++i) f.put(static_cast<char>(v >> (8 * i))); };
  auto u16 = [&f](uint16_t v) { f.put(static_cast<char>(v)); f.put(static_cast<char>(v >> 8)); };
  const uint32_t data = static_cast<uint32_t>(pcm.samples.size() * 2);
  f.write("RIFF", 4);
  u32(36 + data);
  f.write("WAVEfmt ", 8);
  u32(16);
  u16(1);
  u16(static_cast<uint16_t>(pcm.channels));
  u32(static_cast<uint32_t>(pcm.rate));
  u32(static_cast<uint32_t>(pcm.rate * pcm.channels * 2));
  u16(static_cast<uint16_t>(pcm.channels * 2));
  u16(16);
  f.write("data", 4);
  u32(data);
  for (int16_t s : pcm.samples) u16(static_cast<uint16_t>(s));
}

std::vector<uint8_t> ReadFile(const std::string& path) { return readFileBytes(path); }

std::string OutputPath(const std::string& name) {
  const std::string dir = std::string(TEST_BINARY_DIR) + "/mpeg_fixtures";
  mkdir(dir.c_str(), 0755);
  return dir + "/" + name;
}

std::string WriteFixture(const std::string& name, const std::vector<uint8_t>& data) {
  // Cases run as parallel processes that write the same fixture: each writes its own file and
  // renames it into place, so that no reader ever opens a file another process is truncating.
  const std::string path = OutputPath(name);
  const std::string unique = path + "." + std::to_string(getpid());
  {
    std::ofstream f(unique, std::ios::binary);
    f.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
    EXPECT_TRUE(f.good()) << unique;
  }
  EXPECT_EQ(std::rename(unique.c_str(), path.c_str()), 0) << path;
  return path;
}

bool Run(const std::string& command) {
  const int rc = std::system(command.c_str());
  EXPECT_EQ(rc, 0) << command;
  return rc == 0;
}

std::string Encode(const std::string& encoder, const std::string& options, const Pcm& pcm,
                   const std::string& name) {
  // CTest runs the cases of one program as parallel processes that may share a fixture: each
  // encodes under its own names and renames the result into place, so a reader never sees a
  // file half written.
  const std::string unique = "." + std::to_string(getpid());
  const std::string wav = OutputPath(name + unique + ".wav");
  const std::string out = OutputPath(name);
  WriteWav(wav, pcm);
  Run(encoder + " --quiet " + options + " '" + wav + "' '" + out + unique + "' > /dev/null 2>&1");
  std::rename((out + unique).c_str(), out.c_str());
  std::remove(wav.c_str());
  return out;
}

Pcm ReferenceDecode(const std::string& path) {
  Pcm pcm;
  int err = MPG123_OK;
  mpg123_handle* mh = mpg123_new(nullptr, &err);
  if (!mh) {
    ADD_FAILURE() << "mpg123_new failed";
    return pcm;
  }
  mpg123_param(mh, MPG123_FLAGS, MPG123_QUIET | MPG123_IGNORE_INFOFRAME, 0.0);
  mpg123_format_none(mh);
  for (long rate : {8000L, 11025L, 12000L, 16000L, 22050L, 24000L, 32000L, 44100L, 48000L})
    mpg123_format(mh, rate, MPG123_MONO | MPG123_STEREO, MPG123_ENC_SIGNED_16);
  if (mpg123_open(mh, path.c_str()) != MPG123_OK) {
    ADD_FAILURE() << "mpg123_open failed for " << path;
    mpg123_delete(mh);
    return pcm;
  }
  long rate = 0;
  int channels = 0, encoding = 0;
  unsigned char buf[16384];
  for (;;) {
    size_t done = 0;
    const int rc = mpg123_read(mh, buf, sizeof buf, &done);
    if (rc == MPG123_NEW_FORMAT) {
      mpg123_getformat(mh, &rate, &channels, &encoding);
      continue;
    }
    for (size_t i = 0; i + 1 < done; i += 2)
      pcm.samples.push_back(static_cast<int16_t>(buf[i] | (buf[i + 1] << 8)));
    if (rc != MPG123_OK) break;
  }
  pcm.rate = static_cast<int>(rate);
  pcm.channels = channels;
  mpg123_close(mh);
  mpg123_delete(mh);
  return pcm;
}

std::unique_ptr<_DMPADECODER> NewDecoder() {
  auto ctx = std::make_unique<_DMPADECODER>();
  DmpaInit(ctx.get());
  return ctx;
}

Pcm DecodeAll(const std::vector<uint8_t>& data, size_t offset, int* frames) {
  Pcm pcm;
  int count = 0;
  auto ctx = NewDecoder();
  _DMPAFRAMEINFO info;
  if (offset >= data.size() || !DmpaGetFrameInfo(&info, ctx.get(), data.data() + offset, data.size() - offset, 0)) {
    if (frames) *frames = 0;
    return pcm;
  }
  ctx->cutoff = info.sampleRate;
  pcm.rate = info.sampleRate;
  pcm.channels = info.channels;
  if (DmpaStartStream(ctx.get(), data.data() + offset, data.size() - offset)) {
    std::vector<uint8_t> out(static_cast<size_t>(ctx->pcmBytes));
    while (offset < data.size()) {
      _DMPAFRAME frame{};
      frame.data = data.data() + offset;
      frame.size = data.size() - offset;
      frame.out = out.data();
      if (!DmpaDecodeFrame(ctx.get(), &frame)) break;
      offset += frame.size;
      ++count;
      for (size_t i = 0; i + 1 < out.size(); i += 2)
        pcm.samples.push_back(static_cast<int16_t>(out[i] | (out[i + 1] << 8)));
    }
  }
  if (frames) *frames = count;
  return pcm;
}

Difference Compare(const std::vector<int16_t>& a, const std::vector<int16_t>& b) {
  Difference d;
  d.compared = std::min(a.size(), b.size());
  double sum = 0;
  for (size_t i = 0; i < d.compared; ++i) {
    const int diff = std::abs(a[i] - b[i]);
    d.maxAbs = std::max(d.maxAbs, diff);
    sum += static_cast<double>(diff) * diff;
  }
  d.rms = d.compared ? std::sqrt(sum / static_cast<double>(d.compared)) : 0;
  return d;
}

void BitWriter::Put(uint32_t value, int bits) {
  for (int i = bits - 1; i >= 0; --i) {
    if (used_ == 8) {
      bytes_.push_back(0);
      used_ = 0;
    }
    if ((value >> i) & 1) bytes_.back() |= static_cast<uint8_t>(0x80 >> used_);
    ++used_;
  }
}

void BitWriter::PadTo(size_t bytes) {
  if (bytes_.size() < bytes) bytes_.resize(bytes, 0);
  used_ = 8;
}

}  // namespace mpegtest

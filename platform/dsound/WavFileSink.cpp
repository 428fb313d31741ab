#include "platform/dsound/WavFileSink.h"

#include <array>
#include <cstdint>
#include <cstdio>

namespace dsound {

namespace {

// The header before the samples: "RIFF", "WAVE", a 16-byte "fmt " chunk and the "data" header.
constexpr uint32_t kHeaderBytes = 44;
// The RIFF size field counts everything after its own eight bytes in 32 bits.
constexpr uint64_t kMaxDataBytes = 0xFFFFFFFFull - (kHeaderBytes - 8) - 1;

void put16(uint8_t* p, uint32_t v) {
  p[0] = uint8_t(v);
  p[1] = uint8_t(v >> 8);
}

void put32(uint8_t* p, uint32_t v) {
  put16(p, v & 0xFFFF);
  put16(p + 2, v >> 16);
}

std::string partPath(const std::string& path) { return path + ".part"; }

}  // namespace

std::unique_ptr<WavFileSink> WavFileSink::open(const std::string& path) {
  std::FILE* file = std::fopen(partPath(path).c_str(), "wb");
  if (!file) {
    std::fprintf(stderr, "[dsound] cannot write the mix to \"%s\"\n", path.c_str());
    return nullptr;
  }
  return std::unique_ptr<WavFileSink>(new WavFileSink(file, path));
}

WavFileSink::WavFileSink(std::FILE* file, std::string path) : file_(file), path_(std::move(path)) {
  // Room for the header, written with the real sizes when the file is complete.
  const std::array<uint8_t, kHeaderBytes> blank{};
  if (std::fwrite(blank.data(), 1, blank.size(), file_) != blank.size()) {
    stopWriting("cannot write");
  }
}

WavFileSink::~WavFileSink() { close(); }

void WavFileSink::stopWriting(const char* why) {
  if (!stopped_) {
    std::fprintf(stderr, "[dsound] the mix file \"%s\" ends here: %s\n", path_.c_str(), why);
  }
  stopped_ = true;
}

void WavFileSink::write(std::span<const int16_t> samples, uint16_t channels, uint32_t rate) {
  if (stopped_ || !file_ || samples.empty()) return;
  if (channels_ == 0) {
    channels_ = channels;
    rate_ = rate;
  } else if (channels != channels_ || rate != rate_) {
    stopWriting("the primary format changed");
    return;
  }
  const uint64_t bytes = samples.size() * 2;
  if (dataBytes_ + bytes > kMaxDataBytes) {
    stopWriting("a WAVE file holds at most 4 GiB");
    return;
  }
  std::array<uint8_t, 4096> chunk;
  size_t at = 0;
  for (const int16_t s : samples) {
    put16(chunk.data() + at, uint16_t(s));
    at += 2;
    if (at == chunk.size()) {
      if (std::fwrite(chunk.data(), 1, at, file_) != at) return stopWriting("cannot write");
      at = 0;
    }
  }
  if (at != 0 && std::fwrite(chunk.data(), 1, at, file_) != at) return stopWriting("cannot write");
  dataBytes_ += bytes;
}

bool WavFileSink::writeHeader() {
  // A mix that never ran still leaves a valid, empty file in the usual primary format.
  const uint16_t channels = channels_ != 0 ? channels_ : 2;
  const uint32_t rate = rate_ != 0 ? rate_ : 22050;
  std::array<uint8_t, kHeaderBytes> h{};
  const auto tag = [&h](size_t at, const char* text) {
    for (size_t i = 0; i < 4; ++i) h[at + i] = uint8_t(text[i]);
  };
  tag(0, "RIFF");
  put32(&h[4], uint32_t(kHeaderBytes - 8 + dataBytes_));
  tag(8, "WAVE");
  tag(12, "fmt ");
  put32(&h[16], 16);
  put16(&h[20], 1);  // PCM
  put16(&h[22], channels);
  put32(&h[24], rate);
  put32(&h[28], rate * channels * 2u);
  put16(&h[32], channels * 2u);
  put16(&h[34], 16);
  tag(36, "data");
  put32(&h[40], uint32_t(dataBytes_));
  return std::fseek(file_, 0, SEEK_SET) == 0 && std::fwrite(h.data(), 1, h.size(), file_) == h.size();
}

void WavFileSink::close() {
  if (!file_) return;
  const bool written = writeHeader();
  const bool closed = std::fclose(file_) == 0;
  file_ = nullptr;
  if (!written || !closed || std::rename(partPath(path_).c_str(), path_.c_str()) != 0) {
    std::fprintf(stderr, "[dsound] cannot complete the mix file \"%s\"\n", path_.c_str());
  }
}

}  // namespace dsound

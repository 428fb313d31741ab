#include "AcmWaveFixture.h"

#include "testsupport/FileBytes.h"

#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace wavefixture {

namespace {

std::vector<uint8_t> readAll(const std::string& path) { return readFileBytes(path); }

uint32_t le32(const uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | uint32_t(p[3]) << 24; }

}  // namespace

// One folder per test process, removed when the process ends, so parallel test runs never share
// a file and nothing piles up in the build tree.
struct ScratchFolder {
  ScratchFolder()
      : path(std::filesystem::path(TEST_BINARY_DIR) /
             ("sound-scratch-" + std::to_string(getpid()))) {
    std::filesystem::create_directories(path);
  }
  ~ScratchFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
  }
  std::filesystem::path path;
};

std::string scratchPath(const std::string& name) {
  static const ScratchFolder folder;
  return (folder.path / name).string();
}

bool runSox(const std::string& arguments) {
  const std::string command = "sox -D -V1 " + arguments;
  return std::system(command.c_str()) == 0;
}

std::optional<WaveFile> readWaveFile(const std::string& path) {
  const std::vector<uint8_t> bytes = readAll(path);
  if (bytes.size() < 12 || std::memcmp(bytes.data(), "RIFF", 4) != 0 ||
      std::memcmp(bytes.data() + 8, "WAVE", 4) != 0) {
    return std::nullopt;
  }
  WaveFile wave;
  bool haveFormat = false, haveData = false;
  for (size_t at = 12; at + 8 <= bytes.size();) {
    const uint32_t size = le32(bytes.data() + at + 4);
    const size_t begin = at + 8;
    const size_t end = begin + std::min<size_t>(size, bytes.size() - begin);
    if (std::memcmp(bytes.data() + at, "fmt ", 4) == 0) {
      wave.format.assign(bytes.begin() + begin, bytes.begin() + end);
      haveFormat = true;
    } else if (std::memcmp(bytes.data() + at, "data", 4) == 0) {
      wave.data.assign(bytes.begin() + begin, bytes.begin() + end);
      haveData = true;
    }
    at = begin + size + (size & 1);
  }
  if (!haveFormat || !haveData) return std::nullopt;
  return wave;
}

bool writeWaveFile(const std::string& path, const WaveFile& wave) {
  auto le32bytes = [](uint32_t v) {
    return std::string{char(v & 0xFF), char(v >> 8 & 0xFF), char(v >> 16 & 0xFF), char(v >> 24)};
  };
  const auto chunk = [&](const char* id, const std::vector<uint8_t>& body) {
    std::string c = std::string(id, 4) + le32bytes(uint32_t(body.size()));
    c.append(body.begin(), body.end());
    if (body.size() & 1) c.push_back('\0');
    return c;
  };
  const std::string body = "WAVE" + chunk("fmt ", wave.format) + chunk("data", wave.data);
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << "RIFF" << le32bytes(uint32_t(body.size())) << body;
  return bool(out.flush());
}

acm::ACMSTREAMHEADER headerOver(std::vector<uint8_t>& source, std::vector<uint8_t>& destination) {
  acm::ACMSTREAMHEADER header{};
  header.cbStruct = sizeof header;
  header.pbSrc = source.data();
  header.cbSrcLength = uint32_t(source.size());
  header.pbDst = destination.data();
  header.cbDstLength = uint32_t(destination.size());
  return header;
}

std::vector<int16_t> samplesOf(const std::vector<uint8_t>& data) {
  std::vector<int16_t> samples(data.size() / 2);
  for (size_t i = 0; i < samples.size(); ++i) {
    samples[i] = int16_t(data[2 * i] | data[2 * i + 1] << 8);
  }
  return samples;
}

std::vector<int16_t> readRawSamples(const std::string& path) { return samplesOf(readAll(path)); }

}  // namespace wavefixture

#include "SoundFixtures.h"

#include "foundation/dbtl/DDebug.h"

#include "MpegTestSupport.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>

namespace soundtest {

namespace {

void Append(std::vector<uint8_t>& to, const std::vector<uint8_t>& bytes) {
  to.insert(to.end(), bytes.begin(), bytes.end());
}

}  // namespace

std::string SoxFile(const std::string& name, int rate, int channels, double seconds,
                    const std::string& options) {
  const std::string out = mpegtest::OutputPath(name);
  if (access(out.c_str(), R_OK) == 0) return out;
  // Parallel test processes may make the same fixture: each writes its own file and renames it
  // into place.
  const std::string unique = std::to_string(getpid()) + ".";
  const std::string source = mpegtest::OutputPath(unique + "source.wav");
  mpegtest::WriteWav(source, mpegtest::MakeSignal(rate, channels, seconds));
  const std::string extension = name.substr(name.rfind('.'));
  const std::string temp = mpegtest::OutputPath(unique + name);
  // No dither: sox dithers randomly into the narrower codecs (IMA ADPCM, A-law), and a fixture
  // that another test process remakes meanwhile must come out byte for byte the same.
  mpegtest::Run("sox -D '" + source + "' " + options + " '" + temp + "' 2>/dev/null");
  std::rename(temp.c_str(), out.c_str());
  std::remove(source.c_str());
  return out;
}

std::vector<uint8_t> SoxDecode(const std::string& path) {
  const std::string raw = mpegtest::OutputPath(std::to_string(getpid()) + ".decoded.raw");
  mpegtest::Run("sox -D '" + path + "' -t raw -e signed -b 16 -L '" + raw + "' 2>/dev/null");
  std::vector<uint8_t> bytes = mpegtest::ReadFile(raw);
  std::remove(raw.c_str());
  return bytes;
}

std::vector<uint8_t> U32(uint32_t v) {
  return {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)};
}

std::vector<uint8_t> U16(uint16_t v) { return {uint8_t(v), uint8_t(v >> 8)}; }

std::vector<uint8_t> Concat(const std::vector<std::vector<uint8_t>>& parts) {
  std::vector<uint8_t> all;
  for (const auto& part : parts) Append(all, part);
  return all;
}

std::vector<uint8_t> Chunk(const char* id, const std::vector<uint8_t>& data) {
  std::vector<uint8_t> chunk(id, id + 4);
  Append(chunk, U32(static_cast<uint32_t>(data.size())));
  Append(chunk, data);
  if (data.size() & 1) chunk.push_back(0);
  return chunk;
}

std::vector<uint8_t> List(const char* type, const std::vector<std::vector<uint8_t>>& children) {
  std::vector<uint8_t> data(type, type + 4);
  Append(data, Concat(children));
  return Chunk("LIST", data);
}

std::vector<uint8_t> Riff(const char* form, const std::vector<std::vector<uint8_t>>& children) {
  std::vector<uint8_t> data(form, form + 4);
  Append(data, Concat(children));
  return Chunk("RIFF", data);
}

std::vector<uint8_t> FormatRecord(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t bits,
                                  uint16_t blockAlign) {
  return Concat({U16(tag), U16(channels), U32(rate), U32(rate * blockAlign), U16(blockAlign),
                 U16(bits)});
}

std::vector<RiffChunk> TopChunks(const std::vector<uint8_t>& file) {
  std::vector<RiffChunk> chunks;
  size_t at = 12;
  while (at + 8 <= file.size()) {
    const uint32_t size = file[at + 4] | file[at + 5] << 8 | file[at + 6] << 16 |
                          uint32_t(file[at + 7]) << 24;
    const size_t end = std::min(file.size(), at + 8 + size);
    chunks.push_back({std::string(file.begin() + at, file.begin() + at + 4),
                      std::vector<uint8_t>(file.begin() + at + 8, file.begin() + end)});
    at += 8 + size + (size & 1);
  }
  return chunks;
}

DebugLog::DebugLog() : path_(mpegtest::OutputPath(std::to_string(getpid()) + ".debug.log")) {
  std::remove(path_.c_str());
  EXPECT_TRUE(dbtl::DDebug::Global().GetFile().Open(
      path_.c_str(), dbtl::DFILE_WRITE | dbtl::DFILE_CREATE | dbtl::DFILE_NEW));
  dbtl::DDebug::Global().SetFileOpen(true);
}

DebugLog::~DebugLog() {
  dbtl::DDebug::Global().SetFileOpen(false);
  dbtl::DDebug::Global().GetFile().Close();
  std::remove(path_.c_str());
}

std::string DebugLog::Text() const {
  const std::vector<uint8_t> bytes = mpegtest::ReadFile(path_);
  return std::string(bytes.begin(), bytes.end());
}

std::vector<uint8_t> ReadAll(dbtl::DWave& wave, uint32_t piece) {
  std::vector<uint8_t> all;
  EXPECT_TRUE(wave.BeginDecode());
  std::vector<uint8_t> buffer(piece);
  for (;;) {
    const int32_t n = wave.Read(buffer.data(), piece);
    EXPECT_GE(n, 0);
    if (n <= 0) break;
    all.insert(all.end(), buffer.begin(), buffer.begin() + n);
  }
  EXPECT_TRUE(wave.EndDecode());
  return all;
}

bool OpenWave(dbtl::DWave& wave, const std::string& path) {
  dbtl::DFile file;
  if (!file.Open(path.c_str(), dbtl::DFILE_READ)) return false;
  return wave.Open(file);  // the reader keeps its own window; the caller's file may go
}

}  // namespace soundtest

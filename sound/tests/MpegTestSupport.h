#pragma once

#include "sound/mpeg/Dmpa.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// Helpers shared by the decoder's tests: test signals, WAV files, the Debian encoders (lame,
// twolame) run into the test's binary folder, the reference decoder (libmpg123) and a plain
// decode loop over the project's decoder.
namespace mpegtest {

struct Pcm {
  int rate = 0;
  int channels = 0;
  std::vector<int16_t> samples;  // interleaved
};

// A deterministic test signal: tones with vibrato, noise bursts and clicks (which make the
// encoders switch to short blocks), different in the two channels.
Pcm MakeSignal(int rate, int channels, double seconds);
void WriteWav(const std::string& path, const Pcm& pcm);
std::vector<uint8_t> ReadFile(const std::string& path);
// Writes `data` to `name` in the test's binary folder; returns the path.
std::string WriteFixture(const std::string& name, const std::vector<uint8_t>& data);
std::string OutputPath(const std::string& name);

// Runs a command line; the test fails when it does not exit with 0.
bool Run(const std::string& command);
// Encodes `pcm` with `encoder` ("lame" or "twolame") and its options into `name` in the test's
// binary folder, once per name and options; returns the path.
std::string Encode(const std::string& encoder, const std::string& options, const Pcm& pcm,
                   const std::string& name);

// The reference: libmpg123 with the info frame decoded as a normal frame and no gapless trim,
// so that its output lines up frame by frame with the project's decoder.
Pcm ReferenceDecode(const std::string& path);

std::unique_ptr<_DMPADECODER> NewDecoder();
// Decodes a whole elementary stream from `offset` at full rate to 16-bit PCM; stops at the
// first frame that fails. `frames` receives the number of frames decoded.
Pcm DecodeAll(const std::vector<uint8_t>& data, size_t offset = 0, int* frames = nullptr);

struct Difference {
  int maxAbs = 0;
  double rms = 0;
  size_t compared = 0;
};
Difference Compare(const std::vector<int16_t>& a, const std::vector<int16_t>& b);

// A bit writer for frames built by the tests.
class BitWriter {
 public:
  void Put(uint32_t value, int bits);
  void PadTo(size_t bytes);
  std::vector<uint8_t>& bytes() { return bytes_; }

 private:
  std::vector<uint8_t> bytes_;
  int used_ = 8;
};

}  // namespace mpegtest

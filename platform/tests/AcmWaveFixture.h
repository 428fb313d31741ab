#pragma once

#include "platform/acm/Acm.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// Test fixtures made at test time: WAVE files written by sox, their chunks read back, and sox's
// own decoding as the reference.
namespace wavefixture {

struct WaveFile {
  std::vector<uint8_t> format;  // the "fmt " chunk as stored
  std::vector<uint8_t> data;    // the "data" chunk
};

// A path in a folder of this test program's own, created on first use.
std::string scratchPath(const std::string& name);

// Runs sox with the arguments (a shell word list); true when it succeeded.
bool runSox(const std::string& arguments);

std::optional<WaveFile> readWaveFile(const std::string& path);

// Writes a RIFF WAVE file of the two chunks; true when it was written whole.
bool writeWaveFile(const std::string& path, const WaveFile& wave);

// Interleaved signed 16-bit little-endian samples of a raw file.
std::vector<int16_t> readRawSamples(const std::string& path);

// A stream header over the two buffers, not yet prepared.
acm::ACMSTREAMHEADER headerOver(std::vector<uint8_t>& source, std::vector<uint8_t>& destination);

// The samples of a 16-bit PCM "data" chunk.
std::vector<int16_t> samplesOf(const std::vector<uint8_t>& data);

}  // namespace wavefixture

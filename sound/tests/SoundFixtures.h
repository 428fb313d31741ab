#pragma once

#include "sound/DWave.h"

#include <cstdint>
#include <string>
#include <vector>

// Fixtures of the sound-layer tests: sound files made at test time with sox from a test signal,
// RIFF files built chunk by chunk, the base library's debug log captured to a file, and a
// reader drained the way its users drain it.
namespace soundtest {

// A 16-bit PCM WAVE file of the test signal, converted by sox with `options` (for example
// "-e ima-adpcm" or "-b 8", or an ".ogg" name for Ogg Vorbis). Made once per name.
std::string SoxFile(const std::string& name, int rate, int channels, double seconds,
                    const std::string& options = "");
// sox's own decoding of a file to 16-bit PCM samples (little-endian bytes).
std::vector<uint8_t> SoxDecode(const std::string& path);

// RIFF chunks: identifier, 32-bit little-endian size, data, a pad byte after odd data.
std::vector<uint8_t> Chunk(const char* id, const std::vector<uint8_t>& data);
std::vector<uint8_t> List(const char* type, const std::vector<std::vector<uint8_t>>& children);
std::vector<uint8_t> Riff(const char* form, const std::vector<std::vector<uint8_t>>& children);
std::vector<uint8_t> Concat(const std::vector<std::vector<uint8_t>>& parts);
std::vector<uint8_t> U32(uint32_t v);
std::vector<uint8_t> U16(uint16_t v);
std::vector<uint8_t> FormatRecord(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t bits,
                                  uint16_t blockAlign);

// The chunks of a RIFF file at the top level, as (identifier, data) pairs.
struct RiffChunk {
  std::string id;
  std::vector<uint8_t> data;
};
std::vector<RiffChunk> TopChunks(const std::vector<uint8_t>& file);

// Captures the base library's debug log into a file while alive.
class DebugLog {
 public:
  DebugLog();
  ~DebugLog();
  std::string Text() const;

 private:
  std::string path_;
};

// Open, BeginDecode, Read in pieces of `piece` bytes until 0, EndDecode.
std::vector<uint8_t> ReadAll(dbtl::DWave& wave, uint32_t piece = 5000);
bool OpenWave(dbtl::DWave& wave, const std::string& path);

}  // namespace soundtest

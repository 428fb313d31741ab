#pragma once

#include "platform/dsound/MixSink.h"

#include <cstdio>
#include <memory>
#include <string>

namespace dsound {

// Writes the mix as a 16-bit PCM WAVE file. The file is written under "<path>.part" and renamed
// to its name when the device is released, so a file of that name is always complete. The
// format is the mix's at the first write; should the primary format change later, the file ends
// there (a WAVE file has one format).
class WavFileSink final : public MixSink {
 public:
  static std::unique_ptr<WavFileSink> open(const std::string& path);
  ~WavFileSink() override;

  void write(std::span<const int16_t> samples, uint16_t channels, uint32_t rate) override;
  void close() override;

 private:
  WavFileSink(std::FILE* file, std::string path);
  void stopWriting(const char* why);
  bool writeHeader();

  std::FILE* file_;
  std::string path_;
  uint16_t channels_ = 0;
  uint32_t rate_ = 0;
  uint64_t dataBytes_ = 0;
  bool stopped_ = false;
};

}  // namespace dsound

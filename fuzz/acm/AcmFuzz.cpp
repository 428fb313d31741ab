// Compressed sound data through the compression manager: a format block of any content (as a
// damaged file would give it) and data bytes, converted the way the sound reader converts them.
#include "platform/acm/Acm.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace acm;
  // First byte: the format block's length beyond the 18-byte record; the block's cbSize is made
  // to agree, since a caller holds the bytes its cbSize names.
  if (size < 1 + sizeof(WAVEFORMATEX)) return 0;
  const size_t extra = std::min<size_t>(data[0], size - 1 - sizeof(WAVEFORMATEX));
  std::vector<uint8_t> format(data + 1, data + 1 + sizeof(WAVEFORMATEX) + extra);
  const uint16_t cbSize = uint16_t(extra);
  std::memcpy(format.data() + offsetof(WAVEFORMATEX, cbSize), &cbSize, 2);
  const uint8_t* body = data + 1 + format.size();
  const size_t bodySize = size - 1 - format.size();

  const auto* source = reinterpret_cast<const WAVEFORMATEX*>(format.data());
  WAVEFORMATEX pcm{};
  pcm.wFormatTag = WAVE_FORMAT_PCM;
  if (acmFormatSuggest(nullptr, source, &pcm, sizeof pcm, ACM_FORMATSUGGESTF_WFORMATTAG) !=
      MMSYSERR_NOERROR) {
    return 0;
  }
  HACMSTREAM stream = nullptr;
  if (acmStreamOpen(&stream, nullptr, source, &pcm, nullptr, 0, 0, 0) != MMSYSERR_NOERROR) {
    return 0;
  }
  uint32_t total = 0;
  acmStreamSize(stream, uint32_t(bodySize), &total, ACM_STREAMSIZEF_SOURCE);
  acmStreamSize(stream, uint32_t(bodySize), &total, ACM_STREAMSIZEF_DESTINATION);
  // Small buffers: the sizes of a damaged format must not push a conversion past them.
  std::vector<uint8_t> in(std::max<size_t>(1, std::min<size_t>(bodySize, 4096)));
  std::vector<uint8_t> out(8192);
  ACMSTREAMHEADER header{};
  header.cbStruct = sizeof header;
  header.pbSrc = in.data();
  header.cbSrcLength = uint32_t(in.size());
  header.pbDst = out.data();
  header.cbDstLength = uint32_t(out.size());
  if (acmStreamPrepareHeader(stream, &header, 0) == MMSYSERR_NOERROR) {
    std::memcpy(in.data(), body, std::min(bodySize, in.size()));
    acmStreamConvert(stream, &header, 0);
    if (header.cbSrcLengthUsed > header.cbSrcLength || header.cbDstLengthUsed > header.cbDstLength) {
      __builtin_trap();
    }
    acmStreamUnprepareHeader(stream, &header, 0);
  }
  acmStreamClose(stream, 0);
  return 0;
}

// mp3wav: decodes an MPEG audio file (layer I, II or III) to a 16-bit PCM WAV file with the
// project's decoder, as the runtime would play it (full rate, channels as coded).
//
//   mp3wav INPUT OUTPUT.wav
//
// A leading ID3v2 tag and a trailing ID3v1 block are skipped. A frame that does not decode
// (damage, or a frame of another stream) is stepped over byte by byte to the next frame sync.
// Refused with exit code 1 and one line on standard error, writing nothing: an input that is
// missing, a directory or unreadable, one in which no frame decodes (empty, not MPEG audio), and
// one that ends inside a frame (a cut file).

#include "foundation/bytes/ByteWriter.h"
#include "sound/mpeg/Dmpa.h"
#include "sound/mpeg/DmpaScan.h"

#include "../common/ReadInput.h"
#include "../common/ReplaceFile.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace {

// The 44-byte header of a 16-bit PCM WAV file with `size` bytes of samples.
ByteWriter WavHeader(uint32_t size, int rate, int channels) {
  ByteWriter wav;
  wav.text("RIFF").u32le(36 + size).text("WAVEfmt ").u32le(16).u16le(1);
  wav.u16le(static_cast<uint16_t>(channels)).u32le(static_cast<uint32_t>(rate));
  wav.u32le(static_cast<uint32_t>(rate * channels * 2));
  wav.u16le(static_cast<uint16_t>(channels * 2)).u16le(16).text("data").u32le(size);
  return wav;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: mp3wav INPUT OUTPUT.wav\n");
    return 2;
  }
  const char* input = argv[1];
  std::vector<uint8_t> data;
  if (!tools::readInputFile("mp3wav", input, data)) return 1;
  size_t end = data.size();
  if (end >= 128 && DmpaIsId3v1(data.data() + end - 128)) end -= 128;
  size_t pos = DmpaId3v2Length(data.data(), end);
  if (pos >= end) pos = 0;
  const long sync = DmpaFindSync(data.data() + pos, end - pos);
  if (sync < 0) {
    std::fprintf(stderr, "mp3wav: %s: no MPEG audio frame\n", input);
    return 1;
  }
  pos += static_cast<size_t>(sync);

  auto ctx = std::make_unique<_DMPADECODER>();
  DmpaInit(ctx.get());
  _DMPAFRAMEINFO info;
  // The stream start needs 156 bytes; a shorter file is padded with zeros for it.
  std::vector<uint8_t> first(data.begin() + static_cast<long>(pos), data.begin() + static_cast<long>(end));
  first.resize(std::max(first.size(), DMPA_FIRST_FRAME_BYTES), 0);
  if (!DmpaGetFrameInfo(&info, ctx.get(), first.data(), first.size(), 0)) {
    std::fprintf(stderr, "mp3wav: %s: unusable first frame at byte %zu (error %d)\n", input, pos,
                 ctx->error);
    return 1;
  }
  ctx->cutoff = info.sampleRate;
  if (!DmpaStartStream(ctx.get(), first.data(), first.size())) {
    std::fprintf(stderr, "mp3wav: %s: the stream cannot start (error %d)\n", input, ctx->error);
    return 1;
  }
  // The samples go to the output as they are decoded; the header's sizes are filled in at
  // the end, and nothing replaces the output unless the whole input decoded.
  tools::ReplacingFile wav("mp3wav", argv[2]);
  const ByteWriter placeholder = WavHeader(0, info.sampleRate, info.channels);
  wav.write(placeholder.bytes().data(), placeholder.size());
  std::vector<uint8_t> out(static_cast<size_t>(ctx->pcmBytes));
  uint64_t pcmBytes = 0;
  size_t frames = 0, skipped = 0;
  while (pos + 4 < end) {
    _DMPAFRAME frame{};
    frame.data = data.data() + pos;
    frame.size = end - pos;
    frame.out = out.data();
    if (DmpaDecodeFrame(ctx.get(), &frame)) {
      wav.write(out.data(), out.size());
      pcmBytes += out.size();
      pos += frame.size;
      ++frames;
      continue;
    }
    if (ctx->error == DMPA_ERR_TOOSHORT) {
      std::fprintf(stderr, "mp3wav: %s: cut inside the frame at byte %zu\n", input, pos);
      return 1;
    }
    ++pos;
    ++skipped;
  }
  if (frames == 0) {
    std::fprintf(stderr, "mp3wav: %s: no MPEG audio frame decodes\n", input);
    return 1;
  }
  if (pcmBytes > UINT32_MAX - 36) {
    std::fprintf(stderr, "mp3wav: %s: more samples than a WAV file holds\n", input);
    return 1;
  }
  const ByteWriter header = WavHeader(static_cast<uint32_t>(pcmBytes), info.sampleRate, info.channels);
  wav.writeAt(0, header.bytes().data(), header.size());
  if (!wav.commit()) return 1;
  std::printf("%zu frames, %d Hz, %d channel(s), %zu bytes skipped\n", frames, info.sampleRate, info.channels, skipped);
  return 0;
}

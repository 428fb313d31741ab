// mp3wav: decodes an MPEG audio file (layer I, II or III) to a 16-bit PCM WAV file with the
// project's decoder, as the runtime would play it (full rate, channels as coded).
//
//   mp3wav INPUT OUTPUT.wav
//
// A leading ID3v2 tag and a trailing ID3v1 block are skipped. A frame that does not decode
// (damage, or a frame of another stream) is stepped over byte by byte to the next frame sync.

#include "foundation/bytes/ByteWriter.h"
#include "sound/mpeg/Dmpa.h"
#include "sound/mpeg/DmpaScan.h"

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <vector>

namespace {

bool WriteWav(const char* path, const std::vector<uint8_t>& pcm, int rate, int channels) {
  const std::string tmp = std::string(path) + ".tmp";
  {
    std::ofstream f(tmp, std::ios::binary);
    const uint32_t size = static_cast<uint32_t>(pcm.size());
    ByteWriter header;
    header.text("RIFF").u32le(36 + size).text("WAVEfmt ").u32le(16).u16le(1);
    header.u16le(static_cast<uint16_t>(channels)).u32le(static_cast<uint32_t>(rate));
    header.u32le(static_cast<uint32_t>(rate * channels * 2));
    header.u16le(static_cast<uint16_t>(channels * 2)).u16le(16).text("data").u32le(size);
    f.write(reinterpret_cast<const char*>(header.bytes().data()),
            static_cast<std::streamsize>(header.size()));
    f.write(reinterpret_cast<const char*>(pcm.data()), static_cast<std::streamsize>(pcm.size()));
    if (!f) return false;
  }
  return std::rename(tmp.c_str(), path) == 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: mp3wav INPUT OUTPUT.wav\n");
    return 2;
  }
  std::ifstream in(argv[1], std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "mp3wav: cannot read %s\n", argv[1]);
    return 1;
  }
  const std::vector<uint8_t> data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  size_t end = data.size();
  if (end >= 128 && DmpaIsId3v1(data.data() + end - 128)) end -= 128;
  size_t pos = DmpaId3v2Length(data.data(), end);
  if (pos >= end) pos = 0;
  const long sync = DmpaFindSync(data.data() + pos, end - pos);
  if (sync < 0) {
    std::fprintf(stderr, "mp3wav: no MPEG audio frame in %s\n", argv[1]);
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
    std::fprintf(stderr, "mp3wav: unusable first frame (error %d)\n", ctx->error);
    return 1;
  }
  ctx->cutoff = info.sampleRate;
  if (!DmpaStartStream(ctx.get(), first.data(), first.size())) {
    std::fprintf(stderr, "mp3wav: the stream cannot start (error %d)\n", ctx->error);
    return 1;
  }
  std::vector<uint8_t> pcm, out(static_cast<size_t>(ctx->pcmBytes));
  size_t frames = 0, skipped = 0;
  while (pos + 4 < end) {
    _DMPAFRAME frame{};
    frame.data = data.data() + pos;
    frame.size = end - pos;
    frame.out = out.data();
    if (DmpaDecodeFrame(ctx.get(), &frame)) {
      pcm.insert(pcm.end(), out.begin(), out.end());
      pos += frame.size;
      ++frames;
      continue;
    }
    if (ctx->error == DMPA_ERR_TOOSHORT) break;  // a cut last frame
    ++pos;
    ++skipped;
  }
  if (!WriteWav(argv[2], pcm, info.sampleRate, info.channels)) {
    std::fprintf(stderr, "mp3wav: cannot write %s\n", argv[2]);
    return 1;
  }
  std::printf("%zu frames, %d Hz, %d channel(s), %zu bytes skipped\n", frames, info.sampleRate, info.channels, skipped);
  return 0;
}

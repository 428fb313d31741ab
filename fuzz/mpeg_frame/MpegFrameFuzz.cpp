// Fuzz target for the MPEG audio frame decoder: the input starts a stream with its first bytes
// (options taken from the first byte), then every frame of it is decoded, with a byte stepped
// over after a failure. Random and mutated frames of all three versions and layers reach the
// layer decoders, the layer III reservoir and the synthesis variants; every read must stay
// inside the bytes given and every written sample inside the output buffer.

#include "sound/mpeg/Dmpa.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  const uint8_t options = data[0];
  ++data;
  --size;
  auto ctx = std::make_unique<_DMPADECODER>();
  DmpaInit(ctx.get());
  ctx->rateShift = options % 3;
  ctx->outputFlags = (options >> 2) & (DMPA_OUT_CHANNEL_MASK | DMPA_OUT_8BIT);
  ctx->cutoff = (options & 0x80) ? 48000 : 8000 + 1000 * (options & 31);
  std::vector<uint8_t> first(data, data + size);
  first.resize(std::max(first.size(), DMPA_FIRST_FRAME_BYTES), 0);
  if (!DmpaStartStream(ctx.get(), first.data(), first.size())) return 0;
  // The exact output size: a guard page of the sanitizer catches any write past it.
  std::vector<uint8_t> out(static_cast<size_t>(ctx->pcmBytes));
  size_t pos = 0;
  int steps = 0;
  while (pos < size && steps++ < 4096) {
    // The fuzzer's buffer ends exactly at `size`, so a read past it is caught.
    _DMPAFRAME frame{};
    frame.data = data + pos;
    frame.size = size - pos;
    frame.out = out.data();
    if (DmpaDecodeFrame(ctx.get(), &frame)) {
      if (frame.size == 0 || frame.pcmWritten != ctx->pcmBytes) __builtin_trap();
      pos += frame.size;
    } else {
      ++pos;
    }
  }
  return 0;
}

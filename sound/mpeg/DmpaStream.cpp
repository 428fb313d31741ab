#include "foundation/bytes/ByteReader.h"
#include "sound/mpeg/Dmpa.h"
#include "sound/mpeg/DmpaLayers.h"
#include "sound/mpeg/DmpaSynth.h"
#include "sound/mpeg/DmpaTables.h"

#include <cstring>

namespace {

const int kBitrates[2][3][15] = {
    {{0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448},
     {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384},
     {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320}},
    {{0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256},
     {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160},
     {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160}}};

const int kSampleRates[3][3] = {{44100, 48000, 32000}, {22050, 24000, 16000}, {11025, 12000, 8000}};

// Frame length at bitrate b (bit/s) and rate r without padding.
int BaseLength(int version, int layer, long b, long r) {
  if (layer == 1) return static_cast<int>(12 * b / r) * 4;
  int len = static_cast<int>(144 * b / r);
  if (layer == 3 && version != 1) len /= 2;
  return len;
}

int PaddedLength(int version, int layer, long b, long r, int padding) {
  if (layer == 1) return (static_cast<int>(12 * b / r) + padding) * 4;
  return BaseLength(version, layer, b, r) + padding;
}

}  // namespace

int DmpaBitrateKbps(int version, int layer, int index) {
  return kBitrates[version == 1 ? 0 : 1][layer - 1][index];
}

int DmpaSampleRate(int version, int index) { return kSampleRates[version - 1][index]; }

int DmpaJointBound(const _DMPAHEADER& h) {
  if (h.mode == 3) return 32;
  if (h.mode == 1) return 8 * (h.modeExtension + 1);
  return 64;
}

int DmpaOutputChannels(const _DMPADECODER* ctx, const _DMPAHEADER& h) {
  return (h.mode == 3 || (ctx->outputFlags & DMPA_OUT_CHANNEL_MASK) != 0) ? 1 : 2;
}

int DmpaFrameLength(const _DMPAHEADER& h, int rate) {
  long b = 1000L * DmpaBitrateKbps(h.version, h.layer, h.bitrateIndex);
  return PaddedLength(h.version, h.layer, b, rate, h.padding);
}

void DmpaInit(_DMPADECODER* ctx) {
  ctx->rateShift = 0;
  ctx->outputFlags = 0;
  ctx->cutoff = 24000;
  ctx->tables = DmpaGetTables();
}

int DmpaParseHeader(_DMPAHEADER* h, const uint8_t* bytes, _DMPADECODER* ctx) {
  const uint8_t b1 = bytes[1], b2 = bytes[2], b3 = bytes[3];
  h->layer = (b1 >> 1) & 3;
  h->crc = b1 & 1;  // the protection bit as coded, for now
  h->bitrateIndex = b2 >> 4;
  h->sampleIndex = (b2 >> 2) & 3;
  h->padding = (b2 >> 1) & 1;
  h->privateBit = b2 & 1;
  h->mode = b3 >> 6;
  h->modeExtension = (b3 >> 4) & 3;
  h->copyright = (b3 >> 3) & 1;
  h->original = (b3 >> 2) & 1;
  h->emphasis = b3 & 3;
  if (bytes[0] != 0xFF || (b1 & 0xE0) != 0xE0) {
    ctx->error = DMPA_ERR_NOSYNC;
    return 0;
  }
  if ((b1 & 0xF0) == 0xF0) {
    h->version = (b1 & 0x08) ? 1 : 2;
  } else {
    h->version = 3;
  }
  if (h->sampleIndex >= 3 || h->bitrateIndex < 1 || h->bitrateIndex > 14 || h->layer < 1) {
    ctx->error = DMPA_ERR_HEADER;
    return 0;
  }
  h->layer = 4 - h->layer;
  h->crc = h->crc ? 0 : 1;
  return 1;
}

int DmpaSubbandCount(const _DMPADECODER* ctx) {
  const int r = ctx->codedRate;
  if (r <= 0) return 0;
  long n = (r / 2 + 64L * ctx->cutoff) / r;
  long cap = 32 >> ctx->rateShift;
  if (cap > 8) --cap;  // the top subband is never decoded above quarter rate
  if (n > cap) n = cap;
  return static_cast<int>(n < 0 ? 0 : n);
}

int DmpaGetFrameInfo(_DMPAFRAMEINFO* info, _DMPADECODER* ctx, const uint8_t* bytes, size_t size,
                     int first) {
  std::memset(info, 0, sizeof *info);
  if (size < 4) {
    ctx->error = DMPA_ERR_TOOSHORT;
    return 0;
  }
  _DMPAHEADER& h = info->header;
  if (!DmpaParseHeader(&h, bytes, ctx)) return 0;
  const bool mono = h.mode == 3;
  size_t tag = 4 + (h.crc ? 2 : 0);
  if (h.layer == 3) tag += h.version == 1 ? (mono ? 17 : 32) : (mono ? 9 : 17);
  const long b = 1000L * DmpaBitrateKbps(h.version, h.layer, h.bitrateIndex);
  const int rate = DmpaSampleRate(h.version, h.sampleIndex);
  bool variable = false;
  if (size >= tag + 18 && std::memcmp(bytes + tag, "Xing", 4) == 0) {
    if ((loadU32be(bytes + tag + 4) & 3) == 0) {
      ctx->error = DMPA_ERR_HEADER;
      return 0;
    }
    info->frameCount = loadU32be(bytes + tag + 8);
    info->byteCount = loadU32be(bytes + tag + 12);
    variable = true;
  } else if (size >= tag + 18 && std::memcmp(bytes + tag, "VBRI", 4) == 0) {
    info->byteCount = loadU32be(bytes + tag + 10);
    info->frameCount = loadU32be(bytes + tag + 14);
    variable = true;
  }
  int samples = h.layer == 1 ? 384 : (h.layer == 2 || h.version == 1) ? 1152 : 576;
  samples >>= ctx->rateShift;
  const int extra = h.layer == 1 ? 4 : 1;
  if (variable) {
    long lo = 1000L * DmpaBitrateKbps(h.version, h.layer, 1);
    long hi = 1000L * DmpaBitrateKbps(h.version, h.layer, 14);
    info->frameBytes = PaddedLength(h.version, h.layer, b, rate, h.padding);
    info->shortestFrame = BaseLength(h.version, h.layer, lo, rate);
    info->longestFrame = BaseLength(h.version, h.layer, hi, rate) + extra;
  } else {
    info->shortestFrame = BaseLength(h.version, h.layer, b, rate);
    info->longestFrame = info->shortestFrame + extra;
  }
  info->channels = DmpaOutputChannels(ctx, h);
  info->bitsPerSample = (ctx->outputFlags & DMPA_OUT_8BIT) ? 8 : 16;
  info->pcmBytes = samples * info->channels * (info->bitsPerSample / 8);
  if (first == 1) {
    ctx->codedRate = rate;
    ctx->pcmBytes = info->pcmBytes;
  }
  info->sampleRate = rate >> ctx->rateShift;
  info->bitrate = variable ? 0 : static_cast<int>(b);
  return 1;
}

int DmpaStartStream(_DMPADECODER* ctx, const uint8_t* bytes, size_t size) {
  if (size < DMPA_FIRST_FRAME_BYTES) {
    ctx->error = DMPA_ERR_TOOSHORT;
    return 0;
  }
  // Parse into a scratch context first: a failing start must leave the stream as it was.
  _DMPAFRAMEINFO info;
  const int savedRate = ctx->codedRate, savedPcm = ctx->pcmBytes;
  if (!DmpaGetFrameInfo(&info, ctx, bytes, size, 1)) return 0;
  const _DMPAHEADER& h = info.header;
  if (h.layer == 2 && !DmpaLayer2Setup(ctx, &info)) {
    ctx->codedRate = savedRate;
    ctx->pcmBytes = savedPcm;
    return 0;
  }
  DmpaSynthReset(ctx);
  if (h.layer == 1) DmpaLayer1Setup(ctx, &info);
  if (h.layer == 3) DmpaLayer3Setup(ctx, &info);
  ctx->layerDecoder = h.layer == 1 ? DmpaLayer1Decode : h.layer == 2 ? DmpaLayer2Decode : DmpaLayer3Decode;
  ctx->streamVersion = h.version;
  ctx->streamLayer = h.layer;
  ctx->streamSampleIndex = h.sampleIndex;
  return 1;
}

int DmpaDecodeFrame(_DMPADECODER* ctx, _DMPAFRAME* frame) {
  if (frame->size < 5) {
    ctx->error = DMPA_ERR_TOOSHORT;
    return 0;
  }
  _DMPAHEADER h;
  if (!DmpaParseHeader(&h, frame->data, ctx)) return 0;
  // A frame of another version, layer or sample rate cannot belong to this stream: decoding it
  // with the first frame's parameters would misread it, so it counts as lost sync.
  if (h.version != ctx->streamVersion || h.layer != ctx->streamLayer ||
      h.sampleIndex != ctx->streamSampleIndex || !ctx->layerDecoder) {
    ctx->error = DMPA_ERR_NOSYNC;
    return 0;
  }
  const int length = DmpaFrameLength(h, ctx->codedRate);
  if (frame->size < static_cast<size_t>(length)) {
    ctx->error = DMPA_ERR_TOOSHORT;
    return 0;
  }
  frame->header = h;
  ctx->frameBytes = length;
  ctx->layerDecoder(ctx, frame, frame->data, frame->out);
  frame->size = static_cast<size_t>(length);
  frame->pcmWritten = ctx->pcmBytes;
  return 1;
}

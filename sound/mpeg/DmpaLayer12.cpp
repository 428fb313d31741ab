#include "sound/mpeg/DmpaBits.h"
#include "sound/mpeg/DmpaLayers.h"
#include "sound/mpeg/DmpaSynth.h"
#include "sound/mpeg/DmpaTables.h"

#include <algorithm>
#include <cstring>

// Layers I and II. The allocation pass compiles a frame into one command per position
// (subband * 2 + channel for two channels), so the sample pass is one switch per position.

namespace {

enum : uint8_t {
  // Layer I: 0 one zero, 1-14 one sample, 15 a zero pair, 16-29 a shared pair, 30 end, 31 skip.
  L1_PAIR = 15, L1_END = 30, L1_SKIP = 31,
  // Layer II: 0 three zeros, 1-17 three samples, 18 a zero pair, 19-35 a shared pair, 36 end,
  // 37 skip.
  L2_PAIR = 18, L2_END = 36, L2_SKIP = 37,
};

const int kL2SampleBits[18] = {0, 5, 7, 9, 10, 12, 15, 18, 21, 24, 27, 30, 33, 36, 39, 42, 45, 48};
const int kL2Width[18] = {0, 0, 0, 3, 0, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
const int kL2Offset[18] = {0,   1,   2,    3,    4,    7,    15,    31,    63,
                           127, 255, 511, 1023, 2047, 4095, 8191, 16383, 32767};

// Allocation classes: group sizes (4, 4, 3 and 2 allocation bits) and the quantisation class of
// each allocation value.
struct AllocClass {
  int groups[4];
  uint8_t map[4][16];
};
const AllocClass kClasses[5] = {
    {{3, 8, 12, 4},
     {{0, 1, 3, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17},
      {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 17},
      {0, 1, 2, 3, 4, 5, 6, 17},
      {0, 1, 2, 17}}},
    {{3, 8, 12, 7},
     {{0, 1, 3, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17},
      {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 17},
      {0, 1, 2, 3, 4, 5, 6, 17},
      {0, 1, 2, 17}}},
    {{2, 0, 6, 0},
     {{0, 1, 2, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16}, {}, {0, 1, 2, 4, 5, 6, 7, 8}, {}}},
    {{2, 0, 10, 0},
     {{0, 1, 2, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16}, {}, {0, 1, 2, 4, 5, 6, 7, 8}, {}}},
    {{4, 0, 7, 19},
     {{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15}, {}, {0, 1, 2, 4, 5, 6, 7, 8}, {0, 1, 2, 4}}},
};
const int kGroupBits[4] = {4, 4, 3, 2};

// MPEG-1 class by sampling index and bitrate index, for two channels and for one.
const int8_t kClassSelect[3][2][15] = {
    {{0, 2, 2, 2, 2, 2, 2, 0, 0, 0, 1, 1, 1, 1, 1}, {0, 2, 2, 0, 0, 0, 1, 1, 1, 1, 1, 1, 1, 1, 1}},
    {{0, 2, 2, 2, 2, 2, 2, 0, 0, 0, 0, 0, 0, 0, 0}, {0, 2, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
    {{0, 3, 3, 3, 3, 3, 3, 0, 0, 0, 1, 1, 1, 1, 1}, {0, 3, 3, 0, 0, 0, 1, 1, 1, 1, 1, 1, 1, 1, 1}},
};

// Records one allocation at position p: a single position, or below the joint-stereo bound a
// shared pair (command + pairBase for both positions). Returns the next position.
int Allocate(DmpaLayer12& l, int p, bool single, int value, int pairBase, float base) {
  const int n = single ? 1 : 2;
  for (int i = 0; i < n; ++i) {
    l.command[p + i] = static_cast<uint8_t>(single ? value : value + pairBase);
    l.alloc[p + i] = static_cast<uint8_t>(value);
    l.base[p + i] = base;
  }
  return p + n;
}

void StartBits(_DMPADECODER* ctx, const _DMPAFRAME* frame, const uint8_t* data) {
  DmpaBitsStart(&ctx->bits, data, static_cast<size_t>(ctx->frameBytes));
  DmpaSkipMany(&ctx->bits, frame->header.crc ? 48 : 32);
}

// A two-channel stream decoded to one output channel: fold each slot into the one-channel
// layout (subband s at position s) before the synthesis.
void FoldChannels(_DMPADECODER* ctx, int slots) {
  const uint32_t how = ctx->outputFlags & DMPA_OUT_CHANNEL_MASK;
  if (ctx->l12.entries != 64 || how == 0) return;
  for (int s = 0; s < slots; ++s) {
    float* slot = ctx->samples + 64 * s;
    for (int k = 0; k < 32; ++k) {
      float l = slot[2 * k], r = slot[2 * k + 1];
      slot[k] = how == DMPA_OUT_MIX ? l + r : how == DMPA_OUT_FIRST ? l : r;
    }
  }
}

void Setup(_DMPADECODER* ctx, const _DMPAFRAMEINFO* info, int limit, int slots) {
  DmpaLayer12& l = ctx->l12;
  const bool two = info->header.mode != 3;
  l.entries = two ? 64 : 32;
  l.limit = two ? 2 * limit : limit;
  ctx->synth12 = DmpaSynthEntry12(DmpaSynthIndex(ctx->rateShift, info->bitsPerSample == 8, info->channels));
  std::memset(ctx->samples, 0, sizeof(float) * 64 * slots);
}

}  // namespace

void DmpaLayer1Setup(_DMPADECODER* ctx, const _DMPAFRAMEINFO* info) {
  Setup(ctx, info, std::min(DmpaSubbandCount(ctx), 32), 12);
  ctx->l12.classLimit = ctx->l12.entries;
}

void DmpaLayer1Decode(_DMPADECODER* ctx, const _DMPAFRAME* frame, const uint8_t* data, uint8_t* out) {
  DmpaLayer12& l = ctx->l12;
  const DmpaTables& t = *ctx->tables;
  _DMPABITS* b = &ctx->bits;
  StartBits(ctx, frame, data);
  // Pairs exist only in the two-channel layout; a one-channel stream ignores a frame's mode.
  const int bound = l.entries == 64 ? std::min(DmpaJointBound(frame->header), l.entries) : l.entries;
  l.skipBits = 0;
  for (int p = 0; p < l.entries;) {
    int a = static_cast<int>(DmpaGetBits(b, 4));
    if (a == 15) a = 0;  // forbidden: read as no samples, so the list stays aligned
    const int bits = a ? a + 1 : 0;
    if (p >= l.limit) l.skipBits += bits;
    p = Allocate(l, p, p < bound || p + 1 >= l.entries, a, L1_PAIR, t.layer1Base[a]);
  }
  l.command[l.entries] = L1_END;
  if (l.limit >= 0 && l.limit < l.entries && l.entries <= 64) l.command[l.limit] = L1_SKIP;
  for (int p = 0; p < l.entries; ++p)
    if (l.alloc[p]) l.factor[p][0] = t.scaleFactor[DmpaGetBits(b, 6)] * l.base[p];
  for (int s = 0; s < 12; ++s) {
    float* slot = ctx->samples + 64 * s;
    for (int p = 0;;) {
      const int c = l.command[p];
      if (c < L1_PAIR) {
        float v = 0;
        if (c) v = (static_cast<int>(DmpaGetBitsAhead(b, c + 1)) - ((1 << c) - 1)) * l.factor[p][0];
        slot[p++] = v;
      } else if (c < L1_END) {
        const int a = c - L1_PAIR;
        float v0 = 0, v1 = 0;
        if (a) {
          const int v = static_cast<int>(DmpaGetBitsAhead(b, a + 1)) - ((1 << a) - 1);
          v0 = v * l.factor[p][0];
          v1 = v * l.factor[p + 1][0];
        }
        slot[p] = v0;
        slot[p + 1] = v1;
        p += 2;
      } else {
        if (c == L1_SKIP) DmpaSkipMany(b, l.skipBits);
        break;
      }
    }
  }
  FoldChannels(ctx, 12);
  ctx->synth12(ctx, ctx->samples, out, 12);
}

int DmpaLayer2Setup(_DMPADECODER* ctx, const _DMPAFRAMEINFO* info) {
  const _DMPAHEADER& h = info->header;
  const bool two = h.mode != 3;
  int cls = 4;
  if (h.version == 1) {
    const int bi = h.bitrateIndex;
    if (two && (bi == 1 || bi == 2 || bi == 3 || bi == 5)) return 0;
    if (!two && bi > 10) return 0;
    cls = kClassSelect[h.sampleIndex][two ? 0 : 1][bi];
  }
  DmpaLayer12& l = ctx->l12;
  const AllocClass& c = kClasses[cls];
  int classLimit = 0;
  for (int g = 0; g < 4; ++g) {
    l.groupCount[g] = c.groups[g] * (two ? 2 : 1);
    std::memcpy(l.groupMap[g], c.map[g], 16);
    classLimit += c.groups[g];
  }
  Setup(ctx, info, std::min(DmpaSubbandCount(ctx), classLimit), 36);
  l.classLimit = classLimit * (two ? 2 : 1);
  return 1;
}

void DmpaLayer2Decode(_DMPADECODER* ctx, const _DMPAFRAME* frame, const uint8_t* data, uint8_t* out) {
  DmpaLayer12& l = ctx->l12;
  const DmpaTables& t = *ctx->tables;
  _DMPABITS* b = &ctx->bits;
  StartBits(ctx, frame, data);
  const int bound = l.entries == 64 ? std::min(DmpaJointBound(frame->header), l.classLimit) : l.classLimit;
  l.skipBits = 0;
  int p = 0;
  for (int g = 0; g < 4; ++g) {
    const int end = p + l.groupCount[g];
    while (p < end) {
      const int q = l.groupMap[g][DmpaGetBits(b, kGroupBits[g])];
      if (p >= l.limit) l.skipBits += kL2SampleBits[q];
      p = Allocate(l, p, p < bound || p + 1 >= end, q, L2_PAIR, t.layer2Base[q]);
    }
  }
  l.command[l.classLimit] = L2_END;
  if (l.limit < l.classLimit) l.command[l.limit] = L2_SKIP;
  for (p = 0; p < l.classLimit; ++p) l.selector[p] = l.alloc[p] ? static_cast<uint8_t>(DmpaGetBits(b, 2)) : 4;
  l.selector[l.classLimit] = 5;
  for (p = 0; l.selector[p] != 5; ++p) {
    int k0 = 0, k1 = 0, k2 = 0;
    switch (l.selector[p]) {
      case 0: k0 = DmpaGetBits(b, 6); k1 = DmpaGetBits(b, 6); k2 = DmpaGetBits(b, 6); break;
      case 1: k0 = k1 = DmpaGetBits(b, 6); k2 = DmpaGetBits(b, 6); break;
      case 2: k0 = k1 = k2 = DmpaGetBits(b, 6); break;
      case 3: k0 = DmpaGetBits(b, 6); k1 = k2 = DmpaGetBits(b, 6); break;
      default: continue;
    }
    l.factor[p][0] = t.scaleFactor[k0] * l.base[p];
    l.factor[p][1] = t.scaleFactor[k1] * l.base[p];
    l.factor[p][2] = t.scaleFactor[k2] * l.base[p];
  }
  for (int part = 0; part < 3; ++part) {
    for (int gr = 0; gr < 4; ++gr) {
      float* slot = ctx->samples + 64 * 3 * (part * 4 + gr);
      for (p = 0;;) {
        int c = l.command[p];
        if (c >= L2_END) {
          if (c == L2_SKIP) DmpaSkipMany(b, l.skipBits);
          break;
        }
        const bool pair = c >= L2_PAIR;
        const int q = pair ? c - L2_PAIR : c;
        int v[3] = {0, 0, 0};
        if (q == 1 || q == 2 || q == 4) {
          const uint32_t code = DmpaGetBitsAhead(b, kL2SampleBits[q]);
          for (int k = 0; k < 3; ++k)
            v[k] = q == 1 ? t.ungroup3[code][k] : q == 2 ? t.ungroup5[code][k] : t.ungroup9[code][k];
        } else if (q) {
          for (int k = 0; k < 3; ++k)
            v[k] = static_cast<int>(DmpaGetBitsAhead(b, kL2Width[q])) - kL2Offset[q];
        }
        for (int k = 0; k < 3; ++k) slot[64 * k + p] = v[k] * (q ? l.factor[p][part] : 0.0f);
        if (pair) {
          for (int k = 0; k < 3; ++k) slot[64 * k + p + 1] = v[k] * (q ? l.factor[p + 1][part] : 0.0f);
          p += 2;
        } else {
          ++p;
        }
      }
    }
  }
  FoldChannels(ctx, 36);
  ctx->synth12(ctx, ctx->samples, out, 36);
}

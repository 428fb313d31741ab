#include "sound/mpeg/DmpaLayer3.h"

#include "sound/mpeg/DmpaBits.h"
#include "sound/mpeg/DmpaHuffman.h"
#include "sound/mpeg/DmpaLayers.h"
#include "sound/mpeg/DmpaTables.h"
#include "sound/mpeg/DmpaVector.h"

#include <immintrin.h>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

const uint8_t kPretab[22] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 3, 3, 3, 2, 0};

// Reservoir bookkeeping of one frame: keeps the bytes main_data_begin reaches back to and
// appends this frame's main data. The buffer never overflows: when the append would not fit,
// the bytes no frame can still reach are dropped first, and an absurd append is cut.
void FillReservoir(DmpaLayer3& l, const uint8_t* main, int size) {
  const int mdb = l.mainDataBegin;
  l.start = l.fill - mdb;
  if (l.fill > 6692 || l.fill + size > static_cast<int>(DMPA_RESERVOIR_BYTES)) {
    const int keep = std::min(mdb, l.fill);
    std::memmove(l.reservoir, l.reservoir + l.fill - keep, static_cast<size_t>(keep));
    l.fill = keep;
    l.start = keep - mdb;
  }
  size = std::min(size, static_cast<int>(DMPA_RESERVOIR_BYTES) - l.fill);
  if (size > 0) {
    std::memcpy(l.reservoir + l.fill, main, static_cast<size_t>(size));
    l.fill += size;
  }
}

// sign(v) |v|^(4/3) without a branch on the sign, which is as good as random in the data.
// Huffman values stay within the table (15 plus at most 13 linbits).
inline float Pow43(const DmpaTables& t, int v) {
  const uint32_t sign = static_cast<uint32_t>(v) & 0x80000000u;
  const int a = std::min(v < 0 ? -v : v, 8206);
  uint32_t bits;
  std::memcpy(&bits, &t.pow43Abs[a], sizeof bits);
  bits ^= sign;
  float f;
  std::memcpy(&f, &bits, sizeof f);
  return f;
}

// xr[i] = Pow43(values[i]) * f for a run of lines: plain, and eight lanes at a time with AVX2
// gathers (the same operations per line, so the same bits).
void ScaleRunPlain(const DmpaTables& t, const int* values, float* xr, int n, float f) {
  for (int i = 0; i < n; ++i) xr[i] = Pow43(t, values[i]) * f;
}

__attribute__((target("avx2"))) void ScaleRunAvx2(const DmpaTables& t, const int* values, float* xr,
                                                  int n, float f) {
  const __m256i top = _mm256_set1_epi32(8206), signBit = _mm256_set1_epi32(INT32_MIN);
  const __m256 factor = _mm256_set1_ps(f);
  int i = 0;
  for (; i + 8 <= n; i += 8) {
    const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(values + i));
    const __m256i index = _mm256_min_epi32(_mm256_abs_epi32(v), top);
    const __m256 magnitude = _mm256_i32gather_ps(t.pow43Abs, index, 4);
    const __m256 signedValue = _mm256_xor_ps(magnitude, _mm256_castsi256_ps(_mm256_and_si256(v, signBit)));
    _mm256_storeu_ps(xr + i, _mm256_mul_ps(signedValue, factor));
  }
  for (; i < n; ++i) xr[i] = Pow43(t, values[i]) * f;
}

using ScaleRun = void (*)(const DmpaTables& t, const int* values, float* xr, int n, float f);
ScaleRun gScaleRun = DmpaSimdAvailable(DmpaSimd::Avx2) ? ScaleRunAvx2 : ScaleRunPlain;

// Requantises one channel; `values` in Huffman order, result in the channel's spectrum
// (short blocks reordered to line * 3 + window). Records the highest non-zero short band per
// window and returns the non-zero count in the reordered spectrum: a short line can move up to
// two band widths above its Huffman position, so the count grows to the end of its band.
int Requantise(_DMPADECODER* ctx, const DmpaGranule& s, const int* sf, const int* values, int nonzero,
                int ch) {
  DmpaLayer3& l = ctx->l3;
  const DmpaTables& t = *ctx->tables;
  float* xr = l.spectrum[ch];
  const float gain = t.gain[s.globalGain + 6];
  const int scale = s.scalefacScale;
  const bool shortBlocks = s.windowSwitching && s.blockType == 2;
  const int longBands = shortBlocks ? (s.mixedBlock ? l.mixedLongBands : 0) : 22;
  l.longBands[ch] = longBands;
  l.shortMaxBand[ch][0] = l.shortMaxBand[ch][1] = l.shortMaxBand[ch][2] = -1;
  int line = 0;
  for (int band = 0; band < longBands && line < nonzero; ++band) {
    const int end = std::min(l.longBound[band + 1], nonzero);
    const float f = gain * t.sfMult[scale][s.preflag ? kPretab[band] : 0][sf[band] & 31];
    if (end > line) gScaleRun(t, values + line, xr + line, end - line, f);
    line = std::max(line, end);
  }
  int extent = line;
  if (shortBlocks) {
    for (int band = s.mixedBlock ? 3 : 0; band < 13 && line < nonzero; ++band) {
      extent = 3 * l.shortBound[band + 1];
      const int width = l.shortBound[band + 1] - l.shortBound[band];
      for (int w = 0; w < 3; ++w) {
        const float f = gain * t.subblockGain[s.subblockGain[w]] * t.sfMult[scale][0][sf[22 + w * 13 + band] & 31];
        int dst = 3 * l.shortBound[band] + w;
        bool any = false;
        for (int k = 0; k < width; ++k, ++line, dst += 3) {
          const int v = line < nonzero ? values[line] : 0;
          xr[dst] = Pow43(t, v) * f;
          any |= v != 0;
        }
        if (any) l.shortMaxBand[ch][w] = band;
      }
    }
  }
  return extent;
}

// Intensity stereo of the lines [begin, end) with step `step` from the left channel's values.
void Intensity(float* left, float* right, int begin, int end, int step, float kl, float kr) {
  for (int i = begin; i < end; i += step) {
    const float v = left[i];
    left[i] = v * kl;
    right[i] = v * kr;
  }
}

void MidSide(float* left, float* right, int begin, int end, int step) {
  for (int i = begin; i < end; i += step) {
    const float m = left[i], s = right[i];
    left[i] = m + s;
    right[i] = m - s;
  }
}

// Looks up kL and kR for an intensity position; false for an illegal position.
//
// libmpg123, the reference the tests compare with, differs from this on purpose in two ways:
// - MPEG-1 positions above 7 (a 4-bit scale factor field) follow tan(p pi / 12) here as there,
//   except 9, where the formula divides by zero: libmpg123 multiplies by about 4.5e15 and
//   plays a full-scale burst; here 9 is illegal like 7.
// - MPEG-2/2.5: the illegal position is the largest value of the band's field width (so 1 for
//   a 1-bit field, 0 for a field of no bits, 15 for a 4-bit one), as ISO/IEC 13818-3 defines
//   it; libmpg123 takes 7 as the illegal position whatever the width.
bool IntensityRatio(const _DMPADECODER* ctx, const _DMPAHEADER& h, int gr, int index, float* kl, float* kr) {
  const DmpaTables& t = *ctx->tables;
  const DmpaLayer3& l = ctx->l3;
  const int pos = l.scalefac[gr][1][index];
  if (h.version == 1) {
    if (pos == 7 || pos == 9 || pos > 15) return false;
    *kl = t.isRatio1[pos][0];
    *kr = t.isRatio1[pos][1];
  } else {
    if (pos == l.isMax[1][index] || pos > 31) return false;
    const int scale = l.side[gr][1].scalefacCompress & 1;
    *kl = t.isRatio2[scale][pos][0];
    *kr = t.isRatio2[scale][pos][1];
  }
  if (l.msOn) {
    *kl *= 1.41421356f;
    *kr *= 1.41421356f;
  }
  return true;
}

// One band of the intensity region: intensity when its position is legal, else the band is
// left as mid/side (with MS on) or as decoded (with MS off).
void IntensityBand(_DMPADECODER* ctx, const _DMPAHEADER& h, int gr, int index, int begin, int end, int step) {
  DmpaLayer3& l = ctx->l3;
  float kl, kr;
  if (IntensityRatio(ctx, h, gr, index, &kl, &kr)) {
    Intensity(l.spectrum[0], l.spectrum[1], begin, end, step, kl, kr);
  } else if (l.msOn) {
    MidSide(l.spectrum[0], l.spectrum[1], begin, end, step);
  }
}

int LastNonzero(const float* x, int n) {
  while (n > 0 && x[n - 1] == 0.0f) --n;
  return n;
}

void JointStereo(_DMPADECODER* ctx, const _DMPAHEADER& h, int gr, int nz0, int nz1) {
  DmpaLayer3& l = ctx->l3;
  float* left = l.spectrum[0];
  float* right = l.spectrum[1];
  const int top = std::max(nz0, nz1);
  if (!l.isOn) {
    if (l.msOn) MidSide(left, right, 0, top, 1);
    return;
  }
  const DmpaGranule& s = l.side[gr][1];
  const bool shortBlocks = s.windowSwitching && s.blockType == 2;
  bool longPartIntensity = !shortBlocks;
  if (shortBlocks) {
    // Per window: intensity from the band above the right channel's last non-zero band; the
    // last band (12) has no position of its own and takes band 11's. A window whose right
    // channel has lines in band 12 has no intensity band at all. libmpg123 instead always
    // applies band 11's position to band 12, even over the right channel's own lines there,
    // so the two differ on such windows.
    //
    // A mixed block has 8 long bands in MPEG-1 and 6 in MPEG-2/2.5, and its short part starts
    // at band 3 in both. libmpg123 lays out MPEG-2/2.5 mixed blocks as MPEG-1 ones here: it
    // applies intensity to lines 36-53 twice (as long bands 6 and 7 and as short band 3) and
    // reads each short band's position two scale factors off.
    const int first = s.mixedBlock ? 3 : 0;
    bool anyShort = false;
    for (int w = 0; w < 3; ++w) {
      const int lastBand = l.shortMaxBand[1][w];
      anyShort |= lastBand >= first;
      for (int band = first; band < 13; ++band) {
        const int begin = 3 * l.shortBound[band] + w, end = 3 * l.shortBound[band + 1];
        if (band <= lastBand) {
          if (l.msOn) MidSide(left, right, begin, end, 3);
        } else {
          IntensityBand(ctx, h, gr, 22 + w * 13 + std::min(band, 11), begin, end, 3);
        }
      }
    }
    longPartIntensity = s.mixedBlock && !anyShort;
    if (s.mixedBlock && anyShort && l.msOn) MidSide(left, right, 0, l.longBound[l.mixedLongBands], 1);
    if (!s.mixedBlock) return;
  }
  if (!longPartIntensity) return;
  const int bands = shortBlocks ? l.mixedLongBands : 22;
  // Intensity from the band above the one that holds the right channel's last non-zero line,
  // from band 0 on when the right channel has none. (libmpg123 leaves band 0 out when the right
  // channel's part is empty, part2_3_length 0, as if it held a line there.)
  const int last = LastNonzero(right, std::min(nz1, static_cast<int>(l.longBound[bands])));
  int isStart = 0;
  if (last > 0) {
    int band = 0;
    while (band + 1 < bands && l.longBound[band + 1] <= last - 1) ++band;
    isStart = band + 1;
  }
  if (l.msOn) MidSide(left, right, 0, l.longBound[isStart], 1);
  for (int band = isStart; band < bands; ++band)
    IntensityBand(ctx, h, gr, std::min(band, 20), l.longBound[band], l.longBound[band + 1], 1);
}

// The butterflies across each subband boundary, four at a time: the lines below a boundary
// are read and written in reverse order, each pair with the plain operations.
void AliasReduce(_DMPADECODER* ctx, float* x, int boundaries) {
  const DmpaTables& t = *ctx->tables;
  for (int k = 1; k <= boundaries; ++k) {
    for (int i = 0; i < 8; i += 4) {
      float* below = x + 18 * k - 4 - i;  // lines 18k - 1 - i ... 18k - 4 - i, reversed
      float* above = x + 18 * k + i;
      const DmpaV4 rawBelow = DmpaLoad4(below);
      const DmpaV4 a = __builtin_shufflevector(rawBelow, rawBelow, 3, 2, 1, 0);
      const DmpaV4 b = DmpaLoad4(above);
      const DmpaV4 cs = DmpaLoad4(t.cs + i), ca = DmpaLoad4(t.ca + i);
      const DmpaV4 newBelow = a * cs - b * ca;
      DmpaStore4(below, __builtin_shufflevector(newBelow, newBelow, 3, 2, 1, 0));
      DmpaStore4(above, b * cs + a * ca);
    }
  }
}

}  // namespace

void DmpaLayer3UseSimd(DmpaSimd level) {
  gScaleRun = level >= DmpaSimd::Avx2 && DmpaSimdAvailable(DmpaSimd::Avx2) ? ScaleRunAvx2 : ScaleRunPlain;
}

void DmpaL3DecodeGranule(_DMPADECODER* ctx, const _DMPAHEADER& h, int gr, uint8_t* out) {
  DmpaLayer3& l = ctx->l3;
  _DMPABITS* b = &ctx->bits;
  int values[kDmpaHuffmanValues];
  int nz[2] = {0, 0};
  for (int ch = 0; ch < l.channels; ++ch) {
    const DmpaGranule& s = l.side[gr][ch];
    DmpaBitsStart(b, l.reservoir, static_cast<size_t>(l.fill));
    DmpaBitsSeek(b, l.bitPos);
    const long partEnd = l.bitPos + s.part23Length;
    l.bitPos = partEnd;
    DmpaL3ReadScaleFactors(ctx, h, gr, ch);
    DmpaHuffmanRegions r;
    r.limit = l.huffmanLimit;
    r.bigEnd = std::min(2 * s.bigValues, r.limit);
    const int b1 = std::min(s.region0Count + 1, 22), b2 = std::min(s.region0Count + s.region1Count + 2, 22);
    r.end[0] = std::min(static_cast<int>(l.longBound[b1]), r.bigEnd);
    r.end[1] = std::min(static_cast<int>(l.longBound[b2]), r.bigEnd);
    r.end[2] = r.bigEnd;
    for (int i = 0; i < 3; ++i) r.table[i] = s.tableSelect[i];
    r.count1Table = s.count1Table;
    int n = DmpaHuffmanDecode(b, partEnd, r, values);
    if (n < 0) n = 0;  // damaged: this channel of the granule is silent
    const bool shortBlocks = s.windowSwitching && s.blockType == 2;
    n = std::min(n, shortBlocks && !s.mixedBlock ? l.shortLimit : l.longLimit);
    if (shortBlocks && s.mixedBlock) n = std::min(n, std::max(l.longLimit, l.shortLimit));
    n = Requantise(ctx, s, l.scalefac[gr][ch], values, n, ch);
    std::fill(l.spectrum[ch] + n, l.spectrum[ch] + 576, 0.0f);
    nz[ch] = n;
    l.blockType[ch] = s.windowSwitching ? s.blockType : 0;
    l.mixed[ch] = s.windowSwitching && s.blockType == 2 ? s.mixedBlock : 0;
  }
  if (l.channels == 2) {
    if (l.msOn || l.isOn) JointStereo(ctx, h, gr, nz[0], nz[1]);
    nz[0] = nz[1] = std::max(nz[0], nz[1]);
  }
  for (int ch = 0; ch < l.channels; ++ch) {
    if (l.blockType[ch] == 2 && !l.mixed[ch]) {
      // Pure short blocks: no alias reduction.
    } else {
      const int boundaries = l.blockType[ch] == 2 ? 1 : std::min((nz[ch] + 7) / 18, 31);
      AliasReduce(ctx, l.spectrum[ch], boundaries);
      nz[ch] = std::max(nz[ch], 18 * boundaries + 8);
    }
    l.nonzero[ch] = std::min(nz[ch], 576);
  }
  ctx->channelHandler(ctx, out, gr);
}

void DmpaLayer3Decode(_DMPADECODER* ctx, const _DMPAFRAME* frame, const uint8_t* data, uint8_t* out) {
  DmpaLayer3& l = ctx->l3;
  const _DMPAHEADER& h = frame->header;
  l.msOn = h.mode == 1 && (h.modeExtension & 2) && l.channels == 2;
  l.isOn = h.mode == 1 && (h.modeExtension & 1) && l.channels == 2;
  DmpaBitsStart(&ctx->bits, data, static_cast<size_t>(ctx->frameBytes));
  const int headerBytes = h.crc ? 6 : 4;
  DmpaSkipMany(&ctx->bits, 8 * headerBytes);
  const bool mpeg1 = h.version == 1;
  const int slot = mpeg1 ? 0 : l.toggle;
  const int sideBytes = DmpaL3ReadSideInfo(ctx, h, slot);
  const int mainBytes = ctx->frameBytes - headerBytes - sideBytes;
  FillReservoir(l, data + headerBytes + sideBytes, std::max(mainBytes, 0));
  if (l.start < 0) {
    // The frame's main data began before the first byte received (a cut stream): silence, so
    // the caller never plays whatever its buffer held before.
    std::memset(out, (ctx->outputFlags & DMPA_OUT_8BIT) ? 0x80 : 0, static_cast<size_t>(ctx->pcmBytes));
    if (!mpeg1) l.toggle ^= 1;
    return;
  }
  l.bitPos = 8L * l.start;
  if (mpeg1) {
    DmpaL3DecodeGranule(ctx, h, 0, out);
    DmpaL3DecodeGranule(ctx, h, 1, out + ctx->pcmBytes / 2);
  } else {
    DmpaL3DecodeGranule(ctx, h, slot, out);
    l.toggle ^= 1;
  }
}

#include "sound/mpeg/DmpaSynth.h"

#include "sound/mpeg/DmpaLayer3.h"
#include "sound/mpeg/DmpaSynthFull.h"
#include "sound/mpeg/DmpaTables.h"
#include "sound/mpeg/DmpaVector.h"

#include <emmintrin.h>

#include <cstring>

// The polyphase synthesis. The standard's vector V of one slot (64 values) is a folded copy of
// the 32-point DCT-II X of the slot's subband samples: V[i] = X[16 + i] with X[32] = 0 and
// X[64 - n] = X[64 + n] = -X[n]. The windowing reads V[0..31] of the even ages and V[32..63] of
// the odd ages, which are X[16..31] and X[16..1] (plus X[0] for the middle sample), so each slot
// keeps those two rows of 16 floats and X[0]. Output samples j and 32 - j use the same row
// values, so one pass over 16 ages yields both halves of the slot. At the full rate both channels
// of a slot are made before they are stored, so two-channel output is interleaved in vectors.

namespace {

// Lee's factorisation of the DCT-II X_n = sum_k x_k cos(pi n (2k + 1) / 2N).
template <int N>
__attribute__((always_inline)) inline void Dct(const float* x, float* out, const float* coef) {
  float a[N / 2], b[N / 2], ta[N / 2], tb[N / 2];
  for (int k = 0; k < N / 2; ++k) {
    a[k] = x[k] + x[N - 1 - k];
    b[k] = (x[k] - x[N - 1 - k]) * coef[k];
  }
  Dct<N / 2>(a, ta, coef + N / 2);
  Dct<N / 2>(b, tb, coef + N / 2);
  for (int m = 0; m < N / 2 - 1; ++m) {
    out[2 * m] = ta[m];
    out[2 * m + 1] = tb[m] + tb[m + 1];
  }
  out[N - 2] = ta[N / 2 - 1];
  out[N - 1] = tb[N / 2 - 1];
}
template <>
inline void Dct<1>(const float* x, float* out, const float*) {
  out[0] = x[0];
}

// The window of a reduced-rate slot: 16 ages of H values against their two window rows.
// Age a of a slot reads the even (a even) or the odd row of the slot a further on in the ring.
inline const float* AgeRow(const float* ring, int age) { return ring + 32 * age + 16 * (age & 1); }

// NV vectors of four values an age (2 at half the rate, 1 at a quarter).
template <int NV>
void WindowSse(const float* ring, const float* w1, const float* w2, float* lo, float* hi) {
  DmpaV4 a[NV] = {}, b[NV] = {};
  for (int age = 0; age < 16; ++age, w1 += 16, w2 += 16) {
    for (int v = 0; v < NV; ++v) {
      const DmpaV4 r = DmpaLoad4(AgeRow(ring, age) + 4 * v);
      a[v] += DmpaLoad4(w1 + 4 * v) * r;
      b[v] += DmpaLoad4(w2 + 4 * v) * r;
    }
  }
  for (int v = 0; v < NV; ++v) {
    DmpaStore4(lo + 4 * v, a[v]);
    DmpaStore4(hi + 4 * v, b[v]);
  }
}

DmpaFullRateKernels gFull = DmpaFullRateFor(DmpaSimd::Avx2);

inline int16_t ToPcm16(float f) {
  if (f >= 32767.0f) return 32767;
  if (f > -32768.0f) return static_cast<int16_t>(f);  // truncates toward zero
  return -32768;  // also NaN, which no valid input produces
}

template <bool Eight>
inline void Put(uint8_t* out, int index, float f) {
  int16_t v = ToPcm16(f);
  if constexpr (Eight) {
    out[index] = static_cast<uint8_t>((v >> 8) ^ 0x80);
  } else {
    out[2 * index] = static_cast<uint8_t>(v & 0xFF);
    out[2 * index + 1] = static_cast<uint8_t>((v >> 8) & 0xFF);
  }
}

// The middle sample of a slot: eight products summed as two rows of four, then across. Slots
// slot + 1, slot + 3, ... slot + 15 share the parity of slot + 1 and lie in order.
inline float Centre(const _DMPADECODER* ctx, int ch, int slot, int shift) {
  const DmpaTables& t = *ctx->tables;
  const float* ages = &ctx->ringCentre[ch][(slot + 1) & 1][(slot + 1) >> 1];
  const DmpaV4 pairs = DmpaLoad4(t.synthCentre[shift]) * DmpaLoad4(ages) +
                       DmpaLoad4(t.synthCentre[shift] + 4) * DmpaLoad4(ages + 4);
  return (pairs[0] + pairs[1]) + (pairs[2] + pairs[3]);
}

// One reduced-rate time slot of one channel: the input's subband k is in[k * inStride]; the
// M = 32 >> Shift output samples go to out at sample positions first + j * outStride.
template <int Shift, bool Eight>
void SynthSlot(_DMPADECODER* ctx, int ch, int slot, const float* in, int inStride, uint8_t* out,
               int first, int outStride) {
  constexpr int M = 32 >> Shift, H = M / 2, NV = H / 4;
  const DmpaTables& t = *ctx->tables;
  float x[M];
  for (int k = 0; k < M; ++k) x[k] = in[k * inStride];
  float* even = ctx->ring[ch][slot][0];
  float* odd = ctx->ring[ch][slot][1];
  float* middle = &ctx->ringCentre[ch][slot & 1][slot >> 1];
  float X[M];
  Dct<M>(x, X, t.dctCoef + (32 - M));
  for (int j = 0; j < H; ++j) {
    even[j] = X[H + j];
    odd[j] = X[H - j];
  }
  *middle = X[0];

  // The copies 16 slots on.
  std::memcpy(ctx->ring[ch][slot + 16], ctx->ring[ch][slot], sizeof ctx->ring[ch][slot]);
  middle[8] = middle[0];
  float lo[H], hi[H];
  WindowSse<NV>(ctx->ring[ch][slot][0], t.synthW1[Shift][0], t.synthW2[Shift][0], lo, hi);
  const float centre = Centre(ctx, ch, slot, Shift);
  for (int j = 0; j < H; ++j) Put<Eight>(out, first + j * outStride, lo[j]);
  Put<Eight>(out, first + H * outStride, centre);
  for (int j = 1; j < H; ++j) Put<Eight>(out, first + (M - j) * outStride, hi[j]);
}

// One full-rate time slot of one channel (subband k at in[k * inStride]) to its 32 samples.
inline void FullSlot(_DMPADECODER* ctx, int ch, int slot, const float* in, int inStride,
                     __m128i pcm[4]) {
  const DmpaTables& t = *ctx->tables;
  float x[32];
  const float* source = in;
  if (inStride != 1) {
    for (int k = 0; k < 32; ++k) x[k] = in[k * inStride];
    source = x;
  }
  float* middle = &ctx->ringCentre[ch][slot & 1][slot >> 1];
  middle[0] = middle[8] = gFull.matrix(t, source, ctx->ring[ch][slot][0], ctx->ring[ch][slot + 16][0]);
  gFull.window(t, ctx->ring[ch][slot][0], Centre(ctx, ch, slot, 0), pcm);
}

// 32 samples of each channel, interleaved when there are two, as 16-bit or as 8-bit PCM.
template <bool Eight, int Channels>
inline void StoreFull(const __m128i (&pcm)[Channels][4], uint8_t* out) {
  __m128i* to = reinterpret_cast<__m128i*>(out);
  if constexpr (Eight) {
    // The high byte of each 16-bit sample, offset to unsigned.
    const __m128i offset = _mm_set1_epi8(static_cast<char>(0x80));
    __m128i bytes[Channels][2];
    for (int c = 0; c < Channels; ++c)
      for (int i = 0; i < 2; ++i)
        bytes[c][i] = _mm_xor_si128(_mm_packs_epi16(_mm_srai_epi16(pcm[c][2 * i], 8),
                                                    _mm_srai_epi16(pcm[c][2 * i + 1], 8)), offset);
    for (int i = 0; i < 2; ++i) {
      if constexpr (Channels == 1) {
        _mm_storeu_si128(to + i, bytes[0][i]);
      } else {
        _mm_storeu_si128(to + 2 * i, _mm_unpacklo_epi8(bytes[0][i], bytes[1][i]));
        _mm_storeu_si128(to + 2 * i + 1, _mm_unpackhi_epi8(bytes[0][i], bytes[1][i]));
      }
    }
  } else {
    for (int i = 0; i < 4; ++i) {
      if constexpr (Channels == 1) {
        _mm_storeu_si128(to + i, pcm[0][i]);
      } else {
        _mm_storeu_si128(to + 2 * i, _mm_unpacklo_epi16(pcm[0][i], pcm[1][i]));
        _mm_storeu_si128(to + 2 * i + 1, _mm_unpackhi_epi16(pcm[0][i], pcm[1][i]));
      }
    }
  }
}

// Time slot s of each channel (channel c at ch0 + c * channelStep), full or reduced rate.
template <int Shift, bool Eight, int Channels>
inline void Slot(_DMPADECODER* ctx, int s, const float* ch0, int channelStep, int inStride,
                 uint8_t* out) {
  constexpr int M = 32 >> Shift;
  const int slot = ctx->ringOffset;
  if constexpr (Shift == 0) {
    __m128i pcm[Channels][4];
    for (int c = 0; c < Channels; ++c) FullSlot(ctx, c, slot, ch0 + c * channelStep, inStride, pcm[c]);
    StoreFull<Eight, Channels>(pcm, out + s * M * Channels * (Eight ? 1 : 2));
  } else {
    for (int c = 0; c < Channels; ++c)
      SynthSlot<Shift, Eight>(ctx, c, slot, ch0 + c * channelStep, inStride, out, Channels * s * M + c,
                              Channels);
  }
  ctx->ringOffset = (slot - 1) & 15;
}

// Layers I and II: slots of 64 floats, subband s of channel h at 2s + h for two channels.
template <int Shift, bool Eight, int Channels>
void Synth12(_DMPADECODER* ctx, const float* samples, uint8_t* out, int slots) {
  for (int s = 0; s < slots; ++s)
    Slot<Shift, Eight, Channels>(ctx, s, samples + 64 * s, 1, Channels, out);
}

// Layer III: 18 slots of 32 floats a channel, the second channel's after the first's.
template <int Shift, bool Eight, int Channels>
void Synth3(_DMPADECODER* ctx, const float* hybrid, uint8_t* out) {
  for (int s = 0; s < 18; ++s) Slot<Shift, Eight, Channels>(ctx, s, hybrid + 32 * s, 18 * 32, 1, out);
}

template <bool Eight>
constexpr DmpaSynth12 k12[6] = {Synth12<0, Eight, 1>, Synth12<0, Eight, 2>, Synth12<1, Eight, 1>,
                                Synth12<1, Eight, 2>, Synth12<2, Eight, 1>, Synth12<2, Eight, 2>};
template <bool Eight>
constexpr DmpaSynth3 k3[6] = {Synth3<0, Eight, 1>, Synth3<0, Eight, 2>, Synth3<1, Eight, 1>,
                              Synth3<1, Eight, 2>, Synth3<2, Eight, 1>, Synth3<2, Eight, 2>};

}  // namespace

int DmpaSynthIndex(int rateShift, bool eightBit, int channels) {
  return 6 * (eightBit ? 1 : 0) + 2 * rateShift + (channels == 2 ? 1 : 0);
}

DmpaSynth12 DmpaSynthEntry12(int index) {
  return index < 6 ? k12<false>[index] : k12<true>[index - 6];
}

DmpaSynth3 DmpaSynthEntry3(int index) {
  index -= 12;
  return index < 6 ? k3<false>[index] : k3<true>[index - 6];
}

void DmpaUseSimd(DmpaSimd level) {
  gFull = DmpaFullRateFor(level);
  DmpaHybridUseSimd(level);
  DmpaLayer3UseSimd(level);
}

void DmpaSynthReset(_DMPADECODER* ctx) {
  std::memset(ctx->ring, 0, sizeof ctx->ring);
  std::memset(ctx->ringCentre, 0, sizeof ctx->ringCentre);
  ctx->ringOffset = 0;
}

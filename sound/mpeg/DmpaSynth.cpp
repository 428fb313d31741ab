#include "sound/mpeg/DmpaSynth.h"

#include "sound/mpeg/DmpaLayer3.h"
#include "sound/mpeg/DmpaTables.h"
#include "sound/mpeg/DmpaVector.h"

#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

// The polyphase synthesis. The standard's vector V of one slot (64 values) is a folded copy of
// the 32-point DCT-II X of the slot's subband samples: V[i] = X[16 + i] with X[32] = 0 and
// X[64 - n] = X[64 + n] = -X[n]. The windowing reads V[0..31] of the even ages and V[32..63] of
// the odd ages, which are X[16..31] and X[16..1] (plus X[0] for the middle sample), so each slot
// keeps those two rows of 16 floats and X[0]. Output samples j and 32 - j use the same row
// values, so one pass over 16 ages yields both halves of the slot.

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

// The full-rate transform as two 16 x 16 products (even and odd outputs) after the first
// butterfly; each output lane sums its 16 terms in order whatever the vector width.
using Dct32 = void (*)(const DmpaTables& t, const float* x, float* even, float* odd);

void Dct32Sse(const DmpaTables& t, const float* x, float* even, float* odd) {
  float sum[16], diff[16];
  for (int k = 0; k < 16; ++k) {
    sum[k] = x[k] + x[31 - k];
    diff[k] = x[k] - x[31 - k];
  }
  DmpaV4 e[4] = {}, o[4] = {};
  for (int k = 0; k < 16; ++k) {
    const DmpaV4 s = {sum[k], sum[k], sum[k], sum[k]}, d = {diff[k], diff[k], diff[k], diff[k]};
    for (int v = 0; v < 4; ++v) {
      e[v] += DmpaLoad4(t.dct32Even[k] + 4 * v) * s;
      o[v] += DmpaLoad4(t.dct32Odd[k] + 4 * v) * d;
    }
  }
  for (int v = 0; v < 4; ++v) {
    DmpaStore4(even + 4 * v, e[v]);
    DmpaStore4(odd + 4 * v, o[v]);
  }
}

__attribute__((target("avx"))) void Dct32Avx(const DmpaTables& t, const float* x, float* even,
                                             float* odd) {
  float sum[16], diff[16];
  for (int k = 0; k < 16; ++k) {
    sum[k] = x[k] + x[31 - k];
    diff[k] = x[k] - x[31 - k];
  }
  DmpaV8 e[2] = {}, o[2] = {};
  for (int k = 0; k < 16; ++k) {
    for (int v = 0; v < 2; ++v) {
      e[v] += DmpaLoad8(t.dct32Even[k] + 8 * v) * sum[k];
      o[v] += DmpaLoad8(t.dct32Odd[k] + 8 * v) * diff[k];
    }
  }
  for (int v = 0; v < 2; ++v) {
    DmpaStore8(even + 8 * v, e[v]);
    DmpaStore8(odd + 8 * v, o[v]);
  }
}

Dct32 gDct32 = DmpaSimdAvailable(DmpaSimd::Avx) ? Dct32Avx : Dct32Sse;

// The window of a full-rate slot: 16 ages of 16 values against their two window rows. Each
// lane sums its ages in the same order whatever the vector width, so both paths give the same
// bits.
using Window16 = void (*)(const float* ring, const float* w1, const float* w2, float* lo,
                          float* hi);

// Age a of a slot reads the even (a even) or the odd row of the slot a further on in the ring.
inline const float* AgeRow(const float* ring, int age) { return ring + 32 * age + 16 * (age & 1); }

// NV vectors of four values an age (4 at the full rate, 2 and 1 at the reduced ones).
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

__attribute__((target("avx"))) void Window16Avx(const float* ring, const float* w1,
                                                const float* w2, float* lo, float* hi) {
  DmpaV8 a[2] = {}, b[2] = {};
  for (int age = 0; age < 16; ++age, w1 += 16, w2 += 16) {
    for (int v = 0; v < 2; ++v) {
      const DmpaV8 r = DmpaLoad8(AgeRow(ring, age) + 8 * v);
      a[v] += DmpaLoad8(w1 + 8 * v) * r;
      b[v] += DmpaLoad8(w2 + 8 * v) * r;
    }
  }
  for (int v = 0; v < 2; ++v) {
    DmpaStore8(lo + 8 * v, a[v]);
    DmpaStore8(hi + 8 * v, b[v]);
  }
}

Window16 gWindow16 = DmpaSimdAvailable(DmpaSimd::Avx) ? Window16Avx : WindowSse<4>;

inline int16_t ToPcm16(float f) {
  if (f >= 32767.0f) return 32767;
  if (f > -32768.0f) return static_cast<int16_t>(f);  // truncates toward zero
  return -32768;  // also NaN, which no valid input produces
}

// ToPcm16 of N values (a multiple of 4), four at a time: the clamp to the 16-bit range first
// (NaN gives the low end, as above), then truncation.
template <int N>
inline void ToPcm16Block(const float* in, int16_t* out) {
#if defined(__SSE2__)
  const __m128 low = _mm_set1_ps(-32768.0f), high = _mm_set1_ps(32767.0f);
  for (int i = 0; i < N; i += 4) {
    const __m128 clamped = _mm_min_ps(_mm_max_ps(_mm_loadu_ps(in + i), low), high);
    const __m128i words = _mm_cvttps_epi32(clamped);
    const __m128i packed = _mm_packs_epi32(words, words);
    _mm_storel_epi64(reinterpret_cast<__m128i*>(out + i), packed);
  }
#else
  for (int i = 0; i < N; ++i) out[i] = ToPcm16(in[i]);
#endif
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

// One time slot of one channel: the input's subband k is in[k * inStride]; the M = 32 >> Shift
// output samples go to out at sample positions first + j * outStride.
template <int Shift, bool Eight>
void SynthSlot(_DMPADECODER* ctx, int ch, int slot, const float* in, int inStride, uint8_t* out,
               int first, int outStride) {
  constexpr int M = 32 >> Shift, H = M / 2, NV = H / 4;
  const DmpaTables& t = *ctx->tables;
  float x[M];
  const float* source = in;
  if (inStride != 1) {
    for (int k = 0; k < M; ++k) x[k] = in[k * inStride];
    source = x;
  }
  float* even = ctx->ring[ch][slot][0];
  float* odd = ctx->ring[ch][slot][1];
  float* middle = &ctx->ringCentre[ch][slot & 1][slot >> 1];
  if constexpr (Shift == 0) {
    // X[2m] = E[m], X[2m + 1] = O[m].
    float E[16], O[16];
    gDct32(t, source, E, O);
    for (int j = 0; j < 16; j += 2) {
      even[j] = E[8 + j / 2];
      even[j + 1] = O[8 + j / 2];
      odd[j] = E[8 - j / 2];
      odd[j + 1] = O[7 - j / 2];
    }
    *middle = E[0];
  } else {
    float X[M];
    Dct<M>(source, X, t.dctCoef + (32 - M));
    for (int j = 0; j < H; ++j) {
      even[j] = X[H + j];
      odd[j] = X[H - j];
    }
    *middle = X[0];
  }

  // The copies 16 slots on.
  std::memcpy(ctx->ring[ch][slot + 16], ctx->ring[ch][slot], sizeof ctx->ring[ch][slot]);
  middle[8] = middle[0];
  float lo[H], hi[H];
  const float* ring = ctx->ring[ch][slot][0];
  if constexpr (Shift == 0) {
    gWindow16(ring, t.synthW1[0][0], t.synthW2[0][0], lo, hi);
  } else {
    WindowSse<NV>(ring, t.synthW1[Shift][0], t.synthW2[Shift][0], lo, hi);
  }
  // The middle sample: eight products summed as two rows of four, then across.
  // Slots slot + 1, slot + 3, ... slot + 15 share the parity of slot + 1 and lie in order.
  const float* ages = &ctx->ringCentre[ch][(slot + 1) & 1][(slot + 1) >> 1];
  const DmpaV4 pairs = DmpaLoad4(t.synthCentre[Shift]) * DmpaLoad4(ages) +
                       DmpaLoad4(t.synthCentre[Shift] + 4) * DmpaLoad4(ages + 4);
  const float centre = (pairs[0] + pairs[1]) + (pairs[2] + pairs[3]);
  if constexpr (Eight) {
    for (int j = 0; j < H; ++j) Put<Eight>(out, first + j * outStride, lo[j]);
    Put<Eight>(out, first + H * outStride, centre);
    for (int j = 1; j < H; ++j) Put<Eight>(out, first + (M - j) * outStride, hi[j]);
  } else {
    float ordered[M];
    for (int j = 0; j < H; ++j) ordered[j] = lo[j];
    ordered[H] = centre;
    for (int j = 1; j < H; ++j) ordered[M - j] = hi[j];
    int16_t pcm[M];
    ToPcm16Block<M>(ordered, pcm);
    for (int j = 0; j < M; ++j) std::memcpy(out + 2 * (first + j * outStride), &pcm[j], 2);
  }
}

// Layers I and II: slots of 64 floats, subband s of channel h at 2s + h for two channels.
template <int Shift, bool Eight, int Channels>
void Synth12(_DMPADECODER* ctx, const float* samples, uint8_t* out, int slots) {
  constexpr int M = 32 >> Shift;
  for (int s = 0; s < slots; ++s) {
    int slot = ctx->ringOffset[0];
    const float* in = samples + 64 * s;
    if constexpr (Channels == 1) {
      SynthSlot<Shift, Eight>(ctx, 0, slot, in, 1, out, s * M, 1);
    } else {
      SynthSlot<Shift, Eight>(ctx, 0, slot, in, 2, out, 2 * s * M, 2);
      SynthSlot<Shift, Eight>(ctx, 1, slot, in + 1, 2, out, 2 * s * M + 1, 2);
    }
    ctx->ringOffset[0] = (slot - 1) & 15;
  }
}

// Layer III: 18 slots of 32 floats of one channel.
template <int Shift, bool Eight, int Channels>
void Synth3(_DMPADECODER* ctx, const float* hybrid, uint8_t* out, int channel) {
  constexpr int M = 32 >> Shift;
  int ring = Channels == 1 ? 0 : channel;
  for (int s = 0; s < 18; ++s) {
    int slot = ctx->ringOffset[ring];
    if constexpr (Channels == 1)
      SynthSlot<Shift, Eight>(ctx, 0, slot, hybrid + 32 * s, 1, out, s * M, 1);
    else
      SynthSlot<Shift, Eight>(ctx, ring, slot, hybrid + 32 * s, 1, out, 2 * s * M + ring, 2);
    ctx->ringOffset[ring] = (slot - 1) & 15;
  }
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
  const bool avx = level >= DmpaSimd::Avx && DmpaSimdAvailable(DmpaSimd::Avx);
  gWindow16 = avx ? Window16Avx : WindowSse<4>;
  gDct32 = avx ? Dct32Avx : Dct32Sse;
  DmpaHybridUseSimd(level);
  DmpaLayer3UseSimd(level);
}

void DmpaSynthReset(_DMPADECODER* ctx) {
  std::memset(ctx->ring, 0, sizeof ctx->ring);
  std::memset(ctx->ringCentre, 0, sizeof ctx->ringCentre);
  ctx->ringOffset[0] = ctx->ringOffset[1] = 0;
}

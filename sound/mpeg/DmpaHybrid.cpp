#include "sound/mpeg/DmpaLayer3.h"
#include "sound/mpeg/DmpaTables.h"
#include "sound/mpeg/DmpaVector.h"

#include <algorithm>
#include <cstring>

// The hybrid filter bank of layer III: per subband an inverse MDCT with overlap-add, then the
// frequency inversion, and the channel handlers that hand the result to the synthesis.

namespace {


// 18 lines to 36 windowed values; the first 18 plus the overlap go to `res`, the last 18
// become the new overlap.
// The 18 x 20 product of the lines and the transform's columns: each output lane sums its 18
// terms in the same order whatever the vector width, so both paths give the same bits.
void DctIvSse(const DmpaTables& t, const float* x, float* y) {
  DmpaV4 acc[5] = {};
  for (int k = 0; k < 18; ++k) {
    const float v = x[k];
    const DmpaV4 vv = {v, v, v, v};
    for (int r = 0; r < 5; ++r) acc[r] += DmpaLoad4(t.imdctLong[k] + 4 * r) * vv;
  }
  std::memcpy(y, acc, sizeof acc);
}

__attribute__((target("avx"))) void DctIvAvx(const DmpaTables& t, const float* x, float* y) {
  DmpaV8 a = {}, b = {};
  DmpaV4 c = {};
  for (int k = 0; k < 18; ++k) {
    const float v = x[k];
    const float* column = t.imdctLong[k];
    a += DmpaLoad8(column) * v;
    b += DmpaLoad8(column + 8) * v;
    c += DmpaLoad4(column + 16) * v;
  }
  DmpaStore8(y, a);
  DmpaStore8(y + 8, b);
  DmpaStore4(y + 16, c);
}

using DctIv = void (*)(const DmpaTables& t, const float* x, float* y);
DctIv gDctIv = DmpaSimdAvailable(DmpaSimd::Avx) ? DctIvAvx : DctIvSse;

void ImdctLong(const DmpaTables& t, const float* x, const float* window, float* ov, float* res) {
  float y[20];
  gDctIv(t, x, y);
  for (int i = 0; i < 9; ++i) {
    res[i] = y[i] * window[i] + ov[i];
    res[17 - i] = -y[i] * window[17 - i] + ov[17 - i];
    ov[i] = y[9 + i] * window[18 + i];
    ov[17 - i] = y[9 + i] * window[35 - i];
  }
}

// Three 12-point transforms, windowed and placed at 6, 12 and 18 of the 36 values.
void ImdctShort(const DmpaTables& t, const float* x, float* ov, float* res) {
  float z[36] = {};
  for (int w = 0; w < 3; ++w) {
    float y[12] = {};
    for (int k = 0; k < 6; ++k) {
      const float v = x[3 * k + w];
      for (int i = 0; i < 12; ++i) y[i] += t.imdctShort[k][i] * v;
    }
    for (int i = 0; i < 12; ++i) z[6 + 6 * w + i] += y[i] * t.windowShort[i];
  }
  for (int i = 0; i < 18; ++i) {
    res[i] = z[i] + ov[i];
    ov[i] = z[18 + i];
  }
}

void Filter(_DMPADECODER* ctx, int ch, float* hybrid) {
  DmpaLayer3& l = ctx->l3;
  const DmpaTables& t = *ctx->tables;
  const int total = l.hybridSubbands;
  const int used = std::min((l.nonzero[ch] + 17) / 18, total);
  float res[18];
  for (int sb = 0; sb < used; ++sb) {
    const int type = l.mixed[ch] && sb < 2 ? 0 : l.blockType[ch];
    if (type == 2)
      ImdctShort(t, l.spectrum[ch] + 18 * sb, l.overlap[ch][sb], res);
    else
      ImdctLong(t, l.spectrum[ch] + 18 * sb, t.windowLong[type], l.overlap[ch][sb], res);
    for (int s = 0; s < 18; ++s) hybrid[32 * s + sb] = res[s];
  }
  for (int sb = used; sb < total; ++sb) {
    float* ov = l.overlap[ch][sb];
    if (sb < l.overlapSubbands[ch]) {
      for (int s = 0; s < 18; ++s) hybrid[32 * s + sb] = ov[s];
      std::memset(ov, 0, sizeof(float) * 18);
    } else {
      for (int s = 0; s < 18; ++s) hybrid[32 * s + sb] = 0;
    }
  }
  l.overlapSubbands[ch] = used;
  for (int s = 1; s < 18; s += 2)
    for (int sb = 1; sb < total; sb += 2) hybrid[32 * s + sb] = -hybrid[32 * s + sb];
}

void HandleSingle(_DMPADECODER* ctx, uint8_t* out, int) {
  Filter(ctx, 0, ctx->l3.hybrid[0]);
  ctx->synth3(ctx, ctx->l3.hybrid[0], out);
}

void HandleBoth(_DMPADECODER* ctx, uint8_t* out, int) {
  Filter(ctx, 0, ctx->l3.hybrid[0]);
  Filter(ctx, 1, ctx->l3.hybrid[1]);
  ctx->synth3(ctx, ctx->l3.hybrid[0], out);
}

// Both channels into one: with the same window shape the spectra (and overlaps) are summed and
// transformed once; otherwise each is transformed and the outputs are added.
void HandleMix(_DMPADECODER* ctx, uint8_t* out, int) {
  DmpaLayer3& l = ctx->l3;
  if (l.blockType[0] == l.blockType[1] && !l.mixed[0] && !l.mixed[1]) {
    const int n = std::max(l.nonzero[0], l.nonzero[1]);
    for (int i = 0; i < n; ++i) l.spectrum[0][i] += l.spectrum[1][i];
    const int ovs = std::max(l.overlapSubbands[0], l.overlapSubbands[1]);
    for (int sb = 0; sb < l.overlapSubbands[1]; ++sb)
      for (int s = 0; s < 18; ++s) l.overlap[0][sb][s] += l.overlap[1][sb][s];
    std::memset(l.overlap[1], 0, sizeof l.overlap[1]);
    l.overlapSubbands[0] = ovs;
    l.overlapSubbands[1] = 0;
    l.nonzero[0] = n;
    Filter(ctx, 0, l.hybrid[0]);
  } else {
    Filter(ctx, 0, l.hybrid[0]);
    Filter(ctx, 1, l.hybrid[1]);
    for (int i = 0; i < 18 * 32; ++i) l.hybrid[0][i] += l.hybrid[1][i];
  }
  ctx->synth3(ctx, l.hybrid[0], out);
}

void HandleFirst(_DMPADECODER* ctx, uint8_t* out, int) {
  Filter(ctx, 0, ctx->l3.hybrid[0]);
  ctx->synth3(ctx, ctx->l3.hybrid[0], out);
}

void HandleSecond(_DMPADECODER* ctx, uint8_t* out, int) {
  Filter(ctx, 1, ctx->l3.hybrid[0]);
  ctx->synth3(ctx, ctx->l3.hybrid[0], out);
}

}  // namespace

void DmpaHybridUseSimd(DmpaSimd level) {
  gDctIv = level >= DmpaSimd::Avx && DmpaSimdAvailable(DmpaSimd::Avx) ? DctIvAvx : DctIvSse;
}

DmpaChannelHandler DmpaL3ChannelHandler(int index) {
  static const DmpaChannelHandler handlers[5] = {HandleSingle, HandleBoth, HandleMix, HandleFirst, HandleSecond};
  return handlers[index];
}

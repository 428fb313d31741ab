#include "sound/mpeg/DmpaBits.h"
#include "sound/mpeg/DmpaLayer3.h"
#include "sound/mpeg/DmpaLayers.h"
#include "sound/mpeg/DmpaSynth.h"

#include <algorithm>
#include <cstring>

namespace {

// Scale factor band boundaries: long (23 values, 0 ... 576) and short (14 values, 0 ... 192),
// by sampling rate: 44.1, 48, 32, 22.05, 24, 16, 11.025, 12, 8 kHz.
const int16_t kLongBounds[9][23] = {
    {0, 4, 8, 12, 16, 20, 24, 30, 36, 44, 52, 62, 74, 90, 110, 134, 162, 196, 238, 288, 342, 418, 576},
    {0, 4, 8, 12, 16, 20, 24, 30, 36, 42, 50, 60, 72, 88, 106, 128, 156, 190, 230, 276, 330, 384, 576},
    {0, 4, 8, 12, 16, 20, 24, 30, 36, 44, 54, 66, 82, 102, 126, 156, 194, 240, 296, 364, 448, 550, 576},
    {0, 6, 12, 18, 24, 30, 36, 44, 54, 66, 80, 96, 116, 140, 168, 200, 238, 284, 336, 396, 464, 522, 576},
    {0, 6, 12, 18, 24, 30, 36, 44, 54, 66, 80, 96, 114, 136, 162, 194, 232, 278, 332, 394, 464, 540, 576},
    {0, 6, 12, 18, 24, 30, 36, 44, 54, 66, 80, 96, 116, 140, 168, 200, 238, 284, 336, 396, 464, 522, 576},
    {0, 6, 12, 18, 24, 30, 36, 44, 54, 66, 80, 96, 116, 140, 168, 200, 238, 284, 336, 396, 464, 522, 576},
    {0, 6, 12, 18, 24, 30, 36, 44, 54, 66, 80, 96, 116, 140, 168, 200, 238, 284, 336, 396, 464, 522, 576},
    {0, 12, 24, 36, 48, 60, 72, 88, 108, 132, 160, 192, 232, 280, 336, 400, 476, 566, 568, 570, 572, 574, 576},
};
const int16_t kShortBounds[9][14] = {
    {0, 4, 8, 12, 16, 22, 30, 40, 52, 66, 84, 106, 136, 192},
    {0, 4, 8, 12, 16, 22, 28, 38, 50, 64, 80, 100, 126, 192},
    {0, 4, 8, 12, 16, 22, 30, 42, 58, 78, 104, 138, 180, 192},
    {0, 4, 8, 12, 18, 24, 32, 42, 56, 74, 100, 132, 174, 192},
    {0, 4, 8, 12, 18, 26, 36, 48, 62, 80, 104, 136, 180, 192},
    {0, 4, 8, 12, 18, 26, 36, 48, 62, 80, 104, 134, 174, 192},
    {0, 4, 8, 12, 18, 26, 36, 48, 62, 80, 104, 134, 174, 192},
    {0, 4, 8, 12, 18, 26, 36, 48, 62, 80, 104, 134, 174, 192},
    {0, 8, 16, 24, 36, 52, 72, 96, 124, 160, 162, 164, 166, 192},
};

const uint8_t kSlen[2][16] = {{0, 0, 0, 0, 3, 1, 1, 1, 2, 2, 2, 3, 3, 3, 4, 4},
                              {0, 1, 2, 3, 0, 1, 2, 3, 1, 2, 3, 1, 2, 3, 2, 3}};

// MPEG-2 scale factor partitions: band counts by table (0-5) and block kind (long, short, mixed).
const uint8_t kPartitions[6][3][4] = {
    {{6, 5, 5, 5}, {9, 9, 9, 9}, {6, 9, 9, 9}},
    {{6, 5, 7, 3}, {9, 9, 12, 6}, {6, 9, 12, 6}},
    {{11, 10, 0, 0}, {18, 18, 0, 0}, {15, 18, 0, 0}},
    {{7, 7, 7, 0}, {12, 12, 12, 0}, {6, 15, 12, 0}},
    {{6, 6, 6, 3}, {12, 9, 9, 6}, {6, 12, 9, 6}},
    {{8, 8, 5, 0}, {15, 12, 9, 0}, {6, 18, 9, 0}},
};

int ShortIndex(int window, int band) { return 22 + window * 13 + band; }

}  // namespace

bool DmpaL3LsfPartitions(int sfc, bool intensityRight, int kind, int slen[4], int count[4]) {
  slen[0] = slen[1] = slen[2] = slen[3] = 0;
  int table;
  bool preflag = false;
  if (!intensityRight) {
    if (sfc < 400) {
      slen[0] = (sfc >> 4) / 5; slen[1] = (sfc >> 4) % 5; slen[2] = (sfc & 15) >> 2; slen[3] = sfc & 3;
      table = 0;
    } else if (sfc < 500) {
      sfc -= 400;
      slen[0] = (sfc >> 2) / 5; slen[1] = (sfc >> 2) % 5; slen[2] = sfc & 3;
      table = 1;
    } else {
      sfc -= 500;
      slen[0] = sfc / 3; slen[1] = sfc % 3;
      table = 2;
      preflag = true;
    }
  } else {
    sfc >>= 1;  // the low bit is intensity_scale
    if (sfc < 180) {
      slen[0] = sfc / 36; slen[1] = (sfc % 36) / 6; slen[2] = (sfc % 36) % 6;
      table = 3;
    } else if (sfc < 244) {
      sfc -= 180;
      slen[0] = (sfc & 63) >> 4; slen[1] = (sfc & 15) >> 2; slen[2] = sfc & 3;
      table = 4;
    } else {
      sfc -= 244;
      slen[0] = sfc / 3; slen[1] = sfc % 3;
      table = 5;
    }
  }
  for (int p = 0; p < 4; ++p) count[p] = kPartitions[table][kind][p];
  return preflag;
}

void DmpaL3Slen(int scalefacCompress, int* slen1, int* slen2) {
  *slen1 = kSlen[0][scalefacCompress & 15];
  *slen2 = kSlen[1][scalefacCompress & 15];
}

const int16_t* DmpaL3LongBounds(int version, int sampleIndex) { return kLongBounds[(version - 1) * 3 + sampleIndex]; }
const int16_t* DmpaL3ShortBounds(int version, int sampleIndex) { return kShortBounds[(version - 1) * 3 + sampleIndex]; }

void DmpaLayer3Setup(_DMPADECODER* ctx, const _DMPAFRAMEINFO* info) {
  DmpaLayer3& l = ctx->l3;
  const _DMPAHEADER& h = info->header;
  l.fill = 0;
  l.start = 0;
  l.toggle = 0;
  std::memset(l.hybrid, 0, sizeof l.hybrid);
  std::memset(l.spectrum, 0, sizeof l.spectrum);
  std::memset(l.overlap, 0, sizeof l.overlap);
  l.overlapSubbands[0] = l.overlapSubbands[1] = 0;
  std::memset(l.side, 0, sizeof l.side);
  std::memset(l.scalefac, 0, sizeof l.scalefac);
  l.mixedLongBands = h.version == 1 ? 8 : 6;
  const int16_t* longBounds = DmpaL3LongBounds(h.version, h.sampleIndex);
  const int16_t* shortBounds = DmpaL3ShortBounds(h.version, h.sampleIndex);
  for (int i = 0; i < 23; ++i) l.longBound[i] = longBounds[i];
  for (int i = 0; i < 14; ++i) l.shortBound[i] = shortBounds[i];
  for (int i = 0; i < 13; ++i) l.shortWidth3[i] = 3 * (l.shortBound[i + 1] - l.shortBound[i]);
  const int n = DmpaSubbandCount(ctx);
  const int hl = h.version == 1 ? 576 : l.longBound[21];
  const int sl = h.version == 1 ? 192 : l.shortBound[12];
  l.huffmanLimit = std::min(hl + 8, 18 * n);
  l.longLimit = std::min(hl, l.huffmanLimit);
  l.shortLimit = std::min(3 * sl, l.huffmanLimit);
  l.hybridSubbands = (l.huffmanLimit + 17) / 18;
  l.channels = h.mode == 3 ? 1 : 2;
  ctx->synth3 = DmpaSynthEntry3(12 + DmpaSynthIndex(ctx->rateShift, info->bitsPerSample == 8, info->channels));
  const int handler = l.channels == 1 ? 0 : 1 + static_cast<int>(ctx->outputFlags & DMPA_OUT_CHANNEL_MASK);
  ctx->channelHandler = DmpaL3ChannelHandler(handler);
}

int DmpaL3ReadSideInfo(_DMPADECODER* ctx, const _DMPAHEADER& h, int slot) {
  DmpaLayer3& l = ctx->l3;
  _DMPABITS* b = &ctx->bits;
  const int nch = l.channels;
  const bool mpeg1 = h.version == 1;
  if (mpeg1) {
    l.mainDataBegin = static_cast<int>(DmpaGetBits(b, 9));
    l.privateBits = static_cast<int>(DmpaGetBits(b, nch == 1 ? 5 : 3));
    for (int ch = 0; ch < nch; ++ch) l.scfsi[ch] = static_cast<int>(DmpaGetBits(b, 4));
  } else {
    l.mainDataBegin = static_cast<int>(DmpaGetBits(b, 8));
    l.privateBits = static_cast<int>(DmpaGetBits(b, nch == 1 ? 1 : 2));
  }
  const int granules = mpeg1 ? 2 : 1;
  for (int g = 0; g < granules; ++g) {
    const int gr = mpeg1 ? g : slot;
    for (int ch = 0; ch < nch; ++ch) {
      DmpaGranule& s = l.side[gr][ch];
      s.part23Length = static_cast<int>(DmpaGetBits(b, 12));
      s.bigValues = static_cast<int>(DmpaGetBits(b, 9));
      s.globalGain = static_cast<int>(DmpaGetBits(b, 8));
      if (l.msOn) s.globalGain -= 2;  // the 1/sqrt(2) of the mid/side matrix
      s.scalefacCompress = static_cast<int>(DmpaGetBits(b, mpeg1 ? 4 : 9));
      s.windowSwitching = static_cast<int>(DmpaGetBits(b, 1));
      if (s.windowSwitching) {
        s.blockType = static_cast<int>(DmpaGetBits(b, 2));
        s.mixedBlock = static_cast<int>(DmpaGetBits(b, 1));
        s.tableSelect[0] = static_cast<int>(DmpaGetBits(b, 5));
        s.tableSelect[1] = static_cast<int>(DmpaGetBits(b, 5));
        s.tableSelect[2] = 0;
        for (int w = 0; w < 3; ++w) s.subblockGain[w] = static_cast<int>(DmpaGetBits(b, 3));
        const bool shortLsf = !mpeg1 && s.blockType == 2;
        s.region0Count = shortLsf ? 5 : 7;
        s.region1Count = shortLsf ? 15 : 13;
      } else {
        s.blockType = 0;
        s.mixedBlock = 0;
        for (int r = 0; r < 3; ++r) s.tableSelect[r] = static_cast<int>(DmpaGetBits(b, 5));
        for (int w = 0; w < 3; ++w) s.subblockGain[w] = 0;
        s.region0Count = static_cast<int>(DmpaGetBits(b, 4));
        s.region1Count = static_cast<int>(DmpaGetBits(b, 3));
      }
      s.preflag = mpeg1 ? static_cast<int>(DmpaGetBits(b, 1)) : 0;
      s.scalefacScale = static_cast<int>(DmpaGetBits(b, 1));
      s.count1Table = static_cast<int>(DmpaGetBits(b, 1));
    }
  }
  if (mpeg1) return nch == 1 ? 17 : 32;
  return nch == 1 ? 9 : 17;
}

void DmpaL3ReadScaleFactors(_DMPADECODER* ctx, const _DMPAHEADER& h, int gr, int ch) {
  DmpaLayer3& l = ctx->l3;
  _DMPABITS* b = &ctx->bits;
  DmpaGranule& s = l.side[gr][ch];
  int* sf = l.scalefac[gr][ch];
  const bool shortBlocks = s.windowSwitching && s.blockType == 2;
  if (h.version == 1) {
    int slen1, slen2;
    DmpaL3Slen(s.scalefacCompress, &slen1, &slen2);
    if (shortBlocks) {
      std::memset(sf, 0, sizeof(int) * 62);
      const int longBands = s.mixedBlock ? 8 : 0;
      for (int band = 0; band < longBands; ++band) sf[band] = static_cast<int>(DmpaGetBits(b, slen1));
      for (int band = s.mixedBlock ? 3 : 0; band < 12; ++band)
        for (int w = 0; w < 3; ++w) sf[ShortIndex(w, band)] = static_cast<int>(DmpaGetBits(b, band < 6 ? slen1 : slen2));
      return;
    }
    static const int groupStart[5] = {0, 6, 11, 16, 21};
    for (int g = 0; g < 4; ++g) {
      const bool reuse = gr == 1 && ((l.scfsi[ch] >> (3 - g)) & 1);
      for (int band = groupStart[g]; band < groupStart[g + 1]; ++band)
        sf[band] = reuse ? l.scalefac[0][ch][band] : static_cast<int>(DmpaGetBits(b, g < 2 ? slen1 : slen2));
    }
    sf[21] = 0;
    return;
  }
  // MPEG-2 and MPEG-2.5: scalefac_compress names four field widths and band counts.
  const int kind = shortBlocks ? (s.mixedBlock ? 2 : 1) : 0;
  int slen[4], count[4];
  if (DmpaL3LsfPartitions(s.scalefacCompress, ch == 1 && l.isOn, kind, slen, count)) s.preflag = 1;
  std::memset(sf, 0, sizeof(int) * 62);
  int* isMax = l.isMax[ch];
  for (int i = 0; i < 62; ++i) isMax[i] = -1;
  // The fields are read in band order; short bands carry one field per window.
  int band = 0, window = 0;
  const int longBands = kind == 0 ? 21 : kind == 2 ? 6 : 0;
  for (int p = 0; p < 4; ++p) {
    const int width = slen[p];
    for (int n = 0; n < count[p]; ++n) {
      const int v = static_cast<int>(DmpaGetBits(b, width));
      int index;
      if (band < longBands) {
        index = band++;
      } else {
        const int shortBand = band - longBands + (kind == 2 ? 3 : 0);
        index = ShortIndex(window, shortBand);
        if (++window == 3) {
          window = 0;
          ++band;
        }
      }
      sf[index] = v;
      isMax[index] = (1 << width) - 1;
    }
  }
}

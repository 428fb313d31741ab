#include "Layer3Writer.h"

#include "sound/mpeg/DmpaLayer3.h"
#include "sound/mpeg/DmpaLayers.h"

#include "MpegTestSupport.h"

#include <gtest/gtest.h>

namespace mpegtest {

namespace {

int BlockKind(const L3Channel& c) { return c.blockType == 2 ? (c.mixed ? 2 : 1) : 0; }

// The scale factors of one channel in the order they are coded, with their widths.
void PutScaleFactors(BitWriter& w, const L3Frame& f, const L3Channel& c, bool intensityRight, int* bits) {
  auto put = [&](int value, int width) {
    EXPECT_LT(value, 1 << width) << "scale factor does not fit its field";
    w.Put(static_cast<uint32_t>(value), width);
    *bits += width;
  };
  const int kind = BlockKind(c);
  if (f.version == 1) {
    int slen1, slen2;
    DmpaL3Slen(c.scalefacCompress, &slen1, &slen2);
    if (kind == 0) {
      for (int band = 0; band < 21; ++band) put(c.longSf[band], band < 11 ? slen1 : slen2);
      return;
    }
    if (kind == 2)
      for (int band = 0; band < 8; ++band) put(c.longSf[band], slen1);
    for (int band = kind == 2 ? 3 : 0; band < 12; ++band)
      for (int win = 0; win < 3; ++win) put(c.shortSf[band][win], band < 6 ? slen1 : slen2);
    return;
  }
  int slen[4], count[4];
  DmpaL3LsfPartitions(c.scalefacCompress, intensityRight, kind, slen, count);
  const int longBands = kind == 0 ? 21 : kind == 2 ? 6 : 0;
  int band = 0, win = 0;
  for (int p = 0; p < 4; ++p) {
    for (int n = 0; n < count[p]; ++n) {
      if (band < longBands) {
        put(c.longSf[band++], slen[p]);
        continue;
      }
      put(c.shortSf[band - longBands + (kind == 2 ? 3 : 0)][win], slen[p]);
      if (++win == 3) {
        win = 0;
        ++band;
      }
    }
  }
}

// Every line in count1 quadruples of table B, up to the last non-zero quadruple.
void PutLines(BitWriter& w, const L3Channel& c, int* bits) {
  int end = 576;
  while (end > 0 && c.values[end - 1] == 0) --end;
  for (int q = 0; q < (end + 3) / 4; ++q) {
    const int* v = c.values + 4 * q;
    uint32_t code = 0;
    for (int k = 0; k < 4; ++k) {
      EXPECT_LE(std::abs(v[k]), 1) << "the writer codes -1, 0 and 1 only";
      code = code << 1 | (v[k] != 0);
    }
    w.Put(~code & 15, 4);  // table B codes each magnitude bit inverted
    *bits += 4;
    for (int k = 0; k < 4; ++k)
      if (v[k]) {
        w.Put(v[k] < 0, 1);
        ++*bits;
      }
  }
}

}  // namespace

std::vector<uint8_t> BuildLayer3Frame(const L3Frame& f) {
  const bool mpeg1 = f.version == 1;
  const int channels = f.mode == 3 ? 1 : 2;
  const int granules = mpeg1 ? 2 : 1;
  const bool intensity = f.mode == 1 && (f.modeExtension & 1);
  // Main data first: it gives the part2_3_lengths of the side information.
  BitWriter main;
  int length[2][2] = {};
  for (int gr = 0; gr < granules; ++gr)
    for (int ch = 0; ch < channels; ++ch) {
      PutScaleFactors(main, f, f.gr[gr][ch], intensity && ch == 1, &length[gr][ch]);
      PutLines(main, f.gr[gr][ch], &length[gr][ch]);
    }
  BitWriter w;
  w.Put(f.version == 3 ? 0xFFE : 0xFFF, 12);
  w.Put(mpeg1 ? 1 : 0, 1);
  w.Put(1, 2);  // layer III
  w.Put(1, 1);  // no CRC
  w.Put(static_cast<uint32_t>(f.bitrateIndex), 4);
  w.Put(static_cast<uint32_t>(f.sampleIndex), 2);
  w.Put(0, 2);  // no padding, private bit
  w.Put(static_cast<uint32_t>(f.mode), 2);
  w.Put(static_cast<uint32_t>(f.modeExtension), 2);
  w.Put(0, 4);
  w.Put(0, mpeg1 ? 9 : 8);  // main_data_begin
  w.Put(0, mpeg1 ? (channels == 1 ? 5 : 3) : channels);
  if (mpeg1) w.Put(0, 4 * channels);  // no scale factor sharing between granules
  for (int gr = 0; gr < granules; ++gr)
    for (int ch = 0; ch < channels; ++ch) {
      const L3Channel& c = f.gr[gr][ch];
      w.Put(static_cast<uint32_t>(length[gr][ch]), 12);
      w.Put(0, 9);  // big_values: every line is in the count1 region
      w.Put(static_cast<uint32_t>(c.globalGain), 8);
      w.Put(static_cast<uint32_t>(c.scalefacCompress), mpeg1 ? 4 : 9);
      w.Put(c.blockType != 0, 1);
      if (c.blockType != 0) {
        w.Put(static_cast<uint32_t>(c.blockType), 2);
        w.Put(c.mixed, 1);
        w.Put(0, 10);  // table_select of the two regions
        for (int win = 0; win < 3; ++win) w.Put(static_cast<uint32_t>(c.subblockGain[win]), 3);
      } else {
        w.Put(0, 15);  // table_select of the three regions
        w.Put(0, 7);   // region0_count, region1_count
      }
      if (mpeg1) w.Put(c.preflag, 1);
      w.Put(c.scalefacScale, 1);
      w.Put(1, 1);  // count1 table B
    }
  _DMPAHEADER h{};
  h.version = f.version;
  h.layer = 3;
  h.bitrateIndex = f.bitrateIndex;
  const size_t frameBytes = static_cast<size_t>(DmpaFrameLength(h, DmpaSampleRate(f.version, f.sampleIndex)));
  std::vector<uint8_t> bytes = w.bytes();
  bytes.insert(bytes.end(), main.bytes().begin(), main.bytes().end());
  EXPECT_LE(bytes.size(), frameBytes) << "frame overfull";
  bytes.resize(frameBytes, 0);
  return bytes;
}

int Layer3LongLine(int version, int sampleIndex, int band, int k) {
  return DmpaL3LongBounds(version, sampleIndex)[band] + k;
}

int Layer3ShortLine(int version, int sampleIndex, int band, int window, int k) {
  const int16_t* bound = DmpaL3ShortBounds(version, sampleIndex);
  return 3 * bound[band] + window * (bound[band + 1] - bound[band]) + k;
}

}  // namespace mpegtest

#include "StereoFixture.h"

#include "sound/mpeg/DmpaLayer3.h"
#include "sound/mpeg/DmpaLayers.h"

#include "Layer3Writer.h"
#include "MpegTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

namespace mpegtest {

namespace {

// One scale factor band of one granule: a long band, or a short band in one window. Its lines
// are the positions in coding order that the decoder decodes and plays (the others stay 0).
struct Unit {
  bool isShort;
  int band;
  int window;
  std::vector<int> lines;
  bool hasScale;  // long band 21 and short band 12 take band 20's or 11's value
};

// The result of a band of the intensity region as scale factor steps of 2^(-1/2) added to the
// left channel's scale factor, or a silenced channel.
struct Effect {
  bool legal;
  int left, right;
  bool zeroLeft, zeroRight;
};

class Builder {
 public:
  explicit Builder(const StereoSpec& spec) : spec_(spec), rng_(spec.seed) {
    L3Frame probe;
    probe.version = spec.version;
    probe.sampleIndex = spec.sampleIndex;
    const auto bytes = BuildLayer3Frame(probe);
    auto ctx = NewDecoder();
    ctx->cutoff = DmpaSampleRate(spec.version, spec.sampleIndex);
    EXPECT_EQ(DmpaStartStream(ctx.get(), bytes.data(), bytes.size()), 1);
    const DmpaLayer3& l = ctx->l3;
    // Lines the decoder drops by design (the top subband, MPEG-2's last bands) stay empty, so
    // that only the stereo processing is compared; so do the long lines whose alias reduction
    // reaches into a subband that is never played.
    const int played = 18 * l.hybridSubbands;
    longLimit_ = std::min(l.longLimit, played - 8);
    shortLimit_ = std::min(l.shortLimit, played);
    lb_ = DmpaL3LongBounds(spec.version, spec.sampleIndex);
    sb_ = DmpaL3ShortBounds(spec.version, spec.sampleIndex);
  }

  StereoStreams Build() {
    StereoStreams s;
    for (int i = 0; i < spec_.frames; ++i) {
      L3Frame joint, plain;
      joint.version = plain.version = spec_.version;
      joint.sampleIndex = plain.sampleIndex = spec_.sampleIndex;
      ms_ = rng_() % 2 != 0;
      joint.modeExtension = ms_ ? 3 : 1;
      plain.mode = 0;
      plain.modeExtension = 0;
      for (int gr = 0; gr < (spec_.version == 1 ? 2 : 1); ++gr)
        Granule(joint.gr[gr], plain.gr[gr]);
      const auto a = BuildLayer3Frame(joint);
      const auto b = BuildLayer3Frame(plain);
      s.joint.insert(s.joint.end(), a.begin(), a.end());
      s.expected.insert(s.expected.end(), b.begin(), b.end());
    }
    return s;
  }

 private:
  bool Equivalent() const { return spec_.check == StereoCheck::Equivalent; }
  bool Mpeg1() const { return spec_.version == 1; }
  int Random(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng_); }
  int Line() { return Random(-1, 1); }

  std::vector<Unit> Units() const {
    std::vector<Unit> units;
    const int longBands = spec_.layout == L3Layout::Long ? 22 : spec_.layout == L3Layout::Mixed ? (Mpeg1() ? 8 : 6) : 0;
    for (int b = 0; b < longBands; ++b) {
      Unit u{false, b, 0, {}, b < 21};
      for (int l = lb_[b]; l < lb_[b + 1] && l < longLimit_; ++l) u.lines.push_back(l);
      units.push_back(u);
    }
    if (spec_.layout == L3Layout::Long) return units;
    for (int b = spec_.layout == L3Layout::Mixed ? 3 : 0; b < 13; ++b)
      for (int w = 0; w < 3; ++w) {
        Unit u{true, b, w, {}, b < 12};
        const int width = sb_[b + 1] - sb_[b];
        for (int k = 0; k < width; ++k) {
          const int coded = Layer3ShortLine(spec_.version, spec_.sampleIndex, b, w, k);
          if (coded < shortLimit_ && 3 * (sb_[b] + k) + 2 < shortLimit_) u.lines.push_back(coded);
        }
        units.push_back(u);
      }
    return units;
  }

  static int& Scale(L3Channel& c, const Unit& u) {
    const int band = u.hasScale ? u.band : u.band - 1;
    return u.isShort ? c.shortSf[band][u.window] : c.longSf[band];
  }

  // The largest value of the unit's scale factor field (its donor's for a unit without one).
  int FieldMax(const L3Channel& c, bool intensityRight, const Unit& u) const {
    const int band = u.hasScale ? u.band : u.band - 1;
    int width;
    if (Mpeg1()) {
      int slen1, slen2;
      DmpaL3Slen(c.scalefacCompress, &slen1, &slen2);
      width = band < (u.isShort ? 6 : 11) ? slen1 : slen2;
    } else {
      const int kind = spec_.layout == L3Layout::Long ? 0 : spec_.layout == L3Layout::Short ? 1 : 2;
      int index = !u.isShort ? band : kind == 1 ? 3 * band + u.window : 6 + 3 * (band - 3) + u.window;
      int slen[4], count[4];
      DmpaL3LsfPartitions(c.scalefacCompress, intensityRight, kind, slen, count);
      int p = 0;
      while (p < 3 && index >= count[p]) index -= count[p++];
      width = slen[p];
    }
    return (1 << width) - 1;
  }

  Effect EffectOf(int pos, int max) const {
    if (Mpeg1()) {
      if (pos == 7 || pos == 9) return {false, 0, 0, false, false};
      if (pos == 0) return {true, 0, 0, true, false};
      if (pos == 6) return {true, 0, 0, false, true};
      if (pos == 3) return {true, 2, 2, false, false};  // kL = kR = 1/2
      return {true, -1, -1, false, false};              // no scale factor steps
    }
    // MPEG-2/2.5 with intensity_scale 1: odd positions lower the left channel, even ones the
    // right, by 2^(-1/2) per step of two.
    if (pos == max) return {false, 0, 0, false, false};
    if (pos % 2) return {true, (pos + 1) / 2, 0, false, false};
    return {true, 0, pos / 2, false, false};
  }

  // A position libmpg123 treats as this decoder does (libmpg123 plays position 9 as a
  // full-scale burst, and in MPEG-2/2.5 it takes 7 as the illegal position for every width).
  int Agreeable(int pos, int max) const {
    if (Mpeg1()) return pos == 9 ? 8 : pos;
    if (max != 7 && pos == 7) return 6;
    if (max != 7 && pos == max) return max - 1;
    return pos;
  }

  int Position(int max) {
    if (Mpeg1()) {
      std::vector<int> choice;
      for (int p : {0, 3, 6, 7, 9})
        if (p <= max) choice.push_back(p);
      return choice[static_cast<size_t>(Random(0, static_cast<int>(choice.size()) - 1))];
    }
    return Random(0, 3) == 0 ? max : Random(0, std::min(9, max));
  }

  void Granule(L3Channel* joint, L3Channel* plain);

  const StereoSpec& spec_;
  std::mt19937 rng_;
  int longLimit_ = 0, shortLimit_ = 0;
  const int16_t* lb_ = nullptr;
  const int16_t* sb_ = nullptr;
  bool ms_ = false;
};

void Builder::Granule(L3Channel* joint, L3Channel* plain) {
  L3Channel& left = joint[0];
  L3Channel& right = joint[1];
  const bool equivalent = Equivalent();
  const L3Layout layout = spec_.layout;
  for (L3Channel* c : {&joint[0], &joint[1], &plain[0], &plain[1]}) {
    c->blockType = layout == L3Layout::Long ? 0 : 2;
    c->mixed = layout == L3Layout::Mixed;
  }
  left.globalGain = Random(165, 185);
  right.globalGain = equivalent ? left.globalGain : Random(165, 185);
  for (int w = 0; w < 3 && layout != L3Layout::Long; ++w) left.subblockGain[w] = right.subblockGain[w] = Random(0, 1);
  if (!equivalent) {
    left.scalefacScale = Random(0, 1) != 0;
    right.scalefacScale = Random(0, 1) != 0;
    left.preflag = Mpeg1() && Random(0, 1);
  }
  if (Mpeg1()) {
    // libmpg123 keeps long band 0 out of the intensity region when the right channel's part is
    // empty (no scale factor bits and no lines): Agreed gives the right channel scale factor
    // bits.
    left.scalefacCompress = equivalent ? 15 : Random(0, 15);
    right.scalefacCompress = Random(equivalent ? 0 : 1, 15);
  } else {
    // The right channel's widths come from the intensity family; for Agreed only those whose
    // every field has at least one bit (a field of no bits makes position 0 illegal).
    left.scalefacCompress = equivalent ? 399 : Random(0, 511);
    const int family = equivalent ? Random(0, 255) : Random(1, 4) * 36 + Random(1, 5) * 6 + Random(1, 5);
    right.scalefacCompress = family << 1 | (equivalent ? 1 : Random(0, 1));
  }
  for (int ch = 0; ch < 2; ++ch) {
    plain[ch].globalGain = left.globalGain;
    plain[ch].scalefacCompress = Mpeg1() ? 15 : 399;
    for (int w = 0; w < 3; ++w) plain[ch].subblockGain[w] = left.subblockGain[w];
  }

  // The right channel's extent: its last band with lines, per window for the short part.
  // libmpg123 treats a right channel with lines in short band 12 differently, and a channel
  // that needs a mid/side step in a band without a scale factor cannot be written as a plain
  // frame, so only Equivalent without mid/side reaches band 12 (and band 21 in MPEG-1).
  const auto units = Units();
  const bool band12 = equivalent && !ms_;
  const bool band21 = Mpeg1() && (!equivalent || !ms_);
  auto usable = [&](bool isShort, int band) {
    for (const Unit& u : units)
      if (u.isShort == isShort && u.band == band && !u.lines.empty()) return true;
    return false;
  };
  auto pick = [&](bool isShort, int lo, int hi) {
    if (Random(0, 5) == 0) return -1;
    for (int tries = 0; tries < 20; ++tries) {
      const int b = Random(lo, hi);
      if (usable(isShort, b)) return b;
    }
    return -1;
  };
  const int firstShort = layout == L3Layout::Mixed ? 3 : 0;
  const int longBands = layout == L3Layout::Long ? 22 : (Mpeg1() ? 8 : 6);
  const int maxLong = layout == L3Layout::Short ? -1 : pick(false, 0, std::min(longBands - 1, band21 ? 21 : 20));
  int maxShort[3] = {-1, -1, -1};
  const bool shortPartEmpty = layout == L3Layout::Mixed && Random(0, 2) == 0;
  for (int w = 0; w < 3 && layout != L3Layout::Long && !shortPartEmpty; ++w)
    maxShort[w] = pick(true, firstShort, band12 ? 12 : 11);
  const bool anyShort = std::any_of(maxShort, maxShort + 3, [](int b) { return b >= 0; });
  auto intensity = [&](const Unit& u) {
    if (u.isShort) return u.band > maxShort[u.window];
    return !anyShort && u.band > maxLong;
  };
  auto extent = [&](const Unit& u) { return u.isShort ? u.band == maxShort[u.window] : u.band == maxLong; };

  // Lines, then scale factors and positions, then the plain frame band by band.
  for (const Unit& u : units) {
    const bool is = intensity(u);
    for (int line : u.lines) {
      left.values[line] = Line();
      right.values[line] = is ? 0 : Line();
      if (!is && equivalent && ms_ && left.values[line]) right.values[line] = 0;  // M or S, never both
    }
    if (!is && extent(u) && !u.lines.empty()) {
      const int first = u.lines.front();
      right.values[first] = -1;
      if (equivalent && ms_) left.values[first] = 0;
    }
  }
  for (const Unit& u : units) {
    if (!u.hasScale) continue;
    const int maxL = FieldMax(left, false, u), maxR = FieldMax(right, true, u);
    int& sl = Scale(left, u);
    int& sr = Scale(right, u);
    sl = Random(0, equivalent ? std::min(1, maxL) : maxL);
    if (!equivalent) {
      sr = Agreeable(Random(0, maxR), maxR);
    } else if (intensity(u)) {
      sr = Position(maxR);
    } else if (ms_) {
      sl = sr = std::min(sl, maxR);  // mid/side as a plain frame needs one scale factor
    } else {
      sr = Random(0, std::min(1, maxR));
    }
  }
  if (!equivalent) return;
  for (const Unit& u : units) {
    const bool is = intensity(u);
    const int sl = u.hasScale ? Scale(left, u) : 0;
    const int sr = u.hasScale ? Scale(right, u) : 0;
    int el = sl, er = sr;
    for (int line : u.lines) {
      const int l = left.values[line], r = right.values[line];
      int& pl = plain[0].values[line];
      int& pr = plain[1].values[line];
      if (!is) {
        pl = ms_ ? l + r : l;
        pr = ms_ ? l - r : r;
        if (ms_) el = er = sl + 1;  // the mid/side gain, two steps below the global gain
        continue;
      }
      Effect e = EffectOf(Scale(right, u), FieldMax(right, true, u));
      if (e.legal) {
        pl = e.zeroLeft ? 0 : l;
        pr = e.zeroRight ? 0 : l;
        el = sl + e.left;
        er = sl + e.right;
      } else {
        pl = l;
        pr = ms_ ? l : 0;
        el = er = sl + (ms_ ? 1 : 0);
      }
    }
    if (is && !u.hasScale && (el != 0 || er != 0)) {
      // A band without a scale factor whose donor gives a ratio that takes steps: it stays
      // empty in both frames.
      for (int line : u.lines) left.values[line] = plain[0].values[line] = plain[1].values[line] = 0;
      continue;
    }
    if (u.hasScale && !u.lines.empty()) {
      Scale(plain[0], u) = el;
      Scale(plain[1], u) = er;
    }
  }
}

}  // namespace

StereoStreams BuildStereoStreams(const StereoSpec& spec) { return Builder(spec).Build(); }

}  // namespace mpegtest

#include "sound/mpeg/DmpaTables.h"

#include <cmath>

namespace {

// The synthesis window of the standard for i = 0 ... 256, in units of 2^-16; the rest follows
// from the symmetry of the prototype filter (see DmpaSynthesisWindow).
const int32_t kWindowHalf[257] = {
    0,      -1,     -1,     -1,     -1,     -1,     -1,     -2,     -2,     -2,     -2,
    -3,     -3,     -4,     -4,     -5,     -5,     -6,     -7,     -7,     -8,     -9,
    -10,    -11,    -13,    -14,    -16,    -17,    -19,    -21,    -24,    -26,    -29,
    -31,    -35,    -38,    -41,    -45,    -49,    -53,    -58,    -63,    -68,    -73,
    -79,    -85,    -91,    -97,    -104,   -111,   -117,   -125,   -132,   -139,   -147,
    -154,   -161,   -169,   -176,   -183,   -190,   -196,   -202,   -208,   213,    218,
    222,    225,    227,    228,    228,    227,    224,    221,    215,    208,    200,
    189,    177,    163,    146,    127,    106,    83,     57,     29,     -2,     -36,
    -72,    -111,   -153,   -197,   -244,   -294,   -347,   -401,   -459,   -519,   -581,
    -645,   -711,   -779,   -848,   -919,   -991,   -1064,  -1137,  -1210,  -1283,  -1356,
    -1428,  -1498,  -1567,  -1634,  -1698,  -1759,  -1817,  -1870,  -1919,  -1962,  -2001,
    -2032,  -2057,  -2075,  -2085,  -2087,  -2080,  -2063,  2037,   2000,   1952,   1893,
    1822,   1739,   1644,   1535,   1414,   1280,   1131,   970,    794,    605,    402,
    185,    -45,    -288,   -545,   -814,   -1095,  -1388,  -1692,  -2006,  -2330,  -2663,
    -3004,  -3351,  -3705,  -4063,  -4425,  -4788,  -5153,  -5517,  -5879,  -6237,  -6589,
    -6935,  -7271,  -7597,  -7910,  -8209,  -8491,  -8755,  -8998,  -9219,  -9416,  -9585,
    -9727,  -9838,  -9916,  -9959,  -9966,  -9935,  -9863,  -9750,  -9592,  -9389,  -9139,
    -8840,  -8492,  -8092,  -7640,  -7134,  6574,   5959,   5288,   4561,   3776,   2935,
    2037,   1082,   70,     -998,   -2122,  -3300,  -4533,  -5818,  -7154,  -8540,  -9975,
    -11455, -12980, -14548, -16155, -17799, -19478, -21189, -22929, -24694, -26482, -28289,
    -30112, -31947, -33791, -35640, -37489, -39336, -41176, -43006, -44821, -46617, -48390,
    -50137, -51853, -53534, -55178, -56778, -58333, -59838, -61289, -62684, -64019, -65290,
    -66494, -67629, -68692, -69679, -70590, -71420, -72169, -72835, -73415, -73908, -74313,
    -74630, -74856, -74992, 75038};

void BuildLayer12(DmpaTables& t) {
  t.layer1Base[0] = 0;
  for (int a = 1; a < 15; ++a) t.layer1Base[a] = static_cast<float>(2.0 / ((1 << (a + 1)) - 1));
  t.layer1Base[15] = 0;
  static const int levels[18] = {0,   3,   5,    7,    9,    15,   31,    63,    127,
                                 255, 511, 1023, 2047, 4095, 8191, 16383, 32767, 65535};
  t.layer2Base[0] = 0;
  for (int q = 1; q < 18; ++q) t.layer2Base[q] = static_cast<float>(2.0 / levels[q]);
  for (int k = 0; k < 64; ++k) t.scaleFactor[k] = static_cast<float>(65536.0 * std::exp2(-k / 3.0));
  for (int i = 0; i < 32; ++i)
    for (int d = 0, v = i; d < 3; ++d, v /= 3) t.ungroup3[i][d] = static_cast<int8_t>(v % 3 - 1);
  for (int i = 0; i < 128; ++i)
    for (int d = 0, v = i; d < 3; ++d, v /= 5) t.ungroup5[i][d] = static_cast<int8_t>(v % 5 - 2);
  for (int i = 0; i < 1024; ++i)
    for (int d = 0, v = i; d < 3; ++d, v /= 9) t.ungroup9[i][d] = static_cast<int16_t>(v % 9 - 4);
}

void BuildLayer3(DmpaTables& t) {
  for (int i = 0; i < 262; ++i) t.gain[i] = static_cast<float>(std::exp2((i - 156) / 4.0));
  for (int m = 0; m < 2; ++m)
    for (int p = 0; p < 4; ++p)
      for (int s = 0; s < 32; ++s)
        t.sfMult[m][p][s] = static_cast<float>(std::exp2(-(p + s) * (m + 1) / 2.0));
  // |x|^(4/3) by pow below 32 and as x * cbrt(x) above (the two agree at 32).
  for (int a = 0; a < 8207; ++a) {
    t.pow43Abs[a] = a < 32 ? static_cast<float>(std::pow(a, 4.0 / 3.0))
                           : static_cast<float>(a * std::cbrt(static_cast<double>(a)));
  }
  for (int j = 0; j < 8; ++j) t.subblockGain[j] = static_cast<float>(std::exp2(-2.0 * j));
  static const double ci[8] = {-0.6, -0.535, -0.33, -0.185, -0.095, -0.041, -0.0142, -0.0037};
  for (int i = 0; i < 8; ++i) {
    double sq = std::sqrt(1.0 + ci[i] * ci[i]);
    t.cs[i] = static_cast<float>(1.0 / sq);
    t.ca[i] = static_cast<float>(ci[i] / sq);
  }
  const double pi = 3.14159265358979323846;
  // tan(p pi / 12) as sin / cos, so that position 6 gives exactly 1 and 0. A 4-bit scale
  // factor field can carry positions above 7: they take the same formula, except 9, whose
  // denominator sin + cos is zero (the decoder treats it as the illegal position 7).
  for (int p = 0; p < 16; ++p) {
    double s = std::sin(p * pi / 12), c = std::cos(p * pi / 12);
    if (p == 6) c = 0;
    if (p == 7 || p == 9) s = 1, c = 0;
    t.isRatio1[p][0] = static_cast<float>(s / (s + c));
    t.isRatio1[p][1] = static_cast<float>(c / (s + c));
  }
  for (int scale = 0; scale < 2; ++scale) {
    double i0 = std::exp2(scale ? -0.5 : -0.25);
    for (int p = 0; p < 32; ++p) {
      double kl = 1, kr = 1;
      if (p & 1) kl = std::pow(i0, (p + 1) / 2);
      else if (p) kr = std::pow(i0, p / 2);
      t.isRatio2[scale][p][0] = static_cast<float>(kl);
      t.isRatio2[scale][p][1] = static_cast<float>(kr);
    }
  }
  // Long IMDCT: x_i = sum_k X_k cos(pi / 72 (2i + 19)(2k + 1)); outputs 0-8 and 18-26 are
  // unique (9-17 mirror 0-8 with a sign, 27-35 mirror 18-26).
  for (int k = 0; k < 18; ++k) {
    for (int r = 0; r < 20; ++r) {
      double v = 0;
      if (r < 18) {
        int i = r < 9 ? r : r + 9;
        v = std::cos(pi / 72 * (2 * i + 19) * (2 * k + 1));
      }
      t.imdctLong[k][r] = static_cast<float>(v);
    }
  }
  for (int i = 0; i < 36; ++i) {
    double longWin = std::sin(pi / 36 * (i + 0.5));
    t.windowLong[0][i] = static_cast<float>(longWin);
    double w1 = i < 18 ? longWin : i < 24 ? 1.0 : i < 30 ? std::sin(pi / 12 * (i - 18 + 0.5)) : 0.0;
    double w3 = i < 6 ? 0.0 : i < 12 ? std::sin(pi / 12 * (i - 6 + 0.5)) : i < 18 ? 1.0 : longWin;
    t.windowLong[1][i] = static_cast<float>(w1);
    t.windowLong[2][i] = 0;
    t.windowLong[3][i] = static_cast<float>(w3);
  }
  for (int k = 0; k < 6; ++k)
    for (int i = 0; i < 12; ++i)
      t.imdctShort[k][i] = static_cast<float>(std::cos(pi / 24 * (2 * i + 7) * (2 * k + 1)));
  for (int i = 0; i < 12; ++i) t.windowShort[i] = static_cast<float>(std::sin(pi / 12 * (i + 0.5)));
}

// Window rows for rate shift s: M = 32 >> s subbands, H = M / 2, Ds[n] = D[n << s]. An output
// slot is out[j] = sum over ages m of W1[m][j] * row_m[j] (j < H), out[M - j] = sum of
// W2[m][j] * row_m[j] (0 < j < H) and out[H] = sum of centre terms; row_m is the even or the odd
// row of the slot m slots back (see DmpaSynth.cpp).
void BuildSynthesis(DmpaTables& t) {
  const double pi = 3.14159265358979323846;
  int idx = 0;
  for (int n = 16; n >= 1; n /= 2)
    for (int k = 0; k < n; ++k)
      t.dctCoef[idx++] = static_cast<float>(0.5 / std::cos((2 * k + 1) * pi / (4.0 * n)));
  // The full-rate DCT-II X_n = sum_k x_k cos(pi n (2k + 1) / 64) as the synthesis ring keeps
  // it: lane j of the even row is X[16 + j], of the odd row X[16 - j]. An even n takes the sum
  // x_k + x_31-k, an odd one the difference, so the coefficient of pair k is the same cosine.
  for (int k = 0; k < 16; ++k) {
    for (int j = 0; j < 16; ++j) {
      t.dct32Rows[k][j] = static_cast<float>(std::cos(pi * (16 + j) * (2 * k + 1) / 64.0));
      t.dct32Rows[k][16 + j] = static_cast<float>(std::cos(pi * (16 - j) * (2 * k + 1) / 64.0));
    }
  }
  for (int s = 0; s < 3; ++s) {
    int m = 32 >> s, h = m / 2;
    auto ds = [s](int n) { return DmpaSynthesisWindow(n << s); };
    for (int age = 0; age < 16; ++age) {
      int i = age / 2;
      for (int j = 0; j < 16; ++j) {
        double w1 = 0, w2 = 0;
        if (j < h) {
          if (age % 2 == 0) {
            w1 = ds(j + 2 * m * i);
            w2 = j ? -ds(m - j + 2 * m * i) : 0;
          } else {
            w1 = -ds(j + 2 * m * i + m);
            w2 = j ? -ds(2 * m - j + 2 * m * i) : 0;
          }
        }
        t.synthW1[s][age][j] = static_cast<float>(w1);
        t.synthW2[s][age][j] = static_cast<float>(w2);
      }
    }
    for (int i = 0; i < 8; ++i) t.synthCentre[s][i] = static_cast<float>(-ds(h + 2 * m * i + m));
  }
}

DmpaTables BuildTables() {
  DmpaTables t{};
  BuildLayer12(t);
  BuildLayer3(t);
  BuildSynthesis(t);
  return t;
}

}  // namespace

double DmpaSynthesisWindow(int i) {
  // D[n] = h[n] (-1)^(n / 64) for a prototype h symmetric about 256, so the upper half mirrors
  // the lower one with its sign flipped, except at multiples of 64.
  if (i <= 256) return kWindowHalf[i] / 65536.0;
  int mirror = 512 - i;
  double v = kWindowHalf[mirror] / 65536.0;
  return mirror % 64 == 0 ? v : -v;
}

const DmpaTables* DmpaGetTables() {
  static const DmpaTables tables = BuildTables();
  return &tables;
}

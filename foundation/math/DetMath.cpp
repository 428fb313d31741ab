#include "foundation/math/DetMath.h"

#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

// Only exact operations of the C library are called here (frexp, ldexp, floor, sqrt, fabs):
// everything else is this file's own arithmetic, in the order written. The build keeps
// -ffp-contract=off, so no multiply-add is fused behind our back.

namespace {

constexpr double kPi = 0x1.921fb54442d18p+1;
constexpr double kPiOver2 = 0x1.921fb54442d18p+0;
constexpr double kPiOver4 = 0x1.921fb54442d18p-1;
constexpr double kAtanHalf = 0x1.dac670561bb4fp-2;     // atan(0.5)
constexpr double kAtanThreeHalves = 0x1.f730bd281f69bp-1;  // atan(1.5)
constexpr double kLn2 = 0x1.62e42fefa39efp-1;
constexpr double kInvLn2 = 0x1.71547652b82fep+0;

// The first 256 bits of the fraction of 2/pi, most significant first.
constexpr uint32_t kTwoOverPi[8] = {0xA2F9836E, 0x4E441529, 0xFC2757D1, 0xF534DDC0,
                                    0xDB629599, 0x3C439041, 0xFE5163AB, 0xDEBBC561};

uint32_t bitsOf(float f) {
  uint32_t b;
  std::memcpy(&b, &f, sizeof b);
  return b;
}

// Bits first .. first + 95 of 2/pi (bit 1 has the weight 1/2) as one integer. The four table
// words that hold them are joined and shifted into place; first stays below 104 for every
// finite float, so the words read never pass the table's end.
unsigned __int128 twoOverPiWindow(int first) {
  const int bit = first - 1;  // 0-based position in the table
  const int word = bit / 32;
  const int offset = bit % 32;
  unsigned __int128 w = 0;
  for (int i = 0; i < 4; ++i) w = w << 32 | kTwoOverPi[word + i];
  constexpr unsigned __int128 kLow96 = (static_cast<unsigned __int128>(1) << 96) - 1;
  return (w >> (32 - offset)) & kLow96;
}

// |x| = r + q * pi/2 with |r| <= pi/4, for a finite float |x| above pi/4. The product of the
// float's 24-bit mantissa with 96 bits of 2/pi is exact in 128-bit integers, so the remainder
// is right to about 70 bits for every float, however large (no float lies closer than 2^-30 or
// so to a multiple of pi/2, so that is ample).
double reduce(float ax, int* quadrant) {
  const uint32_t bits = bitsOf(ax);
  const int biased = static_cast<int>(bits >> 23);
  const uint64_t mantissa = (bits & 0x7FFFFFu) | 0x800000u;
  const int e = biased - 150;  // |x| = mantissa * 2^e
  // Bits of 2/pi before first contribute multiples of 4 quarter turns: whole turns.
  const int first = e - 1 > 1 ? e - 1 : 1;
  const int shift = first + 95 - e;  // the product's binary point
  const unsigned __int128 product = static_cast<unsigned __int128>(mantissa) *
                                    twoOverPiWindow(first);
  const unsigned __int128 one = static_cast<unsigned __int128>(1) << shift;
  int q = static_cast<int>((product >> shift) & 3u);
  __int128 fraction = static_cast<__int128>(product & (one - 1));
  if (fraction >= static_cast<__int128>(one >> 1)) {
    fraction -= static_cast<__int128>(one);
    q = (q + 1) & 3;
  }
  *quadrant = q;
  return std::ldexp(static_cast<double>(fraction), -shift) * kPiOver2;
}

// Taylor polynomials on |r| <= pi/4; the first omitted term is below 2^-60 of the result.
double sinPoly(double r) {
  constexpr double s1 = -1.0 / 6.0, s2 = 1.0 / 120.0, s3 = -1.0 / 5040.0, s4 = 1.0 / 362880.0,
                   s5 = -1.0 / 39916800.0, s6 = 1.0 / 6227020800.0,
                   s7 = -1.0 / 1307674368000.0, s8 = 1.0 / 355687428096000.0;
  const double z = r * r;
  const double p = s1 + z * (s2 + z * (s3 + z * (s4 + z * (s5 + z * (s6 + z * (s7 + z * s8))))));
  return r + r * (z * p);
}

double cosPoly(double r) {
  constexpr double c1 = -1.0 / 2.0, c2 = 1.0 / 24.0, c3 = -1.0 / 720.0, c4 = 1.0 / 40320.0,
                   c5 = -1.0 / 3628800.0, c6 = 1.0 / 479001600.0, c7 = -1.0 / 87178291200.0,
                   c8 = 1.0 / 20922789888000.0;
  const double z = r * r;
  const double p = c1 + z * (c2 + z * (c3 + z * (c4 + z * (c5 + z * (c6 + z * (c7 + z * c8))))));
  return 1.0 + z * p;
}

// x = r + q * pi/2 (q taken mod 4) for a finite float x.
void reduceArgument(float x, double* r, int* q) {
  const float ax = std::fabs(x);
  *r = x;
  *q = 0;
  if (ax > static_cast<float>(kPiOver4)) {
    *r = reduce(ax, q);
    if (x < 0.0f) {
      *r = -*r;
      *q = (4 - *q) & 3;
    }
  }
}

// sin keeps the sign of a zero argument, which r + r * (z * p) would lose.
double sinReduced(double r) { return r == 0.0 ? r : sinPoly(r); }

// sin and cos of a finite float in double precision.
void sinCosDouble(float x, double* s, double* c) {
  double r = 0.0;
  int q = 0;
  reduceArgument(x, &r, &q);
  const double sr = sinReduced(r);
  const double cr = cosPoly(r);
  switch (q) {
    case 0: *s = sr; *c = cr; break;
    case 1: *s = cr; *c = -sr; break;
    case 2: *s = -sr; *c = -cr; break;
    default: *s = -cr; *c = sr; break;
  }
}

// Either one alone, evaluating only the polynomial it needs.
double sinDouble(float x) {
  double r = 0.0;
  int q = 0;
  reduceArgument(x, &r, &q);
  const double v = (q & 1) == 0 ? sinReduced(r) : cosPoly(r);
  return q >= 2 ? -v : v;
}

double cosDouble(float x) {
  double r = 0.0;
  int q = 0;
  reduceArgument(x, &r, &q);
  const double v = (q & 1) == 0 ? cosPoly(r) : sinReduced(r);
  return q == 1 || q == 2 ? -v : v;
}

// The coefficients (-1)^n / (2n + 1) of a series in z, n = 0 .. terms, each the correctly
// rounded quotient, worked out by the compiler rather than divided again at every call.
template <int kTerms, bool kAlternating>
constexpr std::array<double, kTerms + 1> oddReciprocals() {
  std::array<double, kTerms + 1> c{};
  for (int n = 0; n <= kTerms; ++n) c[n] = (!kAlternating || n % 2 == 0 ? 1.0 : -1.0) / (2 * n + 1);
  return c;
}

// atan(u) for |u| <= 7/16 by its series: 22 terms leave less than 2^-56 of the result.
double atanSeries(double u) {
  constexpr int kTerms = 22;
  static constexpr std::array<double, kTerms + 1> c = oddReciprocals<kTerms, true>();
  const double z = u * u;
  double p = c[kTerms];
  for (int n = kTerms - 1; n >= 0; --n) p = c[n] + z * p;
  return u * p;
}

// atan(t) for t >= 0 (infinity included) in double precision: the argument is brought near
// 0, 0.5, 1, 1.5 or infinity, whose arc tangents are constants.
double atanNonNegative(double t) {
  if (t < 7.0 / 16.0) return atanSeries(t);
  if (t < 11.0 / 16.0) return kAtanHalf + atanSeries((2.0 * t - 1.0) / (2.0 + t));
  if (t < 19.0 / 16.0) return kPiOver4 + atanSeries((t - 1.0) / (t + 1.0));
  if (t < 39.0 / 16.0) return kAtanThreeHalves + atanSeries((t - 1.5) / (1.0 + 1.5 * t));
  return kPiOver2 + atanSeries(-1.0 / t);
}

double atanDouble(double t) { return t < 0.0 ? -atanNonNegative(-t) : atanNonNegative(t); }

// atan2 in double for finite, not both zero, arguments.
double atan2Double(double y, double x) {
  const double a = atanNonNegative(std::fabs(y) / std::fabs(x));
  const double angle = x < 0.0 ? kPi - a : a;
  return y < 0.0 ? -angle : angle;
}

// ln(x) for a finite x > 0: x = m 2^k with m in [sqrt(1/2), sqrt(2)), and ln m from the series
// of 2 atanh(s), s = (m - 1) / (m + 1), |s| < 0.172.
void logParts(double x, double* k, double* lnM) {
  int exponent = 0;
  double m = std::frexp(x, &exponent);  // m in [0.5, 1)
  if (m < 0x1.6a09e667f3bcdp-1) {
    m *= 2.0;
    exponent -= 1;
  }
  const double s = (m - 1.0) / (m + 1.0);
  const double z = s * s;
  constexpr int kTerms = 12;
  static constexpr std::array<double, kTerms + 1> c = oddReciprocals<kTerms, false>();
  double p = c[kTerms];
  for (int n = kTerms - 1; n >= 0; --n) p = c[n] + z * p;
  *k = exponent;
  *lnM = 2.0 * s * p;
}

// 2^t as a float, for any finite double t.
float exp2ToFloat(double t) {
  if (t >= 129.0) return std::numeric_limits<float>::infinity();
  if (t <= -160.0) return 0.0f;
  const double n = std::floor(t + 0.5);
  const double g = (t - n) * kLn2;  // |g| <= ln2 / 2
  constexpr int kTerms = 16;
  double p = 1.0;
  for (int i = kTerms; i >= 1; --i) p = 1.0 + g * p / i;
  return static_cast<float>(std::ldexp(p, static_cast<int>(n)));
}

bool isInteger(float v) { return std::floor(v) == v; }
// An odd integer: every float of magnitude 2^24 or more is even.
bool isOddInteger(float v) {
  return isInteger(v) && std::fabs(v) < 16777216.0f && static_cast<int64_t>(v) % 2 != 0;
}

}  // namespace

namespace detmath {

void sincos(float x, float* sine, float* cosine) {
  if (!std::isfinite(x)) {
    *sine = *cosine = std::numeric_limits<float>::quiet_NaN();
    return;
  }
  double s = 0.0;
  double c = 0.0;
  sinCosDouble(x, &s, &c);
  *sine = static_cast<float>(s);
  *cosine = static_cast<float>(c);
}

float sin(float x) {
  if (!std::isfinite(x)) return std::numeric_limits<float>::quiet_NaN();
  return static_cast<float>(sinDouble(x));
}

float cos(float x) {
  if (!std::isfinite(x)) return std::numeric_limits<float>::quiet_NaN();
  return static_cast<float>(cosDouble(x));
}

float tan(float x) {
  if (!std::isfinite(x)) return std::numeric_limits<float>::quiet_NaN();
  double s = 0.0;
  double c = 0.0;
  sinCosDouble(x, &s, &c);
  return static_cast<float>(s / c);
}

float atan(float x) {
  if (std::isnan(x)) return x;
  return static_cast<float>(atanDouble(x));
}

float atan2(float y, float x) {
  if (std::isnan(x) || std::isnan(y)) return std::numeric_limits<float>::quiet_NaN();
  const bool yNegative = std::signbit(y);
  const float pi = static_cast<float>(kPi);
  if (y == 0.0f) {
    const float angle = std::signbit(x) ? pi : 0.0f;
    return yNegative ? -angle : angle;
  }
  if (std::isinf(y)) {
    double angle = kPiOver2;
    if (std::isinf(x)) angle = x > 0.0f ? kPiOver4 : 3.0 * kPiOver4;
    return static_cast<float>(yNegative ? -angle : angle);
  }
  if (x == 0.0f) {
    return static_cast<float>(yNegative ? -kPiOver2 : kPiOver2);
  }
  if (std::isinf(x)) {
    const float angle = x > 0.0f ? 0.0f : pi;
    return yNegative ? -angle : angle;
  }
  return static_cast<float>(atan2Double(y, x));
}

float asin(float x) {
  if (std::isnan(x)) return x;
  if (std::fabs(x) > 1.0f) return std::numeric_limits<float>::quiet_NaN();
  const double d = x;
  // d * d is exact (48 bits), and so is 1 - d * d for |d| >= 1/2.
  const double c = std::sqrt(1.0 - d * d);
  if (c == 0.0) return static_cast<float>(x > 0.0f ? kPiOver2 : -kPiOver2);
  return static_cast<float>(atanDouble(d / c));
}

float acos(float x) {
  if (std::isnan(x)) return x;
  if (std::fabs(x) > 1.0f) return std::numeric_limits<float>::quiet_NaN();
  const double d = x;
  const double s = std::sqrt(1.0 - d * d);
  if (d == 0.0) return static_cast<float>(kPiOver2);
  return static_cast<float>(atan2Double(s, d));
}

float pow(float base, float exponent) {
  if (exponent == 0.0f || base == 1.0f) return 1.0f;
  if (std::isnan(base) || std::isnan(exponent)) return std::numeric_limits<float>::quiet_NaN();
  const float inf = std::numeric_limits<float>::infinity();
  const bool odd = isOddInteger(exponent);
  if (std::isinf(exponent)) {
    const float a = std::fabs(base);
    if (a == 1.0f) return 1.0f;
    return (a < 1.0f) == (exponent < 0.0f) ? inf : 0.0f;
  }
  if (base == 0.0f || std::isinf(base)) {
    // |base| is 0 or infinity: the result is 0 or infinity, signed like the base for odd
    // integer exponents.
    const bool large = (base == 0.0f) == (exponent < 0.0f);
    const float magnitude = large ? inf : 0.0f;
    return odd && std::signbit(base) ? -magnitude : magnitude;
  }
  if (base < 0.0f && !isInteger(exponent)) return std::numeric_limits<float>::quiet_NaN();
  double k = 0.0;
  double lnM = 0.0;
  logParts(std::fabs(static_cast<double>(base)), &k, &lnM);
  // exponent * k is exact; the rest is below |exponent| / 2, so its rounding error stays far
  // below a float's last bit for every result in range.
  const double e = exponent;
  const float magnitude = exp2ToFloat(e * k + e * (lnM * kInvLn2));
  return base < 0.0f && odd ? -magnitude : magnitude;
}

}  // namespace detmath

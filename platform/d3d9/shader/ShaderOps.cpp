// The arithmetic instructions of the interpreter, each over all lanes of a batch.

#include "platform/d3d9/shader/LaneLoops.h"
#include "platform/d3d9/shader/ShaderMachine.h"

#include <cfloat>
#include <cmath>

namespace d3d9::shader {

float shaderRcp(float x) { return x == 1.0f ? 1.0f : 1.0f / x; }  // 1 / 0 is +infinity

float shaderRsq(float x) {
  const float a = std::fabs(x);
  return a == 1.0f ? 1.0f : 1.0f / std::sqrt(a);
}

// The logarithm of the magnitude; zero gives the most negative float rather than -infinity.
float shaderLog2(float x) {
  const float a = std::fabs(x);
  return a == 0.0f ? -FLT_MAX : std::log2(a);
}

float shaderExp2(float x) { return std::exp2(x); }

namespace {

using Lanes = const float* [4];

inline float dot3(Lanes a, Lanes b, uint32_t i) {
  return a[0][i] * b[0][i] + a[1][i] * b[1][i] + a[2][i] * b[2][i];
}
inline float dot4(Lanes a, Lanes b, uint32_t i) { return dot3(a, b, i) + a[3][i] * b[3][i]; }

// Scalar instructions read the last selector of the source swizzle (the replicated one, or w
// when none was written) and write the result to every component.
template <class F>
uint32_t scalar(Lanes a, uint32_t n, float (*r)[kLanes], F f) {
  for (uint32_t i = 0; i < n; ++i) r[0][i] = r[1][i] = r[2][i] = r[3][i] = f(a[3][i]);
  return 0xF;
}

template <class F>
uint32_t perComponent(uint32_t n, float (*r)[kLanes], F f) {
  for (int c = 0; c < 4; ++c) {
    for (uint32_t i = 0; i < n; ++i) r[c][i] = f(c, i);
  }
  return 0xF;
}

// The partial-precision forms of version 1.1 fill four components with the pieces of the
// result; later versions replicate the scalar like exp and log.
uint32_t expp(Lanes a, uint32_t n, float (*r)[kLanes], bool pieces) {
  if (!pieces) return scalar(a, n, r, shaderExp2);
  for (uint32_t i = 0; i < n; ++i) {
    const float w = a[3][i], f = std::floor(w);
    r[0][i] = std::exp2(f);
    r[1][i] = w - f;
    r[2][i] = std::exp2(w);
    r[3][i] = 1.0f;
  }
  return 0xF;
}

uint32_t logp(Lanes a, uint32_t n, float (*r)[kLanes], bool pieces) {
  if (!pieces) return scalar(a, n, r, shaderLog2);
  for (uint32_t i = 0; i < n; ++i) {
    const float v = std::fabs(a[3][i]);
    if (v == 0.0f) {
      r[0][i] = r[1][i] = r[2][i] = -FLT_MAX;
    } else {
      int exponent = 0;
      const float mantissa = std::frexp(v, &exponent);  // v = mantissa x 2^exponent, 0.5..1
      r[0][i] = float(exponent - 1);
      r[1][i] = mantissa * 2.0f;
      r[2][i] = std::log2(v);
    }
    r[3][i] = 1.0f;
  }
  return 0xF;
}

uint32_t lit(Lanes a, uint32_t n, float (*r)[kLanes]) {
  constexpr float kMaxPower = 127.9961f;
  for (uint32_t i = 0; i < n; ++i) {
    const float x = a[0][i], y = a[1][i];
    float power = a[3][i];
    power = power > -kMaxPower ? (power < kMaxPower ? power : kMaxPower) : -kMaxPower;
    r[0][i] = 1.0f;
    r[1][i] = x > 0.0f ? x : 0.0f;
    r[2][i] = x > 0.0f && y > 0.0f ? std::pow(y, power) : 0.0f;
    r[3][i] = 1.0f;
  }
  return 0xF;
}

}  // namespace

uint32_t Machine::matrix(const Instruction& ins, uint32_t n, float (*r)[kLanes]) {
  const float* a[4];
  const float* row[4];
  fetch(ins.src[0], n, 0, a);
  uint32_t rows = 4;
  bool four = true;
  switch (ins.opcode) {
    case kM4x3: rows = 3; break;
    case kM3x4: four = false; break;
    case kM3x3: rows = 3; four = false; break;
    case kM3x2: rows = 2; four = false; break;
    default: break;
  }
  for (uint32_t k = 0; k < rows; ++k) {
    fetch(ins.src[1], n, 1, row, k);
    for (uint32_t i = 0; i < n; ++i) r[k][i] = four ? dot4(a, row, i) : dot3(a, row, i);
  }
  return (1u << rows) - 1;
}

uint32_t Machine::compute(const Instruction& ins, uint32_t n, float (*r)[kLanes]) {
  switch (ins.opcode) {
    case kM4x4:
    case kM4x3:
    case kM3x4:
    case kM3x3:
    case kM3x2: return matrix(ins, n, r);
    default: break;
  }
  const float* a[4] = {};
  const float* b[4] = {};
  const float* c[4] = {};
  if (ins.sourceCount > 0) fetch(ins.src[0], n, 0, a);
  if (ins.sourceCount > 1) fetch(ins.src[1], n, 1, b);
  if (ins.sourceCount > 2) fetch(ins.src[2], n, 2, c);
  if (simd_ == SimdLevel::Sse2) {
    if (const int32_t produced = computeLanesSse2(ins.opcode, a, b, c, n, r); produced >= 0) {
      return uint32_t(produced);
    }
  }
  const bool pieces = program_->version < 0x200;
  switch (ins.opcode) {
    case kMov:
    case kMova: return perComponent(n, r, [&](int k, uint32_t i) { return a[k][i]; });
    case kAdd: return perComponent(n, r, [&](int k, uint32_t i) { return a[k][i] + b[k][i]; });
    case kSub: return perComponent(n, r, [&](int k, uint32_t i) { return a[k][i] - b[k][i]; });
    case kMul: return perComponent(n, r, [&](int k, uint32_t i) { return a[k][i] * b[k][i]; });
    case kMad:
      return perComponent(n, r, [&](int k, uint32_t i) { return a[k][i] * b[k][i] + c[k][i]; });
    case kMin:
      return perComponent(n, r, [&](int k, uint32_t i) { return a[k][i] < b[k][i] ? a[k][i] : b[k][i]; });
    case kMax:
      return perComponent(n, r, [&](int k, uint32_t i) { return a[k][i] >= b[k][i] ? a[k][i] : b[k][i]; });
    case kSlt:
      return perComponent(n, r, [&](int k, uint32_t i) { return a[k][i] < b[k][i] ? 1.0f : 0.0f; });
    case kSge:
      return perComponent(n, r, [&](int k, uint32_t i) { return a[k][i] >= b[k][i] ? 1.0f : 0.0f; });
    case kAbs: return perComponent(n, r, [&](int k, uint32_t i) { return std::fabs(a[k][i]); });
    case kFrc:
      return perComponent(n, r, [&](int k, uint32_t i) { return a[k][i] - std::floor(a[k][i]); });
    case kSgn:
      return perComponent(n, r, [&](int k, uint32_t i) {
        return a[k][i] > 0.0f ? 1.0f : a[k][i] < 0.0f ? -1.0f : 0.0f;
      });
    case kLrp:
      return perComponent(n, r, [&](int k, uint32_t i) {
        return a[k][i] * b[k][i] + (1.0f - a[k][i]) * c[k][i];
      });
    case kCnd:
      return perComponent(n, r, [&](int k, uint32_t i) { return a[k][i] > 0.5f ? b[k][i] : c[k][i]; });
    case kCmp:
      return perComponent(n, r, [&](int k, uint32_t i) { return a[k][i] >= 0.0f ? b[k][i] : c[k][i]; });
    case kDp3:
      for (uint32_t i = 0; i < n; ++i) r[0][i] = r[1][i] = r[2][i] = r[3][i] = dot3(a, b, i);
      return 0xF;
    case kDp4:
      for (uint32_t i = 0; i < n; ++i) r[0][i] = r[1][i] = r[2][i] = r[3][i] = dot4(a, b, i);
      return 0xF;
    case kDp2add:
      for (uint32_t i = 0; i < n; ++i) {
        r[0][i] = r[1][i] = r[2][i] = r[3][i] = a[0][i] * b[0][i] + a[1][i] * b[1][i] + c[3][i];
      }
      return 0xF;
    case kRcp: return scalar(a, n, r, shaderRcp);
    case kRsq: return scalar(a, n, r, shaderRsq);
    case kExp: return scalar(a, n, r, shaderExp2);
    case kLog: return scalar(a, n, r, shaderLog2);
    case kExpp: return expp(a, n, r, pieces);
    case kLogp: return logp(a, n, r, pieces);
    case kPow:
      for (uint32_t i = 0; i < n; ++i) {
        r[0][i] = r[1][i] = r[2][i] = r[3][i] = std::pow(std::fabs(a[3][i]), b[3][i]);
      }
      return 0xF;
    case kLit: return lit(a, n, r);
    case kDst:
      for (uint32_t i = 0; i < n; ++i) {
        r[0][i] = 1.0f;
        r[1][i] = a[1][i] * b[1][i];
        r[2][i] = a[2][i];
        r[3][i] = b[3][i];
      }
      return 0xF;
    case kCrs:
      for (uint32_t i = 0; i < n; ++i) {
        r[0][i] = a[1][i] * b[2][i] - a[2][i] * b[1][i];
        r[1][i] = a[2][i] * b[0][i] - a[0][i] * b[2][i];
        r[2][i] = a[0][i] * b[1][i] - a[1][i] * b[0][i];
      }
      return 0x7;
    case kNrm:
      for (uint32_t i = 0; i < n; ++i) {
        const float f = shaderRsq(dot3(a, a, i));
        for (int k = 0; k < 4; ++k) r[k][i] = a[k][i] * f;
      }
      return 0xF;
    case kSincos:
      for (uint32_t i = 0; i < n; ++i) {
        r[0][i] = std::cos(a[3][i]);
        r[1][i] = std::sin(a[3][i]);
      }
      return 0x3;
    default: return 0;
  }
}

}  // namespace d3d9::shader

#include "platform/d3d9/shader/ShaderMachine.h"

#include "platform/d3d9/shader/LaneLoops.h"

#include <algorithm>
#include <cmath>

namespace d3d9::shader {
namespace {

// Loop and rep counts are bytes in the interface; nesting, calls and the instructions run per
// batch are bounded, so that any program and constants give a bounded run (a program past the
// budget stops where it is, as a runaway program would be cut off).
constexpr int32_t kMaxIterations = 255;
constexpr size_t kMaxDepth = 4;
constexpr uint32_t kMaxSteps = 1u << 16;

// Pixel shaders 1.x keep values within this range between instructions.
constexpr float kPixel1xRange = 8.0f;

struct Frame {
  uint32_t start;
  int32_t remaining;
  int32_t counter;  // aL of a loop
  int32_t step;
  int32_t outerCounter;
};

}  // namespace

void Machine::bind(const Program& program) {
  program_ = &program;
  lanes_.assign(size_t(std::max<uint32_t>(program.laneSlots, 1)) * 4 * kLanes, 0.0f);
  written_.clear();
  for (const auto& [key, slot] : program.slots) {
    const uint32_t type = key >> 11;
    const bool input = type == kInput || (type == kTexture && program.kind == Kind::Pixel &&
                                          program.version >= 0x104);
    if (!input) written_.push_back(slot);
  }
}

void Machine::clearWritten(uint32_t n) {
  for (const uint16_t slot : written_) {
    for (uint32_t c = 0; c < 4; ++c) std::fill_n(lane(slot, c), n, 0.0f);
  }
}

void Machine::fetch(const Operand& o, uint32_t n, uint32_t position, const float* out[4],
                    uint32_t row) {
  float (*s)[kLanes] = scratch_[position];
  const Uniforms& u = *uniforms_;
  if (o.file == File::Lane) {
    // The following registers of a matrix have slots of their own (the decoder made them).
    const uint32_t slot = row ? uint32_t(program_->slotOf(o.type, o.number + row)) : o.slot;
    if (o.modifier == kModNone) {
      for (int c = 0; c < 4; ++c) out[c] = lane(slot, o.swizzle[c]);
      return;
    }
    for (int c = 0; c < 4; ++c) std::copy_n(lane(slot, o.swizzle[c]), n, s[c]);
  } else if (o.relative == Relative::None) {
    const uint32_t index = uint32_t(o.slot) + row;
    const float* v = index < u.constantCount ? u.constants + size_t(index) * 4 : nullptr;
    for (int c = 0; c < 4; ++c) std::fill_n(s[c], n, v ? v[o.swizzle[c]] : 0.0f);
  } else {
    // Each lane indexes with its own a0; aL is the same for all. Registers outside the table
    // read as zero.
    const float* a = o.relative == Relative::Address ? lane(o.relativeSlot, o.relativeComponent)
                                                     : nullptr;
    const int64_t base = int64_t(o.slot) + row + (a ? 0 : loopCounter_);
    for (uint32_t i = 0; i < n; ++i) {
      const int64_t index = base + (a ? int64_t(a[i]) : 0);
      const bool inside = index >= 0 && index < int64_t(u.constantCount);
      const float* v = u.constants + (inside ? size_t(index) * 4 : 0);
      for (int c = 0; c < 4; ++c) s[c][i] = inside ? v[o.swizzle[c]] : 0.0f;
    }
  }
  for (int c = 0; c < 4; ++c) out[c] = s[c];
  float* x[4] = {s[0], s[1], s[2], s[3]};
  switch (o.modifier) {
    case kModNone: break;
    case kModNeg:
      for (auto* p : x) for (uint32_t i = 0; i < n; ++i) p[i] = -p[i];
      break;
    case kModBias:
    case kModBiasNeg: {
      const float sign = o.modifier == kModBias ? 1.0f : -1.0f;
      for (auto* p : x) for (uint32_t i = 0; i < n; ++i) p[i] = sign * (p[i] - 0.5f);
      break;
    }
    case kModSign:
    case kModSignNeg: {
      const float sign = o.modifier == kModSign ? 2.0f : -2.0f;
      for (auto* p : x) for (uint32_t i = 0; i < n; ++i) p[i] = sign * (p[i] - 0.5f);
      break;
    }
    case kModComp:
      for (auto* p : x) for (uint32_t i = 0; i < n; ++i) p[i] = 1.0f - p[i];
      break;
    case kModX2:
    case kModX2Neg: {
      const float k = o.modifier == kModX2 ? 2.0f : -2.0f;
      for (auto* p : x) for (uint32_t i = 0; i < n; ++i) p[i] = k * p[i];
      break;
    }
    case kModDz:
    case kModDw: {
      // Divided by z or w; the divisor's own component last, so it divides with its old value.
      const int d = o.modifier == kModDz ? 2 : 3;
      for (uint32_t i = 0; i < n; ++i) {
        const float q = x[d][i];
        for (auto* p : x) p[i] = p[i] / q;
      }
      break;
    }
    case kModAbs:
      for (auto* p : x) for (uint32_t i = 0; i < n; ++i) p[i] = std::fabs(p[i]);
      break;
    case kModAbsNeg:
      for (auto* p : x) for (uint32_t i = 0; i < n; ++i) p[i] = -std::fabs(p[i]);
      break;
    default: break;
  }
}

void Machine::write(const Instruction& ins, uint32_t produced, uint32_t n,
                    float (*res)[kLanes]) {
  const Destination& d = ins.dst;
  if (d.file != File::Lane) return;
  const uint32_t mask = d.mask & produced;
  const float scale = d.shift ? std::ldexp(1.0f, d.shift) : 1.0f;
  const bool clamp1x = program_->pixel1x();
  const bool address = d.type == kAddr && program_->kind == Kind::Vertex;
  for (uint32_t c = 0; c < 4; ++c) {
    if (!(mask & (1u << c))) continue;
    float* out = lane(d.slot, c);
    const float* r = res[c];
    if (address) {
      // Version 1.1 moves into a0 rounding down; mova (2.0) rounds to the nearest integer.
      const bool nearest = ins.opcode == kMova;
      for (uint32_t i = 0; i < n; ++i) {
        const float v = nearest ? std::round(r[i]) : std::floor(r[i]);
        out[i] = v > -65536.0f ? (v < 65536.0f ? v : 65536.0f) : -65536.0f;  // NaN: -65536
      }
      continue;
    }
    writeLanes(simd_, r, scale, d.saturate, clamp1x ? kPixel1xRange : 0.0f, n, out);
  }
}

void Machine::run(uint32_t n, const Uniforms& u, TextureUnit* textures) {
  uniforms_ = &u;
  loopCounter_ = 0;
  const std::vector<Instruction>& code = program_->code;
  Frame loops[kMaxDepth];
  size_t loopDepth = 0;
  uint32_t calls[kMaxDepth];
  size_t callDepth = 0;
  auto integer = [&](const Operand& o, int k) { return u.integers[o.slot * 4 + k]; };
  uint32_t steps = 0;
  for (uint32_t pc = 0; pc < code.size(); ++pc) {
    if (++steps > kMaxSteps) return;
    const Instruction& ins = code[pc];
    switch (ins.opcode) {
      case kNop:
      case kEndif:
      case kPhase: continue;
      case kIf:
        if (!u.booleans[ins.src[0].slot]) pc = ins.target;
        continue;
      case kElse: pc = ins.target; continue;
      case kRep:
      case kLoopOp: {
        const Operand& count = ins.src[ins.opcode == kRep ? 0 : 1];
        const int32_t times = std::min(integer(count, 0), kMaxIterations);
        if (times <= 0 || loopDepth == kMaxDepth) {
          pc = ins.target;
          continue;
        }
        Frame f{pc, times, loopCounter_, 0, loopCounter_};
        if (ins.opcode == kLoopOp) {
          // The interface's ranges: start 0 to 255, step -128 to 127.
          f.counter = loopCounter_ = std::clamp(integer(count, 1), 0, 255);
          f.step = std::clamp(integer(count, 2), -128, 127);
        }
        loops[loopDepth++] = f;
        continue;
      }
      case kEndrep:
      case kEndloop: {
        Frame& f = loops[loopDepth - 1];
        if (--f.remaining > 0) {
          if (ins.opcode == kEndloop) loopCounter_ = f.counter += f.step;
          pc = f.start;
        } else {
          loopCounter_ = f.outerCounter;
          --loopDepth;
        }
        continue;
      }
      case kCallnz:
        if (!u.booleans[ins.src[1].slot]) continue;
        [[fallthrough]];
      case kCall:
        if (callDepth == kMaxDepth) return;
        calls[callDepth++] = pc;
        pc = ins.target;
        continue;
      case kRet:
        if (callDepth == 0) return;  // the main program's end
        pc = calls[--callDepth];
        continue;
      case kLabelOp:
        if (callDepth == 0) return;  // subroutines follow the main program
        continue;
      default: break;
    }
    const bool pair = pc + 1 < code.size() && code[pc + 1].coissue;
    uint32_t produced = ins.opcode == kTex || ins.opcode == kTexcoord || ins.opcode == kTexkill
                            ? (textures ? textures->texture(ins, *this, n, results_[0]) : 0)
                            : compute(ins, n, results_[0]);
    if (!pair) {
      write(ins, produced, n, results_[0]);
      continue;
    }
    // A co-issued pair reads its sources before either writes.
    const Instruction& second = code[++pc];
    const uint32_t secondProduced = compute(second, n, results_[1]);
    write(ins, produced, n, results_[0]);
    write(second, secondProduced, n, results_[1]);
  }
}

}  // namespace d3d9::shader

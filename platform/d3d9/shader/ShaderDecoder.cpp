#include "platform/d3d9/shader/ShaderProgram.h"

#include <cstdio>
#include <cstring>

namespace d3d9::shader {
namespace {

constexpr size_t kMaxInstructions = 65536;

std::string format(const char* fmt, uint32_t a = 0, uint32_t b = 0) {
  char buf[160];
  std::snprintf(buf, sizeof buf, fmt, a, b);
  return buf;
}

class Decoder {
 public:
  Decoder(const uint32_t* tokens, size_t count) : t_(tokens), count_(count) {}

  DecodeResult run() {
    DecodeResult r;
    if (!header()) return fail();
    while (true) {
      if (pos_ >= count_) {
        error_ = "the token stream ends without an end token";
        return fail();
      }
      const uint32_t token = t_[pos_];
      if (token == kEndToken) break;
      if ((token & kOpcodeMask) == kComment) {
        const size_t length = (token >> 16) & 0x7FFF;
        if (length >= count_ - pos_) {
          error_ = "a comment runs past the end of the stream";
          return fail();
        }
        pos_ += 1 + length;
        continue;
      }
      if (p_.code.size() >= kMaxInstructions) {
        error_ = "too many instructions";
        return fail();
      }
      if (!instruction()) return fail();
    }
    if (!flowControl()) return fail();
    r.ok = true;
    r.program = std::move(p_);
    return r;
  }

 private:
  DecodeResult fail() {
    DecodeResult r;
    r.error = error_;
    r.token = pos_;
    return r;
  }

  bool header() {
    if (count_ == 0) {
      error_ = "the stream is empty";
      return false;
    }
    const uint32_t high = t_[0] >> 16;
    if (high != kVertexVersionHigh && high != kPixelVersionHigh) {
      error_ = "the first token is not a version token";
      return false;
    }
    p_.kind = high == kVertexVersionHigh ? Kind::Vertex : Kind::Pixel;
    p_.version = t_[0] & 0xFFFF;
    if (!versionSupported(p_.kind, p_.version)) {
      error_ = format("shader model %u.%u is not supported", p_.version >> 8, p_.version & 255);
      return false;
    }
    pos_ = 1;
    return true;
  }

  bool take(uint32_t& token) {
    if (pos_ >= count_) {
      error_ = "an instruction runs past the end of the stream";
      return false;
    }
    token = t_[pos_++];
    if (!(token & kParamBit)) {
      error_ = "a parameter token lacks its marker bit";
      --pos_;
      return false;
    }
    return true;
  }

  uint16_t slotFor(uint32_t type, uint32_t number) {
    const int32_t s = p_.slotOf(type, number);
    if (s >= 0) return uint16_t(s);
    p_.slots.emplace_back(type << 11 | number, uint16_t(p_.laneSlots));
    return uint16_t(p_.laneSlots++);
  }

  bool pixel14() const { return p_.kind == Kind::Pixel && p_.version == 0x104; }
  bool pixel1x() const { return p_.pixel1x(); }
  bool vertex() const { return p_.kind == Kind::Vertex; }

  // Reading an input registers where its values come from.
  void bindInput(uint32_t type, uint32_t number, uint16_t slot) {
    for (const auto& in : p_.inputs) {
      if (in.type == type && in.number == number) return;
    }
    const uint8_t usage = type == kInput ? kUsageColor : kUsageTexcoord;
    p_.inputs.push_back({slot, uint8_t(type), uint8_t(number), usage, uint8_t(number), 0xF});
  }

  bool laneRegister(uint32_t type, uint32_t number, File& file, uint16_t& slot, bool write) {
    switch (type) {
      case kConst:
        file = File::Const;
        slot = uint16_t(number);
        if (!write && number + 1 > p_.constantsRead) p_.constantsRead = number + 1;
        return true;
      case kConstInt: file = File::Int; slot = uint16_t(number); return true;
      case kConstBool: file = File::Bool; slot = uint16_t(number); return true;
      case kLoop: file = File::Loop; slot = 0; return true;
      case kSampler: file = File::Sampler; slot = uint16_t(number); return true;
      case kLabel: file = File::Label; slot = uint16_t(number); return true;
      default: break;
    }
    file = File::Lane;
    slot = slotFor(type, number);
    if (write) return true;
    if (p_.kind == Kind::Pixel && (type == kInput || (type == kTexture && !pixel1x()) ||
                                   (type == kTexture && pixel14()))) {
      bindInput(type, number, slot);
    }
    if (vertex() && type == kInput) {
      for (const auto& in : p_.inputs) {
        if (in.number == number) return true;
      }
      error_ = format("input v%u is read without a declaration", number);
      return false;
    }
    return true;
  }

  bool destination(Instruction& ins, bool declaration) {
    uint32_t token;
    if (!take(token)) return false;
    const uint32_t type = regType(token), number = regNumber(token);
    // Declarations and definitions name registers the shader only reads.
    const uint32_t limit = registerLimit(p_.kind, p_.version, type, !declaration);
    if (number >= limit) {
      error_ = format("destination register type %u number %u is out of range", type, number);
      return false;
    }
    if (token & kRelativeBit) {
      error_ = "relative addressing of a destination";
      return false;
    }
    Destination& d = ins.dst;
    d.type = uint8_t(type);
    d.number = uint16_t(number);
    d.mask = uint8_t((token >> kWriteMaskShift) & 0xF);
    if (d.mask == 0) {
      error_ = "an empty write mask";
      return false;
    }
    const uint32_t mods = (token >> kResultModShift) & 0xF;
    if (mods & ~(kResultSaturate | kResultPartial | kResultCentroid)) {
      error_ = "an unknown result modifier";
      return false;
    }
    d.saturate = mods & kResultSaturate;
    const uint32_t shift = (token >> kResultShiftShift) & 0xF;
    if (shift && !pixel1x()) {
      error_ = "a result shift outside pixel shaders 1.x";
      return false;
    }
    if (shift > 3 && shift < 13) {
      error_ = "an unknown result shift";
      return false;
    }
    d.shift = int8_t(shift < 8 ? int(shift) : int(shift) - 16);
    if (declaration) return true;
    File f;
    if (!laneRegister(type, number, f, d.slot, true)) return false;
    d.file = f;
    return true;
  }

  bool modifierAllowed(uint32_t mod, uint16_t opcode) const {
    if (mod == kModNone || mod == kModNeg) return true;
    if (!pixel1x()) return false;
    if (mod <= kModComp) return true;
    if (mod == kModX2 || mod == kModX2Neg) return pixel14();
    if (mod == kModDz || mod == kModDw) return pixel14() && (opcode == kTex || opcode == kTexcoord);
    return false;
  }

  bool source(Instruction& ins, Operand& o) {
    uint32_t token;
    if (!take(token)) return false;
    const uint32_t type = regType(token), number = regNumber(token);
    if (number >= registerLimit(p_.kind, p_.version, type, false)) {
      error_ = format("source register type %u number %u is out of range", type, number);
      return false;
    }
    o.type = uint8_t(type);
    o.number = uint16_t(number);
    o.modifier = uint8_t((token >> kSourceModShift) & 0xF);
    if (!modifierAllowed(o.modifier, ins.opcode)) {
      error_ = format("source modifier %u is not allowed here", o.modifier);
      return false;
    }
    const uint32_t swizzle = (token >> kSwizzleShift) & 0xFF;
    for (int c = 0; c < 4; ++c) o.swizzle[c] = uint8_t((swizzle >> (2 * c)) & 3);
    if (!laneRegister(type, number, o.file, o.slot, false)) return false;
    if (!(token & kRelativeBit)) return true;
    if (type != kConst || !vertex()) {
      error_ = "relative addressing is only allowed for vertex shader constants";
      return false;
    }
    p_.relativeConstants = true;
    if (p_.version < 0x200) {
      // Version 1.1 always indexes with a0.x and has no address token.
      o.relative = Relative::Address;
      o.relativeSlot = slotFor(kAddr, 0);
      o.relativeComponent = 0;
      return true;
    }
    uint32_t address;
    if (!take(address)) return false;
    const uint32_t at = regType(address);
    if ((at != kAddr && at != kLoop) || regNumber(address) != 0) {
      error_ = "relative addressing through a register other than a0 or aL";
      return false;
    }
    o.relative = at == kAddr ? Relative::Address : Relative::Loop;
    o.relativeSlot = at == kAddr ? slotFor(kAddr, 0) : 0;
    o.relativeComponent = uint8_t((address >> kSwizzleShift) & 3);
    return true;
  }

  bool declaration(Instruction& ins) {
    uint32_t usage;
    if (!take(usage)) return false;
    if (!destination(ins, true)) return false;
    const uint32_t type = ins.dst.type, number = ins.dst.number;
    if (type == kSampler) {
      const uint32_t texture = (usage >> 27) & 0xF;
      if (texture != kSampler2D) {
        error_ = "only two-dimensional samplers are supported";
        return false;
      }
      return true;
    }
    const bool input = type == kInput || (p_.kind == Kind::Pixel && type == kTexture);
    if (!input) {
      error_ = "a declaration of a register that is not an input";
      return false;
    }
    const uint16_t slot = slotFor(type, number);
    for (const auto& in : p_.inputs) {
      if (in.type == type && in.number == number) {
        error_ = format("input register %u is declared twice", number);
        return false;
      }
    }
    InputBinding b{slot, uint8_t(type), uint8_t(number), 0, 0, ins.dst.mask};
    if (vertex()) {
      b.usage = uint8_t(usage & 0x1F);
      b.usageIndex = uint8_t((usage >> 16) & 0xF);
      if (b.usage >= kUsageCount) {
        error_ = format("unknown declaration usage %u", b.usage);
        return false;
      }
    } else {
      b.usage = type == kInput ? kUsageColor : kUsageTexcoord;
      b.usageIndex = uint8_t(number);
    }
    p_.inputs.push_back(b);
    ins.opcode = kNop;  // nothing left to do when running
    return true;
  }

  bool definition(Instruction& ins, uint32_t opcode) {
    if (!destination(ins, true)) return false;
    const uint32_t want = opcode == kDef ? kConst : opcode == kDefi ? kConstInt : kConstBool;
    if (ins.dst.type != want) {
      error_ = "a definition of the wrong register type";
      return false;
    }
    const size_t values = opcode == kDefb ? 1 : 4;
    if (values > count_ - pos_) {
      error_ = "a definition runs past the end of the stream";
      return false;
    }
    const uint32_t* v = t_ + pos_;
    pos_ += values;
    if (opcode == kDef) {
      ConstantDef d{ins.dst.number, {}};
      std::memcpy(d.value, v, sizeof d.value);
      p_.constants.push_back(d);
    } else if (opcode == kDefi) {
      IntegerDef d{ins.dst.number, {}};
      std::memcpy(d.value, v, sizeof d.value);
      p_.integers.push_back(d);
    } else {
      p_.booleans.emplace_back(ins.dst.number, v[0] != 0);
    }
    ins.opcode = kNop;
    return true;
  }

  bool instruction() {
    const size_t start = pos_;
    const uint32_t token = t_[pos_++];
    const uint32_t opcode = token & kOpcodeMask;
    if (token & (kParamBit | 1u << 28 | 1u << 29)) {
      error_ = "an instruction token with reserved or predication bits";
      --pos_;
      return false;
    }
    const OpcodeInfo* info = opcodeInfo(p_.kind, p_.version, opcode);
    if (!info) {
      error_ = format("opcode %u is not part of this shader model", opcode);
      --pos_;
      return false;
    }
    Instruction ins;
    ins.opcode = uint16_t(opcode);
    ins.control = uint8_t((token >> kControlShift) & 0xFF);
    ins.coissue = token & kCoissueBit;
    if (ins.coissue && (!pixel1x() || p_.code.empty())) {
      error_ = "co-issue outside pixel shaders 1.x";
      --pos_;
      return false;
    }
    const uint32_t allowedControl = opcode == kTex && p_.version >= 0x200 ? 3 : 0;
    if (ins.control > allowedControl || (ins.control & allowedControl) == 3) {
      error_ = "unknown instruction controls";
      --pos_;
      return false;
    }
    bool ok;
    if (opcode == kDcl) {
      ok = declaration(ins);
    } else if (opcode == kDef || opcode == kDefi || opcode == kDefb) {
      ok = definition(ins, opcode);
    } else {
      ok = !info->dst || destination(ins, opcode == kTexkill);
      ins.sourceCount = info->src;
      for (uint32_t i = 0; ok && i < info->src; ++i) ok = source(ins, ins.src[i]);
      if (ok) ok = semantics(ins);
    }
    if (!ok) return false;
    const uint32_t length = (token >> kLengthShift) & 0xF;
    const size_t used = pos_ - start - 1;
    // Versions 2.0 and later carry the length; 1.x streams may leave it zero.
    if (length != used && (p_.version >= 0x200 || length != 0)) {
      error_ = format("instruction length %u where its parameters take %u", length,
                      uint32_t(used));
      pos_ = start;
      return false;
    }
    p_.code.push_back(ins);
    return true;
  }

  // Flow-control operands name the register files their instructions read.
  bool flowOperands(const Instruction& ins) {
    auto is = [&](int i, uint8_t type) { return ins.src[i].type == type; };
    bool ok = true;
    switch (ins.opcode) {
      case kIf: ok = is(0, kConstBool); break;
      case kRep: ok = is(0, kConstInt); break;
      case kLoopOp: ok = is(0, kLoop) && is(1, kConstInt); break;
      case kCall:
      case kLabelOp: ok = is(0, kLabel); break;
      case kCallnz: ok = is(0, kLabel) && is(1, kConstBool); break;
      default:
        // Elsewhere those registers have no values to read.
        for (uint32_t i = 0; i < ins.sourceCount; ++i) {
          ok &= !is(int(i), kConstBool) && !is(int(i), kConstInt) && !is(int(i), kLabel) &&
                !is(int(i), kLoop) && ((ins.opcode == kTex && i == 1) || !is(int(i), kSampler));
        }
        break;
    }
    if (!ok) error_ = "an operand of the wrong register type";
    return ok;
  }

  // Checks that depend on the instruction as a whole.
  bool semantics(Instruction& ins) {
    if (!flowOperands(ins)) return false;
    for (uint32_t i = 0; i < ins.sourceCount; ++i) {
      if (ins.src[i].modifier != kModNone && ins.src[i].file != File::Lane &&
          ins.src[i].file != File::Const) {
        error_ = "a modifier on an operand that is not a value";
        return false;
      }
    }
    switch (ins.opcode) {
      case kM4x4:
      case kM4x3:
      case kM3x4:
      case kM3x3:
      case kM3x2: {
        // The matrix is the named register and those after it.
        const Operand& m = ins.src[1];
        const uint32_t rows = ins.opcode == kM4x4 || ins.opcode == kM3x4 ? 4
                              : ins.opcode == kM3x2 ? 2 : 3;
        if (m.number + rows > registerLimit(p_.kind, p_.version, m.type, false)) {
          error_ = "a matrix runs past the last register";
          return false;
        }
        for (uint32_t k = 1; k < rows && m.file == File::Lane; ++k) {
          File f;
          uint16_t slot;
          if (!laneRegister(m.type, m.number + k, f, slot, false)) return false;
        }
        return true;
      }
      case kTex:
        if (p_.version >= 0x200) {
          if (ins.src[1].file != File::Sampler) {
            error_ = "texld samples through a register that is not a sampler";
            return false;
          }
          p_.samplersUsed |= uint16_t(1u << ins.src[1].number);
        } else {
          p_.samplersUsed |= uint16_t(1u << ins.dst.number);
          if (!pixel14()) p_.coordinatesRead |= uint8_t(1u << ins.dst.number);
        }
        return true;
      case kTexcoord:
        if (!pixel14()) p_.coordinatesRead |= uint8_t(1u << ins.dst.number);
        return true;
      case kTexkill:
        // Versions 1.1 to 1.3 test the coordinate set; later ones the register, which is
        // read, not written.
        if (p_.version < 0x104) {
          p_.coordinatesRead |= uint8_t(1u << ins.dst.number);
        } else {
          File f;
          if (!laneRegister(ins.dst.type, ins.dst.number, f, ins.dst.slot, false)) return false;
          ins.dst.file = File::None;
        }
        return true;
      case kMov:
        if (ins.dst.type == kAddr && vertex() && p_.version >= 0x200) {
          error_ = "the address register is written by mova in version 2.0";
          return false;
        }
        return true;
      case kMova:
        if (ins.dst.type != kAddr) {
          error_ = "mova writes the address register only";
          return false;
        }
        return true;
      default:
        if (vertex() && ins.dst.file == File::Lane && ins.dst.type == kAddr) {
          error_ = "the address register is written only by mov or mova";
          return false;
        }
        return true;
    }
  }

  // Matches if/else/endif, rep/endrep, loop/endloop and resolves calls to their labels.
  bool flowControl() {
    std::vector<uint32_t> open;
    std::vector<std::pair<uint32_t, uint32_t>> labels;
    for (uint32_t i = 0; i < p_.code.size(); ++i) {
      Instruction& ins = p_.code[i];
      switch (ins.opcode) {
        case kIf:
        case kRep:
        case kLoopOp: open.push_back(i); break;
        case kElse:
          if (open.empty() || p_.code[open.back()].opcode != kIf) return flowError();
          p_.code[open.back()].target = i;
          open.back() = i;
          break;
        case kEndif:
        case kEndrep:
        case kEndloop: {
          const uint16_t want = ins.opcode == kEndif ? kIf : ins.opcode == kEndrep ? kRep : kLoopOp;
          if (open.empty()) return flowError();
          Instruction& head = p_.code[open.back()];
          if (head.opcode != want && !(want == kIf && head.opcode == kElse)) return flowError();
          head.target = i;
          ins.target = open.back();
          open.pop_back();
          break;
        }
        case kLabelOp: labels.emplace_back(ins.src[0].number, i); break;
        default: break;
      }
    }
    if (!open.empty()) return flowError();
    for (Instruction& ins : p_.code) {
      if (ins.opcode != kCall && ins.opcode != kCallnz) continue;
      bool found = false;
      for (const auto& [label, at] : labels) {
        if (label == ins.src[0].number) {
          ins.target = at;
          found = true;
        }
      }
      if (!found) {
        error_ = format("a call to the missing label l%u", ins.src[0].number);
        return false;
      }
    }
    return true;
  }

  bool flowError() {
    error_ = "unbalanced flow control";
    return false;
  }

  const uint32_t* t_;
  size_t count_;
  size_t pos_ = 0;
  Program p_;
  std::string error_;
};

}  // namespace

DecodeResult decodeShader(const uint32_t* tokens, size_t count) {
  return Decoder(tokens, count).run();
}

}  // namespace d3d9::shader

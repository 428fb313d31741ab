#include "platform/d3d9/shader/ShaderIsa.h"

namespace d3d9::shader {
namespace {

// Model bits: vertex 1.1 and 2.0; pixel 1.1, 1.2, 1.3, 1.4 and 2.0.
constexpr uint8_t V11 = 1, V20 = 2, VS = V11 | V20;
constexpr uint8_t P11 = 1, P12 = 2, P13 = 4, P14 = 8, P20 = 16;
constexpr uint8_t P1x = P11 | P12 | P13 | P14, P12up = P12 | P13 | P14 | P20, PS = P1x | P20;

struct Row {
  OpcodeInfo info;
  uint8_t vertex;
  uint8_t pixel;
};

// Rows whose opcode repeats give the operand shapes that differ between models; the first row
// that fits the model wins.
constexpr Row kRows[] = {
    {{kNop, "nop", 0, 0}, VS, PS},
    {{kMov, "mov", 1, 1}, VS, PS},
    {{kAdd, "add", 1, 2}, VS, PS},
    {{kSub, "sub", 1, 2}, VS, PS},
    {{kMad, "mad", 1, 3}, VS, PS},
    {{kMul, "mul", 1, 2}, VS, PS},
    {{kRcp, "rcp", 1, 1}, VS, P20},
    {{kRsq, "rsq", 1, 1}, VS, P20},
    {{kDp3, "dp3", 1, 2}, VS, PS},
    {{kDp4, "dp4", 1, 2}, VS, P12up},
    {{kMin, "min", 1, 2}, VS, P20},
    {{kMax, "max", 1, 2}, VS, P20},
    {{kSlt, "slt", 1, 2}, VS, 0},
    {{kSge, "sge", 1, 2}, VS, 0},
    {{kExp, "exp", 1, 1}, VS, P20},
    {{kLog, "log", 1, 1}, VS, P20},
    {{kLit, "lit", 1, 1}, VS, 0},
    {{kDst, "dst", 1, 2}, VS, 0},
    {{kLrp, "lrp", 1, 3}, V20, PS},
    {{kFrc, "frc", 1, 1}, VS, P20},
    {{kM4x4, "m4x4", 1, 2}, VS, P20},
    {{kM4x3, "m4x3", 1, 2}, VS, P20},
    {{kM3x4, "m3x4", 1, 2}, VS, P20},
    {{kM3x3, "m3x3", 1, 2}, VS, P20},
    {{kM3x2, "m3x2", 1, 2}, VS, P20},
    {{kCall, "call", 0, 1}, V20, 0},
    {{kCallnz, "callnz", 0, 2}, V20, 0},
    {{kLoopOp, "loop", 0, 2}, V20, 0},
    {{kRet, "ret", 0, 0}, V20, 0},
    {{kEndloop, "endloop", 0, 0}, V20, 0},
    {{kLabelOp, "label", 0, 1}, V20, 0},
    {{kDcl, "dcl", 1, 0}, VS, P20},
    {{kPow, "pow", 1, 2}, V20, P20},
    {{kCrs, "crs", 1, 2}, V20, P20},
    {{kSgn, "sgn", 1, 3}, V20, 0},
    {{kAbs, "abs", 1, 1}, V20, P20},
    {{kNrm, "nrm", 1, 1}, V20, P20},
    {{kSincos, "sincos", 1, 3}, V20, P20},
    {{kRep, "rep", 0, 1}, V20, 0},
    {{kEndrep, "endrep", 0, 0}, V20, 0},
    {{kIf, "if", 0, 1}, V20, 0},
    {{kElse, "else", 0, 0}, V20, 0},
    {{kEndif, "endif", 0, 0}, V20, 0},
    {{kMova, "mova", 1, 1}, V20, 0},
    {{kDefb, "defb", 1, 0}, V20, 0},
    {{kDefi, "defi", 1, 0}, V20, 0},
    {{kTexcoord, "texcoord", 1, 0}, 0, P11 | P12 | P13},
    {{kTexcoord, "texcrd", 1, 1}, 0, P14},
    {{kTexkill, "texkill", 1, 0}, 0, PS},
    {{kTex, "tex", 1, 0}, 0, P11 | P12 | P13},
    {{kTex, "texld", 1, 1}, 0, P14},
    {{kTex, "texld", 1, 2}, 0, P20},
    {{kExpp, "expp", 1, 1}, VS, P20},
    {{kLogp, "logp", 1, 1}, VS, P20},
    {{kCnd, "cnd", 1, 3}, 0, P1x},
    {{kDef, "def", 1, 0}, VS, PS},
    {{kCmp, "cmp", 1, 3}, 0, P12up},
    {{kDp2add, "dp2add", 1, 3}, 0, P20},
    {{kPhase, "phase", 0, 0}, 0, P14},
};

uint8_t modelBit(Kind kind, uint32_t version) {
  if (kind == Kind::Vertex) {
    return version == 0x101 ? V11 : version == 0x200 ? V20 : 0;
  }
  switch (version) {
    case 0x101: return P11;
    case 0x102: return P12;
    case 0x103: return P13;
    case 0x104: return P14;
    case 0x200: return P20;
    default: return 0;
  }
}

bool fits(const Row& r, Kind kind, uint8_t bit) {
  return (kind == Kind::Vertex ? r.vertex : r.pixel) & bit;
}

}  // namespace

bool versionSupported(Kind kind, uint32_t version) { return modelBit(kind, version) != 0; }

const OpcodeInfo* opcodeInfo(Kind kind, uint32_t version, uint32_t opcode) {
  const uint8_t bit = modelBit(kind, version);
  for (const Row& r : kRows) {
    if (r.info.opcode == opcode && fits(r, kind, bit)) return &r.info;
  }
  return nullptr;
}

const OpcodeInfo* opcodeByName(Kind kind, uint32_t version, std::string_view name) {
  const uint8_t bit = modelBit(kind, version);
  for (const Row& r : kRows) {
    if (name == r.info.name && fits(r, kind, bit)) return &r.info;
  }
  return nullptr;
}

uint32_t registerLimit(Kind kind, uint32_t version, uint32_t type, bool write) {
  if (kind == Kind::Vertex) {
    const bool v2 = version >= 0x200;
    switch (type) {
      case kTemp: return 12;
      case kInput: return write ? 0 : 16;
      case kConst: return write ? 0 : 8192;
      case kAddr: return 1;  // written by mov (1.1) or mova (2.0), read only as an index
      case kRastOut: return write ? 3 : 0;
      case kAttrOut: return write ? 2 : 0;
      case kTexCrdOut: return write ? 8 : 0;
      case kConstInt:
      case kConstBool: return v2 && !write ? 16 : 0;
      case kLoop: return v2 && !write ? 1 : 0;
      case kLabel: return v2 && !write ? 16 : 0;
      default: return 0;
    }
  }
  const bool p14 = version == 0x104, p20 = version >= 0x200;
  switch (type) {
    case kTemp: return p20 ? 12 : p14 ? 6 : 2;
    case kInput: return write ? 0 : 2;
    case kConst: return write ? 0 : p20 ? 32 : 8;
    // Texture registers: written by the texture ops of 1.1 to 1.3, read-only coordinates after.
    case kTexture: return p20 ? (write ? 0 : 8) : p14 ? (write ? 0 : 6) : 4;
    case kSampler: return p20 && !write ? 16 : 0;
    case kColorOut: return p20 && write ? 4 : 0;
    case kDepthOut: return p20 && write ? 1 : 0;
    default: return 0;
  }
}

}  // namespace d3d9::shader

#pragma once

// The shader bytecode vocabulary shared by the decoder and the text assembler: token fields,
// register types, opcodes with their operand counts per shader model, modifiers and
// declaration usages. Versions are written major << 8 | minor (0x101 for 1.1).

#include <cstdint>
#include <string_view>

namespace d3d9::shader {

enum class Kind : uint8_t { Vertex, Pixel };

// Token fields.
constexpr uint32_t kVertexVersionHigh = 0xFFFE;
constexpr uint32_t kPixelVersionHigh = 0xFFFF;
constexpr uint32_t kEndToken = 0x0000FFFF;
constexpr uint32_t kOpcodeMask = 0xFFFF;
constexpr uint32_t kControlShift = 16;      // instruction-specific bits 16-23
constexpr uint32_t kLengthShift = 24;       // instruction length, bits 24-27 (2.0 and later)
constexpr uint32_t kCoissueBit = 1u << 30;  // pixel shaders 1.x: runs beside the previous one
constexpr uint32_t kParamBit = 1u << 31;    // set in every parameter token
constexpr uint32_t kRelativeBit = 1u << 13;
constexpr uint32_t kWriteMaskShift = 16;
constexpr uint32_t kResultModShift = 20;
constexpr uint32_t kResultShiftShift = 24;
constexpr uint32_t kSwizzleShift = 16;
constexpr uint32_t kSourceModShift = 24;
constexpr uint32_t kIdentitySwizzle = 0xE4;  // x y z w, two bits each from bit 16

// Register types (bits 28-30 hold the low three bits, bits 11-12 the next two).
enum RegType : uint8_t {
  kTemp = 0,
  kInput = 1,
  kConst = 2,
  kAddr = 3,  // vertex shaders: a0; pixel shaders: the texture registers t#
  kTexture = 3,
  kRastOut = 4,   // oPos, oFog, oPts
  kAttrOut = 5,   // oD0, oD1
  kTexCrdOut = 6,  // oT#
  kConstInt = 7,
  kColorOut = 8,  // oC#
  kDepthOut = 9,
  kSampler = 10,
  kConstBool = 14,
  kLoop = 15,  // aL
  kLabel = 18,
  kRegTypeCount = 20,
};

inline uint32_t regType(uint32_t token) { return ((token >> 28) & 7) | ((token >> 8) & 0x18); }
inline uint32_t regNumber(uint32_t token) { return token & 0x7FF; }
inline uint32_t encodeRegister(uint32_t type, uint32_t number) {
  return kParamBit | ((type & 7) << 28) | ((type & 0x18) << 8) | (number & 0x7FF);
}

enum RastOut : uint8_t { kOutPosition = 0, kOutFog = 1, kOutPointSize = 2 };

enum Opcode : uint16_t {
  kNop = 0, kMov = 1, kAdd = 2, kSub = 3, kMad = 4, kMul = 5, kRcp = 6, kRsq = 7, kDp3 = 8,
  kDp4 = 9, kMin = 10, kMax = 11, kSlt = 12, kSge = 13, kExp = 14, kLog = 15, kLit = 16,
  kDst = 17, kLrp = 18, kFrc = 19, kM4x4 = 20, kM4x3 = 21, kM3x4 = 22, kM3x3 = 23, kM3x2 = 24,
  kCall = 25, kCallnz = 26, kLoopOp = 27, kRet = 28, kEndloop = 29, kLabelOp = 30, kDcl = 31,
  kPow = 32, kCrs = 33, kSgn = 34, kAbs = 35, kNrm = 36, kSincos = 37, kRep = 38, kEndrep = 39,
  kIf = 40, kElse = 42, kEndif = 43, kMova = 46, kDefb = 47, kDefi = 48,
  kTexcoord = 64, kTexkill = 65, kTex = 66, kExpp = 78, kLogp = 79, kCnd = 80, kDef = 81,
  kCmp = 88, kDp2add = 90, kPhase = 0xFFFD, kComment = 0xFFFE,
};

// Texture-load control bits of texld in pixel shaders 2.0.
constexpr uint32_t kTexldProject = 1;
constexpr uint32_t kTexldBias = 2;

// Source modifiers (bits 24-27 of a source token).
enum SourceMod : uint8_t {
  kModNone = 0, kModNeg = 1, kModBias = 2, kModBiasNeg = 3, kModSign = 4, kModSignNeg = 5,
  kModComp = 6, kModX2 = 7, kModX2Neg = 8, kModDz = 9, kModDw = 10, kModAbs = 11,
  kModAbsNeg = 12,
};

// Result modifier bits (bits 20-23 of a destination token).
constexpr uint32_t kResultSaturate = 1;
constexpr uint32_t kResultPartial = 2;
constexpr uint32_t kResultCentroid = 4;

// Declaration usages (bits 0-4 of a dcl's usage token, the index in bits 16-19) and the
// texture type of a sampler declaration (bits 27-30).
enum Usage : uint8_t {
  kUsagePosition = 0, kUsageBlendWeight = 1, kUsageBlendIndices = 2, kUsageNormal = 3,
  kUsagePSize = 4, kUsageTexcoord = 5, kUsageTangent = 6, kUsageBinormal = 7,
  kUsageTessFactor = 8, kUsagePositionT = 9, kUsageColor = 10, kUsageFog = 11,
  kUsageDepth = 12, kUsageSample = 13, kUsageCount = 14,
};
enum SamplerType : uint8_t { kSampler2D = 2, kSamplerCube = 3, kSamplerVolume = 4 };

// What an opcode takes in a given shader model. `supported` is false where the opcode exists
// in the model but the interpreter does not run it (texture-address ops of pixel shaders 1.x).
struct OpcodeInfo {
  Opcode opcode;
  const char* name;
  uint8_t dst;  // 0 or 1 destination parameters
  uint8_t src;  // source parameters
};

// The opcode's shape in this kind and version; null when the model does not have it.
const OpcodeInfo* opcodeInfo(Kind kind, uint32_t version, uint32_t opcode);
// The opcode of an assembler mnemonic in this model (texld, texcrd and the 2.0 forms map to
// their opcodes); null when unknown there.
const OpcodeInfo* opcodeByName(Kind kind, uint32_t version, std::string_view name);

// How many registers of a type the model has, for reading (`write` false) or writing; 0 when
// the type cannot be used that way.
uint32_t registerLimit(Kind kind, uint32_t version, uint32_t type, bool write);

bool versionSupported(Kind kind, uint32_t version);

}  // namespace d3d9::shader

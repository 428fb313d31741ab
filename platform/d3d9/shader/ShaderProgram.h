#pragma once

// The compact form of a validated shader, made once when the shader is created and run by the
// interpreter (ShaderMachine.h) for batches of vertices or spans of pixels. Every register the
// program touches that varies per vertex or pixel has a slot in the machine's lane file;
// constants, integer and boolean constants are uniform and read from tables.

#include "platform/d3d9/shader/ShaderIsa.h"

#include <cstdint>
#include <string>
#include <vector>

namespace d3d9::shader {

enum class File : uint8_t { None, Lane, Const, Int, Bool, Loop, Sampler, Label };
enum class Relative : uint8_t { None, Address, Loop };

struct Operand {
  File file = File::None;
  uint8_t modifier = kModNone;
  Relative relative = Relative::None;
  uint8_t relativeComponent = 0;  // the component of a0 that indexes
  uint16_t relativeSlot = 0;      // a0's lane slot
  uint16_t slot = 0;              // lane slot, or the register number for uniform files
  uint8_t type = 0;               // the register type as written (kept for texture ops)
  uint16_t number = 0;            // the register number as written
  uint8_t swizzle[4] = {0, 1, 2, 3};
};

struct Destination {
  File file = File::None;  // Lane, or None for instructions without one
  uint8_t mask = 0xF;
  bool saturate = false;
  int8_t shift = 0;  // result scaled by 2^shift (pixel shaders 1.x)
  uint16_t slot = 0;
  uint8_t type = 0;
  uint16_t number = 0;
};

struct Instruction {
  uint16_t opcode = kNop;
  uint8_t control = 0;
  uint8_t sourceCount = 0;
  bool coissue = false;
  Destination dst;
  Operand src[3];
  // Flow control: the matching instruction (else/endif, loop end or start, label).
  uint32_t target = 0;
};

// A per-vertex or per-pixel input and where its values come from.
struct InputBinding {
  uint16_t slot;
  uint8_t type;    // kInput or kTexture
  uint8_t number;
  uint8_t usage;   // vertex shaders: the declared usage; pixel shaders: colour or texcoord
  uint8_t usageIndex;
  uint8_t mask;    // declared components
};

struct ConstantDef {
  uint32_t number;
  float value[4];
};

struct IntegerDef {
  uint32_t number;
  int32_t value[4];
};

struct Program {
  Kind kind = Kind::Vertex;
  uint32_t version = 0;
  std::vector<Instruction> code;
  uint32_t laneSlots = 0;
  std::vector<InputBinding> inputs;
  // (type << 11 | number) of every lane register with its slot, for the stages' set-up.
  std::vector<std::pair<uint32_t, uint16_t>> slots;
  std::vector<ConstantDef> constants;
  std::vector<IntegerDef> integers;
  std::vector<std::pair<uint32_t, bool>> booleans;
  uint32_t constantsRead = 0;  // highest constant read without an index, plus one
  bool relativeConstants = false;
  uint16_t samplersUsed = 0;   // bit per texture stage sampled
  uint8_t coordinatesRead = 0; // pixel shaders 1.1 to 1.3: texture coordinate sets read

  // The slot of a lane register, or -1 when the program does not touch it.
  int32_t slotOf(uint32_t type, uint32_t number) const {
    for (const auto& [key, slot] : slots) {
      if (key == (type << 11 | number)) return slot;
    }
    return -1;
  }
  bool pixel1x() const { return kind == Kind::Pixel && version < 0x200; }
};

// The outcome of decoding: a program, or the reason the stream was refused and the token
// where that was found.
struct DecodeResult {
  bool ok = false;
  Program program;
  std::string error;
  size_t token = 0;
};

// Validates a token stream of `count` tokens (the version token first) and decodes it.
DecodeResult decodeShader(const uint32_t* tokens, size_t count);

}  // namespace d3d9::shader

namespace d3d9 {

// The back end's compiled form of a shader object (Shaders.h).
class ShaderProgram {
 public:
  explicit ShaderProgram(shader::Program p) : program(std::move(p)) {}
  shader::Program program;
};

}  // namespace d3d9

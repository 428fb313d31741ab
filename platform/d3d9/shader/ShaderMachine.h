#pragma once

// The interpreter of decoded shaders. It runs one program over up to kLanes vertices or pixels
// at once: every register that varies holds kLanes values per component, and each instruction
// runs over all lanes before the next, so decoding and dispatch cost once per batch or span,
// not per vertex or pixel. Flow control (vertex shaders 2.0) depends only on constants and so
// is the same for every lane.

#include "platform/d3d9/raster/Simd.h"
#include "platform/d3d9/shader/ShaderProgram.h"

#include <vector>

namespace d3d9::shader {

constexpr uint32_t kLanes = 256;

// The values a program reads that do not vary per lane.
struct Uniforms {
  const float* constants = nullptr;  // float4 registers, defined constants already applied
  uint32_t constantCount = 0;
  const int32_t* integers = nullptr;  // 16 x int4
  const bool* booleans = nullptr;     // 16
};

class Machine;

// The texture instructions (tex, texld, texcoord, texcrd, texkill), which need the pixel
// stage's samplers and interpolated coordinates.
class TextureUnit {
 public:
  virtual ~TextureUnit() = default;
  // Fills `result` for the instruction and answers the components it produced (0 for
  // texkill, which clears lanes instead).
  virtual uint32_t texture(const Instruction& ins, Machine& m, uint32_t n,
                           float (*result)[kLanes]) = 0;
};

class Machine {
 public:
  // Sizes the lane file for the program; the program must outlive the runs.
  void bind(const Program& program);
  // The arithmetic of the following runs (Simd.h).
  void setSimdLevel(SimdLevel simd) { simd_ = simd; }
  const Program& program() const { return *program_; }

  float* lane(uint32_t slot, uint32_t component) {
    return &lanes_[(size_t(slot) * 4 + component) * kLanes];
  }
  // Zeroes the registers the program writes (temporaries and outputs) for `n` lanes.
  void clearWritten(uint32_t n);

  // Runs the program over lanes 0 to n - 1 (n at most kLanes).
  void run(uint32_t n, const Uniforms& u, TextureUnit* textures);

  // The values of a source operand after swizzle and modifier, `row` registers past the one
  // named (the matrix macros); the pointers stay valid until the next fetch of the same
  // operand position.
  void fetch(const Operand& o, uint32_t n, uint32_t position, const float* out[4],
             uint32_t row = 0);

 private:
  uint32_t compute(const Instruction& ins, uint32_t n, float (*res)[kLanes]);
  void write(const Instruction& ins, uint32_t produced, uint32_t n, float (*res)[kLanes]);
  uint32_t matrix(const Instruction& ins, uint32_t n, float (*res)[kLanes]);

  const Program* program_ = nullptr;
  const Uniforms* uniforms_ = nullptr;
  SimdLevel simd_ = SimdLevel::Scalar;
  int32_t loopCounter_ = 0;  // aL
  std::vector<float> lanes_;
  std::vector<uint16_t> written_;  // slots cleared before a run
  float scratch_[4][4][kLanes] = {};  // fetched operands that needed a copy
  float results_[2][4][kLanes] = {};
};

// Scalar helpers with the interface's special cases, shared by the operations.
float shaderRcp(float x);
float shaderRsq(float x);
float shaderLog2(float x);
float shaderExp2(float x);

}  // namespace d3d9::shader

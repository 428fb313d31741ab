#pragma once

// The uniform tables a stage hands the interpreter: the host's constants with the shader's own
// definitions applied over them (a definition wins over the host's value for that shader).

#include "platform/d3d9/shader/ShaderMachine.h"

#include <vector>

namespace d3d9::shader {

enum class ConstantRange { Full, Pixel1x };

class UniformTables {
 public:
  // Points the uniforms at the float constants the program reads: the host's table itself
  // when nothing changes it, else a copy of the registers the program can reach. Pixel shaders
  // 1.x read their constants clamped to -1..1. Integer and boolean constants are zero and
  // false unless the program defines them.
  void gather(const Program& p, const float* host, uint32_t hostCount, ConstantRange range);
  const Uniforms& uniforms() const { return uniforms_; }

 private:
  Uniforms uniforms_;
  std::vector<float> constants_;
  int32_t integers_[16 * 4] = {};
  bool booleans_[16] = {};
};

}  // namespace d3d9::shader

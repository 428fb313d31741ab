#pragma once

// The uniform tables a stage hands the interpreter: the host's constants with the shader's own
// definitions applied over them (a definition wins over the host's value for that shader).

#include "platform/d3d9/shader/ShaderMachine.h"

#include <vector>

namespace d3d9::shader {

enum class ConstantRange { Full, Pixel1x };

// Points `u` at the float constants the program reads: the host's table itself when nothing
// changes it, else a copy in `storage` of the registers the program can reach. Pixel shaders
// 1.x read their constants clamped to -1..1.
void gatherConstants(const Program& p, const float* host, uint32_t hostCount, ConstantRange range,
                     std::vector<float>& storage, Uniforms& u);

// The integer and boolean constants: zero and false unless the program defines them.
void gatherIntegers(const Program& p, int32_t (&integers)[16 * 4], bool (&booleans)[16]);

}  // namespace d3d9::shader

// The arithmetic, modifiers, masks, address register and flow control of the interpreter, run
// through the vertex-shader stage on one vertex; results are read from oT0, which carries
// floats unclamped.

#include "platform/d3d9/shader/InterpreterBackend.h"
#include "platform/d3d9/shader/tests/ShaderTestKit.h"

#include <cfloat>
#include <cmath>

namespace d3d9 {
namespace {

using namespace testing;

struct OpCase {
  const char* model;
  const char* body;  // instructions writing r0
  std::vector<std::array<float, 4>> constants;  // c0, c1, ...
  std::array<float, 4> expected;
};

std::array<float, 4> runVertex(const OpCase& c) {
  // Bodies with subroutines write the outputs themselves before their main program returns.
  const std::string body = c.body;
  const std::string source = std::string(c.model) + "\ndcl_position v0\n" + body +
                             (body.find("label") == std::string::npos ? "\nmov oT0, r0\n" : "\n");
  const auto program = compileShader(assembled(source));
  EXPECT_TRUE(program) << source;
  if (!program) return {};
  DeviceState state;
  for (size_t i = 0; i < c.constants.size(); ++i) {
    std::copy(c.constants[i].begin(), c.constants[i].end(), state.vertexConstants.begin() + 4 * i);
  }
  const auto layout = vertexLayout(D3DFVF_XYZ);
  const float vertex[3] = {0.25f, 0.5f, 0.75f};
  ShaderVertexStage stage;
  EXPECT_EQ(stage.prepare(program, state, *layout), D3D_OK);
  ShadedVertex out{};
  stage.run({reinterpret_cast<const uint8_t*>(vertex), 12, 1, &*layout}, &out);
  return {out.tex[0][0], out.tex[0][1], out.tex[0][2], out.tex[0][3]};
}

void expectRow(const OpCase& c) {
  const auto got = runVertex(c);
  for (int k = 0; k < 4; ++k) {
    if (std::isinf(c.expected[k])) {
      EXPECT_EQ(got[k], c.expected[k]) << c.body << " component " << k;
    } else {
      EXPECT_NEAR(got[k], c.expected[k], 1e-5f * std::max(1.0f, std::fabs(c.expected[k])))
          << c.model << ": " << c.body << " component " << k;
    }
  }
}

constexpr float kInf = INFINITY;

TEST(ShaderOps, ArithmeticSwizzlesModifiersAndMasks) {
  const std::array<float, 4> a{1, 2, 3, 4}, b{-0.5f, 0.25f, 2, -1};
  const OpCase cases[] = {
      {"vs_1_1", "add r0, c0, c1", {a, b}, {0.5f, 2.25f, 5, 3}},
      {"vs_1_1", "sub r0, c0.wzyx, -c1", {a, b}, {3.5f, 3.25f, 4, 0}},
      {"vs_1_1", "mad r0, c0, c1.x, c0.w", {a, b}, {3.5f, 3, 2.5f, 2}},
      {"vs_1_1", "mul r0.xz, c0, c1", {a, b}, {-0.5f, 0, 6, 0}},
      {"vs_1_1", "mov r0.y, c0.z", {a}, {0, 3, 0, 0}},
      {"vs_1_1", "dp3 r0, c0, c1", {a, b}, {6, 6, 6, 6}},
      {"vs_1_1", "dp4 r0, c0, c1", {a, b}, {2, 2, 2, 2}},
      {"vs_1_1", "min r0, c0, c1", {a, b}, {-0.5f, 0.25f, 2, -1}},
      {"vs_1_1", "max r0, c0, c1", {a, b}, {1, 2, 3, 4}},
      {"vs_1_1", "slt r0, c1, c0.x", {a, b}, {1, 1, 0, 1}},
      {"vs_1_1", "sge r0, c1, c0.x", {a, b}, {0, 0, 1, 0}},
      {"vs_1_1", "frc r0.xy, c0", {{-1.25f, 2.75f, 0, 0}}, {0.75f, 0.75f, 0, 0}},
      {"vs_2_0", "lrp r0, c0, c1, c2", {{0.25f, 0.5f, 1, 0}, a, b}, {-0.125f, 1.125f, 3, -1}},
      {"vs_2_0", "abs r0, -c1", {a, b}, {0.5f, 0.25f, 2, 1}},
      {"vs_2_0", "sgn r0, c1, r1, r2", {a, {-3, 0, 5, 0}}, {-1, 0, 1, 0}},
      {"vs_2_0", "crs r0.xyz, c0, c1", {{1, 0, 0, 0}, {0, 1, 0, 0}}, {0, 0, 1, 0}},
      {"vs_2_0", "nrm r0, c0", {{3, 0, 4, 2}}, {0.6f, 0, 0.8f, 0.4f}},
  };
  for (const auto& c : cases) expectRow(c);
}

TEST(ShaderOps, ScalarInstructionsAndTheirSpecialValues) {
  const OpCase cases[] = {
      // A scalar source without a replicate swizzle reads w.
      {"vs_1_1", "rcp r0, c0", {{9, 9, 9, 4}}, {0.25f, 0.25f, 0.25f, 0.25f}},
      {"vs_1_1", "rcp r0, c0.x", {{0, 0, 0, 0}}, {kInf, kInf, kInf, kInf}},
      {"vs_1_1", "rsq r0, c0.x", {{-4, 0, 0, 0}}, {0.5f, 0.5f, 0.5f, 0.5f}},
      {"vs_1_1", "exp r0, c0.z", {{0, 0, 3, 0}}, {8, 8, 8, 8}},
      {"vs_1_1", "log r0, c0.x", {{-8, 0, 0, 0}}, {3, 3, 3, 3}},
      {"vs_1_1", "log r0, c0.x", {{0, 0, 0, 0}}, {-FLT_MAX, -FLT_MAX, -FLT_MAX, -FLT_MAX}},
      // Version 1.1 fills the pieces of the partial forms; 2.0 replicates the scalar.
      {"vs_1_1", "expp r0, c0.w", {{0, 0, 0, 2.5f}}, {4, 0.5f, std::exp2(2.5f), 1}},
      {"vs_1_1", "logp r0, c0.x", {{12, 0, 0, 0}}, {3, 1.5f, std::log2(12.0f), 1}},
      {"vs_2_0", "expp r0, c0.x", {{3, 0, 0, 0}}, {8, 8, 8, 8}},
      {"vs_2_0", "logp r0, c0.x", {{0.25f, 0, 0, 0}}, {-2, -2, -2, -2}},
      {"vs_2_0", "pow r0, c0.x, c0.y", {{-2, 3, 0, 0}}, {8, 8, 8, 8}},
      {"vs_2_0", "sincos r0.xy, c0.x, c1, c2", {{0.5f, 0, 0, 0}}, {std::cos(0.5f), std::sin(0.5f), 0, 0}},
      {"vs_1_1", "lit r0, c0", {{0.5f, 0.25f, 0, 2}}, {1, 0.5f, 0.0625f, 1}},
      {"vs_1_1", "lit r0, c0", {{-0.5f, 0.25f, 0, 2}}, {1, 0, 0, 1}},
      {"vs_1_1", "lit r0, c0", {{0.5f, 0, 0, 2}}, {1, 0.5f, 0, 1}},
      {"vs_1_1", "dst r0, c0, c1", {{9, 2, 3, 9}, {9, 5, 9, 7}}, {1, 10, 3, 7}},
  };
  for (const auto& c : cases) expectRow(c);
}

TEST(ShaderOps, MatrixMacrosUseConsecutiveRegisters) {
  const std::array<float, 4> v{1, 2, 3, 1};
  const std::vector<std::array<float, 4>> m = {v, {1, 0, 0, 10}, {0, 2, 0, 20}, {0, 0, 3, 30},
                                               {1, 1, 1, 1}};
  const OpCase cases[] = {
      {"vs_1_1", "m4x4 r0, c0, c1", m, {11, 24, 39, 7}},
      {"vs_1_1", "m4x3 r0.xyz, c0, c1", m, {11, 24, 39, 0}},
      {"vs_1_1", "m3x4 r0, c0, c1", m, {1, 4, 9, 6}},
      {"vs_1_1", "m3x3 r0.xyz, c0, c1", m, {1, 4, 9, 0}},
      {"vs_1_1", "m3x2 r0.xy, c0, c1", m, {1, 4, 0, 0}},
      // A matrix in temporaries: the named register and the ones after it.
      {"vs_1_1", "mov r1, c1\nmov r2, c2\nmov r3, c3\nm3x3 r0.xyz, c0, r1", m, {1, 4, 9, 0}},
  };
  for (const auto& c : cases) expectRow(c);
}

TEST(ShaderOps, AddressRegisterRoundsAsEachVersionDoes) {
  const std::vector<std::array<float, 4>> table = {
      {0, 0, 0, 0}, {10, 0, 0, 0}, {20, 0, 0, 0}, {30, 0, 0, 0}, {40, 0, 0, 0}};
  struct Row {
    const char* model;
    const char* write;
    float index;
    float expected;
  } rows[] = {
      {"vs_1_1", "mov", 1.5f, 30},    // rounds down: 1, plus 2
      {"vs_1_1", "mov", 1.999f, 30},
      {"vs_1_1", "mov", -0.5f, 10},   // -1
      {"vs_2_0", "mova", 1.5f, 40},   // to the nearest: 2
      {"vs_2_0", "mova", 1.49f, 30},
      {"vs_2_0", "mova", -0.4f, 20},
      {"vs_1_1", "mov", 7.0f, 0},     // past the table: zero
      {"vs_1_1", "mov", -9.0f, 0},
  };
  for (const Row& r : rows) {
    auto constants = table;
    constants[0] = {r.index, 0, 0, 0};
    const std::string body = std::string(r.write) + " a0.x, c0.x\nmov r0, c[a0.x + 2]";
    expectRow({r.model, body.c_str(), constants, {r.expected, 0, 0, 0}});
  }
}

TEST(ShaderOps, StaticFlowControlAndDefinitions) {
  const std::array<float, 4> one{1, 0, 0, 0}, two{0, 2, 0, 0}, four{0, 0, 4, 0};
  const OpCase cases[] = {
      {"vs_2_0", "defi i0, 3, 0, 0, 0\nrep i0\nadd r0, r0, c0\nendrep", {one}, {3, 0, 0, 0}},
      {"vs_2_0", "defi i0, 0, 0, 0, 0\nrep i0\nadd r0, r0, c0\nendrep", {one}, {0, 0, 0, 0}},
      {"vs_2_0", "defi i1, 3, 1, 1, 0\nloop aL, i1\nadd r0, r0, c[aL]\nendloop",
       {one, one, two, four}, {1, 2, 4, 0}},
      {"vs_2_0", "defb b3, true\nif b3\nmov r0, c0\nelse\nmov r0, c1\nendif", {one, two}, {1, 0, 0, 0}},
      {"vs_2_0", "if b2\nmov r0, c0\nelse\nmov r0, c1\nendif", {one, two}, {0, 2, 0, 0}},
      {"vs_2_0", "call l1\nadd r0, r0, c1\nmov oT0, r0\nret\nlabel l1\nmov r0, c0\nret",
       {one, two}, {1, 2, 0, 0}},
      {"vs_2_0", "defb b0, true\ncallnz l0, b0\nmov oT0, r0\nret\nlabel l0\nmov r0, c1\nret",
       {one, two}, {0, 2, 0, 0}},
      // A definition wins over the host's value of the same register.
      {"vs_1_1", "def c1, 5, 6, 7, 8\nmov r0, c1", {one, two}, {5, 6, 7, 8}},
  };
  for (const auto& c : cases) expectRow(c);
}

}  // namespace
}  // namespace d3d9

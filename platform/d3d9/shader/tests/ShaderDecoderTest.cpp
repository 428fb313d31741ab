// What shader creation refuses: streams assembled from readable sources, then broken in one
// place, must be refused by the decoder with a reason and by the device.

#include "platform/d3d9/shader/ShaderProgram.h"
#include "platform/d3d9/shader/tests/ShaderTestKit.h"

#include <functional>

namespace d3d9 {
namespace {

using namespace testing;
using namespace shader;

constexpr const char* kVertex = R"(vs_2_0
    dcl_position v0
    mov r0, v0
    mov oPos, r0)";
constexpr const char* kPixel = R"(ps_2_0
    dcl t0.xy
    dcl_2d s0
    texld r0, t0, s0
    mov oC0, r0)";

struct Broken {
  const char* name;
  const char* source;
  std::function<void(std::vector<DWORD>&)> breakIt;
  const char* reason;  // part of the decoder's message
};

TEST(ShaderDecoder, RefusesBrokenStreams) {
  // Token positions in kVertex: 0 version, 1-3 dcl, 4-6 the first mov, 7-9 the second, 10 end.
  const Broken cases[] = {
      {"missing end token", kVertex, [](auto& t) { t.pop_back(); }, "without an end token"},
      {"unknown opcode", kVertex, [](auto& t) { t[4] = (t[4] & ~0xFFFFu) | 200; }, "opcode 200"},
      {"opcode of another model", kVertex, [](auto& t) { t[4] = (t[4] & ~0xFFFFu) | kTex; },
       "opcode 66"},
      {"temporary register out of range", kVertex, [](auto& t) { t[5] = (t[5] & ~0x7FFu) | 12; },
       "out of range"},
      {"input out of range", kVertex, [](auto& t) { t[3] = (t[3] & ~0x7FFu) | 16; },
       "out of range"},
      {"pixel model 3.0", kPixel, [](auto& t) { t[0] = 0xFFFF0300u; }, "3.0 is not supported"},
      {"vertex model 3.0", kVertex, [](auto& t) { t[0] = 0xFFFE0300u; }, "3.0 is not supported"},
      {"not a version token", kVertex, [](auto& t) { t[0] = 0x12340101u; }, "version token"},
      {"wrong instruction length", kVertex, [](auto& t) { t[4] += 1u << 24; }, "length"},
      {"empty write mask", kVertex, [](auto& t) { t[5] &= ~0xF0000u; }, "empty write mask"},
      {"parameter without its marker", kVertex, [](auto& t) { t[6] &= ~0x80000000u; }, "marker"},
      {"relative temporary", kVertex, [](auto& t) { t[6] |= kRelativeBit; }, "relative"},
      {"undeclared input", kVertex, [](auto& t) { t[6] = (t[6] & ~0x7FFu) | 1; },
       "without a declaration"},
      {"result shift outside 1.x", kVertex, [](auto& t) { t[5] |= 1u << 24; }, "result shift"},
      {"comment past the end", kVertex, [](auto& t) { t.insert(t.end() - 1, 0x0005FFFEu); },
       "comment"},
      {"texld through a non-sampler", kPixel, [](auto& t) { t[10] &= ~0x1800u; },
       "not a sampler"},
      {"cube sampler", kPixel, [](auto& t) { t[5] = 0x80000000u | 3u << 27; }, "two-dimensional"},
  };
  for (const auto& c : cases) {
    auto tokens = assembled(c.source);
    c.breakIt(tokens);
    const DecodeResult r = decodeShader(tokens.data(), tokens.size());
    EXPECT_FALSE(r.ok) << c.name;
    EXPECT_NE(r.error.find(c.reason), std::string::npos) << c.name << ": " << r.error;
    // The device refuses the same bytes, reading nothing past them.
    auto t = makeDevice("default");
    const std::vector<DWORD> exact(tokens);
    if (tokens[0] >> 16 == kPixelVersionHigh) {
      IDirect3DPixelShader9* ps = nullptr;
      EXPECT_EQ(t.device->CreatePixelShader(exact.data(), exact.size() * 4, &ps), D3DERR_INVALIDCALL)
          << c.name;
    } else {
      IDirect3DVertexShader9* vs = nullptr;
      EXPECT_EQ(t.device->CreateVertexShader(exact.data(), exact.size() * 4, &vs), D3DERR_INVALIDCALL)
          << c.name;
    }
  }
}

TEST(ShaderDecoder, FlowControlMustBalanceAndReadItsOwnRegisters) {
  const char* sources[] = {
      "vs_2_0\nrep i0\nnop",
      "vs_2_0\nendif",
      "vs_2_0\nif b0\nrep i0\nendif\nendrep",
      "vs_2_0\ncall l3\nret\nlabel l2\nret",
      // Flow control reads its own register files, and only it reads them.
      "vs_2_0\nif c0\nendif",
      "vs_2_0\nrep b0\nendrep",
      "vs_2_0\nmov r0, i0",
  };
  for (const char* source : sources) {
    const vsasm::Assembled a = vsasm::assemble(source);
    EXPECT_FALSE(a.ok) << source;
  }
}

TEST(ShaderDecoder, DecodedOnceAtCreation) {
  auto t = makeDevice("default");
  auto vs = vertexShader(t.device.get(), kVertex);
  ASSERT_TRUE(vs);
  ASSERT_TRUE(vs->program);
  EXPECT_EQ(vs->program->program.code.size(), 3u);  // the declaration leaves a nop
  // The slots of the position output and the input are known without re-reading tokens.
  EXPECT_GE(vs->program->program.slotOf(kRastOut, kOutPosition), 0);
  EXPECT_EQ(vs->program->program.inputs.size(), 1u);
}

}  // namespace
}  // namespace d3d9

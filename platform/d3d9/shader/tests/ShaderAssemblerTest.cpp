// The assembler of tools/vsasm: the encoding of what it accepts (checked by running it) and the
// line its errors name; and the archive that the build makes with the tool.

#include "platform/d3d9/shader/ShaderProgram.h"
#include "platform/d3d9/shader/tests/ShaderTestKit.h"

#include <fstream>
#include <iterator>

namespace d3d9 {
namespace {

using namespace testing;

TEST(ShaderAssembler, EncodesOperandsAsTheDeviceReadsThem) {
  // The tokens the last line must produce (before the end token).
  struct Case {
    const char* source;
    std::vector<DWORD> tokens;
  } cases[] = {
      {"vs_1_1\nmov r1.xz, -c2.wzyx", {0x00000001, 0x80050001, 0xA11B0002}},
      {"vs_1_1\nmov a0.x, c3.y", {0x00000001, 0xB0010000, 0xA0550003}},
      {"vs_1_1\ndcl_normal v0\nm4x4 r0, v0, c[a0.x + 8]", {0x00000014, 0x800F0000, 0x90E40000, 0xA0E42008}},
      {"vs_2_0\nmov r0, c[a0.y + 2]", {0x03000001, 0x800F0000, 0xA0E42002, 0xB0550000}},
      {"vs_2_0\ndcl_texcoord3 v4", {0x0200001F, 0x80030005, 0x900F0004}},
      {"ps_1_1\nmul_x2_sat r0.rgb, t0_bx2, 1-v1.a", {0x00000005, 0x81170000, 0xB4E40000, 0x96FF0001}},
      {"ps_1_4\ntexld r2, t1_dz", {0x00000042, 0x800F0002, 0xB9E40001}},
      {"ps_2_0\ntexldp r0, t0, s1", {0x03010042, 0x800F0000, 0xB0E40000, 0xA0E40801}},
      {"ps_2_0\ndef c1, 0.5, -1, 0, 2", {0x05000051, 0xA00F0001, 0x3F000000, 0xBF800000, 0, 0x40000000}},
  };
  for (const Case& c : cases) {
    const vsasm::Assembled a = vsasm::assemble(c.source);
    ASSERT_TRUE(a.ok) << c.source << ": " << a.error;
    ASSERT_GE(a.tokens.size(), c.tokens.size() + 2) << c.source;
    std::vector<DWORD> body(a.tokens.end() - 1 - c.tokens.size(), a.tokens.end() - 1);
    EXPECT_EQ(body, c.tokens) << c.source;
  }
}

TEST(ShaderAssembler, ErrorsNameTheLine) {
  struct Case {
    const char* source;
    const char* message;
  } cases[] = {
      {"", "line 0: no version line"},
      {"ps_3_0\nmov oC0, c0", "line 1: unsupported shader model"},
      {"vs_1_1\n; comment\nfrob r0, r1", "line 3: unknown instruction frob"},
      {"vs_1_1\nmov r0", "line 2: mov takes 2 operands"},
      {"vs_1_1\nmov r0.yx, c0", "line 2: bad write mask"},
      {"vs_1_1\nmov r0, c0.xyzwx", "line 2: bad swizzle"},
      {"vs_1_1\nmov r0, q0", "line 2: unknown register"},
      {"vs_1_1\nmov r12, c0", "line 2: destination register type 0 number 12 is out of range"},
      {"vs_1_1\n/* two\nlines */\nmov r0, v0", "line 4: input v0 is read without a declaration"},
      {"ps_1_1\nmov oC0, c0", "line 2: destination register type 8 number 0 is out of range"},
      {"vs_1_1\nmov r0, c[a0.y + 1]", "line 2: version 1.1 indexes with a0.x only"},
  };
  for (const Case& c : cases) {
    const vsasm::Assembled a = vsasm::assemble(c.source);
    EXPECT_FALSE(a.ok) << c.source;
    EXPECT_EQ(a.error.rfind(c.message, 0), 0u) << c.source << " gave: " << a.error;
  }
}

TEST(ShaderAssembler, ToolReportsFailureWithoutWritingOutput) {
  const std::string dir = TEST_BINARY_DIR;
  const std::string source = dir + "/vsasm_bad.vsh", output = dir + "/vsasm_bad.bin";
  std::ofstream(source) << "vs_1_1\nmov r0, nowhere\n";
  std::remove(output.c_str());
  const std::string command = std::string(TEST_BIN_DIR) + "/vsasm " + source + " " + output +
                              " 2>" + dir + "/vsasm_bad.err";
  EXPECT_NE(std::system(command.c_str()), 0);
  EXPECT_FALSE(std::ifstream(output).good());
  std::ifstream err(dir + "/vsasm_bad.err");
  const std::string text((std::istreambuf_iterator<char>(err)), std::istreambuf_iterator<char>());
  EXPECT_NE(text.find("vsasm_bad.vsh:line 2: unknown register"), std::string::npos) << text;
}

uint32_t u32(const std::string& b, size_t at) {
  return uint32_t(uint8_t(b[at])) | uint32_t(uint8_t(b[at + 1])) << 8 |
         uint32_t(uint8_t(b[at + 2])) << 16 | uint32_t(uint8_t(b[at + 3])) << 24;
}

TEST(ShaderAssembler, BuildMakesAScrambledShaderArchiveTheDeviceAccepts) {
  std::ifstream in(std::string(TEST_BINARY_DIR) + "/shaders/renderer.csa", std::ios::binary);
  ASSERT_TRUE(in.good());
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  ASSERT_GE(bytes.size(), 8u);
  ASSERT_EQ(bytes.substr(0, 4), "DMF ");
  const uint32_t count = u32(bytes, 4);
  ASSERT_EQ(count, 3u);
  auto t = makeDevice("default");
  size_t at = 8;
  std::vector<std::string> names;
  for (uint32_t i = 0; i < count; ++i) {
    const uint32_t length = u32(bytes, at);
    names.push_back(bytes.substr(at + 4, length));
    const uint32_t offset = u32(bytes, at + 4 + length), size = u32(bytes, at + 8 + length);
    at += 12 + length;
    ASSERT_LE(uint64_t(offset) + size, bytes.size());
    std::vector<DWORD> tokens(size / 4);
    for (uint32_t k = 0; k < size; ++k) {
      reinterpret_cast<uint8_t*>(tokens.data())[k] = uint8_t(bytes[offset + k]) ^ uint8_t(k);
    }
    if (names.back() == "map3_psh") {
      IDirect3DPixelShader9* ps = nullptr;
      ASSERT_EQ(t.device->CreatePixelShader(tokens.data(), size, &ps), D3D_OK);
      ps->Release();
    } else {
      IDirect3DVertexShader9* vs = nullptr;
      ASSERT_EQ(t.device->CreateVertexShader(tokens.data(), size, &vs), D3D_OK) << names.back();
      vs->Release();
    }
  }
  EXPECT_EQ(names, (std::vector<std::string>{"normal_b0", "normal_b1", "map3_psh"}));
}

}  // namespace
}  // namespace d3d9

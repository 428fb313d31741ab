#include "tools/vsasm/ShaderAssembler.h"

#include "platform/d3d9/shader/ShaderProgram.h"

#include <cctype>
#include <cstring>
#include <stdexcept>

namespace vsasm {
namespace {

using namespace d3d9::shader;

struct Failure : std::runtime_error {
  using std::runtime_error::runtime_error;
};

[[noreturn]] void fail(const std::string& message) { throw Failure(message); }

std::string lower(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = char(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

std::string_view trim(std::string_view s) {
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
  return s;
}

bool startsWith(std::string_view s, std::string_view prefix) {
  return s.substr(0, prefix.size()) == prefix;
}

uint32_t number(std::string_view s, const char* what) {
  if (s.empty() || s.size() > 5) fail(std::string("bad ") + what + " number");
  uint32_t v = 0;
  for (char c : s) {
    if (!std::isdigit(static_cast<unsigned char>(c))) fail(std::string("bad ") + what + " number");
    v = v * 10 + uint32_t(c - '0');
  }
  return v;
}

// Splits on commas outside brackets.
std::vector<std::string> operands(std::string_view s) {
  std::vector<std::string> out;
  int depth = 0;
  std::string current;
  for (char c : s) {
    if (c == '[') ++depth;
    if (c == ']') --depth;
    if (c == ',' && depth == 0) {
      out.emplace_back(trim(current));
      current.clear();
    } else {
      current += c;
    }
  }
  if (!trim(current).empty() || !out.empty()) out.emplace_back(trim(current));
  return out;
}

int component(char c) {
  switch (c) {
    case 'x': case 'r': return 0;
    case 'y': case 'g': return 1;
    case 'z': case 'b': return 2;
    case 'w': case 'a': return 3;
    default: return -1;
  }
}

class Assembler {
 public:
  std::vector<uint32_t> tokens;
  std::vector<uint32_t> lineOfToken;  // source line of each token

  void line(std::string_view text, uint32_t lineNumber) {
    line_ = lineNumber;
    text = trim(text);
    if (text.empty()) return;
    if (!kindKnown_) {
      version(lower(text));
      return;
    }
    bool coissue = false;
    if (text.front() == '+') {
      coissue = true;
      text = trim(text.substr(1));
    }
    size_t space = 0;
    while (space < text.size() && !std::isspace(static_cast<unsigned char>(text[space]))) ++space;
    const std::string mnemonic = lower(text.substr(0, space));
    instruction(mnemonic, operands(trim(text.substr(space))), coissue);
  }

  void finish() {
    if (!kindKnown_) fail("no version line");
    emit(kEndToken);
  }

 private:
  void emit(uint32_t t) {
    tokens.push_back(t);
    lineOfToken.push_back(line_);
  }

  void version(const std::string& v) {
    const bool vertex = startsWith(v, "vs");
    if ((!vertex && !startsWith(v, "ps")) || v.size() != 6 || (v[2] != '_' && v[2] != '.') ||
        v[4] != v[2] || !std::isdigit(static_cast<unsigned char>(v[3])) ||
        !std::isdigit(static_cast<unsigned char>(v[5]))) {
      fail("expected a version line such as vs_1_1 or ps_2_0");
    }
    kind_ = vertex ? Kind::Vertex : Kind::Pixel;
    version_ = uint32_t(v[3] - '0') << 8 | uint32_t(v[5] - '0');
    if (!versionSupported(kind_, version_)) fail("unsupported shader model " + v);
    kindKnown_ = true;
    emit((vertex ? kVertexVersionHigh : kPixelVersionHigh) << 16 | version_);
  }

  // A register name with its type and number.
  void registerName(std::string_view s, uint32_t& type, uint32_t& num) {
    const std::string r = lower(s);
    struct Prefix {
      const char* name;
      uint32_t vertexType, pixelType;
    };
    static constexpr Prefix kFixed[] = {
        {"opos", kRastOut, 99}, {"ofog", kRastOut, 99}, {"opts", kRastOut, 99},
        {"odepth", 99, kDepthOut}, {"al", kLoop, 99},
    };
    for (uint32_t i = 0; i < 5; ++i) {
      if (r == kFixed[i].name) {
        type = kind_ == Kind::Vertex ? kFixed[i].vertexType : kFixed[i].pixelType;
        if (type == 99) fail("register " + r + " does not exist in this shader kind");
        num = i < 3 ? i : 0;
        return;
      }
    }
    static constexpr Prefix kNumbered[] = {
        {"od", kAttrOut, 99}, {"ot", kTexCrdOut, 99}, {"oc", 99, kColorOut},
        {"r", kTemp, kTemp}, {"v", kInput, kInput}, {"c", kConst, kConst},
        {"a", kAddr, 99}, {"t", 99, kTexture}, {"s", 99, kSampler}, {"b", kConstBool, 99},
        {"i", kConstInt, 99}, {"l", kLabel, 99},
    };
    for (const Prefix& p : kNumbered) {
      const size_t n = std::strlen(p.name);
      if (r.size() > n && startsWith(r, p.name) && std::isdigit(static_cast<unsigned char>(r[n]))) {
        type = kind_ == Kind::Vertex ? p.vertexType : p.pixelType;
        if (type == 99) fail("register " + r + " does not exist in this shader kind");
        num = number(std::string_view(r).substr(n), "register");
        return;
      }
    }
    fail("unknown register '" + std::string(s) + "'");
  }

  uint32_t writeMask(std::string_view m) {
    if (m.empty()) return 0xF;
    uint32_t mask = 0;
    int last = -1;
    for (char c : lower(m)) {
      const int k = component(c);
      if (k <= last) fail("bad write mask ." + std::string(m));
      mask |= 1u << k;
      last = k;
    }
    return mask;
  }

  uint32_t swizzle(std::string_view s) {
    if (s.empty()) return kIdentitySwizzle;
    if (s.size() > 4) fail("bad swizzle ." + std::string(s));
    uint32_t out = 0;
    int k = 0;
    for (size_t i = 0; i < 4; ++i) {
      if (i < s.size()) {
        k = component(char(std::tolower(static_cast<unsigned char>(s[i]))));
        if (k < 0) fail("bad swizzle ." + std::string(s));
      }
      out |= uint32_t(k) << (2 * i);
    }
    return out;
  }

  uint32_t destination(std::string_view op, uint32_t resultMods, uint32_t shift) {
    const size_t dot = op.find('.');
    uint32_t type, num;
    registerName(op.substr(0, dot), type, num);
    const uint32_t mask = writeMask(dot == std::string_view::npos ? "" : op.substr(dot + 1));
    return encodeRegister(type, num) | mask << kWriteMaskShift | resultMods << kResultModShift |
           shift << kResultShiftShift;
  }

  void source(std::string_view op) {
    uint32_t mod = kModNone;
    bool negate = false;
    if (!op.empty() && op.front() == '-') {
      negate = true;
      op = trim(op.substr(1));
    }
    if (startsWith(op, "1-")) {
      mod = kModComp;
      op = trim(op.substr(2));
    }
    // The register, then any order of one "_modifier" and one ".swizzle".
    size_t end = 0;
    while (end < op.size() && op[end] != '.' && op[end] != '_' && op[end] != '[') ++end;
    std::string_view reg = op.substr(0, end);
    std::string_view rest = op.substr(end);
    std::string relative;
    if (!rest.empty() && rest.front() == '[') {
      const size_t close = rest.find(']');
      if (close == std::string_view::npos) fail("missing ]");
      relative = lower(rest.substr(1, close - 1));
      rest = rest.substr(close + 1);
    }
    std::string_view swz;
    while (!rest.empty()) {
      size_t next = 1;
      while (next < rest.size() && rest[next] != '.' && rest[next] != '_') ++next;
      const std::string part = lower(rest.substr(1, next - 1));
      if (rest.front() == '.') {
        swz = rest.substr(1, next - 1);
      } else if (mod != kModNone) {
        fail("more than one source modifier");
      } else if (part == "bias") {
        mod = kModBias;
      } else if (part == "bx2") {
        mod = kModSign;
      } else if (part == "x2") {
        mod = kModX2;
      } else if (part == "dz" || part == "db") {
        mod = kModDz;
      } else if (part == "dw" || part == "da") {
        mod = kModDw;
      } else if (part == "abs") {
        mod = kModAbs;
      } else {
        fail("unknown source modifier _" + part);
      }
      rest = rest.substr(next);
    }
    if (negate) {
      switch (mod) {
        case kModNone: mod = kModNeg; break;
        case kModBias: mod = kModBiasNeg; break;
        case kModSign: mod = kModSignNeg; break;
        case kModX2: mod = kModX2Neg; break;
        case kModAbs: mod = kModAbsNeg; break;
        default: fail("this source modifier cannot be negated");
      }
    }
    uint32_t type, num;
    uint32_t addressToken = 0;
    bool hasAddress = false;
    if (!relative.empty()) {
      // c[a0.x + n], c[n + a0.x], c[aL + n] or c[a0.x]; the register before the bracket may
      // carry a base number too (c2[a0.x]).
      registerName(reg.size() > 1 ? reg : std::string(reg) + "0", type, num);
      std::string index;
      for (char c : relative) {
        if (!std::isspace(static_cast<unsigned char>(c))) index += c;
      }
      std::string base;
      const size_t plus = index.find('+');
      std::string addr = index;
      if (plus != std::string::npos) {
        std::string a = index.substr(0, plus), b = index.substr(plus + 1);
        if (!a.empty() && std::isdigit(static_cast<unsigned char>(a[0]))) std::swap(a, b);
        addr = a;
        base = b;
      }
      if (!base.empty()) num += number(base, "index");
      uint32_t at, an;
      const size_t dot = addr.find('.');
      registerName(addr.substr(0, dot), at, an);
      if ((at != kAddr && at != kLoop) || an != 0) fail("an index must be a0 or aL");
      const int k = dot == std::string::npos ? 0 : component(addr[dot + 1]);
      if (k < 0 || (dot != std::string::npos && addr.size() != dot + 2)) fail("bad index component");
      if (version_ < 0x200 && (at != kAddr || k != 0)) fail("version 1.1 indexes with a0.x only");
      hasAddress = version_ >= 0x200;
      addressToken = encodeRegister(at, 0) | uint32_t(k) * 0x55u << kSwizzleShift;
    } else {
      registerName(reg, type, num);
    }
    emit(encodeRegister(type, num) | swizzle(swz) << kSwizzleShift | mod << kSourceModShift |
         (relative.empty() ? 0 : kRelativeBit));
    if (hasAddress) emit(addressToken);
  }

  void declaration(const std::string& usageName, const std::vector<std::string>& ops) {
    if (ops.size() != 1) fail("dcl takes one register");
    static constexpr const char* kUsages[] = {
        "position", "blendweight", "blendindices", "normal", "psize", "texcoord", "tangent",
        "binormal", "tessfactor", "positiont", "color", "fog", "depth", "sample"};
    uint32_t usage = kParamBit;
    if (usageName == "2d" || usageName == "cube" || usageName == "volume") {
      const uint32_t type = usageName == "2d" ? kSampler2D : usageName == "cube" ? kSamplerCube
                                                                                 : kSamplerVolume;
      usage |= type << 27;
    } else if (!usageName.empty()) {
      bool found = false;
      for (uint32_t u = 0; u < kUsageCount && !found; ++u) {
        const std::string name = kUsages[u];
        if (!startsWith(usageName, name)) continue;
        const std::string digits = usageName.substr(name.size());
        if (!digits.empty() && !std::isdigit(static_cast<unsigned char>(digits[0]))) continue;
        usage |= u | (digits.empty() ? 0 : number(digits, "usage index")) << 16;
        found = true;
      }
      if (!found) fail("unknown declaration dcl_" + usageName);
    }
    emit(usage);
    emit(destination(ops[0], 0, 0));
  }

  void definition(uint32_t opcode, const std::vector<std::string>& ops) {
    const size_t values = opcode == kDefb ? 1 : 4;
    if (ops.size() != values + 1) fail("a definition takes a register and its values");
    emit(destination(ops[0], 0, 0));
    for (size_t i = 1; i <= values; ++i) {
      const std::string v = lower(ops[i]);
      char* end = nullptr;
      uint32_t bits = 0;
      if (opcode == kDefb) {
        if (v != "true" && v != "false") fail("a boolean is true or false");
        bits = v == "true";
      } else if (opcode == kDefi) {
        const long n = std::strtol(v.c_str(), &end, 10);
        if (end == v.c_str() || *end) fail("bad integer " + v);
        bits = uint32_t(int32_t(n));
      } else {
        const float f = std::strtof(v.c_str(), &end);
        if (end == v.c_str() || (*end && std::strcmp(end, "f") != 0)) fail("bad number " + v);
        std::memcpy(&bits, &f, 4);
      }
      emit(bits);
    }
  }

  void instruction(const std::string& mnemonic, const std::vector<std::string>& ops,
                   bool coissue) {
    const size_t start = tokens.size();
    emit(0);
    uint32_t opcode;
    uint32_t control = 0;
    if (startsWith(mnemonic, "dcl")) {
      if (mnemonic.size() > 3 && mnemonic[3] != '_') fail("unknown instruction " + mnemonic);
      opcode = kDcl;
      if (!opcodeInfo(kind_, version_, kDcl)) fail("dcl is not part of this shader model");
      declaration(mnemonic.size() > 4 ? mnemonic.substr(4) : "", ops);
    } else {
      // The name, then result modifiers: _sat, _pp, _centroid and the shifts of 1.x.
      std::vector<std::string> parts;
      size_t from = 0;
      while (true) {
        const size_t u = mnemonic.find('_', from);
        parts.push_back(mnemonic.substr(from, u - from));
        if (u == std::string::npos) break;
        from = u + 1;
      }
      std::string name = parts[0];
      if (name == "texldp" || name == "texldb") {
        control = name == "texldp" ? kTexldProject : kTexldBias;
        name = "texld";
      }
      const OpcodeInfo* info = opcodeByName(kind_, version_, name);
      if (!info) fail("unknown instruction " + name + " in this shader model");
      opcode = info->opcode;
      uint32_t mods = 0, shift = 0;
      static constexpr std::pair<const char*, uint32_t> kShifts[] = {
          {"x2", 1}, {"x4", 2}, {"x8", 3}, {"d2", 15}, {"d4", 14}, {"d8", 13}};
      for (size_t i = 1; i < parts.size(); ++i) {
        const std::string& m = parts[i];
        bool known = true;
        if (m == "sat") {
          mods |= kResultSaturate;
        } else if (m == "pp") {
          mods |= kResultPartial;
        } else if (m == "centroid") {
          mods |= kResultCentroid;
        } else {
          known = false;
          for (const auto& [n, v] : kShifts) {
            if (m == n) {
              shift = v;
              known = true;
            }
          }
        }
        if (!known) fail("unknown instruction modifier _" + m);
      }
      if (opcode == kDef || opcode == kDefi || opcode == kDefb) {
        definition(opcode, ops);
      } else {
        if (ops.size() != size_t(info->dst + info->src)) {
          fail(name + " takes " + std::to_string(info->dst + info->src) + " operands");
        }
        if (info->dst) emit(destination(ops[0], mods, shift));
        for (size_t i = info->dst; i < ops.size(); ++i) source(ops[i]);
      }
    }
    const uint32_t length = uint32_t(tokens.size() - start - 1);
    tokens[start] = opcode | control << kControlShift | (coissue ? kCoissueBit : 0) |
                    (version_ >= 0x200 ? length << kLengthShift : 0);
  }

  Kind kind_ = Kind::Vertex;
  uint32_t version_ = 0;
  bool kindKnown_ = false;
  uint32_t line_ = 0;
};

}  // namespace

Assembled assemble(std::string_view source) {
  Assembled out;
  Assembler a;
  uint32_t lineNumber = 0;
  try {
    bool inBlockComment = false;
    while (!source.empty()) {
      ++lineNumber;
      const size_t nl = source.find('\n');
      std::string text(source.substr(0, nl));
      source = nl == std::string_view::npos ? std::string_view() : source.substr(nl + 1);
      // Comments: ';' and '//' to the end of the line, '/* ... */' across lines.
      std::string kept;
      for (size_t i = 0; i < text.size(); ++i) {
        if (inBlockComment) {
          if (text.compare(i, 2, "*/") == 0) {
            inBlockComment = false;
            ++i;
          }
          continue;
        }
        if (text.compare(i, 2, "/*") == 0) {
          inBlockComment = true;
          ++i;
          continue;
        }
        if (text[i] == ';' || text.compare(i, 2, "//") == 0) break;
        kept += text[i];
      }
      a.line(kept, lineNumber);
    }
    a.finish();
  } catch (const Failure& f) {
    out.error = "line " + std::to_string(lineNumber) + ": " + f.what();
    return out;
  }
  // What the device would refuse is an error here too, reported at its instruction's line.
  const DecodeResult check = decodeShader(a.tokens.data(), a.tokens.size());
  if (!check.ok) {
    const size_t at = check.token < a.lineOfToken.size() ? check.token : a.lineOfToken.size() - 1;
    out.error = "line " + std::to_string(a.lineOfToken[at]) + ": " + check.error;
    return out;
  }
  out.ok = true;
  out.tokens = std::move(a.tokens);
  return out;
}

}  // namespace vsasm

#include "CompilerTestSupport.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

#include "squirrel/compiler/SourceText.h"
#include "squirrel/format/ClosureWriter.h"

namespace sqtest {
namespace {

using sqformat::FunctionData;
using sqformat::Literal;

constexpr const char* kOpNames[] = {
    "LINE",        "LOAD",       "LOADINT",  "LOADFLOAT",     "DLOAD",     "TAILCALL",
    "CALL",        "PREPCALL",   "PREPCALLK", "GETK",         "MOVE",      "NEWSLOT",
    "DELETE",      "SET",        "GET",      "EQ",            "NE",        "ARITH",
    "BITW",        "RETURN",     "LOADNULLS", "LOADROOTTABLE", "LOADBOOL", "DMOVE",
    "JMP",         "JNZ",        "JZ",       "LOADFREEVAR",   "VARGC",     "GETVARGV",
    "NEWTABLE",    "NEWARRAY",   "APPENDARRAY", "GETPARENT",  "COMPARITH", "COMPARITHL",
    "INC",         "INCL",       "PINC",     "PINCL",         "CMP",       "EXISTS",
    "INSTANCEOF",  "AND",        "OR",       "NEG",           "NOT",       "BWNOT",
    "CLOSURE",     "YIELD",      "RESUME",   "FOREACH",       "POSTFOREACH", "DELEGATE",
    "CLONE",       "TYPEOF",     "PUSHTRAP", "POPTRAP",       "THROW",     "CLASS",
    "NEWSLOTA"};

class Decoder {
 public:
  explicit Decoder(const std::string& bytes) : bytes_(bytes) {}

  std::unique_ptr<FunctionData> stream() {
    if (u16() != 0xFAFA || u32() != 0x53514952 || u32() != 2) throw std::runtime_error("bad head");
    auto f = function();
    if (u32() != 0x5441494C) throw std::runtime_error("bad tail");
    if (pos_ != bytes_.size()) throw std::runtime_error("trailing bytes");
    return f;
  }

 private:
  const uint8_t* take(std::size_t n) {
    if (bytes_.size() - pos_ < n) throw std::runtime_error("truncated");
    const uint8_t* p = reinterpret_cast<const uint8_t*>(bytes_.data()) + pos_;
    pos_ += n;
    return p;
  }
  uint32_t u16() {
    const uint8_t* p = take(2);
    return p[0] | (p[1] << 8);
  }
  uint32_t u32() {
    const uint8_t* p = take(4);
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
  }
  int32_t i32() { return static_cast<int32_t>(u32()); }
  void part() {
    if (u32() != 0x50415254) throw std::runtime_error("missing part tag");
  }
  // Counts come from the stream: bound them by the bytes left before allocating.
  std::size_t count(std::size_t minimumSize) {
    uint32_t n = u32();
    if (n > (bytes_.size() - pos_) / minimumSize) throw std::runtime_error("count too large");
    return n;
  }
  Literal object() {
    switch (u32()) {
      case 0x01000001: return sqformat::Null{};
      case 0x05000002: return i32();
      case 0x05000004: return std::bit_cast<float>(u32());
      case 0x08000010: {
        std::size_t n = count(2);
        const uint8_t* p = take(n * 2);
        std::u16string s;
        for (std::size_t i = 0; i < n; ++i) s += static_cast<char16_t>(p[2 * i] | (p[2 * i + 1] << 8));
        return s;
      }
      default:
        throw std::runtime_error("unknown object type");
    }
  }
  std::unique_ptr<FunctionData> function() {
    auto f = std::make_unique<FunctionData>();
    part();
    f->sourceName = object();
    f->functionName = object();
    part();
    std::size_t nLiterals = count(4), nParams = count(4), nOuters = count(12), nLocals = count(16),
                nLines = count(8), nDefaults = count(4), nInstructions = count(8),
                nFunctions = count(4);
    part();
    for (std::size_t i = 0; i < nLiterals; ++i) f->literals.push_back(object());
    part();
    for (std::size_t i = 0; i < nParams; ++i) f->parameters.push_back(object());
    part();
    for (std::size_t i = 0; i < nOuters; ++i) {
      sqformat::OuterValue o;
      o.kind = static_cast<sqformat::OuterKind>(u32());
      o.source = object();
      o.name = object();
      f->outerValues.push_back(o);
    }
    part();
    for (std::size_t i = 0; i < nLocals; ++i) {
      sqformat::LocalVarInfo l;
      Literal name = object();
      if (auto* s = std::get_if<std::u16string>(&name)) l.name = *s;
      l.reg = u32();
      l.firstInstruction = u32();
      l.lastInstruction = u32();
      f->localVarInfos.push_back(l);
    }
    part();
    for (std::size_t i = 0; i < nLines; ++i) {
      int32_t line = i32();
      f->lineInfos.push_back({line, i32()});
    }
    part();
    for (std::size_t i = 0; i < nDefaults; ++i) f->defaultParams.push_back(i32());
    part();
    for (std::size_t i = 0; i < nInstructions; ++i) {
      const uint8_t* p = take(8);
      int32_t arg1 = static_cast<int32_t>(p[0] | (p[1] << 8) | (p[2] << 16) |
                                          (static_cast<uint32_t>(p[3]) << 24));
      f->instructions.push_back({arg1, p[4], p[5], p[6], p[7]});
    }
    part();
    for (std::size_t i = 0; i < nFunctions; ++i) f->functions.push_back(function());
    f->stackSize = i32();
    f->isGenerator = *take(1) != 0;
    f->hasVarargs = *take(1) != 0;
    return f;
  }

  const std::string& bytes_;
  std::size_t pos_ = 0;
};

std::string literalText(const Literal& l) {
  if (std::holds_alternative<sqformat::Null>(l)) return "null";
  if (auto* i = std::get_if<int32_t>(&l)) return std::to_string(*i);
  if (auto* f = std::get_if<float>(&l)) return std::to_string(*f) + "f";
  return "\"" + toUtf8(std::get<std::u16string>(l)) + "\"";
}

std::string instructionText(const sqformat::Instruction& i) {
  std::ostringstream out;
  out << (i.op < std::size(kOpNames) ? kOpNames[i.op] : "OP" + std::to_string(i.op)) << ' '
      << int(i.arg0) << ' ' << i.arg1 << ' ' << int(i.arg2) << ' ' << int(i.arg3);
  return out.str();
}

template <typename T, typename Show>
std::string compareLists(const std::string& where, const char* what, const std::vector<T>& a,
                         const std::vector<T>& b, Show show) {
  for (std::size_t i = 0; i < std::max(a.size(), b.size()); ++i) {
    if (i >= a.size() || i >= b.size() || !(a[i] == b[i])) {
      std::ostringstream out;
      out << where << " " << what << " " << i << ": expected "
          << (i < a.size() ? show(a[i]) : "(none)") << ", got " << (i < b.size() ? show(b[i]) : "(none)");
      return out.str();
    }
  }
  return {};
}

std::string difference(const FunctionData& a, const FunctionData& b, const std::string& where) {
  std::string d;
  auto lit = [](const Literal& l) { return literalText(l); };
  if (!(a.functionName == b.functionName)) return where + " name differs";
  if (!(a.sourceName == b.sourceName)) return where + " source name differs";
  if (!(d = compareLists(where, "instruction", a.instructions, b.instructions, instructionText)).empty()) return d;
  if (!(d = compareLists(where, "literal", a.literals, b.literals, lit)).empty()) return d;
  if (!(d = compareLists(where, "parameter", a.parameters, b.parameters, lit)).empty()) return d;
  if (!(d = compareLists(where, "outer value", a.outerValues, b.outerValues,
                         [](const sqformat::OuterValue& o) {
                           return std::to_string(static_cast<int>(o.kind)) + " " + literalText(o.source) +
                                  " " + literalText(o.name);
                         })).empty()) return d;
  if (!(d = compareLists(where, "local", a.localVarInfos, b.localVarInfos,
                         [](const sqformat::LocalVarInfo& l) {
                           return toUtf8(l.name) + " r" + std::to_string(l.reg) + " " +
                                  std::to_string(l.firstInstruction) + ".." +
                                  std::to_string(l.lastInstruction);
                         })).empty()) return d;
  if (!(d = compareLists(where, "line", a.lineInfos, b.lineInfos, [](const sqformat::LineInfo& l) {
          return std::to_string(l.line) + "@" + std::to_string(l.instruction);
        })).empty()) return d;
  if (!(d = compareLists(where, "default", a.defaultParams, b.defaultParams,
                         [](int32_t r) { return std::to_string(r); })).empty()) return d;
  if (a.stackSize != b.stackSize || a.isGenerator != b.isGenerator || a.hasVarargs != b.hasVarargs) {
    return where + " stack size or flags differ";
  }
  if (a.functions.size() != b.functions.size()) return where + " nested function count differs";
  for (std::size_t i = 0; i < a.functions.size(); ++i) {
    d = difference(*a.functions[i], *b.functions[i], where + "/" + std::to_string(i));
    if (!d.empty()) return d;
  }
  return {};
}

}  // namespace

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

std::vector<std::string> listFiles(const std::string& dir, const std::string& extension) {
  std::vector<std::string> names;
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(dir, ec)) {
    if (entry.path().extension() == extension) names.push_back(entry.path().stem().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

std::string conformanceDir() { return std::string(SHARED_DIR) + "/squirrel/conformance"; }

std::string CompileResult::errorLine(const std::string& sourceName) const {
  if (function) return {};
  return "COMPILE ERROR: " + toUtf8(error.message) + " (" + sourceName + " line " +
         std::to_string(error.line) + " column " + std::to_string(error.column) + ")\n";
}

CompileResult compileUtf8(std::string_view source, const std::string& sourceName,
                          sqcompiler::DebugInfo debug, sqcompiler::ConstantTable* constants) {
  sqcompiler::MemoryConstantTable local;
  CompileResult result;
  result.function = sqcompiler::compile(sqcompiler::utf8ToUtf16(source),
                                        sqcompiler::utf8ToUtf16(sourceName), debug,
                                        constants ? *constants : local, result.error);
  return result;
}

std::string writeToBytes(const FunctionData& function) {
  std::string bytes;
  std::u16string error;
  bool ok = sqformat::writeClosure(
      function,
      [&](const void* data, std::size_t size) {
        bytes.append(static_cast<const char*>(data), size);
        return size;
      },
      error);
  if (!ok) throw std::runtime_error("write failed: " + toUtf8(error));
  return bytes;
}

std::unique_ptr<FunctionData> decodeStream(const std::string& bytes, std::string& error) {
  try {
    return Decoder(bytes).stream();
  } catch (const std::runtime_error& e) {
    error = e.what();
    return nullptr;
  }
}

std::vector<std::string> listing(const FunctionData& function) {
  std::vector<std::string> lines;
  for (const auto& i : function.instructions) lines.push_back(instructionText(i));
  return lines;
}

std::string describeDifference(const FunctionData& expected, const FunctionData& actual) {
  return difference(expected, actual, "main");
}

std::string toUtf8(std::u16string_view text) { return sqcompiler::utf16ToUtf8(text); }

}  // namespace sqtest

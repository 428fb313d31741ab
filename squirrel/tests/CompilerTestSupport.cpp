#include "CompilerTestSupport.h"

#include "squirrel/compiler/SourceText.h"
#include "squirrel/format/ClosureReader.h"
#include "squirrel/format/ClosureWriter.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

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

std::string benchDir() { return std::string(SHARED_DIR) + "/squirrel/bench"; }

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
  std::size_t pos = 0;
  std::u16string readError;
  auto function = sqformat::readClosure(
      [&](void* buffer, std::size_t size) {
        const std::size_t n = std::min(size, bytes.size() - pos);
        std::memcpy(buffer, bytes.data() + pos, n);
        pos += n;
        return n;
      },
      readError);
  if (!function) {
    error = toUtf8(readError);
  } else if (pos != bytes.size()) {
    error = "bytes after the tail tag";
    function.reset();
  }
  return function;
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

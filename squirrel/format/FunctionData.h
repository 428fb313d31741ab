#pragma once

// The function prototype of a compiled closure, as the stream stores it, independent of the
// virtual machine's own objects. The compiler produces it, the closure writer serialises it,
// the closure reader parses it, and the virtual machine builds its prototypes from it.

#include <cstdint>
#include <memory>
#include <string>
#include <variant>
#include <vector>

namespace sqformat {

// A literal or a name: only these four kinds can appear in a stream.
struct Null {
  bool operator==(const Null&) const = default;
};
using Literal = std::variant<Null, int32_t, float, std::u16string>;

// One 8-byte instruction word; field order is the order of the bytes in the stream.
struct Instruction {
  int32_t arg1 = 0;
  uint8_t op = 0;
  uint8_t arg0 = 0;
  uint8_t arg2 = 0;
  uint8_t arg3 = 0;
  bool operator==(const Instruction&) const = default;
};

enum class OuterKind : uint32_t { Local = 0, Symbol = 1, Outer = 2 };

struct OuterValue {
  OuterKind kind = OuterKind::Local;
  Literal source;  // register or outer index (integer), or the symbol's name (string)
  Literal name;
  bool operator==(const OuterValue&) const = default;
};

struct LocalVarInfo {
  std::u16string name;
  uint32_t reg = 0;
  uint32_t firstInstruction = 0;
  uint32_t lastInstruction = 0;
  bool operator==(const LocalVarInfo&) const = default;
};

struct LineInfo {
  int32_t line = 0;
  int32_t instruction = 0;
  bool operator==(const LineInfo&) const = default;
};

struct FunctionData {
  Literal sourceName;    // string
  Literal functionName;  // string, or null for an anonymous function
  std::vector<Literal> literals;
  std::vector<Literal> parameters;  // names; the first is "this"
  std::vector<OuterValue> outerValues;
  std::vector<LocalVarInfo> localVarInfos;
  std::vector<LineInfo> lineInfos;
  std::vector<int32_t> defaultParams;  // registers of the enclosing frame
  std::vector<Instruction> instructions;
  std::vector<std::unique_ptr<FunctionData>> functions;  // directly nested prototypes
  int32_t stackSize = 0;
  bool isGenerator = false;
  bool hasVarargs = false;
};

}  // namespace sqformat

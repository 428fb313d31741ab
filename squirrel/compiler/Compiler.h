#pragma once

// Compiles Squirrel 2.2 source text into a function prototype.

#include "squirrel/format/FunctionData.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace sqcompiler {

// What the machine's constant table holds under one name, as far as the compiler can use it.
struct ConstantValue {
  enum class Kind { Scalar, Table, Other };
  Kind kind = Kind::Other;
  sqformat::Literal scalar;  // Kind::Scalar: an integer, float or string
  // Kind::Table (an enum): its slots whose values are scalars; other slots are left out.
  std::vector<std::pair<std::u16string, sqformat::Literal>> members;
};

// The machine's constant table, shared by every compilation of one machine: `const` and `enum`
// declarations are stored into it while compiling, and later uses are replaced by the values.
class ConstantTable {
 public:
  virtual ~ConstantTable() = default;
  virtual std::optional<ConstantValue> find(std::u16string_view name) const = 0;
  virtual void defineScalar(std::u16string_view name, const sqformat::Literal& value) = 0;
  virtual void defineEnum(std::u16string_view name,
                          const std::vector<std::pair<std::u16string, sqformat::Literal>>& members) = 0;
};

struct CompileError {
  std::u16string message;  // the compiler's message text, e.g. "expression expected"
  int line = 0;
  int column = 0;
};

enum class DebugInfo { Off, On };

// Compiles `source` (already UTF-16; compilation stops at the first NUL unit, as the machine's
// character reader ends there). Returns the main function ("main") or null with `error` set.
std::unique_ptr<sqformat::FunctionData> compile(std::u16string_view source,
                                                std::u16string_view sourceName,
                                                DebugInfo debugInfo, ConstantTable& constants,
                                                CompileError& error);

}  // namespace sqcompiler

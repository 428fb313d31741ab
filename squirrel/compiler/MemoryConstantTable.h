#pragma once

// A constant table kept in memory, for tools and tests that compile without a machine. One
// table shared by several compilations behaves like the machine's: later sources see the
// constants and enums of earlier ones.

#include "squirrel/compiler/Compiler.h"

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace sqcompiler {

class MemoryConstantTable : public ConstantTable {
 public:
  std::optional<ConstantValue> find(std::u16string_view name) const override;
  void defineScalar(std::u16string_view name, const sqformat::Literal& value) override;
  void defineEnum(std::u16string_view name,
                  const std::vector<std::pair<std::u16string, sqformat::Literal>>& members) override;

 private:
  std::map<std::u16string, ConstantValue, std::less<>> entries_;
};

}  // namespace sqcompiler

#include "squirrel/compiler/MemoryConstantTable.h"

namespace sqcompiler {

std::optional<ConstantValue> MemoryConstantTable::find(std::u16string_view name) const {
  auto it = entries_.find(name);
  if (it == entries_.end()) return std::nullopt;
  return it->second;
}

void MemoryConstantTable::defineScalar(std::u16string_view name, const sqformat::Literal& value) {
  ConstantValue constant;
  constant.kind = ConstantValue::Kind::Scalar;
  constant.scalar = value;
  entries_.insert_or_assign(std::u16string(name), std::move(constant));
}

void MemoryConstantTable::defineEnum(
    std::u16string_view name, const std::vector<std::pair<std::u16string, sqformat::Literal>>& members) {
  ConstantValue constant;
  constant.kind = ConstantValue::Kind::Table;
  constant.members = members;
  entries_.insert_or_assign(std::u16string(name), std::move(constant));
}

}  // namespace sqcompiler

// Feeds arbitrary bytes to the compiler, as UTF-8 text or as raw UTF-16 units (to reach every
// code unit, surrogates and NULs included), with and without debug information. A successful
// compilation must produce a sound prototype and serialise; a failure must say where.

#include "squirrel/compiler/Compiler.h"
#include "squirrel/compiler/MemoryConstantTable.h"
#include "squirrel/compiler/Opcodes.h"
#include "squirrel/compiler/SourceText.h"
#include "squirrel/format/ClosureWriter.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

using sqcompiler::Op;

void check(bool condition) {
  if (!condition) std::abort();
}

// Every jump lands inside the function and the frame fits the byte operands.
void checkFunction(const sqformat::FunctionData& f) {
  check(f.stackSize >= 1 && f.stackSize <= sqcompiler::kMaxRegisters);
  const int64_t size = static_cast<int64_t>(f.instructions.size());
  check(size > 0 && f.instructions.back().op == static_cast<uint8_t>(Op::Return));
  for (int64_t pc = 0; pc < size; ++pc) {
    const sqformat::Instruction& i = f.instructions[pc];
    check(i.op <= static_cast<uint8_t>(Op::NewSlotA));
    switch (static_cast<Op>(i.op)) {
      case Op::Jmp:
      case Op::Jz:
      case Op::Jnz:
      case Op::And:
      case Op::Or:
      case Op::PushTrap:
      case Op::Foreach: {
        int64_t target = pc + 1 + i.arg1;
        check(target >= 0 && target <= size);
        break;
      }
      case Op::Closure:
        check(i.arg1 >= 0 && static_cast<std::size_t>(i.arg1) < f.functions.size());
        break;
      case Op::Load:
        check(i.arg1 >= 0 && static_cast<std::size_t>(i.arg1) < f.literals.size());
        break;
      default:
        break;
    }
  }
  for (const auto& nested : f.functions) checkFunction(*nested);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  // A leading byte below 4 selects raw UTF-16 (bit 0) and debug information (bit 1); any
  // other input, such as the seed scripts, is UTF-8 text compiled without debug information.
  uint8_t mode = 0;
  if (size > 0 && data[0] < 4) {
    mode = data[0];
    ++data;
    --size;
  }
  std::u16string source;
  if (mode & 1) {
    for (std::size_t i = 0; i + 1 < size; i += 2) source += static_cast<char16_t>(data[i] | (data[i + 1] << 8));
  } else {
    source = sqcompiler::utf8ToUtf16(std::string_view(reinterpret_cast<const char*>(data), size));
  }
  sqcompiler::MemoryConstantTable constants;
  sqcompiler::CompileError error;
  auto debug = (mode & 2) ? sqcompiler::DebugInfo::On : sqcompiler::DebugInfo::Off;
  auto main = sqcompiler::compile(source, u"fuzz.nut", debug, constants, error);
  if (!main) {
    check(!error.message.empty() && error.line >= 1 && error.column >= 0);
    return 0;
  }
  checkFunction(*main);
  std::size_t written = 0;
  std::u16string writeError;
  check(sqformat::writeClosure(
      *main, [&](const void*, std::size_t n) { written += n; return n; }, writeError));
  check(written > 0);
  return 0;
}

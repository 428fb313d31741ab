#include "squirrel/compiler/Compiler.h"

#include "squirrel/compiler/Diagnostics.h"
#include "squirrel/compiler/Parser.h"

namespace sqcompiler {

std::unique_ptr<sqformat::FunctionData> compile(std::u16string_view source,
                                                std::u16string_view sourceName,
                                                DebugInfo debugInfo, ConstantTable& constants,
                                                CompileError& error) {
  try {
    Parser parser(source, sourceName, debugInfo, constants);
    return parser.compileMain();
  } catch (const CompileFailure& failure) {
    error = CompileError{failure.message, failure.line, failure.column};
    return nullptr;
  }
}

}  // namespace sqcompiler

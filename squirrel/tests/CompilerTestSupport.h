#pragma once

// Helpers shared by the compiler and closure-stream tests: compiling UTF-8 text, writing a
// prototype to bytes, decoding a whole compiled stream back into a prototype, a
// one-line-per-instruction listing, and a description of the first difference between two
// prototypes.

#include "squirrel/compiler/Compiler.h"
#include "squirrel/compiler/MemoryConstantTable.h"
#include "squirrel/format/FunctionData.h"

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace sqtest {

std::string readFile(const std::string& path);
std::vector<std::string> listFiles(const std::string& dir, const std::string& extension);
std::string conformanceDir();
// The shared suite's benchmark scripts (sources and their reference compilations).
std::string benchDir();

// The conformance suite and the benchmark scripts are reference material that lies beside the
// repository (../shared). A test that reads them skips, naming the folder, when it is absent.
#define SQTEST_SKIP_WITHOUT_SHARED(dir)                                   \
  if (!std::filesystem::is_directory(dir))                               \
  GTEST_SKIP() << "the shared reference material " << (dir) << " is missing"

struct CompileResult {
  std::unique_ptr<sqformat::FunctionData> function;
  sqcompiler::CompileError error;
  // The error as the conformance runner prints it, or empty when compilation succeeded.
  std::string errorLine(const std::string& sourceName) const;
};

CompileResult compileUtf8(std::string_view source, const std::string& sourceName = "test.nut",
                          sqcompiler::DebugInfo debug = sqcompiler::DebugInfo::Off,
                          sqcompiler::ConstantTable* constants = nullptr);

std::string writeToBytes(const sqformat::FunctionData& function);
std::unique_ptr<sqformat::FunctionData> decodeStream(const std::string& bytes, std::string& error);

// "NAME arg0 arg1 arg2 arg3" per instruction, e.g. "LOAD 1 0 0 0".
std::vector<std::string> listing(const sqformat::FunctionData& function);
std::string describeDifference(const sqformat::FunctionData& expected,
                               const sqformat::FunctionData& actual);

std::string toUtf8(std::u16string_view text);

}  // namespace sqtest

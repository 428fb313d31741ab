#pragma once

// The conformance runner's host: the machine set-up, the print hook, the error handler and
// its report format, and running one compiled file.

#include <cstdio>
#include <string>

namespace sqtool {

enum class RunResult { Ok = 0, RuntimeError = 1, LoadError = 3 };

// Runs the compiled closure file at `path`, printing to `out`; load errors go to `err`.
RunResult runCompiledFile(const std::string& path, std::FILE* out, std::FILE* err);

}  // namespace sqtool

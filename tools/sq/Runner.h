#pragma once

// The two things `sq` does with a file: run it (compiled or source) the way the suite's runner
// does, or compile a source file to a compiled closure stream without running it.

#include <cstdio>
#include <string>

namespace sqtool {

// The process exit codes.
enum class RunResult {
  Ok = 0,
  Failed = 1,     // an uncaught run-time error, or the output file could not be written
  Usage = 2,      // bad arguments
  NotLoaded = 3,  // the input could not be read, compiled or loaded
};

enum class DebugInfo { Off, On };

// Runs `path`: a compiled closure stream (it starts with the stream tag) is loaded, anything
// else is compiled as UTF-8 source text under its file name without directories. Script output
// and the reports of the hooks go to `out`, the tool's own messages to `err`.
RunResult runFile(const std::string& path, DebugInfo debug, std::FILE* out, std::FILE* err);

// Compiles the source file `input` and writes the compiled stream to `output` (through a
// temporary file beside it, renamed over it only when complete). Compile errors are reported
// to `err` in the runner's format.
RunResult compileFile(const std::string& input, const std::string& output, DebugInfo debug,
                      std::FILE* err);

}  // namespace sqtool

// sq: runs and compiles scripts the way the conformance runner does.
//   sq [-d] FILE                    runs FILE, compiled (.cnut) or source (.nut)
//   sq -c [-d] -o OUT.cnut IN.nut   compiles IN without running it
// -d compiles with debug information (LINE instructions). Exit codes: 0, 1 after an uncaught
// run-time error (or a failed write of OUT), 2 for bad arguments, 3 when the input cannot be
// read, compiled or loaded.

#include "Runner.h"

#include <cstdio>
#include <string>

namespace {

int usage() {
  std::fprintf(stderr, "usage: sq [-d] FILE\n       sq -c [-d] -o OUT.cnut IN.nut\n");
  return static_cast<int>(sqtool::RunResult::Usage);
}

}  // namespace

int main(int argc, char** argv) {
  bool compileOnly = false;
  auto debug = sqtool::DebugInfo::Off;
  std::string output;
  std::string input;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "-c") {
      compileOnly = true;
    } else if (arg == "-d") {
      debug = sqtool::DebugInfo::On;
    } else if (arg == "-o" && i + 1 < argc) {
      output = argv[++i];
    } else if (input.empty() && !arg.empty() && arg[0] != '-') {
      input = arg;
    } else {
      return usage();
    }
  }
  if (input.empty() || compileOnly != !output.empty()) return usage();
  const sqtool::RunResult result = compileOnly
                                       ? sqtool::compileFile(input, output, debug, stderr)
                                       : sqtool::runFile(input, debug, stdout, stderr);
  return static_cast<int>(result);
}

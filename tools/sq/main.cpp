// sq: runs a compiled script the way the conformance runner does.
//   sq FILE.cnut   exit 0, 1 after an uncaught run-time error, 3 after a load error

#include <cstdio>

#include "Runner.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: sq FILE.cnut\n");
    return 2;
  }
  return static_cast<int>(sqtool::runCompiledFile(argv[1], stdout, stderr));
}

// Writes a resource archive for fixtures and fixture games:
//   archive OUTPUT --dir DIRECTORY    every regular file under the directory
//   archive OUTPUT --list LIST        the entries the list names, in its order
// Exit codes: 0; 1 when the directory, the list or a file cannot be read, or there is nothing to
// pack (one line on standard error names the path), or the output cannot be written; 2 for bad
// arguments. Nothing is written unless the whole archive is.
#include "tools/archive/ArchiveWriter.h"

#include <cstdio>
#include <exception>
#include <string>

int main(int argc, char** argv) {
  if (argc != 4 || (std::string(argv[2]) != "--dir" && std::string(argv[2]) != "--list")) {
    std::fprintf(stderr, "usage: %s OUTPUT --dir DIRECTORY | --list LIST\n", argv[0]);
    return 2;
  }
  try {
    const std::string mode = argv[2];
    const auto entries = mode == "--dir" ? entriesFromDirectory(argv[3]) : entriesFromList(argv[3]);
    writeFileAtomically(argv[1], buildArchive(entries));
  } catch (const std::exception& error) {
    std::fprintf(stderr, "archive: %s\n", error.what());
    return 1;
  }
  return 0;
}

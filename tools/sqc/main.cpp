// sqc: compiles one UTF-8 script to a compiled closure stream.
//
//   sqc [-d] -o OUT.cnut IN.nut
//
// -d adds debug information (LINE instructions). The source name recorded in the stream and
// shown in error reports is the input's file name without its directories, so the output does
// not depend on where the source was built from. The output is written to a temporary file
// beside OUT and renamed over it only when complete.

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>

#include "squirrel/compiler/Compiler.h"
#include "squirrel/compiler/MemoryConstantTable.h"
#include "squirrel/compiler/SourceText.h"
#include "squirrel/format/ClosureWriter.h"

namespace {

int usage() {
  std::cerr << "usage: sqc [-d] -o OUT.cnut IN.nut\n";
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  bool debug = false;
  std::string output;
  std::string input;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    if (arg == "-d") {
      debug = true;
    } else if (arg == "-o" && i + 1 < argc) {
      output = argv[++i];
    } else if (input.empty() && !arg.empty() && arg[0] != '-') {
      input = arg;
    } else {
      return usage();
    }
  }
  if (input.empty() || output.empty()) return usage();

  std::ifstream in(input, std::ios::binary);
  if (!in) {
    std::cerr << "sqc: cannot open " << input << "\n";
    return 1;
  }
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::u16string source = sqcompiler::utf8ToUtf16(bytes);
  std::string name = std::filesystem::path(input).filename().string();
  std::u16string sourceName = sqcompiler::utf8ToUtf16(name);

  sqcompiler::MemoryConstantTable constants;
  sqcompiler::CompileError error;
  auto main = sqcompiler::compile(source, sourceName,
                                  debug ? sqcompiler::DebugInfo::On : sqcompiler::DebugInfo::Off,
                                  constants, error);
  if (!main) {
    std::cerr << "COMPILE ERROR: " << sqcompiler::utf16ToUtf8(error.message) << " (" << name << " line "
              << error.line << " column " << error.column << ")\n";
    return 3;
  }

  std::string temporary = output + ".tmp";
  std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
  if (!out) {
    std::cerr << "sqc: cannot create " << temporary << "\n";
    return 1;
  }
  std::u16string writeError;
  bool written = sqformat::writeClosure(
      *main,
      [&](const void* buffer, std::size_t size) -> std::size_t {
        out.write(static_cast<const char*>(buffer), static_cast<std::streamsize>(size));
        return out ? size : 0;
      },
      writeError);
  out.close();
  if (!written || !out) {
    std::remove(temporary.c_str());
    std::cerr << "sqc: cannot write " << output << ": " << sqcompiler::utf16ToUtf8(writeError) << "\n";
    return 1;
  }
  std::error_code ec;
  std::filesystem::rename(temporary, output, ec);
  if (ec) {
    std::remove(temporary.c_str());
    std::cerr << "sqc: cannot write " << output << ": " << ec.message() << "\n";
    return 1;
  }
  return 0;
}

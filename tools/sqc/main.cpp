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
#include <sstream>
#include <string>

#include "squirrel/compiler/Compiler.h"
#include "squirrel/compiler/MemoryConstantTable.h"
#include "squirrel/compiler/SourceText.h"
#include "squirrel/format/ClosureWriter.h"

namespace {

std::string toUtf8(const std::u16string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    uint32_t c = text[i];
    if (c >= 0xD800 && c < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] < 0xE000) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
    }
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += static_cast<char>(0xE0 | (c >> 12));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (c >> 18));
      out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

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
    std::cerr << "COMPILE ERROR: " << toUtf8(error.message) << " (" << name << " line "
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
    std::cerr << "sqc: cannot write " << output << ": " << toUtf8(writeError) << "\n";
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

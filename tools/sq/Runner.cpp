#include "Runner.h"

#include "squirrel/compiler/SourceText.h"
#include "squirrel/squirrel.h"

#include "../common/ReadInput.h"
#include "Host.h"

#include <cstring>
#include <filesystem>
#include <fstream>

namespace sqtool {

namespace {

struct Bytes {
  std::string data;
  size_t pos = 0;
};

bool readInput(const std::string& path, std::string& out, std::FILE* err) {
  std::string why;
  if (tools::readWholeFile(path, out, why)) return true;
  std::fprintf(err, "sq: cannot read %s: %s\n", path.c_str(), why.c_str());
  return false;
}

SQInteger readBytes(SQUserPointer up, SQUserPointer buffer, SQInteger size) {
  auto* src = static_cast<Bytes*>(up);
  const size_t left = src->data.size() - src->pos;
  const size_t n = static_cast<size_t>(size) < left ? static_cast<size_t>(size) : left;
  if (n) std::memcpy(buffer, src->data.data() + src->pos, n);
  src->pos += n;
  return static_cast<SQInteger>(n);
}

SQInteger writeBytes(SQUserPointer up, SQUserPointer buffer, SQInteger size) {
  auto* out = static_cast<std::ofstream*>(up);
  out->write(static_cast<const char*>(buffer), size);
  return *out ? size : 0;
}

// A compiled stream starts with the bytes FA FA, which no UTF-8 text can start with.
bool isCompiled(const std::string& bytes) {
  return bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFA &&
         static_cast<unsigned char>(bytes[1]) == 0xFA;
}

// Compiles the UTF-8 text and pushes the main closure; on failure the compile-error hook has
// reported it.
bool compileSource(HSQUIRRELVM v, const std::string& path, const std::string& bytes) {
  const std::u16string source = sqcompiler::utf8ToUtf16(bytes);
  const std::u16string name =
      sqcompiler::utf8ToUtf16(std::filesystem::path(path).filename().string());
  return SQ_SUCCEEDED(sq_compilebuffer(v, source.data(), static_cast<SQInteger>(source.size()),
                                       name.c_str(), SQTrue));
}

bool load(HSQUIRRELVM v, const std::string& path, std::string bytes, std::FILE* err) {
  if (!isCompiled(bytes)) return compileSource(v, path, bytes);
  Bytes src{std::move(bytes)};
  if (SQ_SUCCEEDED(sq_readclosure(v, readBytes, &src))) return true;
  std::fprintf(err, "sq: %s: %s\n", path.c_str(), lastErrorText(v).c_str());
  return false;
}

HSQUIRRELVM open(std::FILE* out, DebugInfo debug) {
  HSQUIRRELVM v = openMachine(out);
  sq_enabledebuginfo(v, debug == DebugInfo::On ? SQTrue : SQFalse);
  return v;
}

// Writes the closure on top of the stack to `output` through a temporary file.
bool writeOutput(HSQUIRRELVM v, const std::string& output, std::FILE* err) {
  const std::string temporary = output + ".tmp";
  std::ofstream file(temporary, std::ios::binary | std::ios::trunc);
  if (!file) {
    std::fprintf(err, "sq: cannot create %s\n", temporary.c_str());
    return false;
  }
  const bool written = SQ_SUCCEEDED(sq_writeclosure(v, writeBytes, &file));
  file.close();
  std::error_code ec;
  if (written && file) std::filesystem::rename(temporary, output, ec);
  if (!written || !file || ec) {
    std::filesystem::remove(temporary, ec);
    std::fprintf(err, "sq: cannot write %s\n", output.c_str());
    return false;
  }
  return true;
}

}  // namespace

RunResult runFile(const std::string& path, DebugInfo debug, std::FILE* out, std::FILE* err) {
  std::string bytes;
  if (!readInput(path, bytes, err)) return RunResult::NotLoaded;
  HSQUIRRELVM v = open(out, debug);
  RunResult result = RunResult::Ok;
  if (!load(v, path, std::move(bytes), err)) {
    result = RunResult::NotLoaded;
  } else {
    sq_pushroottable(v);
    if (SQ_FAILED(sq_call(v, 1, SQFalse, SQTrue))) result = RunResult::Failed;
  }
  std::fflush(out);
  sq_close(v);
  return result;
}

RunResult compileFile(const std::string& input, const std::string& output, DebugInfo debug,
                      std::FILE* err) {
  std::string bytes;
  if (!readInput(input, bytes, err)) return RunResult::NotLoaded;
  HSQUIRRELVM v = open(err, debug);
  RunResult result = RunResult::Ok;
  if (!compileSource(v, input, bytes)) {
    result = RunResult::NotLoaded;
  } else if (!writeOutput(v, output, err)) {
    result = RunResult::Failed;
  }
  std::fflush(err);
  sq_close(v);
  return result;
}

}  // namespace sqtool

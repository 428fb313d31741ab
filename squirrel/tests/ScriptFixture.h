#pragma once

// Test helpers: a tiny assembler for function prototypes, their compiled stream (so tests load
// their scripts through sq_readclosure, the real path), and a machine fixture that collects
// printed text and error-handler reports.

#include "squirrel/format/FunctionData.h"
#include "squirrel/squirrel.h"

#include "CompilerTestSupport.h"

#include <gtest/gtest.h>

#include <cstdarg>
#include <cstring>
#include <string>
#include <vector>

namespace sqtest {

using sqformat::FunctionData;
using sqformat::Instruction;
using sqformat::Literal;

inline Instruction op(uint8_t code, uint8_t a0 = 0, int32_t a1 = 0, uint8_t a2 = 0, uint8_t a3 = 0) {
  Instruction in;
  in.op = code;
  in.arg0 = a0;
  in.arg1 = a1;
  in.arg2 = a2;
  in.arg3 = a3;
  return in;
}

// A function with `this` and the given parameters, a stack of `stack` registers and a final
// return of null appended after `code`.
inline FunctionData function(std::vector<Literal> literals, std::vector<Instruction> code,
                             int32_t stack, std::vector<std::u16string> params = {}) {
  FunctionData f;
  f.sourceName = std::u16string(u"test.nut");
  f.functionName = std::u16string(u"main");
  f.literals = std::move(literals);
  f.parameters.push_back(std::u16string(u"this"));
  for (auto& p : params) f.parameters.push_back(p);
  f.instructions = std::move(code);
  f.instructions.push_back(op(19, 0xFF));
  f.lineInfos.push_back({1, 0});
  f.stackSize = stack;
  return f;
}

// The compiled stream of an assembled main function, as the library's writer writes it.
inline std::vector<unsigned char> streamOf(const FunctionData& main) {
  const std::string bytes = writeToBytes(main);
  return {bytes.begin(), bytes.end()};
}

struct ByteSource {
  const std::vector<unsigned char>* bytes;
  size_t pos = 0;
};

inline SQInteger readBytes(SQUserPointer up, SQUserPointer buffer, SQInteger size) {
  auto* src = static_cast<ByteSource*>(up);
  const size_t left = src->bytes->size() - src->pos;
  const size_t n = static_cast<size_t>(size) < left ? static_cast<size_t>(size) : left;
  if (n) std::memcpy(buffer, src->bytes->data() + src->pos, n);
  src->pos += n;
  return static_cast<SQInteger>(n);
}

inline std::string narrow(const SQChar* s) {
  std::string out;
  for (; s && *s; ++s) out.push_back(*s < 0x80 ? static_cast<char>(*s) : '?');
  return out;
}

inline std::u16string wide(const char* s) {
  std::u16string out;
  for (; *s; ++s) out.push_back(static_cast<unsigned char>(*s));
  return out;
}

// A machine with the print hook and an error handler that record what they are given.
class MachineTest : public ::testing::Test {
 protected:
  static inline std::string printed;
  static inline std::vector<std::string> errors;

  void SetUp() override {
    printed.clear();
    errors.clear();
    v = sq_open(1024);
    sq_setprintfunc(v, &MachineTest::print);
    sq_newclosure(v, &MachineTest::onError, 0);
    sq_seterrorhandler(v);
  }
  void TearDown() override {
    if (v) sq_close(v);
  }

  // The base library prints with the format "%s" and one string.
  static void print(HSQUIRRELVM, const SQChar* format, ...) {
    va_list ap;
    va_start(ap, format);
    printed += narrow(va_arg(ap, const SQChar*));
    va_end(ap);
  }
  static SQInteger onError(HSQUIRRELVM vm) {
    const SQChar* s = nullptr;
    errors.push_back(SQ_SUCCEEDED(sq_getstring(vm, 2, &s)) ? narrow(s) : "<non-string>");
    return 0;
  }

  // Loads an assembled main function; returns the reader's result.
  SQRESULT load(const FunctionData& main) {
    const auto bytes = streamOf(main);
    ByteSource src{&bytes};
    return sq_readclosure(v, readBytes, &src);
  }
  void setGlobal(const char* name, SQFUNCTION f) {
    sq_pushroottable(v);
    const std::u16string n = wide(name);
    sq_pushstring(v, n.c_str(), -1);
    sq_newclosure(v, f, 0);
    sq_newslot(v, -3, SQFalse);
    sq_pop(v, 1);
  }
  // Compiles `source` (ASCII) and calls it with the root table as `this`, errors raised to the
  // handler. Returns what it printed, followed by "ERROR: <error>" when an error ended it.
  std::string runSource(const std::string& source) {
    printed.clear();
    errors.clear();
    const std::u16string text = wide(source.c_str());
    const SQInteger top = sq_gettop(v);
    if (SQ_FAILED(sq_compilebuffer(v, text.data(), static_cast<SQInteger>(text.size()), u"test.nut",
                                   SQTrue))) {
      return "COMPILE ERROR: " + lastError();
    }
    sq_pushroottable(v);
    const bool ok = SQ_SUCCEEDED(sq_call(v, 1, SQFalse, SQTrue));
    std::string out = printed;
    if (!ok) out += "ERROR: " + lastError();
    sq_settop(v, top);
    return out;
  }
  std::string lastError() {
    sq_getlasterror(v);
    const SQChar* s = nullptr;
    std::string r = SQ_SUCCEEDED(sq_getstring(v, -1, &s)) ? narrow(s) : "<non-string>";
    sq_pop(v, 1);
    return r;
  }

  HSQUIRRELVM v = nullptr;

};

}  // namespace sqtest

// sq_writeclosure: every reference compiled file read by the machine and written back gives
// the same bytes; what it writes is read back and runs; its refusals and write failures.

#include "CompilerTestSupport.h"
#include "ScriptFixture.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using sqtest::MachineTest;

struct Sink {
  std::string bytes;
  int calls = 0;
  int failAt = -1;  // the call (0-based) that writes one byte less than asked
  static SQInteger write(SQUserPointer up, SQUserPointer buffer, SQInteger size) {
    auto* s = static_cast<Sink*>(up);
    if (s->calls++ == s->failAt) return size - 1;
    s->bytes.append(static_cast<const char*>(buffer), static_cast<size_t>(size));
    return size;
  }
};

class WriteClosure : public MachineTest {
 protected:
  SQRESULT read(const std::string& bytes) {
    const std::vector<unsigned char> data(bytes.begin(), bytes.end());
    sqtest::ByteSource src{&data};
    return sq_readclosure(v, sqtest::readBytes, &src);
  }
  std::string write() {
    Sink sink;
    EXPECT_TRUE(SQ_SUCCEEDED(sq_writeclosure(v, Sink::write, &sink))) << lastError();
    return sink.bytes;
  }
  std::string runTop() {
    printed.clear();
    sq_pushroottable(v);
    EXPECT_TRUE(SQ_SUCCEEDED(sq_call(v, 1, SQFalse, SQFalse))) << lastError();
    return printed;
  }
};

class WriteReferenceFile : public WriteClosure, public testing::WithParamInterface<std::string> {};

TEST_P(WriteReferenceFile, WritesBackTheSameBytes) {
  const std::string bytes = sqtest::readFile(GetParam());
  ASSERT_TRUE(SQ_SUCCEEDED(read(bytes))) << lastError();
  EXPECT_TRUE(write() == bytes);
}

std::vector<std::string> referenceFiles() {
  std::vector<std::string> files;
  for (const std::string& dir : {sqtest::conformanceDir(), sqtest::benchDir()}) {
    for (const std::string& name : sqtest::listFiles(dir, ".cnut")) files.push_back(dir + "/" + name + ".cnut");
  }
  return files;
}

INSTANTIATE_TEST_SUITE_P(Shared, WriteReferenceFile, testing::ValuesIn(referenceFiles()),
                         [](const auto& info) {
                           std::string name = info.param.substr(info.param.rfind('/') + 1);
                           return (info.param.find("/bench/") != std::string::npos ? "bench_" : "") +
                                  name.substr(0, name.size() - 5);
                         });

GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(WriteReferenceFile);

TEST(WriteReferenceFiles, ArePresent) {
  SQTEST_SKIP_WITHOUT_SHARED(sqtest::conformanceDir());
  EXPECT_GT(referenceFiles().size(), 6u);
}

// Compiled here, written, read back into another machine: the same bytes again and the same
// behaviour. The script fills every section (literals of each kind, outer values of each kind,
// default parameters, nested functions, a generator, varargs, line and local records).
TEST_F(WriteClosure, WhatItWritesIsReadBackAndRuns) {
  const std::u16string source =
      u"local k = 3;\n"
      u"::g <- 0.5;\n"
      u"function outer(a, b = 2, c = \"x\") : (k) {\n"
      u"  local inner = function() : (k, a) { return k + a; };\n"
      u"  return inner() + b + c;\n"
      u"}\n"
      u"function gen(...) { for (local i = 0; i < vargc; i++) yield vargv[i]; }\n"
      u"local sym = function() : (g) { return g * 4; };\n"
      u"local out = \"\";\n"
      u"foreach (x in gen(1, \"\u65E5\", null)) out += x + \",\";\n"
      u"print(outer(1) + \" \" + out + \" \" + sym() + \" \" + -7 + \"\\n\");\n";
  sq_enabledebuginfo(v, SQTrue);
  ASSERT_TRUE(SQ_SUCCEEDED(sq_compilebuffer(v, source.data(), static_cast<SQInteger>(source.size()),
                                            u"all.nut", SQTrue)));
  const std::string bytes = write();
  // The fixture's print hook shows units above 0x7F as '?'.
  const std::string expected = "6x 1,?,(null : 0x00000000), 2 -7\n";
  EXPECT_EQ(runTop(), expected);

  sq_close(v);
  v = sq_open(1024);
  sq_setprintfunc(v, &MachineTest::print);
  ASSERT_TRUE(SQ_SUCCEEDED(read(bytes))) << lastError();
  EXPECT_TRUE(write() == bytes);
  EXPECT_EQ(runTop(), expected);
}

// The machine runs some instructions in forms of its own (one per operator); what it writes
// back is still the compiler's stream, byte for byte (joined constants and loop steps too), and
// every operator computes as before, on integers, floats and the mixed operands that take the
// general path.
TEST_F(WriteClosure, OperatorsAreWrittenAsCompiled) {
  const std::string source =
      "local a = 7, b = 3, f = 2.5, t = [];\n"
      "t.append(a + b); t.append(a - b); t.append(a * b); t.append(a / b); t.append(a % b);\n"
      "t.append(f + a); t.append(f - 1.0); t.append(f * f); t.append(f / 2.0); t.append(a % f);\n"
      "t.append(a & b); t.append(a | b); t.append(a ^ b); t.append(a << b); t.append(-a >> 1);\n"
      "t.append(-a >>> 28); t.append(a < b); t.append(a <= 7); t.append(f > 2); t.append(f >= b);\n"
      "for (local i = 0; i < 2; ++i) t.append(i * 0.5); for (local i = 2; i > b - 3; i--) t.append(i);\n"
      "for (local i = 1; i >= 0; --i) t.append(i); a = a % 4; f = f * 2.0; t.append(a); t.append(f);\n"
      "local s = \"\"; foreach (x in t) s += x + \" \"; print(s + \"\\n\");\n"
      "function pick(c, x, y) { return c ? x : y; }\nfunction sum(x, y) { return x * y + 1; }\n"
      "print(pick(true, sum(2, 3), 1) + pick(false, 1, 2) + \"\\n\");\n";
  const sqtest::CompileResult compiled = sqtest::compileUtf8(source, "ops.nut");
  ASSERT_TRUE(compiled.function) << compiled.errorLine("ops.nut");
  const std::string bytes = sqtest::writeToBytes(*compiled.function);
  ASSERT_TRUE(SQ_SUCCEEDED(read(bytes))) << lastError();
  EXPECT_TRUE(write() == bytes);
  EXPECT_EQ(runTop(), "10 4 21 2 1 9.5 1.5 6.25 1.25 2 3 7 4 56 -4 15 false true true false 0 0.5 2 1 1 0 3 5 \n9\n");
}

TEST_F(WriteClosure, RefusesAnythingButAScriptClosure) {
  struct Case {
    void (*push)(HSQUIRRELVM);
    const char* error;
  } cases[] = {
      {[](HSQUIRRELVM) {}, "wrong argument type, expected 'function' got 'null'"},
      {[](HSQUIRRELVM vm) { sq_pushinteger(vm, 1); }, "wrong argument type, expected 'function' got 'integer'"},
      {[](HSQUIRRELVM vm) { sq_newtable(vm); }, "wrong argument type, expected 'function' got 'table'"},
      {[](HSQUIRRELVM vm) { sq_newclosure(vm, [](HSQUIRRELVM) -> SQInteger { return 0; }, 0); },
       "wrong argument type, expected 'function' got 'function'"},
  };
  for (const Case& c : cases) {
    sq_settop(v, 0);
    c.push(v);
    Sink sink;
    EXPECT_TRUE(SQ_FAILED(sq_writeclosure(v, Sink::write, &sink)));
    EXPECT_EQ(lastError(), c.error);
    EXPECT_EQ(sink.calls, 0);
  }
}

// A short write at any point of the stream fails the whole write and leaves the closure on
// the stack, usable.
TEST_F(WriteClosure, AShortWriteAnywhereFails) {
  const std::u16string source = u"function f(a) { return a * 2; }\nprint(f(21) + \"\\n\");";
  ASSERT_TRUE(SQ_SUCCEEDED(sq_compilebuffer(v, source.data(), static_cast<SQInteger>(source.size()),
                                            u"w.nut", SQTrue)));
  Sink whole;
  ASSERT_TRUE(SQ_SUCCEEDED(sq_writeclosure(v, Sink::write, &whole)));
  for (int at = 0; at < whole.calls; ++at) {
    Sink sink;
    sink.failAt = at;
    EXPECT_TRUE(SQ_FAILED(sq_writeclosure(v, Sink::write, &sink))) << at;
    EXPECT_EQ(lastError(), "io error (write function failure)") << at;
    EXPECT_EQ(sink.calls, at + 1);
  }
  EXPECT_EQ(sq_gettop(v), 1);
  EXPECT_EQ(runTop(), "42\n");
}

}  // namespace

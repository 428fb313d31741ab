// The sq command-line tool run as a process: its compile form (sq -c), its run form on source
// and compiled files, debug information, exit codes and argument errors.

#include "CompilerTestSupport.h"

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

namespace fs = std::filesystem;

class SqTool : public testing::Test {
 protected:
  void SetUp() override {
    // One folder per test: CTest runs the tests of this file in parallel.
    dir_ = fs::path(TEST_BINARY_DIR) / "sq_test" / testing::UnitTest::GetInstance()->current_test_info()->name();
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }

  // Runs sq with the arguments and returns its exit status; out() and err() hold its output.
  int run(const std::string& args) {
    std::string command = std::string(TEST_BIN_DIR) + "/sq " + args + " >" + path("stdout") +
                          " 2>" + path("stderr");
    int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  std::string out() { return sqtest::readFile(path("stdout")); }
  std::string err() { return sqtest::readFile(path("stderr")); }
  std::string path(const std::string& name) { return (dir_ / name).string(); }
  void write(const std::string& name, const std::string& text) {
    std::ofstream(path(name), std::ios::binary) << text;
  }

  fs::path dir_;
};

TEST_F(SqTool, CompilesWithAndWithoutDebugInformation) {
  const std::string conformance = sqtest::conformanceDir();
  SQTEST_SKIP_WITHOUT_SHARED(conformance);
  ASSERT_EQ(run("-c -d -o " + path("debug_hook.cnut") + " " + conformance + "/debug_hook.nut"), 0) << err();
  EXPECT_TRUE(sqtest::readFile(path("debug_hook.cnut")) == sqtest::readFile(conformance + "/debug_hook.cnut"));
  ASSERT_EQ(run("-o " + path("bitwise.cnut") + " -c " + conformance + "/bitwise.nut"), 0) << err();
  EXPECT_TRUE(sqtest::readFile(path("bitwise.cnut")) == sqtest::readFile(conformance + "/bitwise.cnut"));
  EXPECT_EQ(out(), "");
  EXPECT_EQ(err(), "");
}

// A failed compilation reports like the conformance runner and leaves an existing output alone.
TEST_F(SqTool, ReportsCompileErrorsAndKeepsTheOldOutput) {
  write("bad.nut", "local a = 1;\nlocal = 5;\n");
  write("out.cnut", "previous");
  EXPECT_EQ(run("-c -o " + path("out.cnut") + " " + path("bad.nut")), 3);
  EXPECT_EQ(err(), "COMPILE ERROR: expected 'IDENTIFIER' (bad.nut line 2 column 8)\n");
  EXPECT_EQ(sqtest::readFile(path("out.cnut")), "previous");
  EXPECT_FALSE(fs::exists(path("out.cnut.tmp")));
}

// The run form on source text: what is printed and the exit code, with and without -d.
TEST_F(SqTool, RunsSourceFiles) {
  const std::string hook =
      "function hook(type, src, line, name) { if (type == 'l') print(src + \":\" + line + \" \"); }\n"
      "setdebughook(hook);\n"
      "local a = 1;\n"
      "setdebughook(null);\n"
      "print(\"a=\" + a + \"\\n\");\n";
  struct Case {
    const char* name;
    std::string source;
    const char* flags;
    int exit;
    std::string stdoutText;
  } cases[] = {
      {"hello.nut", "print(\"hi \u65E5\\n\");", "", 0, "hi \u65E5\n"},
      {"bom.nut", "\xEF\xBB\xBFprint(1);", "", 0, "1"},
      {"hook.nut", hook, "", 0, "a=1\n"},
      {"hook.nut", hook, "-d", 0, "hook.nut:3 hook.nut:4 a=1\n"},
      {"bad.nut", "local x = ;", "", 3,
       "COMPILE ERROR: expression expected (bad.nut line 1 column 11)\n"},
      {"throw.nut", "print(\"before\\n\");\nlocal n = 2;\nthrow \"stop\";\nprint(\"after\");", "", 1,
       "before\nERROR: stop\nCALLSTACK\n*FUNCTION [main()] throw.nut line [3]\nLOCALS\n"
       "[n] 2\n[this] TABLE\n"},
  };
  for (const Case& c : cases) {
    write(c.name, c.source);
    EXPECT_EQ(run(std::string(c.flags) + " " + path(c.name)), c.exit) << c.name << " " << c.flags;
    EXPECT_EQ(out(), c.stdoutText) << c.name << " " << c.flags;
    EXPECT_EQ(err(), "") << c.name;
  }
}

// What sq -c writes, sq runs; a damaged compiled file is refused with the reader's message.
TEST_F(SqTool, RunsCompiledFiles) {
  write("loop.nut", "local s = 0;\nfor (local i = 1; i <= 4; i++) s += i;\nprint(s + \"\\n\");\n");
  ASSERT_EQ(run("-c -o " + path("loop.cnut") + " " + path("loop.nut")), 0) << err();
  EXPECT_EQ(run(path("loop.cnut")), 0);
  EXPECT_EQ(out(), "10\n");

  std::string bytes = sqtest::readFile(path("loop.cnut"));
  write("short.cnut", bytes.substr(0, bytes.size() - 9));
  EXPECT_EQ(run(path("short.cnut")), 3);
  EXPECT_EQ(out(), "");
  EXPECT_EQ(err(), "sq: " + path("short.cnut") +
                       ": io error, read function failure, the origin stream could be corrupted/trucated\n");
}

TEST_F(SqTool, RefusesBadArgumentsAndMissingFiles) {
  write("x.nut", "print(1);");
  const std::string x = path("x.nut");
  const std::string o = path("o.cnut");
  struct Case {
    std::string args;
    int exit;
  } cases[] = {
      {"", 2},
      {"-c " + x, 2},             // the compile form needs -o
      {"-o " + o + " " + x, 2},  // -o without -c
      {"-x " + x, 2},
      {x + " " + x, 2},
      {"-c -o", 2},
      {path("missing.nut"), 3},
      {"-c -o " + o + " " + path("missing.nut"), 3},
      {"-c -o " + path("no/such/dir/o.cnut") + " " + x, 1},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(run(c.args), c.exit) << c.args;
    EXPECT_EQ(out(), "") << c.args;
    EXPECT_NE(err(), "") << c.args;
  }
  EXPECT_FALSE(fs::exists(o));
}

}  // namespace

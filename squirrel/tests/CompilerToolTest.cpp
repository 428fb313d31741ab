// The sqc command-line compiler, run as a process.

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "CompilerTestSupport.h"

namespace {

namespace fs = std::filesystem;

class CompilerTool : public testing::Test {
 protected:
  void SetUp() override {
    // One folder per test: CTest runs the tests of this file in parallel.
    dir_ = fs::path(TEST_BINARY_DIR) / "sqc_test" / testing::UnitTest::GetInstance()->current_test_info()->name();
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }

  // Runs sqc with the arguments and returns its exit status; stderr goes to err().
  int run(const std::string& args) {
    std::string command = std::string(TEST_BIN_DIR) + "/sqc " + args + " 2>" + (dir_ / "stderr").string();
    int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  std::string err() { return sqtest::readFile((dir_ / "stderr").string()); }
  std::string path(const std::string& name) { return (dir_ / name).string(); }

  fs::path dir_;
};

TEST_F(CompilerTool, CompilesWithAndWithoutDebugInformation) {
  std::string conformance = sqtest::conformanceDir();
  ASSERT_EQ(run("-d -o " + path("debug_hook.cnut") + " " + conformance + "/debug_hook.nut"), 0) << err();
  EXPECT_TRUE(sqtest::readFile(path("debug_hook.cnut")) == sqtest::readFile(conformance + "/debug_hook.cnut"));
  ASSERT_EQ(run("-o " + path("bitwise.cnut") + " " + conformance + "/bitwise.nut"), 0) << err();
  EXPECT_TRUE(sqtest::readFile(path("bitwise.cnut")) == sqtest::readFile(conformance + "/bitwise.cnut"));
}

// A failed compilation reports like the conformance runner and leaves an existing output alone.
TEST_F(CompilerTool, ReportsCompileErrorsAndKeepsTheOldOutput) {
  std::ofstream(path("bad.nut")) << "local a = 1;\nlocal = 5;\n";
  std::ofstream(path("out.cnut")) << "previous";
  EXPECT_EQ(run("-o " + path("out.cnut") + " " + path("bad.nut")), 3);
  EXPECT_EQ(err(), "COMPILE ERROR: expected 'IDENTIFIER' (bad.nut line 2 column 8)\n");
  EXPECT_EQ(sqtest::readFile(path("out.cnut")), "previous");
  EXPECT_FALSE(fs::exists(path("out.cnut.tmp")));
}

TEST_F(CompilerTool, RefusesBadArguments) {
  EXPECT_EQ(run(""), 2);
  EXPECT_EQ(run(path("x.nut")), 2);
  EXPECT_EQ(run("-x -o " + path("o.cnut") + " " + path("x.nut")), 2);
  EXPECT_EQ(run("-o " + path("o.cnut") + " " + path("missing.nut")), 1);
  EXPECT_FALSE(fs::exists(path("o.cnut")));
}

}  // namespace

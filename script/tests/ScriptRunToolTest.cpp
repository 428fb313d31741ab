// The scriptrun tool on the fixture scripts: what a run prints frame by frame, and its exit code
// when a level-0 message ends the run.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <string>

namespace {

struct ToolRun {
  std::string output;
  int exitCode = -1;
};

// Runs the tool with the fixture archive registered; standard output only.
ToolRun scriptrun(const std::string& arguments) {
  const std::string command = std::string("'") + TEST_BIN_DIR + "/scriptrun' --archive '" +
                              TEST_SCRIPTS_ARCHIVE + "' " + arguments + " 2>/dev/null";
  ToolRun run;
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) {
    ADD_FAILURE() << "cannot start " << command;
    return run;
  }
  std::array<char, 512> buffer;
  while (const std::size_t n = std::fread(buffer.data(), 1, buffer.size(), pipe)) {
    run.output.append(buffer.data(), n);
  }
  const int status = pclose(pipe);
  run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

TEST(ScriptRunToolTest, RunsAScriptDirectoryFrameByFrame) {
  struct Case {
    const char* arguments;
    const char* output;
    int exitCode;
  };
  const Case cases[] = {
      {"--frames 3 frames", "init: \"ready\"\nframe 1: 1\nframe 2: 2\nframe 3: 3\n", 0},
      // Every level reaches standard output, print's level 4 included.
      {"--frames 1 printing", "[] hello from init\n[] 100%s done\nframe 1: table\n", 0},
      {"--frames 2 returns", "frame 1: 42\n", 0},
      // Unlike the runtime, the tool refuses a missing script (its message goes to standard error).
      {"--frames 2 no/such/dir", "", 2},
      // A wrong argument type is the binding's fatal error: the run ends with exit code 1.
      {"badarg", "[] Script Error: get float from stack(2)\n", 1},
      {"fatal", "Error: [`anonymous-namespace'::sysError] [] the game cannot go on\n", 1},
      {"--frames x frames", "", 2},
  };
  for (const Case& c : cases) {
    const ToolRun run = scriptrun(c.arguments);
    EXPECT_EQ(run.output, c.output) << c.arguments;
    EXPECT_EQ(run.exitCode, c.exitCode) << c.arguments;
  }
}

TEST(ScriptRunToolTest, AnErrorInALaterFrameReportsTheCallStackAndStops) {
  const ToolRun run = scriptrun("--frames 5 failing");
  EXPECT_EQ(run.exitCode, 1);
  const std::string expectedStart =
      "frame 1: 1\n"
      "[] Script Runtime Error: bad frame 21\n"
      "[CALLSTACK]\n"
      "*FUNCTION [fail()] main.nut line [4]\n\n"
      "*FUNCTION [work()] main.nut line [11]\n\n"
      "\n"
      "[LOCAL VAR]\n";
  EXPECT_EQ(run.output.substr(0, expectedStart.size()), expectedStart) << run.output;
  EXPECT_NE(run.output.find("[label] \"second\"\n"), std::string::npos) << run.output;
  // The run ends with the binding's error: no later frame is reported.
  const std::string last = "[] Script Error: can't continue script\n";
  ASSERT_GE(run.output.size(), last.size());
  EXPECT_EQ(run.output.substr(run.output.size() - last.size()), last);
}

}  // namespace

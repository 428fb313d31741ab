// The program entry run as a real process: tools/entryprobe fills the hooks with probes that
// print what they see.

#include "testsupport/FileBytes.h"
#include "testsupport/TempDir.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

extern char** environ;

namespace {

struct ProbeRun {
  int exitCode = -1;
  std::vector<std::string> lines;

  bool Has(const std::string& line) const {
    for (const auto& l : lines) {
      if (l == line) return true;
    }
    return false;
  }
  // Position of the first line that begins with the prefix, or -1.
  int Find(const std::string& prefix) const {
    for (size_t i = 0; i < lines.size(); ++i) {
      if (lines[i].rfind(prefix, 0) == 0) return static_cast<int>(i);
    }
    return -1;
  }
};

// Runs entryprobe with the arguments and extra environment entries ("NAME=value").
ProbeRun RunProbe(const std::vector<std::string>& arguments, const std::vector<std::string>& env = {}) {
  TempDir dir(TEST_BINARY_DIR, "dbtl");
  const std::string outPath = dir.Path("stdout");
  const std::string program = std::string(TEST_BIN_DIR) + "/entryprobe";
  std::vector<char*> argv{const_cast<char*>(program.c_str())};
  for (const auto& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  std::vector<std::string> environment;
  for (char** e = environ; *e != nullptr; ++e) {
    const std::string entry = *e;
    if (entry.rfind("GAME_APP_FAIL=", 0) != 0 && entry.rfind("ENTRYPROBE_", 0) != 0) {
      environment.push_back(entry);
    }
  }
  environment.insert(environment.end(), env.begin(), env.end());
  std::vector<char*> envp;
  for (auto& e : environment) envp.push_back(e.data());
  envp.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, outPath.c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  ProbeRun run;
  pid_t pid = 0;
  const int spawned = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) {
    ADD_FAILURE() << "cannot start " << program;
    return run;
  }
  int status = 0;
  waitpid(pid, &status, 0);
  run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  const std::vector<uint8_t> bytes = readFileBytes(outPath);
  std::string line;
  for (uint8_t b : bytes) {
    if (b == '\n') {
      run.lines.push_back(line);
      line.clear();
    } else {
      line.push_back(static_cast<char>(b));
    }
  }
  return run;
}

TEST(StartupEntryTest, AppMainReceivesTheArgumentsAndItsExitCodeIsReturned) {
  const ProbeRun run = RunProbe({"--lounge", "two words", "\"q\"", "日本"}, {"ENTRYPROBE_EXIT=7"});
  EXPECT_EQ(run.exitCode, 7);
  EXPECT_TRUE(run.Has("arguments 4"));
  EXPECT_TRUE(run.Has("argument 2D 2D 6C 6F 75 6E 67 65"));
  EXPECT_TRUE(run.Has("argument 74 77 6F 20 77 6F 72 64 73"));
  EXPECT_TRUE(run.Has("argument 22 71 22"));
  EXPECT_TRUE(run.Has("argument 93 FA 96 7B"));  // code page 932
  EXPECT_TRUE(run.Has("module " + std::string(TEST_BIN_DIR) + "/"));
  EXPECT_TRUE(run.Has("file entryprobe"));
  EXPECT_TRUE(run.Has("company Selvarine"));
  EXPECT_TRUE(run.Has("wheel C000"));
  EXPECT_TRUE(run.Has("com 1"));
  EXPECT_TRUE(run.Has("locale-numeric C"));
  EXPECT_TRUE(run.Has("new-handler 1"));
}

// Tables before the image hooks, plug-ins before the application object, and the application
// object (with its COM start) gone before the plug-ins are freed.
TEST(StartupEntryTest, StepsRunInOrder) {
  const ProbeRun run = RunProbe({});
  EXPECT_EQ(run.exitCode, 0);
  const std::string tables = "tables 1 " + std::to_string(0x3504F3);
  ASSERT_EQ(run.Find("tables"), 0) << "tables line: " << (run.lines.empty() ? "" : run.lines[0]);
  EXPECT_EQ(run.lines[0], tables);
  EXPECT_EQ(run.Find("plugins-init published=0"), 1);
  EXPECT_EQ(run.Find("arguments 0"), 2);
  EXPECT_EQ(run.lines.back(), "plugins-term published=0 com=0");
}

// A start that fails is reported as a failure, and the shut-down steps still run.
TEST(StartupEntryTest, FailedStartsEndWithExitCodeOne) {
  struct Case {
    const char* what;
    std::string environment;
    bool appMainRan;
  };
  const Case cases[] = {
      {"basic class", "GAME_APP_FAIL=class:Welm Basic Window Class", false},
      {"splitter class", "GAME_APP_FAIL=class:Welm Splitter Window Class", false},
      {"game ended by an exception", "ENTRYPROBE_THROW=1", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const ProbeRun run = RunProbe({"x"}, {c.environment, "ENTRYPROBE_EXIT=0"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.Has("arguments 1"), c.appMainRan);
    ASSERT_FALSE(run.lines.empty());
    EXPECT_EQ(run.lines.back(), "plugins-term published=0 com=0");
  }
}

// What AppMain leaves installed is released by the exit routines after the entry returned.
TEST(StartupEntryTest, ExitRoutinesReleaseWhatIsLeft) {
  const ProbeRun run = RunProbe({}, {"ENTRYPROBE_LEAVE=1"});
  EXPECT_EQ(run.exitCode, 0);
  const int term = run.Find("plugins-term");
  const int released = run.Find("override released");
  ASSERT_GE(term, 0);
  EXPECT_GT(released, term);
}

}  // namespace

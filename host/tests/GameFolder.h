#pragma once

// The runtime run as a real process: a copy (not a link: the base directory comes from the
// running executable) of bin/game beside the files of a fixture game built at build time, in a
// fresh folder that also holds the XDG data, config, temporary and runtime folders of the run.

#include "testsupport/FileBytes.h"
#include "testsupport/TempDir.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace hosttest {

namespace fs = std::filesystem;

struct GameRun {
  int exitCode = -1;
  std::string errors;  // standard error (level-0 and level-1 boxes, messages before the log)
};

inline std::string readFile(const fs::path& path) { return readFileText(path); }

class GameFolder {
 public:
  // Copies the executable and the fixture game's archives and "ver".
  explicit GameFolder(const std::string& fixture) {
    for (const char* folder : {"game", "data", "config", "tmp", "runtime"}) {
      fs::create_directories(root_ / folder);
    }
    fs::copy_file(fs::path(TEST_BIN_DIR) / "game", game() / "game");
    for (const auto& entry : fs::directory_iterator(fs::path(TEST_GAMES_DIR) / fixture)) {
      fs::copy_file(entry.path(), game() / entry.path().filename());
    }
  }
  GameFolder(const GameFolder&) = delete;
  GameFolder& operator=(const GameFolder&) = delete;

  fs::path game() const { return root_ / "game"; }
  // The game's folder under the local application-data folder ("sys/base" names it).
  fs::path appData(const std::string& appDir) const { return root_ / "data" / appDir; }
  std::string log(const std::string& appDir = "fixture") const {
    return readFile(appData(appDir) / "game.log");
  }
  std::string ini(const std::string& appDir = "fixture") const {
    return readFile(appData(appDir) / "game.ini");
  }
  void writeIni(const std::string& text, const std::string& appDir = "fixture") const {
    fs::create_directories(appData(appDir));
    std::ofstream(appData(appDir) / "game.ini", std::ios::binary) << text;
  }

  // Starts the game with the arguments; environment entries ("NAME=value") are added. The window
  // and the dialogs are headless, and unless a GAME_WINDOW_SCRIPT entry is given the window is
  // closed at once.
  pid_t start(const std::vector<std::string>& arguments, std::vector<std::string> env = {}) {
    const std::string program = (game() / "game").string();
    std::vector<std::string> argv{program};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    std::vector<std::string> environment;
    for (char** e = environ; *e != nullptr; ++e) {
      const std::string entry = *e;
      bool ours = false;
      // The display goes too, so that no run reaches a person's desktop.
      for (const char* name : {"XDG_DATA_HOME=", "XDG_CONFIG_HOME=", "TMPDIR=", "XDG_RUNTIME_DIR=",
                               "GAME_WINDOW", "GAME_DIALOG", "D3D9_PROFILE=", "SDL_VIDEODRIVER=",
                               "DISPLAY=", "WAYLAND_DISPLAY="}) {
        if (entry.rfind(name, 0) == 0) ours = true;
      }
      if (!ours) environment.push_back(entry);
    }
    environment.push_back("XDG_DATA_HOME=" + (root_ / "data").string());
    environment.push_back("XDG_CONFIG_HOME=" + (root_ / "config").string());
    environment.push_back("TMPDIR=" + (root_ / "tmp").string());
    environment.push_back("XDG_RUNTIME_DIR=" + (root_ / "runtime").string());
    bool scripted = false;
    for (const std::string& e : env) scripted |= e.rfind("GAME_WINDOW_SCRIPT=", 0) == 0;
    if (!scripted) env.push_back("GAME_WINDOW_SCRIPT=0 close");
    environment.insert(environment.end(), env.begin(), env.end());
    std::vector<char*> args;
    for (auto& a : argv) args.push_back(a.data());
    args.push_back(nullptr);
    std::vector<char*> envp;
    for (auto& e : environment) envp.push_back(e.data());
    envp.push_back(nullptr);
    const std::string errors = (root_ / ("stderr" + std::to_string(runs_++))).string();
    errorFiles_.push_back(errors);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, errors.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    pid_t pid = 0;
    const int spawned =
        posix_spawn(&pid, program.c_str(), &actions, nullptr, args.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
      ADD_FAILURE() << "cannot start " << program;
      return -1;
    }
    pids_.push_back(pid);
    return pid;
  }

  GameRun wait(pid_t pid) {
    GameRun run;
    if (pid <= 0) return run;
    int status = 0;
    waitpid(pid, &status, 0);
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    for (size_t i = 0; i < pids_.size(); ++i) {
      if (pids_[i] == pid) run.errors = readFile(errorFiles_[i]);
    }
    return run;
  }

  GameRun run(const std::vector<std::string>& arguments, std::vector<std::string> env = {}) {
    return wait(start(arguments, std::move(env)));
  }

 private:
  TempDir temp_{{}, "game-run"};
  fs::path root_ = temp_.path();
  int runs_ = 0;
  std::vector<pid_t> pids_;
  std::vector<std::string> errorFiles_;
};

// Waits (at most the time given) until the condition holds.
template <class Condition>
bool eventually(Condition condition, std::chrono::milliseconds limit = std::chrono::seconds(20)) {
  const auto end = std::chrono::steady_clock::now() + limit;
  while (!condition()) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return true;
}

inline bool contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

}  // namespace hosttest

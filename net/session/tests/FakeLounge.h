#pragma once

#include "net/session/NetTypes.h"
#include "platform/kernel/Clock.h"
#include "platform/kernel/Pipe.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

// The lounge program's part in the tests: starts net-harness processes with a pair of pipes
// each, writes their descriptions and records the status records they write back.
class LoungeChild {
 public:
  LoungeChild(const std::vector<NetLoungeRecord>& description, std::vector<std::string> args) {
    int toChild[2];
    int fromChild[2];
    int output[2];
    if (::pipe2(toChild, O_CLOEXEC) != 0 || ::pipe2(fromChild, O_CLOEXEC) != 0 ||
        ::pipe2(output, O_CLOEXEC) != 0) {
      return;
    }
    for (const NetLoungeRecord& record : description) writeRecord(toChild[1], record);
    args.insert(args.begin(), {"--lounge", std::to_string(toChild[0]), std::to_string(fromChild[1])});
    std::vector<std::string> all{std::string(TEST_BIN_DIR) + "/net-harness"};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& a : all) argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_ = ::fork();
    if (pid_ == 0) {
      // Only async-signal-safe calls between fork and exec.
      ::fcntl(toChild[0], F_SETFD, 0);
      ::fcntl(fromChild[1], F_SETFD, 0);
      ::dup2(output[1], 1);
      ::execv(argv[0], argv.data());
      ::_exit(127);
    }
    ::close(toChild[0]);
    ::close(fromChild[1]);
    ::close(output[1]);
    input_ = toChild[1];
    statusPipe_ = fromChild[0];
    output_ = output[0];
    ::fcntl(output_, F_SETFL, O_NONBLOCK);
  }
  ~LoungeChild() {
    if (pid_ > 0 && !exited_) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
    }
    for (int fd : {input_, statusPipe_, output_}) {
      if (fd >= 0) ::close(fd);
    }
  }
  LoungeChild(const LoungeChild&) = delete;
  LoungeChild& operator=(const LoungeChild&) = delete;

  pid_t pid() const { return pid_; }

  void send(const NetLoungeRecord& record) { writeRecord(input_, record); }
  void send(uint32_t kind, std::initializer_list<uint32_t> words = {}) {
    NetLoungeRecord record;
    record.kind = kind;
    uint32_t i = 0;
    for (uint32_t word : words) record.w[i++] = word;
    send(record);
  }

  const std::vector<uint32_t>& statuses() {
    uint8_t bytes[sizeof(NetLoungeRecord)];
    while (statusPipe_ >= 0 &&
           platform::pipeReadWhole(static_cast<uint64_t>(statusPipe_), bytes, sizeof bytes) ==
               platform::PipeRead::Whole) {
      uint32_t kind;
      std::memcpy(&kind, bytes, 4);
      statuses_.push_back(kind);
    }
    return statuses_;
  }
  const std::string& output() {
    char buffer[4096];
    for (;;) {
      const ssize_t n = ::read(output_, buffer, sizeof buffer);
      if (n <= 0) break;
      output_text_.append(buffer, static_cast<size_t>(n));
    }
    return output_text_;
  }

  // Waits until the condition holds or the time passes; the condition's last answer.
  template <typename Condition>
  static bool await(Condition condition, uint32_t milliseconds) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    while (!condition()) {
      if (std::chrono::steady_clock::now() > until) return condition();
      platform::sleepMilliseconds(5);
    }
    return true;
  }
  bool awaitOutput(const std::string& text, uint32_t milliseconds) {
    return await([&] { return output().find(text) != std::string::npos; }, milliseconds);
  }
  bool awaitStatus(uint32_t kind, uint32_t milliseconds) {
    return await([&] {
      for (uint32_t s : statuses()) {
        if (s == kind) return true;
      }
      return false;
    }, milliseconds);
  }
  // The exit code, or -1 when the process did not end in time.
  int wait(uint32_t milliseconds) {
    if (exited_) return exitCode_;
    await([&] {
      int status = 0;
      if (::waitpid(pid_, &status, WNOHANG) == pid_) {
        exited_ = true;
        exitCode_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
      }
      return exited_;
    }, milliseconds);
    output();
    statuses();
    return exited_ ? exitCode_ : -1;
  }
  void kill(int signal) { ::kill(pid_, signal); }

  // Every "<prefix> ..." line's remainder, in order.
  std::vector<std::string> lines(const std::string& prefix) {
    std::vector<std::string> found;
    std::istringstream in(output());
    std::string line;
    while (std::getline(in, line)) {
      if (line.rfind(prefix, 0) == 0) found.push_back(line);
    }
    return found;
  }

  // The UDP ports the process has open (from /proc), for a stranger to send to.
  std::vector<uint16_t> udpPorts() const {
    std::vector<std::string> inodes;
    const std::string fdDir = "/proc/" + std::to_string(pid_) + "/fd";
    if (DIR* dir = ::opendir(fdDir.c_str())) {
      while (dirent* entry = ::readdir(dir)) {
        char target[256] = {};
        const std::string path = fdDir + "/" + entry->d_name;
        if (::readlink(path.c_str(), target, sizeof target - 1) > 0 &&
            std::strncmp(target, "socket:[", 8) == 0) {
          inodes.emplace_back(target + 8, std::strlen(target) - 9);
        }
      }
      ::closedir(dir);
    }
    std::vector<uint16_t> ports;
    std::ifstream udp("/proc/net/udp");
    std::string line;
    std::getline(udp, line);
    while (std::getline(udp, line)) {
      std::istringstream fields(line);
      std::string slot, local, remote, state, queues, timer, retr, uid, timeout, inode;
      fields >> slot >> local >> remote >> state >> queues >> timer >> retr >> uid >> timeout >> inode;
      for (const std::string& own : inodes) {
        if (own == inode) ports.push_back(static_cast<uint16_t>(std::stoul(local.substr(local.find(':') + 1), nullptr, 16)));
      }
    }
    return ports;
  }

 private:
  static void writeRecord(int fd, const NetLoungeRecord& record) {
    uint8_t bytes[sizeof(NetLoungeRecord)];
    std::memcpy(bytes, &record, sizeof bytes);
    platform::pipeWriteWhole(static_cast<uint64_t>(fd), bytes, sizeof bytes);
  }

  pid_t pid_ = -1;
  int input_ = -1;
  int statusPipe_ = -1;
  int output_ = -1;
  bool exited_ = false;
  int exitCode_ = -1;
  std::vector<uint32_t> statuses_;
  std::string output_text_;
};

// The kv2040-sim executable as a child process: spawned with its arguments, its pseudo-terminal
// path read from the first line it prints, killed and reaped by the destructor at the latest.
#pragma once

#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

extern char** environ;

namespace corvane::test_support {

class SimProcess {
 public:
  static constexpr int kStartWaitMs = 10000;  // sanitizer builds start slowly

  explicit SimProcess(std::vector<std::string> args) {
    int out[2], err[2];
    if (::pipe(out) != 0) return;
    if (::pipe(err) != 0) {
      ::close(out[0]);
      ::close(out[1]);
      return;
    }
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_adddup2(&fa, out[1], 1);
    posix_spawn_file_actions_adddup2(&fa, err[1], 2);
    posix_spawn_file_actions_addclose(&fa, out[0]);
    posix_spawn_file_actions_addclose(&fa, err[0]);
    args.insert(args.begin(), KV2040_SIM_PATH);
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    if (posix_spawn(&pid_, KV2040_SIM_PATH, &fa, nullptr, argv.data(), environ) != 0) pid_ = -1;
    posix_spawn_file_actions_destroy(&fa);
    ::close(out[1]);
    ::close(err[1]);
    out_ = out[0];
    err_ = err[0];
    char c;
    while (readable(out_, kStartWaitMs) && ::read(out_, &c, 1) == 1 && c != '\n') path_ += c;
  }
  ~SimProcess() {
    kill(SIGKILL);
    if (out_ >= 0) ::close(out_);
    if (err_ >= 0) ::close(err_);
  }
  SimProcess(const SimProcess&) = delete;
  SimProcess& operator=(const SimProcess&) = delete;

  // The pseudo-terminal's slave device ("/dev/pts/7"); empty when the start failed.
  const std::string& path() const { return path_; }

  // Sends the signal and reaps the process; returns the wait status, or -1 when already gone.
  int kill(int signalNumber) {
    if (pid_ <= 0) return -1;
    ::kill(pid_, signalNumber);
    int status = 0;
    ::waitpid(pid_, &status, 0);
    pid_ = -1;
    return status;
  }

  // What the simulator wrote to stderr so far (after kill(): everything).
  std::string log() {
    char buf[4096];
    while (readable(err_, 0)) {
      const ssize_t n = ::read(err_, buf, sizeof buf);
      if (n <= 0) break;
      log_.append(buf, std::size_t(n));
    }
    return log_;
  }

 private:
  static bool readable(int fd, int ms) {
    pollfd p{fd, POLLIN, 0};
    return fd >= 0 && ::poll(&p, 1, ms) > 0 && (p.revents & POLLIN);
  }

  pid_t pid_ = -1;
  int out_ = -1;
  int err_ = -1;
  std::string path_;
  std::string log_;
};

}  // namespace corvane::test_support

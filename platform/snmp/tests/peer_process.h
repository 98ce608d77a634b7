// Runs an outside tool for the peer tests: output captured, environment controlled, and a
// callback run between polls so the test can serve its own sockets meanwhile. Every run
// is bounded: a tool still running at the deadline is killed.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace platform::snmp::testing {

struct ProcessResult {
  int exitCode = -1;   // -1: killed or not started
  std::string output;  // stdout and stderr together
};

inline bool toolAvailable(const std::string& name) {
  for (const char* dir : {"/usr/bin", "/usr/sbin", "/bin", "/sbin", "/usr/local/bin", "/usr/local/sbin"})
    if (::access((std::string(dir) + "/" + name).c_str(), X_OK) == 0) return true;
  return false;
}

inline std::string toolPath(const std::string& name) {
  for (const char* dir : {"/usr/bin", "/usr/sbin", "/bin", "/sbin", "/usr/local/bin", "/usr/local/sbin"}) {
    std::string p = std::string(dir) + "/" + name;
    if (::access(p.c_str(), X_OK) == 0) return p;
  }
  return name;
}

// A temporary folder removed with the object.
class TempDir {
 public:
  TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "snmpctl-XXXXXX").string();
    std::vector<char> buf(pattern.begin(), pattern.end());
    buf.push_back('\0');
    if (::mkdtemp(buf.data())) path_ = buf.data();
  }
  ~TempDir() {
    std::error_code ec;
    if (!path_.empty()) std::filesystem::remove_all(path_, ec);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

// net-snmp's tools with no user or system configuration and no MIBs of their own. The
// persistent folder gets the subfolder the tools otherwise announce creating.
inline std::vector<std::string> netSnmpEnvironment(const std::string& dir) {
  std::error_code ec;
  std::filesystem::create_directories(dir + "/cert_indexes", ec);
  return {"SNMPCONFPATH=" + dir, "SNMP_PERSISTENT_DIR=" + dir,        "MIBS=", "MIBDIRS=" + dir,
          "HOME=" + dir,         "PATH=/usr/bin:/bin:/usr/sbin:/sbin"};
}

class Process {
 public:
  Process(const std::vector<std::string>& argv, const std::vector<std::string>& env) {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
    posix_spawn_file_actions_adddup2(&actions, fds[1], 2);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    std::vector<char*> args;
    for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    std::vector<char*> envp;
    for (const auto& e : env) envp.push_back(const_cast<char*>(e.c_str()));
    envp.push_back(nullptr);
    if (::posix_spawn(&pid_, args[0], &actions, nullptr, args.data(), envp.data()) != 0) pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
    ::close(fds[1]);
    out_ = fds[0];
    ::fcntl(out_, F_SETFL, O_NONBLOCK);
  }
  ~Process() {
    stop();
    if (out_ >= 0) ::close(out_);
  }
  Process(const Process&) = delete;
  Process& operator=(const Process&) = delete;

  bool started() const { return pid_ > 0; }
  pid_t pid() const { return pid_; }

  // Reads what the process wrote so far; true while it runs.
  bool poll(int waitMs) {
    if (out_ >= 0) {
      pollfd p{out_, POLLIN, 0};
      if (::poll(&p, 1, waitMs) > 0) drain();
    }
    if (pid_ > 0 && !exited_) {
      int status = 0;
      if (::waitpid(pid_, &status, WNOHANG) == pid_) {
        exited_ = true;
        exitCode_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        drain();
      }
    }
    return pid_ > 0 && !exited_;
  }

  // Waits for the end, at most `timeoutMs`, calling `between` after every poll.
  ProcessResult wait(int timeoutMs, const std::function<void()>& between = nullptr) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (poll(between ? 0 : 20)) {
      if (between) between();
      if (std::chrono::steady_clock::now() > deadline) {
        stop();
        break;
      }
    }
    drain();
    return {exited_ ? exitCode_ : -1, output_};
  }

  // SIGTERM, then SIGKILL if it does not end within a second.
  void stop() {
    if (pid_ <= 0 || exited_) return;
    ::kill(pid_, SIGTERM);
    for (int i = 0; i < 100; ++i) {
      int status = 0;
      if (::waitpid(pid_, &status, WNOHANG) == pid_) {
        exited_ = true;
        exitCode_ = -1;
        return;
      }
      ::usleep(10000);
    }
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
    exited_ = true;
    exitCode_ = -1;
  }

  const std::string& output() const { return output_; }

 private:
  void drain() {
    if (out_ < 0) return;
    char buf[4096];
    for (;;) {
      ssize_t n = ::read(out_, buf, sizeof buf);
      if (n <= 0) break;
      output_.append(buf, static_cast<std::size_t>(n));
    }
  }

  pid_t pid_ = -1;
  int out_ = -1;
  bool exited_ = false;
  int exitCode_ = -1;
  std::string output_;
};

inline ProcessResult runTool(const std::vector<std::string>& argv, const std::vector<std::string>& env,
                             int timeoutMs = 20000, const std::function<void()>& between = nullptr) {
  Process p(argv, env);
  if (!p.started()) return {};
  return p.wait(timeoutMs, between);
}

}  // namespace platform::snmp::testing

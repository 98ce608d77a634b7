// Runs the apsim program as a child process for tests over real loopback UDP.
#pragma once

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

namespace apsim::testing {

// A port unlikely to be taken by a parallel test run: from the process id.
inline std::uint16_t testPort(int salt) { return static_cast<std::uint16_t>(20000 + (::getpid() * 7 + salt * 131) % 30000); }

class ApsimProcess {
 public:
  // Starts apsim with `args` and waits until it has printed its table of access points.
  explicit ApsimProcess(const std::vector<std::string>& args) {
    int out[2];
    if (::pipe(out) != 0) return;
    pid_ = ::fork();
    if (pid_ == 0) {
      ::dup2(out[1], 1);
      ::close(out[0]);
      ::close(out[1]);
      std::vector<char*> argv;
      std::string exe = KIT_BINARY_DIR "/tools/apsim/apsim";
      argv.push_back(exe.data());
      std::vector<std::string> copy = args;
      for (auto& a : copy) argv.push_back(a.data());
      argv.push_back(nullptr);
      ::execv(exe.c_str(), argv.data());
      ::_exit(127);
    }
    ::close(out[1]);
    stdout_ = ::fdopen(out[0], "r");
    char line[512];
    // The table ends with one line per access point; the header names how many.
    while (stdout_ && std::fgets(line, sizeof line, stdout_)) {
      output_ += line;
      if (std::string(line).rfind("apsim: ", 0) == 0) {
        int count = std::atoi(line + 7);
        for (int i = 0; i < count && std::fgets(line, sizeof line, stdout_); ++i) output_ += line;
        ready_ = true;
        break;
      }
    }
  }
  ~ApsimProcess() {
    if (pid_ > 0) {
      ::kill(pid_, SIGTERM);
      int status = 0;
      ::waitpid(pid_, &status, 0);
    }
    if (stdout_) std::fclose(stdout_);
  }
  ApsimProcess(const ApsimProcess&) = delete;
  ApsimProcess& operator=(const ApsimProcess&) = delete;

  bool ready() const { return ready_; }
  const std::string& output() const { return output_; }

 private:
  pid_t pid_ = -1;
  std::FILE* stdout_ = nullptr;
  std::string output_;
  bool ready_ = false;
};

inline std::string runCapture(const std::string& command) {
  std::string out;
  if (std::FILE* p = ::popen((command + " 2>&1").c_str(), "r")) {
    char buf[4096];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
    ::pclose(p);
  }
  return out;
}

}  // namespace apsim::testing

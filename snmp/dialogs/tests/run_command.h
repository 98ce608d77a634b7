// Small helpers for tests that ask outside tools: a temporary folder that removes itself and a
// command runner that returns the command's standard output.
#pragma once

#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <unistd.h>

namespace manager::test {

inline std::string shellQuote(const std::string& s) {
  std::string q = "'";
  for (char c : s) {
    if (c == '\'') q += "'\\''";
    else q += c;
  }
  return q + "'";
}

// Standard output of a shell command; nothing when it could not run or exited non-zero.
inline std::optional<std::string> runCommand(const std::string& command) {
  FILE* p = ::popen(command.c_str(), "r");
  if (!p) return std::nullopt;
  std::string out;
  char buf[4096];
  std::size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
  const int status = ::pclose(p);
  if (status != 0) return std::nullopt;
  return out;
}

class TempDir {
 public:
  static TempDir make(const std::string& tag) {
    std::string templ = (std::filesystem::temp_directory_path() / ("kit-" + tag + "-XXXXXX")).string();
    if (!::mkdtemp(templ.data())) throw std::runtime_error("mkdtemp failed");
    return TempDir(templ);
  }
  TempDir(TempDir&& o) noexcept : path_(std::move(o.path_)) { o.path_.clear(); }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  ~TempDir() {
    if (!path_.empty()) {
      std::error_code ec;
      std::filesystem::remove_all(path_, ec);
    }
  }
  const std::filesystem::path& path() const { return path_; }

 private:
  explicit TempDir(std::filesystem::path p) : path_(std::move(p)) {}
  std::filesystem::path path_;
};

}  // namespace manager::test

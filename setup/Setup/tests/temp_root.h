// A fresh system root in a temporary folder for the program-start tests, removed afterwards.
#pragma once

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include "platform/system/system.h"

namespace setup::testing {

class TempDir {
 public:
  TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "setup-start-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
  }
  ~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

inline void writeFile(const std::filesystem::path& p, const std::string& text) {
  std::filesystem::create_directories(p.parent_path());
  std::ofstream(p, std::ios::binary) << text;
}

// Every entry under a folder with its kind, size, time, link target and contents: two snapshots
// differ when anything was written, touched, linked or removed.
inline std::map<std::string, std::string> snapshot(const std::filesystem::path& dir) {
  namespace fs = std::filesystem;
  std::map<std::string, std::string> out;
  std::error_code ec;
  if (!fs::exists(dir, ec)) return out;
  for (auto it = fs::recursive_directory_iterator(dir, fs::directory_options::none, ec);
       it != fs::recursive_directory_iterator(); it.increment(ec)) {
    const fs::path& p = it->path();
    std::ostringstream d;
    auto st = fs::symlink_status(p, ec);
    if (fs::is_symlink(st)) {
      d << "link " << fs::read_symlink(p, ec).string();
    } else if (fs::is_directory(st)) {
      d << "dir";
    } else {
      std::ifstream in(p, std::ios::binary);
      d << "file " << fs::file_size(p, ec) << ' ' << fs::last_write_time(p, ec).time_since_epoch().count() << ' '
        << in.rdbuf();
    }
    out[fs::relative(p, dir, ec).string()] = d.str();
  }
  return out;
}

inline std::string crlf(std::initializer_list<const char*> lines) {
  std::string s;
  for (const char* l : lines) s += std::string(l) + "\r\n";
  return s;
}

}  // namespace setup::testing

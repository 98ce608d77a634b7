// A fresh temporary folder, removed with everything in it when the test ends.
#pragma once

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "tools/mkdist/bytes.h"

namespace mkdist::test {

struct TempDir {
  std::filesystem::path path;
  TempDir() {
    std::string templ = (std::filesystem::temp_directory_path() / "mkdist-test-XXXXXX").string();
    path = mkdtemp(templ.data());
  }
  ~TempDir() {
    std::error_code ec;
    // Read-only files made by a test must not stop the clean-up.
    std::filesystem::permissions(path, std::filesystem::perms::owner_all, std::filesystem::perm_options::add, ec);
    for (auto& e : std::filesystem::recursive_directory_iterator(path, ec))
      std::filesystem::permissions(e.path(), std::filesystem::perms::owner_all, std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(path, ec);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
};

inline void WriteBytes(const std::filesystem::path& p, ByteView data) {
  std::filesystem::create_directories(p.parent_path());
  std::ofstream out(p, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
}

inline void WriteText(const std::filesystem::path& p, const std::string& text) {
  WriteBytes(p, ByteView(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
}

inline Bytes ReadBytes(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

}  // namespace mkdist::test

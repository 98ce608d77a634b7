// Temporary folders, files and outside programs for the peer tests.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace setup::test {

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

std::vector<std::uint8_t> ReadHostFile(const std::filesystem::path& p);
void WriteHostFile(const std::filesystem::path& p, const std::vector<std::uint8_t>& data);

// Runs a shell command in `dir`; returns its exit status and collects its standard output.
int RunCommand(const std::filesystem::path& dir, const std::string& command, std::vector<std::uint8_t>* out = nullptr);
bool HaveProgram(const std::string& name);

}  // namespace setup::test

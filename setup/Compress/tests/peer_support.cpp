#include "setup/Compress/tests/peer_support.h"

#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <stdexcept>

namespace setup::test {

TempDir::TempDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "compress-test-XXXXXX").string();
  if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
}

TempDir::~TempDir() {
  std::error_code ec;
  // Read-only files and folders must be writable again before they can go.
  for (auto it = std::filesystem::recursive_directory_iterator(path_, ec);
       !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
    std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ec);
  }
  std::filesystem::remove_all(path_, ec);
}

std::vector<std::uint8_t> ReadHostFile(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + p.string());
  return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

void WriteHostFile(const std::filesystem::path& p, const std::vector<std::uint8_t>& data) {
  std::ofstream out(p, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
  if (!out) throw std::runtime_error("cannot write " + p.string());
}

int RunCommand(const std::filesystem::path& dir, const std::string& command, std::vector<std::uint8_t>* out) {
  const std::string full = "cd '" + dir.string() + "' && " + command + (out ? "" : " >/dev/null") + " 2>/dev/null";
  FILE* pipe = popen(full.c_str(), "r");
  if (!pipe) return -1;
  char buf[65536];
  std::size_t n;
  while ((n = fread(buf, 1, sizeof buf, pipe)) > 0) {
    if (out) out->insert(out->end(), buf, buf + n);
  }
  const int status = pclose(pipe);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool HaveProgram(const std::string& name) {
  return std::system(("command -v " + name + " >/dev/null 2>&1").c_str()) == 0;
}

}  // namespace setup::test

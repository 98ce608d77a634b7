#include "tools/mkdist/host_file.h"

#include <sys/stat.h>
#include <sys/xattr.h>

#include <cstdlib>
#include <fstream>

#include "platform/fs/file_system.h"
#include "platform/text/ansi.h"

namespace mkdist {

namespace fs = std::filesystem;

std::optional<fs::path> FindBelow(const fs::path& base, const std::vector<std::string>& components) {
  fs::path at = base;
  for (const std::string& ansi : components) {
    if (ansi.empty() || ansi == "." || ansi == "..") return std::nullopt;
    std::string host = platform::ansiToUtf8(ansi);
    std::error_code ec;
    if (fs::exists(at / host, ec)) {
      at /= host;
      continue;
    }
    std::optional<fs::path> found;
    for (const auto& entry : fs::directory_iterator(at, ec)) {
      std::string name = entry.path().filename().string();
      if (platform::equalsIgnoreCase(platform::utf8ToAnsi(name), ansi)) {
        found = entry.path();
        break;
      }
    }
    if (!found) return std::nullopt;
    at = *found;
  }
  return at;
}

std::optional<std::string> AnsiFileName(const std::string& utf8Name) {
  std::string ansi = platform::utf8ToAnsi(utf8Name);
  if (platform::ansiToUtf8(ansi) != utf8Name) return std::nullopt;
  return ansi;
}

EntryInput LoadHostFile(const fs::path& hostPath, std::string ansiName) {
  struct stat st {};
  if (::stat(hostPath.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
    throw PackError("\"" + hostPath.string() + "\" is not a readable file");
  if (static_cast<std::uint64_t>(st.st_size) > 0x7FFFFFFFu)
    throw PackError("\"" + hostPath.string() + "\" is 2 GB or larger; the archive format holds sizes below 2 GB");
  EntryInput e;
  e.name = std::move(ansiName);
  std::ifstream in(hostPath, std::ios::binary);
  e.data.resize(static_cast<std::size_t>(st.st_size));
  if (!in.read(reinterpret_cast<char*>(e.data.data()), static_cast<std::streamsize>(e.data.size())))
    throw PackError("cannot read \"" + hostPath.string() + "\"");
  e.dosDateTime = platform::DosDateTime::fromUnix(st.st_mtime);
  std::uint16_t attrs = platform::kAttrArchive;
  char buf[32] = {};
  ssize_t n = ::getxattr(hostPath.c_str(), "user.DOSATTRIB", buf, sizeof buf - 1);
  if (n > 0) {
    buf[n] = 0;
    // Wine and Samba write the bits as text, "0x22".
    char* end = nullptr;
    unsigned long v = std::strtoul(buf, &end, 0);
    if (end != buf) attrs = static_cast<std::uint16_t>(v & (platform::kAttrHidden | platform::kAttrSystem | platform::kAttrArchive));
  }
  if (!(st.st_mode & S_IWUSR)) attrs |= platform::kAttrReadOnly;
  e.attributes = attrs;
  return e;
}

}  // namespace mkdist

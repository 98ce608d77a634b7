// Files, folders, opens and the in-use test.
#include "platform/fs/file_system.h"

#include "platform/fs/file_system_internal.h"
#include "platform/fs/share_table.h"
#include "platform/fs/windows_path.h"
#include "platform/text/ansi.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace platform {
namespace fs = std::filesystem;

namespace {

FileKey keyOf(const struct stat& st) {
  return {static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
}

bool statOf(const fs::path& p, struct stat& st) { return ::stat(p.c_str(), &st) == 0; }

// Another process holds a record lock (fcntl or open-file-description) or an flock on the file.
// The probe descriptor is closed again at once; this process holds no fcntl locks of its own,
// so closing it drops nothing.
bool lockedByOther(const fs::path& p) {
  int fd = ::open(p.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) return false;
  bool locked = false;
  struct flock fl {};
  fl.l_type = F_WRLCK;
  fl.l_whence = SEEK_SET;
  fl.l_start = 0;
  fl.l_len = 0;
  if (::fcntl(fd, F_GETLK, &fl) == 0 && fl.l_type != F_UNLCK) locked = true;
  if (!locked) {
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
      locked = (errno == EWOULDBLOCK);
    } else {
      ::flock(fd, LOCK_UN);
    }
  }
  ::close(fd);
  return locked;
}

bool sharesWrite(Share s) { return s == Share::Write || s == Share::ReadWrite; }

// The last component of a Windows path as the caller spelled it (trailing dots and spaces dropped).
std::optional<std::string> givenName(std::string_view winPath) {
  auto p = winpath::parse(winPath);
  if (!p) return std::nullopt;
  auto a = winpath::absolute(*p, winpath::Absolute{false, 'C', {}, {}, {}});
  if (!a || a->components.empty()) return std::nullopt;
  return a->components.back();
}

}  // namespace

bool FileSystem::exists(std::string_view winPath) const {
  auto h = toHost(winPath);
  struct stat st {};
  return h && statOf(*h, st);
}

bool FileSystem::isFile(std::string_view winPath) const {
  auto h = toHost(winPath);
  struct stat st {};
  return h && statOf(*h, st) && S_ISREG(st.st_mode);
}

bool FileSystem::isDirectory(std::string_view winPath) const {
  auto h = toHost(winPath);
  struct stat st {};
  return h && statOf(*h, st) && S_ISDIR(st.st_mode);
}

std::optional<std::int64_t> FileSystem::fileSize(std::string_view winPath) const {
  auto h = toHost(winPath);
  struct stat st {};
  if (!h || !statOf(*h, st) || !S_ISREG(st.st_mode)) return std::nullopt;
  return static_cast<std::int64_t>(st.st_size);
}

std::optional<std::vector<DirEntry>> FileSystem::listDirectory(std::string_view winPath) const {
  auto r = resolve(winPath);
  if (!r) return std::nullopt;
  std::error_code ec;
  if (!fs::is_directory(r->host, ec)) return std::nullopt;
  std::vector<DirEntry> out;
  for (fs::directory_iterator it(r->host, ec), end; !ec && it != end; it.increment(ec)) {
    std::string host = it->path().filename().string();
    std::string name = utf8ToAnsi(host);
    // Names a Windows path cannot reach are left out: characters outside the code page, characters
    // Windows forbids, device names, and trailing dots or spaces (which Windows drops from a path).
    if (ansiToUtf8(name) != host || !winpath::isValidName(name) || name.back() == '.' || name.back() == ' ') {
      continue;
    }
    struct stat st {};
    if (!statOf(it->path(), st)) continue;  // dangling link
    std::string child = r->win;
    if (child.back() != '\\') child += '\\';
    child += name;
    DirEntry e;
    e.name = name;
    e.attributes = attributes(child).value_or(S_ISDIR(st.st_mode) ? kAttrDirectory : kAttrArchive);
    e.size = S_ISREG(st.st_mode) ? static_cast<std::int64_t>(st.st_size) : 0;
    e.dosDateTime = DosDateTime::fromUnix(st.st_mtim.tv_sec);
    out.push_back(std::move(e));
  }
  if (ec) return std::nullopt;
  std::sort(out.begin(), out.end(), [](const DirEntry& a, const DirEntry& b) {
    int c = compareIgnoreCase(a.name, b.name);
    return c != 0 ? c < 0 : a.name < b.name;
  });
  return out;
}

bool FileSystem::matchesWildcard(std::string_view pattern, std::string_view name) {
  if (pattern == "*.*" || pattern == "*") return true;
  if (pattern.size() > 2 && pattern.ends_with(".*") && name.find('.') == std::string_view::npos &&
      matchesWildcard(pattern.substr(0, pattern.size() - 2), name)) {
    return true;
  }
  // Iterative glob with one back-tracking point for the last star.
  std::size_t p = 0, n = 0, star = std::string_view::npos, mark = 0;
  while (n < name.size()) {
    if (p < pattern.size() && (pattern[p] == '?' || upperAnsi(pattern[p]) == upperAnsi(name[n]))) {
      ++p;
      ++n;
    } else if (p < pattern.size() && pattern[p] == '*') {
      star = p++;
      mark = n;
    } else if (star != std::string_view::npos) {
      p = star + 1;
      n = ++mark;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

std::optional<std::vector<DirEntry>> FileSystem::findFiles(std::string_view pattern) const {
  std::string s(pattern);
  for (char& c : s) {
    if (c == '/') c = '\\';
  }
  std::size_t cut = s.rfind('\\');
  std::string dir, mask;
  if (cut == std::string::npos) {
    // "C:*.txt" or "*.txt": the current folder of that drive.
    std::size_t colon = s.size() >= 2 && s[1] == ':' ? 2 : 0;
    dir = colon ? s.substr(0, 2) : currentDir_;
    mask = s.substr(colon);
  } else {
    dir = s.substr(0, cut + 1);
    mask = s.substr(cut + 1);
  }
  if (mask.empty()) return std::nullopt;
  auto all = listDirectory(dir);
  if (!all) return std::nullopt;
  std::vector<DirEntry> out;
  for (auto& e : *all) {
    if (matchesWildcard(mask, e.name)) out.push_back(std::move(e));
  }
  return out;
}

bool FileSystem::createDirectory(std::string_view winPath) {
  auto h = toHost(winPath);
  if (!h) return false;
  return ::mkdir(h->c_str(), 0777) == 0;
}

bool FileSystem::forceDirectories(std::string_view winPath) {
  auto r = resolve(winPath);
  if (!r) return false;
  std::error_code ec;
  fs::create_directories(r->host, ec);
  return fs::is_directory(r->host, ec);
}

bool FileSystem::removeDirectory(std::string_view winPath) {
  auto r = resolve(winPath);
  if (!r || r->host == r->driveRoot) return false;
  return ::rmdir(r->host.c_str()) == 0;
}

bool FileSystem::deleteFile(std::string_view winPath) {
  auto h = toHost(winPath);
  if (!h) return false;
  struct stat lst {};
  if (::lstat(h->c_str(), &lst) != 0 || S_ISDIR(lst.st_mode)) return false;
  struct stat st {};
  if (statOf(*h, st)) {
    if (S_ISDIR(st.st_mode)) return false;
    if (S_ISREG(st.st_mode) && !(st.st_mode & S_IWUSR)) return false;  // read-only
    // Our opens never share deletion, as most Windows opens do not.
    if (shares_->isOpen(keyOf(st)) || lockedByOther(*h)) return false;
  }
  return ::unlink(h->c_str()) == 0;
}

bool FileSystem::rename(std::string_view from, std::string_view to) {
  auto src = toHost(from);
  auto dst = toHost(to);
  if (!src || !dst) return false;
  struct stat st {};
  if (::lstat(src->c_str(), &st) != 0) return false;
  if (*dst == *src) {
    // Same file under another spelling: a change of case only.
    auto name = givenName(to);
    if (!name) return false;
    dst = src->parent_path() / ansiToUtf8(*name);
    if (*dst == *src) return true;
  } else {
    struct stat dt {};
    if (::lstat(dst->c_str(), &dt) == 0) return false;
  }
  struct stat target {};
  if (statOf(*src, target) && S_ISREG(target.st_mode)) {
    if (shares_->isOpen(keyOf(target)) || lockedByOther(*src)) return false;
  }
  if (::rename(src->c_str(), dst->c_str()) == 0) return true;
  if (errno != EXDEV || !S_ISREG(st.st_mode)) return false;
  // Another host file system: copy, then remove the original, as a move between volumes does.
  if (!copyFile(from, to, true)) return false;
  if (!deleteFile(from)) {
    ::unlink(dst->c_str());
    return false;
  }
  return true;
}

bool FileSystem::copyFile(std::string_view from, std::string_view to, bool failIfExists) {
  auto srcHost = toHost(from);
  if (!srcHost) return false;
  File in = open(from, Access::Read, Share::Read, Disposition::OpenExisting);
  if (!in) return false;
  auto dstHost = toHost(to);
  if (!dstHost) return false;
  struct stat before {};
  bool existed = statOf(*dstHost, before);
  File out = open(to, Access::Write, Share::None, failIfExists ? Disposition::CreateNew : Disposition::CreateAlways);
  if (!out) return false;
  std::vector<char> buf(64 * 1024);
  bool ok = true;
  for (;;) {
    std::size_t n = in.read(buf.data(), buf.size());
    if (in.failed()) {
      ok = false;
      break;
    }
    if (n == 0) break;
    if (out.write(buf.data(), n) != n) {
      ok = false;
      break;
    }
  }
  ok = out.close() && ok;
  in.close();
  if (!ok) {
    // A partial copy is not left behind under the target's name.
    if (!existed) ::unlink(dstHost->c_str());
    return false;
  }
  struct stat st {};
  if (statOf(*srcHost, st)) {
    struct timespec times[2] = {{0, UTIME_OMIT}, st.st_mtim};
    ::utimensat(AT_FDCWD, dstHost->c_str(), times, 0);
  }
  if (auto a = attributes(from)) setAttributes(to, *a);
  return true;
}

File FileSystem::open(std::string_view winPath, Access access, Share share, Disposition disposition) {
  auto h = toHost(winPath);
  if (!h) return {};
  struct stat st {};
  bool existed = statOf(*h, st);
  if (existed && !S_ISREG(st.st_mode)) return {};  // folders, devices and pipes are not files here
  if (!existed && disposition == Disposition::OpenExisting) return {};
  if (existed && disposition == Disposition::CreateNew) return {};
  bool writes = access != Access::Read;
  bool truncate = existed && disposition == Disposition::CreateAlways;
  if (existed && (writes || truncate)) {
    if (!(st.st_mode & S_IWUSR)) return {};  // read-only, whoever we run as
    if (lockedByOther(*h)) return {};
  }
  int flags = O_CLOEXEC | O_NOCTTY;
  flags |= access == Access::Read ? (truncate ? O_RDWR : O_RDONLY) : access == Access::Write ? O_WRONLY : O_RDWR;
  if (!existed) flags |= O_CREAT | O_EXCL;
  int fd = ::open(h->c_str(), flags, 0666);
  if (fd < 0) return {};
  struct stat now {};
  if (::fstat(fd, &now) != 0) {
    ::close(fd);
    return {};
  }
  auto handle = shares_->acquire(keyOf(now), access, share);
  if (!handle) {
    ::close(fd);
    return {};
  }
  if (truncate && ::ftruncate(fd, 0) != 0) {
    shares_->release(*handle);
    ::close(fd);
    return {};
  }
  // Visible to other processes: a shared flock while writing is denied. It may fail when another
  // process holds an exclusive flock; the open goes on, as that process did not deny reading.
  if (!sharesWrite(share)) ::flock(fd, LOCK_SH | LOCK_NB);
  return File(fd, shares_, *handle);
}

bool FileSystem::isInUse(std::string_view winPath) const {
  auto h = toHost(winPath);
  if (!h) return false;
  struct stat st {};
  if (!statOf(*h, st) || !S_ISREG(st.st_mode)) return false;
  if (shares_->deniesWrite(keyOf(st)) || lockedByOther(*h)) return true;
  // A program running from the file: the host refuses to open it for writing ("text busy").
  int fd = ::open(h->c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (fd >= 0) {
    ::close(fd);
    return false;
  }
  return errno == ETXTBSY;
}

FileVersion FileSystem::versionInfo(std::string_view winPath) const {
  auto h = toHost(winPath);
  if (!h) return {};
  return fileVersionOf(readFixedFileInfo(*h));
}

}  // namespace platform

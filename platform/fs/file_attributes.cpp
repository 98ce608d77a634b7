// Attributes, dates and free space.
#include "platform/fs/file_system.h"

#include "platform/fs/file_system_internal.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <limits>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/xattr.h>

namespace platform {
namespace {

constexpr const char* kDosAttrib = "user.DOSATTRIB";
// The bits the extended attribute carries; read-only and directory come from the host itself.
constexpr std::uint32_t kStoredBits = kAttrHidden | kAttrSystem | kAttrArchive;

// Wine writes "0x22"; Samba writes the same text followed by a NUL and a binary record.
std::optional<std::uint32_t> readDosAttrib(const std::filesystem::path& p) {
  char buf[256];
  ssize_t n = ::getxattr(p.c_str(), kDosAttrib, buf, sizeof buf);
  if (n < 3 || buf[0] != '0' || (buf[1] != 'x' && buf[1] != 'X')) return std::nullopt;
  std::uint32_t v = 0;
  ssize_t i = 2;
  for (; i < n && i < 10; ++i) {
    char c = buf[i];
    int d = (c >= '0' && c <= '9') ? c - '0' : (c >= 'a' && c <= 'f') ? c - 'a' + 10 : (c >= 'A' && c <= 'F') ? c - 'A' + 10 : -1;
    if (d < 0) break;
    v = v << 4 | static_cast<std::uint32_t>(d);
  }
  if (i == 2) return std::nullopt;
  return v;
}

bool unsupported(int e) { return e == ENOTSUP || e == EOPNOTSUPP || e == ENOSYS; }

std::uint32_t capped(unsigned long long v) {
  return v > std::numeric_limits<std::uint32_t>::max() ? std::numeric_limits<std::uint32_t>::max()
                                                        : static_cast<std::uint32_t>(v);
}

}  // namespace

std::optional<std::uint32_t> FileSystem::attributes(std::string_view winPath) const {
  auto h = toHost(winPath);
  struct stat st {};
  if (!h || ::stat(h->c_str(), &st) != 0) return std::nullopt;
  std::uint32_t a = 0;
  auto stored = readDosAttrib(*h);
  if (S_ISDIR(st.st_mode)) {
    a = kAttrDirectory | (stored ? (*stored & kStoredBits) : 0);
  } else {
    a = stored ? (*stored & kStoredBits) : kAttrArchive;
    if (!(st.st_mode & S_IWUSR)) a |= kAttrReadOnly;
  }
  return a;
}

bool FileSystem::setAttributes(std::string_view winPath, std::uint32_t attrs) {
  auto h = toHost(winPath);
  struct stat st {};
  if (!h || ::stat(h->c_str(), &st) != 0) return false;
  if (!S_ISDIR(st.st_mode)) {
    mode_t mode = st.st_mode & 07777;
    mode_t want = (attrs & kAttrReadOnly) ? (mode & ~mode_t{0222}) : (mode | S_IWUSR);
    if (want != mode && ::chmod(h->c_str(), want) != 0) return false;
  }
  char text[16];
  int len = std::snprintf(text, sizeof text, "0x%x", attrs & kStoredBits);
  if (::setxattr(h->c_str(), kDosAttrib, text, static_cast<std::size_t>(len), 0) != 0 && !unsupported(errno)) {
    return false;
  }
  return true;
}

std::optional<std::uint32_t> FileSystem::dosDateTime(std::string_view winPath) const {
  auto h = toHost(winPath);
  struct stat st {};
  if (!h || ::stat(h->c_str(), &st) != 0) return std::nullopt;
  return DosDateTime::fromUnix(st.st_mtim.tv_sec);
}

bool FileSystem::setDosDateTime(std::string_view winPath, std::uint32_t dos) {
  auto h = toHost(winPath);
  auto t = DosDateTime::toUnix(dos);
  if (!h || !t) return false;
  struct timespec times[2] = {{0, UTIME_OMIT}, {static_cast<time_t>(*t), 0}};
  return ::utimensat(AT_FDCWD, h->c_str(), times, 0) == 0;
}

std::optional<DiskFreeSpace> FileSystem::freeSpace(std::string_view winPath) const {
  auto r = resolve(winPath);
  if (!r) return std::nullopt;
  struct statvfs sv {};
  if (::statvfs(r->driveRoot.c_str(), &sv) != 0) return std::nullopt;
  unsigned long long cluster = sv.f_frsize ? sv.f_frsize : sv.f_bsize;
  if (cluster == 0) return std::nullopt;
  DiskFreeSpace d;
  d.bytesPerSector = cluster % 512 == 0 ? 512 : capped(cluster);
  d.sectorsPerCluster = capped(cluster / d.bytesPerSector);
  // What an ordinary user may still fill, as Windows reports the caller's quota.
  d.freeClusters = capped(sv.f_bavail);
  d.totalClusters = capped(sv.f_blocks);
  d.freeBytes = static_cast<std::uint64_t>(sv.f_bavail) * cluster;
  d.totalBytes = static_cast<std::uint64_t>(sv.f_blocks) * cluster;
  return d;
}

}  // namespace platform

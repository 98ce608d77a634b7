#include "platform/fs/file.h"

#include "platform/fs/share_table.h"

#include <cerrno>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace platform {

File::File(int fd, std::shared_ptr<ShareTable> table, std::uint64_t handle)
    : fd_(fd), table_(std::move(table)), handle_(handle) {}

File::File(File&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)),
      error_(std::exchange(other.error_, 0)),
      table_(std::move(other.table_)),
      handle_(std::exchange(other.handle_, 0)) {}

File& File::operator=(File&& other) noexcept {
  if (this != &other) {
    close();
    fd_ = std::exchange(other.fd_, -1);
    error_ = std::exchange(other.error_, 0);
    table_ = std::move(other.table_);
    handle_ = std::exchange(other.handle_, 0);
  }
  return *this;
}

File::~File() { close(); }

void File::release() {
  if (table_ && handle_ != 0) table_->release(handle_);
  table_.reset();
  handle_ = 0;
}

std::size_t File::read(void* buf, std::size_t n) {
  if (fd_ < 0) {
    error_ = EBADF;
    return 0;
  }
  std::size_t done = 0;
  auto* p = static_cast<char*>(buf);
  while (done < n) {
    ssize_t r = ::read(fd_, p + done, n - done);
    if (r < 0) {
      if (errno == EINTR) continue;
      error_ = errno;
      return done;
    }
    if (r == 0) break;
    done += static_cast<std::size_t>(r);
  }
  return done;
}

std::size_t File::write(const void* buf, std::size_t n) {
  if (fd_ < 0) {
    error_ = EBADF;
    return 0;
  }
  std::size_t done = 0;
  const auto* p = static_cast<const char*>(buf);
  while (done < n) {
    ssize_t w = ::write(fd_, p + done, n - done);
    if (w < 0) {
      if (errno == EINTR) continue;
      error_ = errno;
      return done;
    }
    if (w == 0) break;
    done += static_cast<std::size_t>(w);
  }
  return done;
}

bool File::seek(std::int64_t offset) {
  if (fd_ < 0 || offset < 0) {
    error_ = fd_ < 0 ? EBADF : EINVAL;
    return false;
  }
  if (::lseek(fd_, offset, SEEK_SET) < 0) {
    error_ = errno;
    return false;
  }
  return true;
}

std::int64_t File::position() const {
  if (fd_ < 0) return -1;
  return ::lseek(fd_, 0, SEEK_CUR);
}

std::int64_t File::size() const {
  struct stat st {};
  if (fd_ < 0 || ::fstat(fd_, &st) != 0) return -1;
  return st.st_size;
}

bool File::truncate(std::int64_t size) {
  if (fd_ < 0 || ::ftruncate(fd_, size) != 0) {
    error_ = fd_ < 0 ? EBADF : errno;
    return false;
  }
  return true;
}

bool File::close() {
  if (fd_ < 0) return true;
  // Closing the descriptor also drops the flock taken for a deny-write open.
  int rc = ::close(fd_);
  fd_ = -1;
  release();
  if (rc != 0 && errno != EINTR) {
    error_ = errno;
    return false;
  }
  return true;
}

}  // namespace platform

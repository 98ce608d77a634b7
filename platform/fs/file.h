// An open file, as the installer and the archive reader use one: read or write blocks, seek, size.
// Made by FileSystem::open (and its shortcuts); closing happens on destruction or close().
//
// Sharing follows Windows: an open states what it does (Access) and what it lets others do at the
// same time (Share). An open that conflicts with one already held in this process fails, and a file
// held without shared write counts as in use (FileSystem::isInUse). Opens that deny writing also
// take a shared flock(2) on the host file, so other processes see the file as in use.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace platform {

enum class Access { Read, Write, ReadWrite };
// What other opens of the same file may do while this one is held.
enum class Share { None, Read, Write, ReadWrite };
enum class Disposition {
  OpenExisting,  // fail when the file does not exist
  CreateAlways,  // create or truncate
  CreateNew,     // fail when the file exists
  OpenAlways,    // open, or create when missing
};

class ShareTable;

class File {
 public:
  File() = default;
  File(File&& other) noexcept;
  File& operator=(File&& other) noexcept;
  File(const File&) = delete;
  File& operator=(const File&) = delete;
  ~File();

  bool isOpen() const { return fd_ >= 0; }
  explicit operator bool() const { return isOpen(); }

  // Reads up to n bytes at the current position; returns the number read, 0 at the end of the file
  // and on an error (then failed() is true).
  std::size_t read(void* buf, std::size_t n);
  // Writes up to n bytes; returns the number written. Fewer than n means the disk is full or an
  // error happened (failed() then tells which).
  std::size_t write(const void* buf, std::size_t n);
  // Moves to an absolute position; false on error.
  bool seek(std::int64_t offset);
  std::int64_t position() const;
  // The size of the file now, -1 on error.
  std::int64_t size() const;
  // Cuts or extends the file to the given size.
  bool truncate(std::int64_t size);
  // Closes; returns false when the host reported an error on close (data may not have been written).
  bool close();

  // The host errno of the last failed call, 0 when none failed.
  int error() const { return error_; }
  bool failed() const { return error_ != 0; }

 private:
  friend class FileSystem;
  File(int fd, std::shared_ptr<ShareTable> table, std::uint64_t handle);
  void release();

  int fd_ = -1;
  int error_ = 0;
  std::shared_ptr<ShareTable> table_;
  std::uint64_t handle_ = 0;
};

}  // namespace platform

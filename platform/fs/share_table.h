// The opens this process holds, with what each does and lets others do, so that a second open can
// be refused as Windows refuses it and a file held without shared write counts as in use.
#pragma once

#include "platform/fs/file.h"

#include <cstdint>
#include <map>
#include <mutex>
#include <optional>

namespace platform {

struct FileKey {
  std::uint64_t device = 0;
  std::uint64_t inode = 0;
  auto operator<=>(const FileKey&) const = default;
};

class ShareTable {
 public:
  // Registers an open; nothing when it conflicts with one already held.
  std::optional<std::uint64_t> acquire(FileKey key, Access access, Share share);
  void release(std::uint64_t handle);

  // Held by some open that does not share writing.
  bool deniesWrite(FileKey key) const;
  // Held by any open at all.
  bool isOpen(FileKey key) const;

 private:
  struct Entry {
    FileKey key;
    Access access;
    Share share;
  };
  mutable std::mutex mutex_;
  std::map<std::uint64_t, Entry> opens_;
  std::uint64_t next_ = 1;
};

}  // namespace platform

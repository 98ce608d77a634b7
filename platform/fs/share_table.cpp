#include "platform/fs/share_table.h"

namespace platform {
namespace {

bool reads(Access a) { return a != Access::Write; }
bool writes(Access a) { return a != Access::Read; }
bool sharesRead(Share s) { return s == Share::Read || s == Share::ReadWrite; }
bool sharesWrite(Share s) { return s == Share::Write || s == Share::ReadWrite; }

}  // namespace

std::optional<std::uint64_t> ShareTable::acquire(FileKey key, Access access, Share share) {
  std::lock_guard lock(mutex_);
  for (const auto& [handle, e] : opens_) {
    if (e.key != key) continue;
    // The new open must be allowed by every held one, and must allow what each held one does.
    if (reads(access) && !sharesRead(e.share)) return std::nullopt;
    if (writes(access) && !sharesWrite(e.share)) return std::nullopt;
    if (reads(e.access) && !sharesRead(share)) return std::nullopt;
    if (writes(e.access) && !sharesWrite(share)) return std::nullopt;
  }
  std::uint64_t h = next_++;
  opens_.emplace(h, Entry{key, access, share});
  return h;
}

void ShareTable::release(std::uint64_t handle) {
  std::lock_guard lock(mutex_);
  opens_.erase(handle);
}

bool ShareTable::deniesWrite(FileKey key) const {
  std::lock_guard lock(mutex_);
  for (const auto& [handle, e] : opens_) {
    if (e.key == key && !sharesWrite(e.share)) return true;
  }
  return false;
}

bool ShareTable::isOpen(FileKey key) const {
  std::lock_guard lock(mutex_);
  for (const auto& [handle, e] : opens_) {
    if (e.key == key) return true;
  }
  return false;
}

}  // namespace platform

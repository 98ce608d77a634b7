#include "setup/Compress/archive_format.h"

namespace setup {
namespace {

std::int32_t le32(const std::uint8_t* p) {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
                                   static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24);
}
std::int16_t le16(const std::uint8_t* p) { return static_cast<std::int16_t>(p[0] | p[1] << 8); }

}  // namespace

TArchiveHeader ParseArchiveHeader(const std::uint8_t* b) {
  TArchiveHeader h;
  h.Magic.assign(reinterpret_cast<const char*>(b), 5);
  h.CompressID.assign(reinterpret_cast<const char*>(b + 5), 3);
  h.TotalSize = le32(b + 8);
  h.ArchiveType = b[12];
  h.Reserved = le32(b + 13);
  h.LockMarker = le32(b + 17);
  return h;
}

TEntryHeader ParseEntryHeader(const std::uint8_t* b) {
  TEntryHeader e;
  e.NameLength = le16(b);
  e.DateTime = le32(b + 2);
  e.Attributes = le16(b + 6);
  e.ExpandedSize = le32(b + 8);
  e.CompressedSize = le32(b + 12);
  e.MethodIndex = b[16];
  e.Checksum = le32(b + 17);
  e.Lock = le32(b + 21);
  return e;
}

}  // namespace setup

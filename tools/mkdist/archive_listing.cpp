#include "tools/mkdist/archive_listing.h"

#include <cstdio>
#include <cstring>

namespace mkdist {

Listing ListArchive(ByteView bytes) {
  if (bytes.size() < kArchiveHeaderSize)
    throw PackError("the file is too short for an archive header (" + std::to_string(bytes.size()) + " bytes)");
  if (std::memcmp(bytes.data(), "ZARN\x1a", 5) != 0) throw PackError("the file does not start with an archive header");
  if (bytes[12] != 1) throw PackError("the archive type is " + std::to_string(bytes[12]) + ", not 1 (multi-file)");
  Listing l;
  l.methodId.assign(reinterpret_cast<const char*>(bytes.data()) + 5, 3);
  l.totalSize = static_cast<std::int32_t>(GetLe32(bytes.data() + 8));
  l.lockMarker = GetLe32(bytes.data() + 17);
  std::size_t pos = kArchiveHeaderSize;
  while (pos + kEntryHeaderSize <= bytes.size()) {
    const std::uint8_t* h = bytes.data() + pos;
    ListedEntry e;
    auto nameLength = static_cast<std::int16_t>(GetLe16(h));
    e.dosDateTime = GetLe32(h + 2);
    e.attributes = GetLe16(h + 6);
    e.expandedSize = static_cast<std::int32_t>(GetLe32(h + 8));
    e.storedSize = static_cast<std::int32_t>(GetLe32(h + 12));
    e.method = h[16];
    e.checksum = GetLe32(h + 17);
    e.lock = static_cast<std::int32_t>(GetLe32(h + 21));
    e.headerOffset = pos;
    if (nameLength < 0 || pos + kEntryHeaderSize + static_cast<std::size_t>(nameLength) > bytes.size()) break;
    e.name.assign(reinterpret_cast<const char*>(h) + kEntryHeaderSize, static_cast<std::size_t>(nameLength));
    e.dataOffset = pos + kEntryHeaderSize + static_cast<std::size_t>(nameLength);
    std::size_t stored = e.storedSize > 0 ? static_cast<std::size_t>(e.storedSize) : 0;
    l.entries.push_back(e);
    if (stored > bytes.size() - e.dataOffset) {
      l.truncated = true;
      break;
    }
    pos = e.dataOffset + stored;
  }
  return l;
}

std::string FormatDosDateTime(std::uint32_t dos) {
  unsigned date = dos >> 16, time = dos & 0xFFFF;
  unsigned year = 1980 + (date >> 9), month = (date >> 5) & 15, day = date & 31;
  unsigned hour = time >> 11, minute = (time >> 5) & 63, second = (time & 31) * 2;
  char buf[48];
  if (month < 1 || month > 12 || day < 1 || hour > 23 || minute > 59 || second > 59) {
    std::snprintf(buf, sizeof buf, "invalid (0x%08X)", dos);
  } else {
    std::snprintf(buf, sizeof buf, "%04u-%02u-%02u %02u:%02u:%02u", year, month, day, hour, minute, second);
  }
  return buf;
}

std::string FormatAttributes(std::uint16_t a) {
  std::string s = "----";
  if (a & 0x01) s[0] = 'R';
  if (a & 0x02) s[1] = 'H';
  if (a & 0x04) s[2] = 'S';
  if (a & 0x20) s[3] = 'A';
  return s;
}

}  // namespace mkdist

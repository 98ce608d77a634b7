// Reads an archive's header and entry headers for `mkdist list`.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/mkdist/archive_writer.h"

namespace mkdist {

struct ListedEntry {
  std::string name;  // ANSI
  std::uint32_t dosDateTime = 0;
  std::uint16_t attributes = 0;
  std::int32_t expandedSize = 0;
  std::int32_t storedSize = 0;
  std::uint8_t method = 0;
  std::uint32_t checksum = 0;
  std::int32_t lock = 0;
  std::size_t headerOffset = 0;
  std::size_t dataOffset = 0;
};

struct Listing {
  std::string methodId;
  std::int32_t totalSize = 0;
  std::uint32_t lockMarker = 0;
  std::vector<ListedEntry> entries;
  bool truncated = false;  // the last entry's data runs past the end of the file
};

// Throws PackError when the bytes are not an archive (too short, wrong magic, wrong type).
Listing ListArchive(ByteView bytes);

// "2026-12-11 14:02:06"; "invalid (0x...)" when the packed value is no date.
std::string FormatDosDateTime(std::uint32_t dos);
// "RHSA" letters, "-" for bits not set.
std::string FormatAttributes(std::uint16_t attrs);

}  // namespace mkdist

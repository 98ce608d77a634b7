// Writes archive files for the reader tests, field by field, independent of the reader's own
// header parsing.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace setup::test {

struct EntrySpec {
  std::string name;
  std::vector<std::uint8_t> stored;  // the data after the name
  std::int32_t expandedSize = 0;
  std::uint8_t method = 0;
  std::int32_t checksum = 0;
  std::int32_t date = 0x5A8C6B20;  // 2025-04-12 13:25:00
  std::int16_t attributes = 0x20;
  std::int32_t lock = 0;
  std::int32_t compressedSize = -1;  // -1: the size of `stored`
};

// Method 0: the data as is.
EntrySpec Stored(std::string name, std::vector<std::uint8_t> data);
// Method 1 with a hand-made run-length stream; `expanded` is what it decodes to.
EntrySpec Rle(std::string name, std::vector<std::uint8_t> stream, const std::vector<std::uint8_t>& expanded);
// Any method with its stream and the data it expands to.
EntrySpec Coded(std::string name, std::uint8_t method, std::vector<std::uint8_t> stream,
                const std::vector<std::uint8_t>& expanded);

struct ArchiveSpec {
  std::string id = "NON";
  std::int32_t totalSize = -1;  // -1: the sum of the entries' expanded sizes
  std::uint8_t type = 1;
  std::int32_t lockMarker = 0;
  std::vector<EntrySpec> entries;
};

std::vector<std::uint8_t> BuildArchive(const ArchiveSpec& layout);

std::vector<std::uint8_t> Text(const std::string& s);

}  // namespace setup::test

// The compressed archive file: a 21-byte archive header, then entries of a 25-byte entry header,
// the entry name and the stored data. All integers are little-endian.
#pragma once

#include <cstdint>
#include <string>

namespace setup {

inline constexpr std::size_t kArchiveHeaderSize = 21;
inline constexpr std::size_t kEntryHeaderSize = 25;
inline constexpr char kArchiveMagic[5] = {'Z', 'A', 'R', 'N', 0x1A};
inline constexpr std::uint8_t kArchiveTypeMulti = 1;  // caMulti

// Method identifiers in table order; an entry's method index is the position in this table.
inline constexpr const char* kMethodIds[5] = {"NON", "RLE", "LZH", "CUS", "LH5"};
enum MethodIndex : std::uint8_t { kMethodStored = 0, kMethodRle = 1, kMethodLzh = 2, kMethodCustom = 3, kMethodLh5 = 4 };

struct TArchiveHeader {
  std::string Magic;      // 5 bytes: "ZARN" 0x1A
  std::string CompressID; // 3 bytes
  std::int32_t TotalSize = 0;
  std::uint8_t ArchiveType = kArchiveTypeMulti;
  std::int32_t Reserved = 0;
  std::int32_t LockMarker = 0;
};

struct TEntryHeader {
  std::int16_t NameLength = 0;
  std::int32_t DateTime = 0;  // DOS packed: date in the high word, time in the low word
  std::int16_t Attributes = 0;
  std::int32_t ExpandedSize = 0;
  std::int32_t CompressedSize = 0;
  std::uint8_t MethodIndex = 0;
  std::int32_t Checksum = 0;
  std::int32_t Lock = 0;
  std::string Name;
};

// Field decoding of the two fixed-size headers (no checks).
TArchiveHeader ParseArchiveHeader(const std::uint8_t* bytes21);
TEntryHeader ParseEntryHeader(const std::uint8_t* bytes25);

}  // namespace setup

// The installer's archive format as the packer writes it.
//
//   archive header (21 bytes): "ZARN" 0x1A, method identifier (3 letters), total expanded
//     size (int32), archive type 1, reserved int32 0, lock marker int32 0
//   per entry: header (25 bytes): name length (int16), DOS date and time (uint32), attributes
//     (int16), expanded size (int32), stored size (int32), method index (uint8), byte-sum
//     checksum (uint32), lock field (int32, 0); then the name, then the stored data.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace mkdist {

inline constexpr std::size_t kArchiveHeaderSize = 21;
inline constexpr std::size_t kEntryHeaderSize = 25;

enum class Method : std::uint8_t { Stored = 0, Rle = 1, Lzh = 2, Custom = 3, Lh5 = 4 };

// "NON", "RLE", "LZH", "CUS", "LH5"; "?" for other indexes.
std::string_view MethodId(std::uint8_t index);
inline std::string_view MethodId(Method m) { return MethodId(static_cast<std::uint8_t>(m)); }
// The identifiers above, case-sensitive. Custom data cannot be written by the packer.
std::optional<Method> MethodFromId(std::string_view id);

// Why an entry name cannot go into an archive (or onto a Windows disk); nothing when it can.
// The name is ANSI and must be a bare file name.
std::optional<std::string> EntryNameProblem(std::string_view ansiName);

}  // namespace mkdist

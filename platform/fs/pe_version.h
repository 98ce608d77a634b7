// The file version of a PE image (32- or 64-bit): the VS_FIXEDFILEINFO of its RT_VERSION resource.
// The reader walks the PE headers, the section table and the resource directory itself and treats
// every offset and size as hostile: a truncated or damaged image yields "no version", never a read
// outside the input.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <span>

namespace platform {

// dwFileVersionMS / dwFileVersionLS, as signed 32-bit numbers the way the installer compares them;
// both -1 when the file has no version resource.
struct FileVersion {
  std::int32_t ms = -1;
  std::int32_t ls = -1;

  bool known() const { return !(ms == -1 && ls == -1); }
  bool operator==(const FileVersion&) const = default;
};

// Random access to the bytes of an image: copy n bytes at offset into buf; false when the range is
// not entirely inside the input.
using ByteReader = std::function<bool(std::uint64_t offset, void* buf, std::size_t n)>;

// The fixed file information: both halves of the file version and of the product version.
struct FixedFileInfo {
  std::uint32_t fileVersionMS = 0;
  std::uint32_t fileVersionLS = 0;
  std::uint32_t productVersionMS = 0;
  std::uint32_t productVersionLS = 0;
};

// The fixed file information of an image, or nothing when it is not a PE image or has none.
std::optional<FixedFileInfo> readFixedFileInfo(const ByteReader& read, std::uint64_t inputSize);
std::optional<FixedFileInfo> readFixedFileInfo(std::span<const std::uint8_t> image);
// From a host file; nothing when it cannot be read.
std::optional<FixedFileInfo> readFixedFileInfo(const std::filesystem::path& hostFile);

// The file version in the installer's shape (-1/-1 when none).
FileVersion fileVersionOf(const std::optional<FixedFileInfo>& info);

}  // namespace platform

#include "platform/fs/pe_version.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace platform {
namespace {

constexpr std::uint32_t kRtVersion = 16;
constexpr std::uint32_t kFixedSignature = 0xFEEF04BD;
constexpr std::uint16_t kMagicPe32 = 0x10B;
constexpr std::uint16_t kMagicPe64 = 0x20B;
constexpr std::size_t kSectionHeaderSize = 40;
constexpr std::uint32_t kMaxSections = 96;  // the loader's own limit
constexpr std::uint32_t kMaxDirEntries = 4096;

std::uint16_t le16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }
std::uint32_t le32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

struct Section {
  std::uint32_t virtualAddress;
  std::uint32_t virtualSize;
  std::uint32_t rawSize;
  std::uint32_t rawPointer;
};

class Image {
 public:
  Image(const ByteReader& read, std::uint64_t size) : read_(read), size_(size) {}

  bool bytes(std::uint64_t off, void* buf, std::size_t n) const {
    if (off > size_ || n > size_ - off) return false;
    return read_(off, buf, n);
  }
  std::optional<std::uint16_t> u16(std::uint64_t off) const {
    std::uint8_t b[2];
    if (!bytes(off, b, 2)) return std::nullopt;
    return le16(b);
  }
  std::optional<std::uint32_t> u32(std::uint64_t off) const {
    std::uint8_t b[4];
    if (!bytes(off, b, 4)) return std::nullopt;
    return le32(b);
  }

  // Loads the headers and the section table; false when this is not a PE image.
  bool load() {
    if (u16(0) != 0x5A4D) return false;  // "MZ"
    auto lfanew = u32(0x3C);
    if (!lfanew) return false;
    std::uint64_t pe = *lfanew;
    if (u32(pe) != 0x00004550u) return false;  // "PE\0\0"
    auto sections = u16(pe + 6);
    auto optSize = u16(pe + 20);
    if (!sections || !optSize) return false;
    std::uint64_t opt = pe + 24;
    auto magic = u16(opt);
    if (!magic) return false;
    std::uint64_t countOff, dirOff;
    if (*magic == kMagicPe32) {
      countOff = opt + 92;
      dirOff = opt + 96;
    } else if (*magic == kMagicPe64) {
      countOff = opt + 108;
      dirOff = opt + 112;
    } else {
      return false;
    }
    auto dirCount = u32(countOff);
    if (!dirCount || *dirCount <= 2) return false;  // no resource directory entry
    // The data directories must lie inside the optional header.
    if (dirOff + 3 * 8 > opt + *optSize) return false;
    auto resRva = u32(dirOff + 2 * 8);
    auto resSize = u32(dirOff + 2 * 8 + 4);
    if (!resRva || !resSize || *resRva == 0 || *resSize == 0) return false;
    resourceRva_ = *resRva;
    if (*sections > kMaxSections) return false;
    std::uint64_t table = opt + *optSize;
    for (std::uint32_t i = 0; i < *sections; ++i) {
      std::array<std::uint8_t, kSectionHeaderSize> h{};
      if (!bytes(table + i * kSectionHeaderSize, h.data(), h.size())) return false;
      sections_.push_back({le32(&h[12]), le32(&h[8]), le32(&h[16]), le32(&h[20])});
    }
    return true;
  }

  // File offset of an RVA range that lies inside one section's raw data.
  std::optional<std::uint64_t> offsetOf(std::uint64_t rva, std::uint64_t length) const {
    for (const Section& s : sections_) {
      std::uint64_t extent = s.virtualSize ? std::min(s.virtualSize, s.rawSize) : s.rawSize;
      if (rva < s.virtualAddress) continue;
      std::uint64_t delta = rva - s.virtualAddress;
      if (delta >= extent || length > extent - delta) continue;
      return static_cast<std::uint64_t>(s.rawPointer) + delta;
    }
    return std::nullopt;
  }

  // The first entry of a resource directory whose id matches (any id when id is empty); the
  // returned value is the entry's OffsetToData field.
  std::optional<std::uint32_t> entry(std::uint32_t dirOffset, std::optional<std::uint32_t> id) const {
    auto base = offsetOf(std::uint64_t{resourceRva_} + dirOffset, 16);
    if (!base) return std::nullopt;
    auto named = u16(*base + 12);
    auto ids = u16(*base + 14);
    if (!named || !ids) return std::nullopt;
    std::uint32_t total = static_cast<std::uint32_t>(*named) + *ids;
    if (total > kMaxDirEntries) return std::nullopt;
    // Entries sit right after the 16-byte directory header, 8 bytes each, named ones first.
    auto entries = offsetOf(std::uint64_t{resourceRva_} + dirOffset, 16 + std::uint64_t{total} * 8);
    if (!entries) return std::nullopt;
    for (std::uint32_t i = 0; i < total; ++i) {
      std::uint64_t e = *entries + 16 + std::uint64_t{i} * 8;
      auto name = u32(e);
      auto data = u32(e + 4);
      if (!name || !data) return std::nullopt;
      bool isNamed = (*name & 0x80000000u) != 0;
      if (id && (isNamed || *name != *id)) continue;
      return *data;
    }
    return std::nullopt;
  }

  std::uint32_t resourceRva() const { return resourceRva_; }

 private:
  const ByteReader& read_;
  std::uint64_t size_;
  std::uint32_t resourceRva_ = 0;
  std::vector<Section> sections_;
};

std::optional<FixedFileInfo> fromVersionBlock(const Image& img, std::uint32_t rva, std::uint32_t size) {
  // VS_VERSIONINFO: wLength, wValueLength, wType, "VS_VERSION_INFO" in UTF-16 with its NUL, padding
  // to a 32-bit boundary, then the VS_FIXEDFILEINFO value.
  static constexpr char16_t kKey[] = u"VS_VERSION_INFO";
  constexpr std::size_t kKeyBytes = sizeof(kKey);  // 32, NUL included
  constexpr std::size_t kValueAt = (6 + kKeyBytes + 3) & ~std::size_t{3};  // 40
  constexpr std::size_t kFixedSize = 52;
  if (size < kValueAt + kFixedSize) return std::nullopt;
  auto off = img.offsetOf(rva, kValueAt + kFixedSize);
  if (!off) return std::nullopt;
  std::array<std::uint8_t, kValueAt + kFixedSize> b{};
  if (!img.bytes(*off, b.data(), b.size())) return std::nullopt;
  std::uint16_t length = le16(&b[0]);
  std::uint16_t valueLength = le16(&b[2]);
  if (length < kValueAt + kFixedSize || valueLength < kFixedSize) return std::nullopt;
  for (std::size_t i = 0; i < kKeyBytes / 2; ++i) {
    if (le16(&b[6 + 2 * i]) != static_cast<std::uint16_t>(kKey[i])) return std::nullopt;
  }
  const std::uint8_t* f = &b[kValueAt];
  if (le32(f) != kFixedSignature) return std::nullopt;
  FixedFileInfo info;
  info.fileVersionMS = le32(f + 8);
  info.fileVersionLS = le32(f + 12);
  info.productVersionMS = le32(f + 16);
  info.productVersionLS = le32(f + 20);
  return info;
}

}  // namespace

std::optional<FixedFileInfo> readFixedFileInfo(const ByteReader& read, std::uint64_t inputSize) {
  Image img(read, inputSize);
  if (!img.load()) return std::nullopt;
  // Type RT_VERSION -> the first name (normally 1) -> the first language -> the data entry.
  auto type = img.entry(0, kRtVersion);
  if (!type || !(*type & 0x80000000u)) return std::nullopt;
  auto name = img.entry(*type & 0x7FFFFFFFu, std::nullopt);
  if (!name || !(*name & 0x80000000u)) return std::nullopt;
  auto lang = img.entry(*name & 0x7FFFFFFFu, std::nullopt);
  if (!lang || (*lang & 0x80000000u)) return std::nullopt;
  // IMAGE_RESOURCE_DATA_ENTRY: OffsetToData (an RVA), Size, CodePage, Reserved.
  auto dataEntry = img.offsetOf(std::uint64_t{img.resourceRva()} + *lang, 16);
  if (!dataEntry) return std::nullopt;
  auto dataRva = img.u32(*dataEntry);
  auto dataSize = img.u32(*dataEntry + 4);
  if (!dataRva || !dataSize) return std::nullopt;
  return fromVersionBlock(img, *dataRva, *dataSize);
}

std::optional<FixedFileInfo> readFixedFileInfo(std::span<const std::uint8_t> image) {
  ByteReader reader = [image](std::uint64_t off, void* buf, std::size_t n) {
    if (off > image.size() || n > image.size() - off) return false;
    std::memcpy(buf, image.data() + off, n);
    return true;
  };
  return readFixedFileInfo(reader, image.size());
}

std::optional<FixedFileInfo> readFixedFileInfo(const std::filesystem::path& hostFile) {
  int fd = ::open(hostFile.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  struct stat st {};
  std::optional<FixedFileInfo> result;
  if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
    ByteReader reader = [fd](std::uint64_t off, void* buf, std::size_t n) {
      auto* p = static_cast<char*>(buf);
      std::size_t done = 0;
      while (done < n) {
        ssize_t r = ::pread(fd, p + done, n - done, static_cast<off_t>(off + done));
        if (r <= 0) return false;
        done += static_cast<std::size_t>(r);
      }
      return true;
    };
    result = readFixedFileInfo(reader, static_cast<std::uint64_t>(st.st_size));
  }
  ::close(fd);
  return result;
}

FileVersion fileVersionOf(const std::optional<FixedFileInfo>& info) {
  if (!info) return {};
  return {static_cast<std::int32_t>(info->fileVersionMS), static_cast<std::int32_t>(info->fileVersionLS)};
}

}  // namespace platform

#include "tools/mkdist/tests/lha_wrap.h"

#include <cstring>

namespace mkdist::test {

std::uint16_t LhaCrc16(ByteView data) {
  std::uint16_t crc = 0;
  for (std::uint8_t b : data) {
    crc ^= b;
    for (int i = 0; i < 8; ++i) crc = (crc & 1) ? static_cast<std::uint16_t>((crc >> 1) ^ 0xA001) : static_cast<std::uint16_t>(crc >> 1);
  }
  return crc;
}

Bytes WrapLha(const std::string& method, const std::string& name, ByteView stream,
              ByteView original) {
  Bytes h;
  h.push_back(0);  // header size, filled below
  h.push_back(0);  // header checksum, filled below
  h.insert(h.end(), method.begin(), method.end());
  PutLe32(h, static_cast<std::uint32_t>(stream.size()));
  PutLe32(h, static_cast<std::uint32_t>(original.size()));
  PutLe32(h, (static_cast<std::uint32_t>((2026 - 1980) << 9 | 12 << 5 | 11) << 16) | (12u << 11));
  h.push_back(0x20);
  h.push_back(0);  // level
  h.push_back(static_cast<std::uint8_t>(name.size()));
  h.insert(h.end(), name.begin(), name.end());
  PutLe16(h, LhaCrc16(original));
  h[0] = static_cast<std::uint8_t>(h.size() - 2);
  std::uint8_t sum = 0;
  for (std::size_t i = 2; i < h.size(); ++i) sum = static_cast<std::uint8_t>(sum + h[i]);
  h[1] = sum;
  h.insert(h.end(), stream.begin(), stream.end());
  h.push_back(0);
  return h;
}

// The raw stream and original size of the first member of an LHA archive (header level 0, 1 or 2).
std::optional<std::pair<Bytes, std::size_t>> FirstMember(const Bytes& lzh, const std::string& method) {
  if (lzh.size() < 24) return std::nullopt;
  const std::uint8_t* h = lzh.data();
  int level = h[20];
  std::uint32_t packed = GetLe32(h + 7);
  std::uint32_t original = GetLe32(h + 11);
  std::size_t dataStart = 0;
  if (level == 0 || level == 1) {
    dataStart = static_cast<std::size_t>(h[0]) + 2;
    if (level == 1) {
      // Extended headers follow the base header and count into the packed size.
      std::size_t pos = dataStart;
      std::uint16_t next = GetLe16(&lzh[pos - 2]);
      while (next != 0) {
        packed -= next;
        pos += next;
        next = GetLe16(&lzh[pos - 2]);
      }
      dataStart = pos;
    }
  } else if (level == 2) {
    dataStart = GetLe16(h);
  } else {
    return std::nullopt;
  }
  if (std::memcmp(h + 2, method.data(), 5) != 0 || dataStart + packed > lzh.size()) return std::nullopt;
  return std::make_pair(Bytes(lzh.begin() + static_cast<std::ptrdiff_t>(dataStart),
                              lzh.begin() + static_cast<std::ptrdiff_t>(dataStart + packed)),
                        static_cast<std::size_t>(original));
}

}  // namespace mkdist::test

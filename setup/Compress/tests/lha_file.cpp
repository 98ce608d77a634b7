#include "setup/Compress/tests/lha_file.h"

#include <stdexcept>

namespace setup::test {
namespace {

std::uint32_t le16(const std::vector<std::uint8_t>& a, std::size_t at) {
  if (at + 2 > a.size()) throw std::runtime_error("LHA header cut short");
  return a[at] | static_cast<std::uint32_t>(a[at + 1]) << 8;
}
std::uint32_t le32(const std::vector<std::uint8_t>& a, std::size_t at) {
  return le16(a, at) | le16(a, at + 2) << 16;
}

}  // namespace

std::vector<LhaMember> ReadLhaArchive(const std::vector<std::uint8_t>& a) {
  std::vector<LhaMember> members;
  std::size_t pos = 0;
  while (pos < a.size() && a[pos] != 0) {
    if (pos + 22 > a.size()) throw std::runtime_error("LHA header cut short");
    LhaMember m;
    m.method.assign(a.begin() + static_cast<long>(pos + 2), a.begin() + static_cast<long>(pos + 7));
    m.level = a[pos + 20];
    const std::uint32_t packed = le32(a, pos + 7);
    m.originalSize = le32(a, pos + 11);
    std::size_t data = 0;
    std::size_t length = packed;
    if (m.level == 0 || m.level == 1) {
      const std::size_t headerSize = a[pos];
      const std::size_t nameLength = a[pos + 21];
      m.name.assign(a.begin() + static_cast<long>(pos + 22),
                    a.begin() + static_cast<long>(pos + 22 + nameLength));
      data = pos + 2 + headerSize;
      if (m.level == 1) {
        // Extended headers follow the base header; the packed size counts them.
        std::size_t next = le16(a, data - 2);
        while (next != 0) {
          if (next > length) throw std::runtime_error("LHA extended header too long");
          length -= next;
          data += next;
          next = le16(a, data - 2);
        }
      }
    } else if (m.level == 2) {
      data = pos + le16(a, pos);
      std::size_t ext = pos + 24;
      std::size_t next = le16(a, ext);
      while (next != 0) {
        if (a.at(ext + 2) == 0x01) {
          m.name.assign(a.begin() + static_cast<long>(ext + 3), a.begin() + static_cast<long>(ext + next));
        }
        ext += next;
        next = le16(a, ext);
      }
    } else {
      throw std::runtime_error("unknown LHA header level");
    }
    if (data + length > a.size()) throw std::runtime_error("LHA member data cut short");
    m.stream.assign(a.begin() + static_cast<long>(data), a.begin() + static_cast<long>(data + length));
    members.push_back(std::move(m));
    pos = data + length;
  }
  return members;
}

std::uint16_t LhaCrc16(const std::vector<std::uint8_t>& data) {
  std::uint16_t crc = 0;
  for (std::uint8_t b : data) {
    crc ^= b;
    for (int i = 0; i < 8; ++i) crc = (crc & 1) ? static_cast<std::uint16_t>((crc >> 1) ^ 0xA001) : crc >> 1;
  }
  return crc;
}

std::vector<std::uint8_t> WrapLevel0(const std::string& method, const std::string& name,
                                     const std::vector<std::uint8_t>& stream,
                                     const std::vector<std::uint8_t>& original) {
  std::vector<std::uint8_t> h;
  auto put32 = [&h](std::uint32_t v) {
    for (int i = 0; i < 4; ++i) h.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
  };
  h.push_back(0);  // header size, filled below
  h.push_back(0);  // header checksum, filled below
  h.insert(h.end(), method.begin(), method.end());
  put32(static_cast<std::uint32_t>(stream.size()));
  put32(static_cast<std::uint32_t>(original.size()));
  put32(0x21 << 25 | 1 << 21 | 1 << 16);  // 2013-01-01 00:00
  h.push_back(0x20);
  h.push_back(0);  // level 0
  h.push_back(static_cast<std::uint8_t>(name.size()));
  h.insert(h.end(), name.begin(), name.end());
  const std::uint16_t crc = LhaCrc16(original);
  h.push_back(static_cast<std::uint8_t>(crc));
  h.push_back(static_cast<std::uint8_t>(crc >> 8));
  h[0] = static_cast<std::uint8_t>(h.size() - 2);
  std::uint8_t sum = 0;
  for (std::size_t i = 2; i < h.size(); ++i) sum = static_cast<std::uint8_t>(sum + h[i]);
  h[1] = sum;
  h.insert(h.end(), stream.begin(), stream.end());
  h.push_back(0);
  return h;
}

}  // namespace setup::test

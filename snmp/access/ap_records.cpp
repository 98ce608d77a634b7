#include "snmp/access/ap_records.h"

namespace manager {

std::array<std::uint8_t, 12> MacEntryBlock::toBytes() const {
  std::array<std::uint8_t, 12> b{};
  const std::uint16_t words[3] = {action, entryCount, entryIndex};
  for (int i = 0; i < 3; ++i) {
    b[2 * i] = static_cast<std::uint8_t>(words[i] & 0xFF);
    b[2 * i + 1] = static_cast<std::uint8_t>(words[i] >> 8);
  }
  for (int i = 0; i < 6; ++i) b[6 + i] = address[i];
  return b;
}

MacEntryBlock MacEntryBlock::fromBytes(const std::array<std::uint8_t, 12>& b) {
  MacEntryBlock m;
  m.action = static_cast<std::uint16_t>(b[0] | b[1] << 8);
  m.entryCount = static_cast<std::uint16_t>(b[2] | b[3] << 8);
  m.entryIndex = static_cast<std::uint16_t>(b[4] | b[5] << 8);
  for (int i = 0; i < 6; ++i) m.address[i] = b[6 + i];
  return m;
}

}  // namespace manager

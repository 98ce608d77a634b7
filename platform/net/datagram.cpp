#include "platform/net/datagram.h"

namespace platform {

std::optional<Ipv4> parseIpv4(std::string_view text) {
  Ipv4 result = 0;
  std::size_t pos = 0;
  for (int part = 0; part < 4; ++part) {
    if (part > 0) {
      if (pos >= text.size() || text[pos] != '.') return std::nullopt;
      ++pos;
    }
    std::size_t start = pos;
    unsigned value = 0;
    while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9' && pos - start < 3) {
      value = value * 10 + static_cast<unsigned>(text[pos] - '0');
      ++pos;
    }
    if (pos == start || value > 255) return std::nullopt;
    if (pos < text.size() && text[pos] >= '0' && text[pos] <= '9') return std::nullopt;  // 4 digits
    result = (result << 8) | value;
  }
  if (pos != text.size()) return std::nullopt;
  return result;
}

std::string formatIpv4(Ipv4 address) {
  return std::to_string(address >> 24) + "." + std::to_string((address >> 16) & 0xFF) + "." +
         std::to_string((address >> 8) & 0xFF) + "." + std::to_string(address & 0xFF);
}

bool isLoopback(Ipv4 address) {
  return (address >> 24) == 127;
}

bool isBroadcastLike(Ipv4 address) {
  return (address & 0xFF) == 0xFF;
}

std::string formatEndpoint(const Endpoint& endpoint) {
  return formatIpv4(endpoint.address) + ":" + std::to_string(endpoint.port);
}

}  // namespace platform

// IPv4 addresses, endpoints and datagrams as the network layer passes them around.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// An IPv4 address in host byte order: 127.0.0.1 is 0x7F000001.
using Ipv4 = std::uint32_t;

inline constexpr Ipv4 kAnyAddress = 0;                  // 0.0.0.0
inline constexpr Ipv4 kLimitedBroadcast = 0xFFFFFFFFu;  // 255.255.255.255
inline constexpr Ipv4 kLoopback = 0x7F000001u;          // 127.0.0.1

// Strict dotted-quad parse: exactly four decimal parts 0..255, no spaces, no signs,
// at most three digits per part. Anything else gives nullopt.
std::optional<Ipv4> parseIpv4(std::string_view text);
std::string formatIpv4(Ipv4 address);
// 127.0.0.0/8.
bool isLoopback(Ipv4 address);
// 255.255.255.255 or an address whose last byte is 255 (x.x.x.255): what the in-memory
// network treats as a broadcast to every socket on the port.
bool isBroadcastLike(Ipv4 address);

struct Endpoint {
  Ipv4 address = kAnyAddress;
  std::uint16_t port = 0;
  friend bool operator==(const Endpoint&, const Endpoint&) = default;
};

// "a.b.c.d:port"
std::string formatEndpoint(const Endpoint& endpoint);

struct Datagram {
  Endpoint from;          // the sender's address and port
  Ipv4 to = kAnyAddress;  // the destination address it was sent to (may be a broadcast)
  std::vector<std::uint8_t> data;
};

}  // namespace platform

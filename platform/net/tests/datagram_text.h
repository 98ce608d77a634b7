// Small conversions the network tests write their datagrams with.
#pragma once

#include <string>
#include <vector>

#include "platform/net/datagram.h"

namespace platform::testing {

using Bytes = std::vector<std::uint8_t>;

inline Bytes bytes(const std::string& s) { return Bytes(s.begin(), s.end()); }
inline std::string text(const Datagram& d) { return std::string(d.data.begin(), d.data.end()); }
inline Ipv4 ip(const char* s) { return *parseIpv4(s); }

}  // namespace platform::testing

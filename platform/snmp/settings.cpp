#include "platform/snmp/settings.h"

#include <cstdlib>

#include "platform/net/datagram.h"

namespace platform::snmp {

Settings Settings::fromEnvironment() {
  Settings s;
  if (const char* port = std::getenv("APKIT_SNMP_PORT")) {
    char* end = nullptr;
    long v = std::strtol(port, &end, 10);
    if (end != port && *end == '\0' && v >= 1 && v <= 65535) s.agentPort = static_cast<std::uint16_t>(v);
  }
  if (const char* broadcast = std::getenv("APKIT_SNMP_BROADCAST")) {
    if (parseIpv4(broadcast)) s.broadcastAddress = broadcast;
  }
  return s;
}

Settings Settings::loopback(std::uint16_t port) {
  Settings s;
  s.agentPort = port;
  s.broadcastAddress = "127.255.255.255";
  return s;
}

}  // namespace platform::snmp

// Where the manager really sends: the standard agent port and the limited broadcast address
// that callers name are mapped through these settings, so tests and demos can move a whole
// program onto a loopback broadcast and a high port without changing it.
#pragma once

#include <cstdint>
#include <string>

#include "platform/clock/clock.h"

namespace platform::snmp {

struct Settings {
  // A remote port of 161 set on the manager is sent to this port.
  std::uint16_t agentPort = 161;
  // A remote host of "255.255.255.255" set on the manager is sent to this address.
  std::string broadcastAddress = "255.255.255.255";
  // While a send waits it pumps the caller's messages at least this often.
  Millis sliceMs = 10;

  // Defaults, overridden by APKIT_SNMP_PORT (1..65535) and APKIT_SNMP_BROADCAST (dotted
  // IPv4). Malformed values are ignored. Programs call this; tests build their settings
  // themselves (loopback broadcast, high port) and never rely on it.
  static Settings fromEnvironment();
  // Settings for tests and demos: 127.255.255.255 and the given port.
  static Settings loopback(std::uint16_t port);
};

}  // namespace platform::snmp

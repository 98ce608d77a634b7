// Records exchanged with CAccessPoint: one discovered access point, the configuration group, the
// WEP settings and the 12-byte block of the MAC filter table.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace manager {

// WEP modes, MAC filter states and bridge modes as the access point codes them.
enum WepModeCode : int { kWep64 = 1, kWepDisabled = 2, kWep128 = 3 };
enum MacFilterCode : int { kMacFilterOn = 1, kMacFilterOff = 2 };
enum BridgeModeCode : int { kBridgePointToMultipoint = 1, kBridgeAccessPoint = 2, kBridgePointToPoint = 4 };

// One access point that answered a discovery broadcast.
struct ApListEntry {
  std::string name;       // operAccessPointName
  std::string bssid;      // operEthernetAddress, "00:0A:1B:2C:3D:4E"
  std::string ipAddress;  // address that answered
  std::string stateText;  // connection state shown in the list; discovery leaves it alone
};

// The configuration group. A new record has all numbers 0, both flags off, all texts empty.
struct ApConfiguration {
  int channel = 0;
  std::string essid;
  std::string macAddress;       // bytes joined with ":"
  std::string firmwareVersion;  // from the sysDescr read at Connect
  std::string apName;
  int regulatoryDomain = 0;     // byte 11 of sysDeviceInfo, signed
  int associatedStations = 0;
  int wepState = 0;             // WepModeCode
  bool dhcp = false;
  std::string ipAddress;
  std::string subnetMask;
  std::string gateway;
  int rtsThreshold = 0;
  bool acceptAnySsid = false;

  bool operator==(const ApConfiguration&) const = default;
};

// The WEP settings: keys as hexadecimal digits (10 for 64-bit, 26 for 128-bit).
struct ApPrivacySettings {
  std::array<std::string, 4> keys;
  int defaultKeyId = 0;
  int wepMode = 0;  // WepModeCode

  bool operator==(const ApPrivacySettings&) const = default;
};

// The value of AuthorizedMac: action, entry count and 1-based entry index as little-endian
// 16-bit numbers, then the station address in transmission order.
struct MacEntryBlock {
  static constexpr int kWrite = 1;
  static constexpr int kRead = 2;

  std::uint16_t action = 0;
  std::uint16_t entryCount = 0;
  std::uint16_t entryIndex = 0;
  std::array<std::uint8_t, 6> address{};

  std::array<std::uint8_t, 12> toBytes() const;
  static MacEntryBlock fromBytes(const std::array<std::uint8_t, 12>& bytes);
  bool operator==(const MacEntryBlock&) const = default;
};

}  // namespace manager

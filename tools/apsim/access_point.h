// One simulated AT76C510 access point: its settings and how it answers SNMPv1 requests.
//
// Behaviour, as the devices show it to a manager:
// - The password is the community. A request with another community is answered with error
//   status 16 (and nothing is changed), except a get that asks only for the variables a
//   discovery broadcast reads (sysDescr, operEthernetAddress, operAccessPointName): those are
//   answered for any community, so that managers find access points before they know the
//   password. AuthorizedManufactPass is accepted as a community too.
// - A set is all or nothing: a value of the wrong type, out of range or for a read-only
//   variable fails the whole request (error status 3 badValue, 4 readOnly, with its index);
//   a set that succeeds is answered with the values as stored.
// - sysReset or sysUpload = 1 restarts the access point: the set is answered, then it stays
//   silent for `restartMillis`. sysLoadDefaults = 1 restores the factory settings and restarts.
// - AuthorizedMac carries the 12-byte MAC table request: action 1 writes entry `index` of a
//   table of `count` entries (count 0 with index 0 clears the table), action 2 reads entry
//   `index`, answering with the table's count and the entry's address (zeros when there is
//   none). Write answers echo the request.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/clock/clock.h"
#include "platform/snmp/ber.h"
#include "tools/apsim/variables.h"

namespace apsim {

using Mac = std::array<std::uint8_t, 6>;

// Largest MAC table the simulated access point keeps; writes beyond it fail with badValue.
inline constexpr std::size_t kMacTableCapacity = 1024;

struct ApSettings {
  std::string password = "public";
  std::string manufacturerPassword = "manufacturer";
  std::string name = "AP";
  std::string essid = "WLAN";
  std::string firmware = "1.4k.2";
  std::string descriptionPrefix = "AT76C510 Wireless Access Point";
  Mac mac{0x00, 0x04, 0x25, 0x10, 0x00, 0x01};
  std::uint8_t regulatoryDomain = 0x30;  // ETSI
  std::uint32_t productType = 0x0510;
  std::uint32_t structureVersion = 1;
  std::int32_t channel = 6;
  std::int32_t rtsThreshold = 2347;
  std::int32_t preambleType = 1;
  std::int32_t dhcp = 2;  // 1 = client on, 2 = off
  std::int32_t ssidBroadcasting = 1;
  std::uint32_t ipAddress = 0xC0A80202;  // what the device believes its address is
  std::uint32_t ipMask = 0xFFFFFF00;
  std::uint32_t gateway = 0xC0A80201;
  std::int32_t wepMode = 2;  // 1 = 64-bit, 2 = disabled, 3 = 128-bit
  std::int32_t defaultKeyId = 1;
  std::array<std::vector<std::uint8_t>, 4> wepKeys{std::vector<std::uint8_t>(5, 0), std::vector<std::uint8_t>(5, 0),
                                                   std::vector<std::uint8_t>(5, 0), std::vector<std::uint8_t>(5, 0)};
  std::int32_t associatedStations = 0;
  std::int32_t macFilter = 2;  // 1 = on, 2 = off
  std::vector<Mac> macTable;
  std::int32_t bridgeMode = 2;  // 1 = point-to-multipoint, 2 = access point, 4 = point-to-point
  Mac remoteBridge{};

  std::string description() const { return descriptionPrefix + " (Version " + firmware + ")"; }
};

class SimulatedAccessPoint {
 public:
  // `factory` is what sysLoadDefaults restores; the access point starts with it.
  SimulatedAccessPoint(const VariableTable& variables, ApSettings factory,
                       platform::Millis restartMillis = 2000);

  // The answer to one request received at `now`, or nothing (restarting, or not a request).
  std::optional<ber::Message> handle(const ber::Message& request, platform::Millis now);

  bool restarting(platform::Millis now) const { return now < silentUntil_; }
  int restarts() const { return restarts_; }
  int defaultsLoaded() const { return defaultsLoaded_; }
  std::uint64_t requestsAnswered() const { return answered_; }

  ApSettings& settings() { return settings_; }
  const ApSettings& settings() const { return settings_; }
  const ApSettings& factory() const { return factory_; }
  void setRestartMillis(platform::Millis ms) { restartMillis_ = ms; }

 private:
  struct Outcome {
    std::int32_t status = 0;
    std::int32_t index = 0;
  };
  std::optional<ber::Value> read(const VariableSpec& var, const ApSettings& s) const;
  // Applies one value to `s`; returns the error status (0 = accepted).
  std::int32_t write(const VariableSpec& var, const ber::Value& value, ApSettings& s);
  Outcome applySet(const std::vector<ber::VarBind>& binds, std::vector<ber::VarBind>& echo);
  bool acceptsCommunity(const ber::Message& request) const;

  const VariableTable& variables_;
  ApSettings factory_;
  ApSettings settings_;
  platform::Millis restartMillis_;
  platform::Millis silentUntil_ = 0;
  int restarts_ = 0;
  int defaultsLoaded_ = 0;
  std::uint64_t answered_ = 0;
  // Side effects of the set being applied, carried out once it has been answered.
  bool pendingRestart_ = false;
  bool pendingDefaults_ = false;
  std::vector<std::uint8_t> lastMacBlock_ = std::vector<std::uint8_t>(12, 0);
};

std::string formatMac(const Mac& mac, char separator = ':');

}  // namespace apsim

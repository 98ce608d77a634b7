// A fleet of simulated access points on the in-memory network, and a raw SNMP client to poke it.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/clock/clock.h"
#include "platform/net/memory_network.h"
#include "platform/snmp/mib.h"
#include "tools/apsim/agent.h"

namespace apsim::testing {

inline const platform::snmp::Mib& kitMib() {
  static const platform::snmp::Mib mib = [] {
    platform::snmp::Mib m;
    m.load(KIT_SOURCE_DIR "/snmp/AT76C510.mib");
    return m;
  }();
  return mib;
}

class FleetTest : public ::testing::Test {
 protected:
  static constexpr platform::Ipv4 kFirst = 0x7F000002;  // 127.0.0.2
  static constexpr std::uint16_t kPort = 161;

  FleetTest() : network_(clock_, 1), variables_(kitMib()) {
    FleetOptions options;
    options.port = kPort;
    options.restartMillis = 2000;
    fleet_ = std::make_unique<Fleet>(network_, variables_, options);
    client_ = network_.openUdp({platform::kLoopback, 0});
    client_->setBroadcast(true);
  }

  SimulatedAccessPoint& addAp(std::size_t n = 0, Faults faults = {}) {
    return fleet_->add(kFirst + static_cast<platform::Ipv4>(n), fleetMemberSettings(n), faults);
  }

  ber::VarBind bind(const std::string& name, ber::Value value = ber::Value::null()) {
    return {variables_.instanceOf(name), std::move(value)};
  }

  ber::Message request(ber::PduType type, std::vector<ber::VarBind> binds, const std::string& community = "public") {
    ber::Message m;
    m.community = community;
    m.pdu.type = type;
    m.pdu.requestId = ++requestId_;
    m.pdu.varbinds = std::move(binds);
    return m;
  }

  void send(platform::Ipv4 to, const ber::Message& m) { client_->sendTo({to, kPort}, ber::encodeMessage(m)); }

  // Every answer that arrives within `wait` ms of virtual time.
  std::vector<std::pair<platform::Ipv4, ber::Message>> collect(platform::Millis wait = 100) {
    std::vector<std::pair<platform::Ipv4, ber::Message>> out;
    platform::Millis end = clock_.now() + wait;
    while (clock_.now() < end) {
      auto d = client_->receive(end - clock_.now());
      if (!d) break;
      out.emplace_back(d->from.address, ber::decodeMessage(d->data));
    }
    return out;
  }

  std::optional<ber::Message> exchange(platform::Ipv4 to, const ber::Message& m, platform::Millis wait = 100) {
    send(to, m);
    auto answers = collect(wait);
    if (answers.empty()) return std::nullopt;
    return answers.front().second;
  }

  std::optional<ber::Message> get(const std::vector<std::string>& names, const std::string& community = "public",
                                  platform::Ipv4 to = kFirst) {
    std::vector<ber::VarBind> binds;
    for (const auto& n : names) binds.push_back(bind(n));
    return exchange(to, request(ber::PduType::GetRequest, binds, community));
  }

  std::optional<ber::Message> set(std::vector<ber::VarBind> binds, const std::string& community = "public",
                                  platform::Ipv4 to = kFirst) {
    return exchange(to, request(ber::PduType::SetRequest, std::move(binds), community));
  }

  static ber::Value text(const std::string& s) { return ber::Value::octets({s.begin(), s.end()}); }
  static std::string textOf(const ber::Value& v) { return {v.bytes.begin(), v.bytes.end()}; }

  platform::VirtualClock clock_;
  platform::MemoryNetwork network_;
  VariableTable variables_;
  std::unique_ptr<Fleet> fleet_;
  std::unique_ptr<platform::UdpSocket> client_;
  std::int32_t requestId_ = 100;
};

}  // namespace apsim::testing

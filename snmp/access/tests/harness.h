// A fresh CAccessPoint on virtual time and the in-memory network, with recording fakes for its
// message boxes, message pump and busy cursor.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/clock/clock.h"
#include "platform/net/memory_network.h"
#include "platform/snmp/mib.h"
#include "platform/snmp/settings.h"
#include "platform/ui/message_box.h"
#include "snmp/access/access_point.h"
#include "snmp/access/tests/fake_agent.h"

namespace manager::test {

inline constexpr std::uint16_t kAgentPort = 16161;

struct Box {
  std::string text;
  std::string caption;
  platform::MessageButtons buttons;
  platform::MessageIcon icon;
};

class RecordingBoxes final : public platform::MessageBoxService {
 public:
  platform::MessageResult messageBox(const std::string& text, const std::string& caption,
                                     platform::MessageButtons buttons, platform::MessageIcon icon) override {
    boxes.push_back({text, caption, buttons, icon});
    return platform::MessageResult::Ok;
  }
  std::vector<std::string> texts() const {
    std::vector<std::string> t;
    for (const auto& b : boxes) t.push_back(b.text);
    return t;
  }
  std::vector<Box> boxes;
};

class CountingPump final : public platform::MessagePump {
 public:
  void processMessages() override {
    ++calls;
    if (onPump) onPump();
  }
  long calls = 0;
  std::function<void()> onPump;
};

class RecordingCursor final : public BusyCursor {
 public:
  void show() override {
    ++shown;
    ++depth;
  }
  void hide() override {
    ++hidden;
    --depth;
  }
  int shown = 0;
  int hidden = 0;
  int depth = 0;
};

inline std::string mibPath() { return std::string(KIT_SOURCE_DIR) + "/snmp/AT76C510.mib"; }

inline platform::snmp::Settings testSettings() {
  platform::snmp::Settings s;
  s.agentPort = kAgentPort;
  s.broadcastAddress = "127.255.255.255";
  s.sliceMs = 10;
  return s;
}

class Harness {
 public:
  explicit Harness(std::string mib = mibPath()) {
    reference.load(mibPath());
    AccessPointOptions options;
    options.settings = testSettings();
    options.mibPath = std::move(mib);
    options.applicationTitle = "snmp";
    ap = std::make_unique<CAccessPoint>(AccessPointServices{network, boxes, &pump, &cursor}, options);
  }

  // An agent with a complete, plausible set of values.
  FakeAgent& addAgent(const std::string& address, const std::string& name = "AP") {
    agents.push_back(std::make_unique<FakeAgent>(network, reference, address, kAgentPort));
    FakeAgent& a = *agents.back();
    a.setText("sysDescr", "AT76C510 Access Point (Version 1.04e3)");
    a.setBytes("operEthernetAddress", {0x00, 0x04, 0x25, 0x1C, 0xA0, static_cast<std::uint8_t>(agents.size())});
    a.setText("operAccessPointName", name);
    a.setInteger("operChannelID", 6);
    std::vector<std::uint8_t> info(16, 0);
    info[11] = 0x30;
    a.setBytes("sysDeviceInfo", info);
    a.setAddress("operIPAddress", "192.168.2.2");
    a.setAddress("operIPMask", "255.255.255.0");
    a.setAddress("operGateway", "192.168.2.1");
    a.setText("operESSID", "WLAN");
    a.setInteger("privacyWEPEnable", 2);
    a.setInteger("AssociatedSTAsNum", 3);
    a.setInteger("operRTSThreshold", 2347);
    a.setInteger("operDHCP", 2);
    a.setInteger("operSSIDBroadcasting", 1);
    a.setInteger("operPreambleType", 1);
    for (int k = 1; k <= 4; ++k) a.setBytes("defaultWEPKey" + std::to_string(k), std::vector<std::uint8_t>(5, 0));
    a.setInteger("privacyDefaultWEPKeyID", 1);
    a.setInteger("AuthorizationMacEnable", 2);
    a.setInteger("bridgeOperationalMode", 2);
    a.setBytes("bridgeRemoteBridgeBSSID", std::vector<std::uint8_t>(6, 0));
    return a;
  }

  // Connects to an agent with the right password; the traffic of the connection is forgotten.
  bool connect(FakeAgent& agent, const std::string& address) {
    const bool ok = ap->Connect(address, agent.community);
    agent.received.clear();
    return ok;
  }

  platform::VirtualClock clock{0, 946684800};
  platform::MemoryNetwork network{clock};
  RecordingBoxes boxes;
  CountingPump pump;
  RecordingCursor cursor;
  platform::snmp::Mib reference;
  std::vector<std::unique_ptr<FakeAgent>> agents;
  std::unique_ptr<CAccessPoint> ap;
};

// Request ids and send times of the datagrams the manager sent (everything not from an agent).
struct SentRequest {
  platform::Millis at;
  std::int32_t requestId;
  std::string to;
  std::string community;
};

inline std::vector<SentRequest> managerRequests(const platform::MemoryNetwork& network) {
  std::vector<SentRequest> out;
  for (const auto& s : network.traffic()) {
    if (s.from.port == kAgentPort) continue;
    auto m = ber::tryDecodeMessage(s.data);
    if (!m) continue;
    out.push_back({s.at, m->pdu.requestId, platform::formatIpv4(s.to.address), m->community});
  }
  return out;
}

}  // namespace manager::test

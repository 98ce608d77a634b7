// The manager over real UDP on loopback, against agents in the test's own process.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "platform/net/host_network.h"
#include "platform/snmp/error.h"
#include "platform/snmp/manager.h"
#include "platform/snmp/mib.h"
#include "platform/snmp/tests/at76c510_variables.h"
#include "platform/snmp/tests/test_agent.h"

namespace platform::snmp {
namespace {

using testing::TestAgent;
using Bytes = std::vector<std::uint8_t>;

class Hosts : public ManagerEvents {
 public:
  explicit Hosts(Manager& m) : manager_(m) {}
  void managerEvent(int event, int code) override {
    events.push_back({event, code});
    if (event == kEventAnswer) {
      hosts.push_back(manager_.remoteHost());
      names.push_back(manager_.message().variables().item(1).valueText());
    }
  }
  std::vector<std::pair<int, int>> events;
  std::vector<std::string> hosts;
  std::vector<std::string> names;

 private:
  Manager& manager_;
};

class ManagerUdp : public ::testing::Test {
 protected:
  ManagerUdp() { mib.load(testing::at76c510MibPath()); }

  void request(Manager& manager, std::int32_t id, const char* name) {
    Message& m = manager.message();
    m.clearVariables();
    m.setCommunity("public");
    m.setType(MessageType::GetRequest);
    m.setRequestId(id);
    Variable v;
    v.setIdentifier(mib.translate(name) + ".0");
    m.variables().add(v);
  }
  ber::Oid oid(const char* name) { return *ber::parseOid(mib.translate(name) + ".0"); }
  static ber::Value text(const std::string& s) { return ber::Value::octets(Bytes(s.begin(), s.end())); }

  RealClock clock;
  HostNetwork net{clock, HostNetwork::Policy::LoopbackOnly};
  Mib mib;
};

TEST_F(ManagerUdp, GetFromAnAgentOnLoopback) {
  TestAgent agent(net, {kLoopback, 0});
  agent.values[oid("operAccessPointName")] = text("Office");
  Manager manager(net, Settings::loopback(agent.endpoint().port));
  Hosts seen(manager);
  manager.setEvents(&seen);
  manager.open(0, "");
  manager.setRemoteHost("127.0.0.1");
  manager.setRemotePort(161);
  manager.setTimeout(5000);
  request(manager, 12, "operAccessPointName");
  Millis start = clock.now();
  manager.send();
  EXPECT_LT(clock.now() - start, 5000);  // ended by the answer
  ASSERT_EQ(seen.events.size(), 1u);
  EXPECT_EQ(seen.events[0].first, kEventAnswer);
  EXPECT_EQ(seen.names, std::vector<std::string>{"Office"});
  EXPECT_EQ(seen.hosts, std::vector<std::string>{"127.0.0.1"});
}

TEST_F(ManagerUdp, BroadcastOnLoopbackReachesAFleetThatAnswersFromItsOwnAddresses) {
  // Agents share 0.0.0.0:port and answer from 127.0.0.2, .3, .4.
  auto first = std::make_unique<TestAgent>(net, Endpoint{kAnyAddress, 0}, "public", *parseIpv4("127.0.0.2"));
  const std::uint16_t port = first->endpoint().port;
  std::vector<std::unique_ptr<TestAgent>> fleet;
  fleet.push_back(std::move(first));
  fleet.push_back(
      std::make_unique<TestAgent>(net, Endpoint{kAnyAddress, port}, "public", *parseIpv4("127.0.0.3")));
  fleet.push_back(
      std::make_unique<TestAgent>(net, Endpoint{kAnyAddress, port}, "public", *parseIpv4("127.0.0.4")));
  for (std::size_t i = 0; i < fleet.size(); ++i)
    fleet[i]->values[oid("operAccessPointName")] = text("AP " + std::to_string(i + 2));

  Manager manager(net, Settings::loopback(port));
  Hosts seen(manager);
  manager.setEvents(&seen);
  manager.open(0, "");
  manager.setRemoteHost("255.255.255.255");  // mapped to 127.255.255.255
  manager.setRemotePort(161);
  manager.setTimeout(1500);
  request(manager, 1, "operAccessPointName");
  Millis start = clock.now();
  manager.send();
  EXPECT_GE(clock.now() - start, 1500);  // a broadcast collects until the timeout
  ASSERT_EQ(seen.events.size(), 3u);
  EXPECT_EQ(std::set<std::string>(seen.hosts.begin(), seen.hosts.end()),
            (std::set<std::string>{"127.0.0.2", "127.0.0.3", "127.0.0.4"}));
  for (std::size_t i = 0; i < seen.hosts.size(); ++i)
    EXPECT_EQ(seen.names[i], "AP " + seen.hosts[i].substr(8));
  for (const auto& agent : fleet) {
    ASSERT_EQ(agent->received.size(), 1u);
  }
}

TEST_F(ManagerUdp, NoAnswerOnRealUdpIsTheTimeoutEvent) {
  TestAgent agent(net, {kLoopback, 0});
  agent.silent = true;
  Manager manager(net, Settings::loopback(agent.endpoint().port));
  Hosts seen(manager);
  manager.setEvents(&seen);
  manager.open(0, "");
  manager.setRemoteHost("127.0.0.1");
  manager.setTimeout(300);
  request(manager, 1, "sysDescr");
  Millis start = clock.now();
  manager.send();
  EXPECT_GE(clock.now() - start, 300);
  EXPECT_EQ(seen.events, (std::vector<std::pair<int, int>>{{kEventError, kErrorTimeout}}));
  EXPECT_EQ(agent.received.size(), 1u);
}

TEST_F(ManagerUdp, TheDefaultBroadcastIsRefusedOnALoopbackOnlyNetwork) {
  // Settings as a program gets them without overrides: the limited broadcast. On the
  // loopback-only network the tests use, it never leaves the process.
  Settings defaults;
  Manager manager(net, defaults);
  manager.open(0, "");
  manager.setRemoteHost("255.255.255.255");
  request(manager, 1, "sysDescr");
  try {
    manager.send();
    FAIL();
  } catch (const Error& e) {
    EXPECT_EQ(e.source(), kManagerSource);
    EXPECT_NE(e.description().find("255.255.255.255:161"), std::string::npos) << e.description();
  }
}

}  // namespace
}  // namespace platform::snmp

// The manager over the in-memory network on virtual time.
#include "platform/snmp/manager.h"

#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <string>
#include <vector>

#include "platform/net/memory_network.h"
#include "platform/snmp/error.h"
#include "platform/snmp/mib.h"
#include "platform/snmp/tests/at76c510_variables.h"
#include "platform/snmp/tests/test_agent.h"

namespace platform::snmp {
namespace {

using testing::TestAgent;
using Bytes = std::vector<std::uint8_t>;

constexpr std::uint16_t kPort = 16100;

Ipv4 ip(const char* s) {
  return *parseIpv4(s);
}

struct Seen {
  int event;
  int code;
  Millis at;
  int state;
  std::string host;
  std::int32_t requestId;
  int errorStatus;
  std::vector<std::string> values;
};

class Recorder : public ManagerEvents {
 public:
  Recorder(Manager& manager, Clock& clock) : manager_(manager), clock_(clock) {}
  void managerEvent(int event, int code) override {
    Seen s{event,
           code,
           clock_.now(),
           manager_.state(),
           manager_.remoteHost(),
           manager_.message().requestId(),
           manager_.message().errorStatus(),
           {}};
    for (int i = 1; i <= manager_.message().variables().count(); ++i)
      s.values.push_back(manager_.message().variables().item(i).valueText());
    seen.push_back(s);
    if (during) during();
  }
  std::vector<Seen> seen;
  std::function<void()> during;

 private:
  Manager& manager_;
  Clock& clock_;
};

class CountingPump : public MessagePump {
 public:
  void processMessages() override {
    ++calls;
    if (during) during();
  }
  int calls = 0;
  std::function<void()> during;
};

class ManagerTest : public ::testing::Test {
 protected:
  ManagerTest() {
    mib.load(testing::at76c510MibPath());
    manager.setEvents(&recorder);
    manager.open(0, "");
  }

  // As the access layer builds its requests: names through the MIB, instance ".0".
  void request(MessageType type, std::int32_t id, const std::vector<std::string>& names,
               const std::string& community = "public") {
    Message& m = manager.message();
    m.clearVariables();
    m.setCommunity(community);
    m.setType(type);
    m.setRequestId(id);
    for (const auto& n : names) {
      Variable v;
      v.setIdentifier(mib.translate(n) + ".0");
      m.variables().add(v);
    }
  }
  ber::Oid oid(const std::string& name) { return *ber::parseOid(mib.translate(name) + ".0"); }

  void give(TestAgent& agent, const std::string& name, ber::Value v) {
    agent.values[oid(name)] = std::move(v);
  }
  static ber::Value text(const std::string& s) { return ber::Value::octets(Bytes(s.begin(), s.end())); }

  VirtualClock clock{10000};
  MemoryNetwork net{clock, 5};
  Mib mib;
  CountingPump pump;
  Manager manager{net, Settings::loopback(kPort), &pump};
  Recorder recorder{manager, clock};
};

TEST_F(ManagerTest, AnAnswerArrivesAsEventOneWhileSendRuns) {
  TestAgent agent(net, {ip("127.0.0.2"), kPort});
  give(agent, "sysDescr", text("11Mbps AP (Version 1.04e3)"));
  give(agent, "operChannelID", ber::Value::integer(11));
  manager.setRemoteHost("127.0.0.2");
  manager.setRemotePort(161);
  manager.setTimeout(1000);
  request(MessageType::GetRequest, 41, {"sysDescr", "operChannelID"});
  manager.send();

  ASSERT_EQ(recorder.seen.size(), 1u);
  const Seen& s = recorder.seen[0];
  EXPECT_EQ(s.event, kEventAnswer);
  EXPECT_EQ(s.at, 10010);  // request and answer each take the 5 ms latency
  EXPECT_EQ(s.state, 1);
  EXPECT_EQ(s.host, "127.0.0.2");
  EXPECT_EQ(s.requestId, 41);
  EXPECT_EQ(s.values, (std::vector<std::string>{"11Mbps AP (Version 1.04e3)", "11"}));
  EXPECT_EQ(clock.now(), 10010);  // send returned at the answer, not at the timeout
  EXPECT_EQ(manager.state(), 0);
  EXPECT_EQ(manager.message().type(), MessageType::GetResponse);
  EXPECT_EQ(manager.message().variables().item(2).type(), ValueType::Integer);

  ASSERT_EQ(agent.received.size(), 1u);
  EXPECT_EQ(agent.received[0].community, "public");
  EXPECT_EQ(agent.received[0].pdu.type, ber::PduType::GetRequest);
  EXPECT_EQ(agent.received[0].pdu.varbinds[0].name, (ber::Oid{1, 3, 6, 1, 2, 1, 1, 1, 0}));
  EXPECT_EQ(agent.received[0].pdu.varbinds[0].value, ber::Value::null());
}

TEST_F(ManagerTest, ABroadcastDeliversEveryAnswerUntilTheTimeout) {
  std::vector<std::unique_ptr<TestAgent>> fleet;
  for (const char* address : {"127.0.0.2", "127.0.0.3", "127.0.0.4"}) {
    fleet.push_back(std::make_unique<TestAgent>(net, Endpoint{ip(address), kPort}));
    give(*fleet.back(), "operAccessPointName", text(std::string("AP at ") + address));
  }
  fleet[1]->answersPerRequest = 2;  // a duplicate answer is delivered too
  manager.setRemoteHost("255.255.255.255");
  manager.setRemotePort(161);
  request(MessageType::GetRequest, 7, {"operAccessPointName"});
  manager.send();

  // The limited broadcast went to the configured loopback broadcast and port only.
  ASSERT_EQ(net.traffic().size(), 5u);
  EXPECT_EQ(net.traffic()[0].to, (Endpoint{ip("127.255.255.255"), kPort}));
  for (const auto& sent : net.traffic()) EXPECT_NE(sent.to.address, kLimitedBroadcast);

  ASSERT_EQ(recorder.seen.size(), 4u);
  std::set<std::string> hosts;
  for (const Seen& s : recorder.seen) {
    EXPECT_EQ(s.event, kEventAnswer);
    EXPECT_EQ(s.values, std::vector<std::string>{"AP at " + s.host});
    hosts.insert(s.host);
  }
  EXPECT_EQ(hosts, (std::set<std::string>{"127.0.0.2", "127.0.0.3", "127.0.0.4"}));
  EXPECT_EQ(clock.now(), 11000);  // a broadcast lasts the whole timeout
  EXPECT_EQ(manager.remoteHost(), recorder.seen.back().host);
}

TEST_F(ManagerTest, ABroadcastWithoutAnswersEndsWithTheTimeoutError) {
  manager.setRemoteHost("255.255.255.255");
  request(MessageType::GetRequest, 1, {"sysDescr"});
  manager.send();
  ASSERT_EQ(recorder.seen.size(), 1u);
  EXPECT_EQ(recorder.seen[0].event, kEventError);
  EXPECT_EQ(recorder.seen[0].code, kErrorTimeout);
  EXPECT_EQ(recorder.seen[0].at, 11000);
}

TEST_F(ManagerTest, NoAnswerIsEventThreeWith10060AfterExactlyTheTimeout) {
  TestAgent agent(net, {ip("127.0.0.2"), kPort});
  agent.silent = true;
  manager.setRemoteHost("127.0.0.2");
  Millis start = clock.now();
  for (int timeout : {1000, 2000, 3000, 4000, 1}) {
    recorder.seen.clear();
    manager.setTimeout(timeout);
    request(MessageType::GetRequest, timeout, {"sysDescr"});
    manager.send();
    ASSERT_EQ(recorder.seen.size(), 1u) << timeout;
    EXPECT_EQ(recorder.seen[0].event, kEventError);
    EXPECT_EQ(recorder.seen[0].code, kErrorTimeout);
    EXPECT_EQ(recorder.seen[0].state, 1);
    EXPECT_EQ(recorder.seen[0].at, start + timeout) << timeout;
    EXPECT_EQ(clock.now(), start + timeout);
    start = clock.now();
  }
  clock.advance(5);  // the last request, with its 1 ms timeout, was still on its way
  EXPECT_EQ(agent.received.size(), 5u);
}

TEST_F(ManagerTest, AnAnswerAfterTheTimeoutIsNeverDelivered) {
  TestAgent agent(net, {ip("127.0.0.2"), kPort});
  give(agent, "sysDescr", text("AP"));
  manager.setRemoteHost("127.0.0.2");
  net.setLatency(600);  // round trip 1200 ms
  request(MessageType::GetRequest, 1, {"sysDescr"});
  manager.send();
  ASSERT_EQ(recorder.seen.size(), 1u);
  EXPECT_EQ(recorder.seen[0].event, kEventError);

  clock.advance(500);  // the late answer has now arrived at the manager's socket
  net.setLatency(5);
  recorder.seen.clear();
  request(MessageType::GetRequest, 2, {"sysDescr"});
  manager.send();
  ASSERT_EQ(recorder.seen.size(), 1u);
  EXPECT_EQ(recorder.seen[0].event, kEventAnswer);
  EXPECT_EQ(recorder.seen[0].requestId, 2);
}

TEST_F(ManagerTest, ALateAnswerArrivingDuringTheNextSendIsDeliveredButDoesNotEndIt) {
  TestAgent agent(net, {ip("127.0.0.2"), kPort});
  give(agent, "sysDescr", text("AP"));
  manager.setRemoteHost("127.0.0.2");
  net.setLatency(60);  // round trip 120 ms
  manager.setTimeout(100);
  request(MessageType::GetRequest, 1, {"sysDescr"});
  manager.send();  // times out at 10100; the answer to 1 arrives at 10120
  recorder.seen.clear();
  manager.setTimeout(1000);
  request(MessageType::GetRequest, 2, {"sysDescr"});
  manager.send();
  ASSERT_EQ(recorder.seen.size(), 2u);
  EXPECT_EQ(recorder.seen[0].event, kEventAnswer);
  EXPECT_EQ(recorder.seen[0].requestId, 1);
  EXPECT_EQ(recorder.seen[0].at, 10120);
  EXPECT_EQ(recorder.seen[1].event, kEventAnswer);
  EXPECT_EQ(recorder.seen[1].requestId, 2);
  EXPECT_EQ(recorder.seen[1].at, 10220);
  EXPECT_EQ(clock.now(), 10220);
}

TEST_F(ManagerTest, DatagramsThatAreNotAnswersAreDropped) {
  TestAgent agent(net, {ip("127.0.0.2"), kPort});
  give(agent, "sysDescr", text("AP"));
  agent.extraBefore = [](const ber::Message& request) {
    std::vector<Bytes> extra;
    extra.push_back({0x30, 0x03, 0x02, 0x01});  // truncated
    extra.push_back({});                        // empty
    ber::Message notAnAnswer = request;         // a request, not a response
    extra.push_back(ber::encodeMessage(notAnAnswer));
    ber::Message v2 = request;
    v2.version = 1;
    v2.pdu.type = ber::PduType::GetResponse;
    extra.push_back(ber::encodeMessage(v2));
    return extra;
  };
  manager.setRemoteHost("127.0.0.2");
  request(MessageType::GetRequest, 5, {"sysDescr"});
  manager.send();
  ASSERT_EQ(recorder.seen.size(), 1u);
  EXPECT_EQ(recorder.seen[0].event, kEventAnswer);
  EXPECT_EQ(recorder.seen[0].values, std::vector<std::string>{"AP"});
}

TEST_F(ManagerTest, ASetRequestCarriesTypedValues) {
  TestAgent agent(net, {ip("127.0.0.2"), kPort}, "secret");
  manager.setRemoteHost("127.0.0.2");
  request(MessageType::SetRequest, 9, {}, "secret");
  struct {
    const char* name;
    ValueType type;
    std::string text;
    Bytes bytes;
  } sets[] = {
      {"operChannelID", ValueType::Integer, "6", {}},
      {"operESSID", ValueType::OctetString, "wireless", {}},
      {"operIPAddress", ValueType::IpAddress, "192.168.0.20", {}},
      {"defaultWEPKey1", ValueType::OctetString, "", {0x01, 0x23, 0x45, 0x67, 0x89}},
  };
  for (const auto& s : sets) {
    Variable v;
    v.setIdentifier(mib.translate(s.name) + ".0");
    v.setType(s.type);
    if (s.bytes.empty()) {
      v.setValueText(s.text);
    } else {
      v.setValueBytes(s.bytes);
    }
    manager.message().variables().add(v);
  }
  manager.send();
  ASSERT_EQ(agent.received.size(), 1u);
  const auto& vbs = agent.received[0].pdu.varbinds;
  ASSERT_EQ(vbs.size(), 4u);
  EXPECT_EQ(agent.received[0].pdu.type, ber::PduType::SetRequest);
  EXPECT_EQ(agent.received[0].community, "secret");
  EXPECT_EQ(vbs[0].value, ber::Value::integer(6));
  EXPECT_EQ(vbs[1].value, text("wireless"));
  EXPECT_EQ(vbs[2].value, ber::Value::ipAddress(0xC0A80014));
  EXPECT_EQ(vbs[3].value, ber::Value::octets({0x01, 0x23, 0x45, 0x67, 0x89}));
  ASSERT_EQ(recorder.seen.size(), 1u);
  EXPECT_EQ(recorder.seen[0].errorStatus, 0);
  EXPECT_EQ(manager.message().variables().item(4).valueBytes(), (Bytes{0x01, 0x23, 0x45, 0x67, 0x89}));
  EXPECT_EQ(manager.message().variables().item(3).valueText(), "192.168.0.20");
}

TEST_F(ManagerTest, AWrongCommunityAnswerIsDeliveredWithItsErrorStatus) {
  TestAgent agent(net, {ip("127.0.0.2"), kPort}, "right");
  manager.setRemoteHost("127.0.0.2");
  request(MessageType::GetRequest, 3, {"sysDescr"}, "wrong");
  manager.send();
  ASSERT_EQ(recorder.seen.size(), 1u);
  EXPECT_EQ(recorder.seen[0].event, kEventAnswer);
  EXPECT_EQ(recorder.seen[0].errorStatus, 16);
}

TEST_F(ManagerTest, TheCallerPumpsMessagesAndCannotSendAgainMeanwhile) {
  TestAgent agent(net, {ip("127.0.0.2"), kPort});
  agent.silent = true;
  manager.setRemoteHost("127.0.0.2");
  manager.setTimeout(1000);
  std::vector<std::string> refusals;
  std::vector<int> states;
  pump.during = [&] {
    states.push_back(manager.state());
    if (refusals.empty()) {
      try {
        manager.send();
      } catch (const Error& e) {
        refusals.push_back(e.source() + e.description());
      }
    }
  };
  request(MessageType::GetRequest, 1, {"sysDescr"});
  manager.send();
  // Slices of 10 ms over the 1000 ms wait.
  EXPECT_GE(pump.calls, 99);
  EXPECT_LE(pump.calls, 101);
  ASSERT_EQ(refusals.size(), 1u);
  EXPECT_EQ(refusals[0], "SnmpManager: A send is already running");
  EXPECT_EQ(std::set<int>(states.begin(), states.end()), std::set<int>{1});
  EXPECT_EQ(agent.received.size(), 1u);
  EXPECT_EQ(manager.state(), 0);
}

TEST_F(ManagerTest, AnExceptionFromTheEventSinkPassesThroughAndLeavesTheManagerIdle) {
  TestAgent agent(net, {ip("127.0.0.2"), kPort});
  give(agent, "sysDescr", text("AP"));
  manager.setRemoteHost("127.0.0.2");
  recorder.during = [] { throw Error("Handler: ", "failed"); };
  request(MessageType::GetRequest, 1, {"sysDescr"});
  EXPECT_THROW(manager.send(), Error);
  EXPECT_EQ(manager.state(), 0);
  recorder.during = nullptr;
  request(MessageType::GetRequest, 2, {"sysDescr"});
  EXPECT_NO_THROW(manager.send());
}

TEST_F(ManagerTest, PortsAndAddressesOtherThanTheStandardOnesAreUsedAsGiven) {
  TestAgent standard(net, {ip("127.0.0.2"), kPort});
  TestAgent other(net, {ip("127.0.0.2"), 16200});
  give(standard, "sysDescr", text("standard"));
  give(other, "sysDescr", text("other"));
  manager.setRemoteHost("127.0.0.2");
  manager.setRemotePort(16200);
  request(MessageType::GetRequest, 1, {"sysDescr"});
  manager.send();
  manager.setRemotePort(161);
  manager.setRemoteHost("127.0.0.2");
  request(MessageType::GetRequest, 2, {"sysDescr"});
  manager.send();
  ASSERT_EQ(recorder.seen.size(), 2u);
  EXPECT_EQ(recorder.seen[0].values, std::vector<std::string>{"other"});
  EXPECT_EQ(recorder.seen[1].values, std::vector<std::string>{"standard"});
  EXPECT_EQ(manager.remotePort(), 161);
}

TEST_F(ManagerTest, TheConfiguredBroadcastAddressItselfIsABroadcast) {
  TestAgent a(net, {ip("127.0.0.2"), kPort});
  TestAgent b(net, {ip("127.0.0.3"), kPort});
  give(a, "sysDescr", text("a"));
  give(b, "sysDescr", text("b"));
  manager.setRemoteHost("127.255.255.255");
  request(MessageType::GetRequest, 1, {"sysDescr"});
  manager.send();
  EXPECT_EQ(recorder.seen.size(), 2u);
}

struct Misuse {
  const char* name;
  std::function<void(Manager&)> act;
  const char* description;
};

TEST(ManagerErrors, EveryMisuseRaisesAnErrorWithSourceAndDescription) {
  VirtualClock clock;
  MemoryNetwork net(clock);
  const Misuse cases[] = {
      {"send before open", [](Manager& m) { m.send(); }, "Not open"},
      {"open twice",
       [](Manager& m) {
         m.open(0, "");
         m.open(0, "");
       },
       "Already open"},
      {"bad local address", [](Manager& m) { m.open(0, "localhost"); },
       "Invalid local address \"localhost\""},
      {"bad local port", [](Manager& m) { m.open(70000, ""); }, "Invalid local port 70000"},
      {"no remote host",
       [](Manager& m) {
         m.open(0, "");
         m.send();
       },
       "Invalid remote host \"\""},
      {"named remote host",
       [](Manager& m) {
         m.open(0, "");
         m.setRemoteHost("ap.local");
         m.send();
       },
       "Invalid remote host \"ap.local\""},
      {"zero timeout", [](Manager& m) { m.setTimeout(0); }, "Invalid timeout 0"},
      {"negative timeout", [](Manager& m) { m.setTimeout(-5); }, "Invalid timeout -5"},
      {"zero port", [](Manager& m) { m.setRemotePort(0); }, "Invalid remote port 0"},
      {"large port", [](Manager& m) { m.setRemotePort(65536); }, "Invalid remote port 65536"},
  };
  for (const auto& c : cases) {
    Manager manager(net, Settings::loopback(kPort));
    try {
      c.act(manager);
      ADD_FAILURE() << c.name;
    } catch (const Error& e) {
      EXPECT_EQ(e.source(), kManagerSource) << c.name;
      EXPECT_EQ(e.description(), c.description) << c.name;
    }
    EXPECT_EQ(manager.state(), 0);
  }
  Settings bad = Settings::loopback(kPort);
  bad.broadcastAddress = "127.255.255";
  EXPECT_THROW(Manager(net, bad), Error);
}

TEST(ManagerErrors, AFailedSendIsAnError) {
  VirtualClock clock;
  MemoryNetwork net(clock);
  Manager manager(net, Settings::loopback(kPort));
  manager.open(0, "");
  manager.setRemoteHost("127.0.0.1");
  manager.setRemotePort(161);
  Variable big;
  big.setIdentifier("1.3.6.1.4.1.410.1.2.1.3.0");
  big.setType(ValueType::OctetString);
  big.setValueText(std::string(70000, 'x'));
  manager.message().setType(MessageType::SetRequest);
  manager.message().variables().add(big);
  try {
    manager.send();
    FAIL();
  } catch (const Error& e) {
    EXPECT_EQ(e.source(), kManagerSource);
    EXPECT_NE(e.description().find("Cannot encode"), std::string::npos) << e.description();
  }
  EXPECT_EQ(manager.state(), 0);
}

TEST(SettingsTest, EnvironmentOverridesTheDefaults) {
  struct {
    const char* port;
    const char* broadcast;
    std::uint16_t wantPort;
    const char* wantBroadcast;
  } cases[] = {
      {nullptr, nullptr, 161, "255.255.255.255"},   {"16161", "127.255.255.255", 16161, "127.255.255.255"},
      {"0", "127.255.255", 161, "255.255.255.255"}, {"65536", "", 161, "255.255.255.255"},
      {"12x", "10.0.0.255", 161, "10.0.0.255"},
  };
  for (const auto& c : cases) {
    if (c.port)
      setenv("APKIT_SNMP_PORT", c.port, 1);
    else
      unsetenv("APKIT_SNMP_PORT");
    if (c.broadcast)
      setenv("APKIT_SNMP_BROADCAST", c.broadcast, 1);
    else
      unsetenv("APKIT_SNMP_BROADCAST");
    Settings s = Settings::fromEnvironment();
    EXPECT_EQ(s.agentPort, c.wantPort) << (c.port ? c.port : "(unset)");
    EXPECT_EQ(s.broadcastAddress, c.wantBroadcast);
  }
  unsetenv("APKIT_SNMP_PORT");
  unsetenv("APKIT_SNMP_BROADCAST");
}

}  // namespace
}  // namespace platform::snmp

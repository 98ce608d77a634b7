// Our control and codec against net-snmp: the control reads from a real snmpd, and
// snmpget/snmpset talk to an agent made of our codec. Loopback only.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "platform/net/host_network.h"
#include "platform/snmp/error.h"
#include "platform/snmp/manager.h"
#include "platform/snmp/mib.h"
#include "platform/snmp/tests/at76c510_variables.h"
#include "platform/snmp/tests/peer_process.h"
#include "platform/snmp/tests/test_agent.h"

namespace platform::snmp {
namespace {

using testing::Process;
using testing::runTool;
using testing::TempDir;
using testing::TestAgent;
using Bytes = std::vector<std::uint8_t>;

std::uint16_t freeLoopbackPort(HostNetwork& net) {
  auto probe = net.openUdp({kLoopback, 0});
  return probe->localEndpoint().port;
}

class Answers : public ManagerEvents {
 public:
  explicit Answers(Manager& m) : manager_(m) {}
  void managerEvent(int event, int code) override {
    events.push_back({event, code});
    if (event == kEventAnswer) {
      errorStatus = manager_.message().errorStatus();
      errorIndex = manager_.message().errorIndex();
      values.clear();
      for (int i = 1; i <= manager_.message().variables().count(); ++i)
        values.push_back(manager_.message().variables().item(i).valueText());
    }
  }
  std::vector<std::pair<int, int>> events;
  int errorStatus = -1;
  int errorIndex = -1;
  std::vector<std::string> values;

 private:
  Manager& manager_;
};

class SnmpdPeer : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!testing::toolAvailable("snmpd")) GTEST_SKIP() << "snmpd not installed";
    port = freeLoopbackPort(net);
    std::ofstream conf(dir.path() + "/snmpd.conf");
    conf << "rocommunity public 127.0.0.1\n"
         << "sysDescr 11Mbps Wireless Access Point (Version 1.04e3)\n"
         << "sysLocation loopback\n";
    conf.close();
    std::vector<std::string> env = testing::netSnmpEnvironment(dir.path());
    snmpd =
        std::make_unique<Process>(std::vector<std::string>{testing::toolPath("snmpd"), "-f", "-Lo", "-C",
                                                           "-c", dir.path() + "/snmpd.conf", "-I", "-smux",
                                                           "udp:127.0.0.1:" + std::to_string(port)},
                                  env);
    ASSERT_TRUE(snmpd->started());
    mib.load(testing::at76c510MibPath());
    managerObject = std::make_unique<Manager>(net, Settings::loopback(port));
    answers = std::make_unique<Answers>(*managerObject);
    manager().setEvents(answers.get());
    manager().open(0, "");
    manager().setRemoteHost("127.0.0.1");
    manager().setRemotePort(161);
    manager().setTimeout(200);
    // snmpd needs a moment to listen: ask until it answers, at most 50 times.
    for (int attempt = 0; attempt < 50 && answers->values.empty(); ++attempt) {
      getSysDescr();
      if (!snmpd->poll(0)) break;
    }
    ASSERT_FALSE(answers->values.empty()) << "snmpd did not answer:\n" << snmpd->output();
    answers->events.clear();
  }
  void TearDown() override {
    if (snmpd) snmpd->stop();
  }

  Manager& manager() { return *managerObject; }

  void getSysDescr(const std::string& community = "public") {
    Message& m = manager().message();
    m.clearVariables();
    m.setCommunity(community);
    m.setType(MessageType::GetRequest);
    m.setRequestId(++requestId);
    Variable v;
    v.setIdentifier(mib.translate("sysDescr") + ".0");
    m.variables().add(v);
    manager().send();
  }

  TempDir dir;
  RealClock clock;
  HostNetwork net{clock, HostNetwork::Policy::LoopbackOnly};
  std::uint16_t port = 0;
  std::unique_ptr<Process> snmpd;
  Mib mib;
  std::unique_ptr<Manager> managerObject;
  std::unique_ptr<Answers> answers;
  std::int32_t requestId = 100;
};

TEST_F(SnmpdPeer, OurControlReadsSysDescr) {
  answers->values.clear();
  getSysDescr();
  ASSERT_EQ(answers->events.size(), 1u) << snmpd->output();
  EXPECT_EQ(answers->events[0], (std::pair<int, int>{kEventAnswer, 0}));
  EXPECT_EQ(answers->errorStatus, 0);
  EXPECT_EQ(answers->values, std::vector<std::string>{"11Mbps Wireless Access Point (Version 1.04e3)"});
  EXPECT_EQ(manager().remoteHost(), "127.0.0.1");
  EXPECT_EQ(manager().message().requestId(), requestId);
}

TEST_F(SnmpdPeer, ErrorsOfTheAgentArriveAsErrorStatus) {
  // A missing object: SNMPv1 noSuchName (2) for variable 2.
  Message& m = manager().message();
  m.clearVariables();
  m.setCommunity("public");
  m.setType(MessageType::GetRequest);
  m.setRequestId(++requestId);
  for (const char* id : {"1.3.6.1.2.1.1.1.0", "1.3.6.1.4.1.410.1.2.1.1.0"}) {
    Variable v;
    v.setIdentifier(id);
    m.variables().add(v);
  }
  manager().send();
  ASSERT_EQ(answers->events.size(), 1u);
  EXPECT_EQ(answers->errorStatus, 2);
  EXPECT_EQ(answers->errorIndex, 2);

  // Writing to a read-only community is refused with a non-zero status.
  answers->events.clear();
  m.clearVariables();
  m.setType(MessageType::SetRequest);
  m.setRequestId(++requestId);
  Variable loc;
  loc.setIdentifier("1.3.6.1.2.1.1.6.0");
  loc.setType(ValueType::OctetString);
  loc.setValueText("elsewhere");
  m.variables().add(loc);
  manager().send();
  ASSERT_EQ(answers->events.size(), 1u);
  EXPECT_NE(answers->errorStatus, 0);
}

TEST_F(SnmpdPeer, AnUnknownCommunityGetsNoAnswerAndTimesOut) {
  getSysDescr("not-the-community");
  ASSERT_EQ(answers->events.size(), 1u);
  EXPECT_EQ(answers->events[0], (std::pair<int, int>{kEventError, kErrorTimeout}));
}

class NetSnmpClients : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!testing::toolAvailable("snmpget") || !testing::toolAvailable("snmpset"))
      GTEST_SKIP() << "net-snmp tools missing";
    mib.load(testing::at76c510MibPath());
    auto oid = [&](const char* name) { return *ber::parseOid(mib.translate(name) + ".0"); };
    agent.values[oid("sysDescr")] = ber::Value::octets(text("AP (Version 1.04e3)"));
    agent.values[oid("operChannelID")] = ber::Value::integer(11);
    agent.values[oid("operRTSThreshold")] = ber::Value::integer(-1);
    agent.values[oid("operIPAddress")] = ber::Value::ipAddress(0xC0A80002);
    agent.values[oid("operEthernetAddress")] = ber::Value::octets({0x00, 0x04, 0x25, 0x1C, 0xA0, 0x02});
    agent.values[oid("AssociatedSTAsNum")] = ber::Value::unsignedValue(ber::Tag::Gauge, 3);
    agent.values[{1, 3, 6, 1, 2, 1, 1, 3, 0}] = ber::Value::unsignedValue(ber::Tag::TimeTicks, 123456);
    agent.values[{1, 3, 6, 1, 2, 1, 2, 2, 1, 10, 1}] =
        ber::Value::unsignedValue(ber::Tag::Counter, 4294967295u);
    agent.values[{1, 3, 6, 1, 2, 1, 1, 2, 0}] = ber::Value::objectId({1, 3, 6, 1, 4, 1, 410});
  }
  static Bytes text(const std::string& s) { return Bytes(s.begin(), s.end()); }
  std::string target() const { return "127.0.0.1:" + std::to_string(agent.endpoint().port); }
  std::string id(const char* name) const { return "." + mib.translate(name) + ".0"; }

  testing::ProcessResult run(std::vector<std::string> argv) {
    // The agent answers from the socket handler while we wait for the tool.
    return runTool(argv, testing::netSnmpEnvironment(dir.path()), 20000, [this] { net.serve(10); });
  }

  TempDir dir;
  RealClock clock;
  HostNetwork net{clock, HostNetwork::Policy::LoopbackOnly};
  TestAgent agent{net, {kLoopback, 0}, "public"};
  Mib mib;
};

TEST_F(NetSnmpClients, SnmpgetReadsEveryValueTypeFromOurEncoder) {
  auto result = run({testing::toolPath("snmpget"), "-v1", "-c", "public", "-r", "0", "-t", "10", "-On",
                     target(), id("sysDescr"), id("operChannelID"), id("operRTSThreshold"),
                     id("operIPAddress"), id("operEthernetAddress"), id("AssociatedSTAsNum"),
                     ".1.3.6.1.2.1.1.3.0", ".1.3.6.1.2.1.2.2.1.10.1", ".1.3.6.1.2.1.1.2.0"});
  ASSERT_EQ(result.exitCode, 0) << result.output;
  std::string expected = id("sysDescr") + " = STRING: \"AP (Version 1.04e3)\"\n" + id("operChannelID") +
                         " = INTEGER: 11\n" + id("operRTSThreshold") + " = INTEGER: -1\n" +
                         id("operIPAddress") + " = IpAddress: 192.168.0.2\n" + id("operEthernetAddress") +
                         " = Hex-STRING: 00 04 25 1C A0 02 \n" + id("AssociatedSTAsNum") + " = Gauge32: 3\n" +
                         ".1.3.6.1.2.1.1.3.0 = Timeticks: (123456) 0:20:34.56\n"
                         ".1.3.6.1.2.1.2.2.1.10.1 = Counter32: 4294967295\n"
                         ".1.3.6.1.2.1.1.2.0 = OID: .1.3.6.1.4.1.410\n";
  EXPECT_EQ(result.output, expected);
  ASSERT_EQ(agent.received.size(), 1u);
  EXPECT_EQ(agent.received[0].pdu.type, ber::PduType::GetRequest);
  EXPECT_EQ(agent.received[0].pdu.varbinds.size(), 9u);
}

TEST_F(NetSnmpClients, SnmpsetValuesReachOurDecoderIntact) {
  auto result = run({testing::toolPath("snmpset"),
                     "-v1",
                     "-c",
                     "public",
                     "-r",
                     "0",
                     "-t",
                     "10",
                     "-On",
                     target(),
                     id("operChannelID"),
                     "i",
                     "6",
                     id("operESSID"),
                     "s",
                     "wireless net",
                     id("operGateway"),
                     "a",
                     "10.0.0.254",
                     id("defaultWEPKey1"),
                     "x",
                     "0123456789",
                     id("operRTSThreshold"),
                     "i",
                     "-2147483648"});
  ASSERT_EQ(result.exitCode, 0) << result.output;
  ASSERT_EQ(agent.received.size(), 1u);
  const auto& m = agent.received[0];
  EXPECT_EQ(m.version, 0);
  EXPECT_EQ(m.community, "public");
  EXPECT_EQ(m.pdu.type, ber::PduType::SetRequest);
  ASSERT_EQ(m.pdu.varbinds.size(), 5u);
  EXPECT_EQ(m.pdu.varbinds[0].value, ber::Value::integer(6));
  EXPECT_EQ(m.pdu.varbinds[1].value, ber::Value::octets(text("wireless net")));
  EXPECT_EQ(m.pdu.varbinds[2].value, ber::Value::ipAddress(0x0A0000FE));
  EXPECT_EQ(m.pdu.varbinds[3].value, ber::Value::octets({0x01, 0x23, 0x45, 0x67, 0x89}));
  EXPECT_EQ(m.pdu.varbinds[4].value, ber::Value::integer(-2147483647 - 1));
  EXPECT_NE(result.output.find("STRING: \"wireless net\""), std::string::npos) << result.output;
}

TEST_F(NetSnmpClients, SnmpgetSeesOurErrorStatus) {
  // The agent answers a wrong community with status 16, as the access points do.
  auto result = run({testing::toolPath("snmpget"), "-v1", "-c", "wrong", "-r", "0", "-t", "10", "-On",
                     target(), id("sysDescr")});
  EXPECT_NE(result.exitCode, 0);
  EXPECT_NE(result.output.find("authorizationError"), std::string::npos) << result.output;
}

}  // namespace
}  // namespace platform::snmp

// net-snmp's own command-line tools against the apsim program.
#include <gtest/gtest.h>

#include "tools/apsim/tests/apsim_process.h"
#include "tools/apsim/tests/fleet_fixture.h"

namespace apsim::testing {
namespace {

class NetSnmpPeer : public ::testing::Test {
 protected:
  void SetUp() override {
    if (runCapture("command -v snmpget").empty()) GTEST_SKIP() << "net-snmp tools are not installed";
    apsim_ = std::make_unique<ApsimProcess>(std::vector<std::string>{
        "--first", "127.0.0.9", "--port", std::to_string(port_), "--duration", "60", "--restart-ms", "500", "--mib",
        KIT_SOURCE_DIR "/snmp/AT76C510.mib"});
    ASSERT_TRUE(apsim_->ready()) << apsim_->output();
  }
  std::string oid(const std::string& name) { return kitMib().translate(name) + ".0"; }
  std::string tool(const std::string& command, const std::string& community, const std::string& rest) {
    return runCapture(command + " -v1 -r0 -t2 -On -c " + community + " 127.0.0.9:" + std::to_string(port_) + " " + rest);
  }

  std::uint16_t port_ = testPort(2);
  std::unique_ptr<ApsimProcess> apsim_;
};

TEST_F(NetSnmpPeer, SnmpgetReadsTheSimulatedVariables) {
  std::string out = tool("snmpget", "public", oid("sysDescr") + " " + oid("operChannelID") + " " + oid("operIPAddress"));
  EXPECT_NE(out.find("STRING: \"AT76C510 Wireless Access Point (Version 1.4k.2)\""), std::string::npos) << out;
  EXPECT_NE(out.find(oid("operChannelID") + " = INTEGER: 1"), std::string::npos) << out;
  EXPECT_NE(out.find("IpAddress: 192.168.2.10"), std::string::npos) << out;
}

TEST_F(NetSnmpPeer, SnmpsetWritesAndTheValueReadsBack) {
  std::string out = tool("snmpset", "public", oid("operAccessPointName") + " s Lab-AP " + oid("operChannelID") + " i 11");
  EXPECT_NE(out.find("STRING: \"Lab-AP\""), std::string::npos) << out;
  out = tool("snmpget", "public", oid("operAccessPointName") + " " + oid("operChannelID"));
  EXPECT_NE(out.find("STRING: \"Lab-AP\""), std::string::npos) << out;
  EXPECT_NE(out.find("INTEGER: 11"), std::string::npos) << out;
}

TEST_F(NetSnmpPeer, WrongCommunityGetsErrorStatus16) {
  for (const char* command : {"snmpget", "snmpset"}) {
    std::string rest = oid("operChannelID") + (std::string(command) == "snmpset" ? " i 3" : "");
    std::string out = tool(command, "wrong", rest);
    EXPECT_NE(out.find("authorizationError"), std::string::npos) << command << ": " << out;
  }
}

TEST_F(NetSnmpPeer, RestartMakesTheAccessPointSilentForAWhile) {
  std::string out = tool("snmpset", "public", oid("sysReset") + " i 1");
  EXPECT_NE(out.find("INTEGER: 1"), std::string::npos) << out;
  out = runCapture("snmpget -v1 -r0 -t0.2 -On -c public 127.0.0.9:" + std::to_string(port_) + " " + oid("operChannelID"));
  EXPECT_NE(out.find("Timeout"), std::string::npos) << out;
  ::usleep(600 * 1000);
  out = tool("snmpget", "public", oid("operChannelID"));
  EXPECT_NE(out.find("INTEGER:"), std::string::npos) << out;
}

}  // namespace
}  // namespace apsim::testing

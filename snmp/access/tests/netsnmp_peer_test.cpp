// CAccessPoint against a real SNMP agent: net-snmp's snmpd on a loopback port, serving the
// access point's variables through "override" lines, checked afterwards with snmpget.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/clock/clock.h"
#include "platform/net/host_network.h"
#include "platform/snmp/mib.h"
#include "snmp/access/access_point.h"
#include "snmp/access/tests/harness.h"

namespace manager::test {
namespace {

std::string capture(const std::string& command) {
  std::string out;
  if (std::FILE* p = ::popen((command + " 2>&1").c_str(), "r")) {
    char buf[4096];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
    ::pclose(p);
  }
  return out;
}

class NetSnmpAgent : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!std::filesystem::exists("/usr/sbin/snmpd")) GTEST_SKIP() << "snmpd is not installed";
    mib.load(mibPath());
    port = static_cast<std::uint16_t>(21000 + (::getpid() * 13) % 20000);
    char templ[] = "/tmp/kit-snmpd-XXXXXX";
    ASSERT_TRUE(::mkdtemp(templ));
    dir = templ;
    {
      std::ofstream conf(dir + "/snmpd.conf");
      conf << "rwcommunity secret 127.0.0.1\n";
      auto line = [&](const std::string& name, const std::string& type, const std::string& value) {
        conf << "override -rw " << oid(name) << ' ' << type << ' ' << value << '\n';
      };
      line("sysDescr", "octet_str", "\"Net-SNMP agent (Version 5.9.3)\"");
      line("operChannelID", "integer", "6");
      line("operPreambleType", "integer", "1");
      line("defaultWEPKey1", "octet_str", "0x0102030405");
      line("defaultWEPKey2", "octet_str", "0x1112131415");
      line("defaultWEPKey3", "octet_str", "0x2122232425");
      line("defaultWEPKey4", "octet_str", "0x3132333435");
      line("privacyDefaultWEPKeyID", "integer", "2");
      line("privacyWEPEnable", "integer", "1");
      line("bridgeOperationalMode", "integer", "2");
      line("bridgeRemoteBridgeBSSID", "octet_str", "0x000000000000");
      line("AuthorizationMacEnable", "integer", "2");
      line("sysUpload", "integer", "0");
      line("AuthorizedAdminPass", "octet_str", "\"secret\"");
      line("AuthorizedManufactPass", "octet_str", "\"secret\"");
    }
    pid = ::fork();
    if (pid == 0) {
      ::setenv("SNMP_PERSISTENT_DIR", dir.c_str(), 1);
      const std::string conf = dir + "/snmpd.conf", log = dir + "/log", listen = "udp:127.0.0.1:" + std::to_string(port);
      ::execl("/usr/sbin/snmpd", "snmpd", "-f", "-Lf", log.c_str(), "-C", "-c", conf.c_str(), listen.c_str(),
              static_cast<char*>(nullptr));
      ::_exit(127);
    }
    // Wait, at most five seconds, until the agent answers.
    for (int i = 0; i < 25 && !ready(); ++i) ::usleep(200000);
    ASSERT_TRUE(ready()) << capture("cat " + dir + "/log");

    AccessPointOptions options;
    options.settings.agentPort = port;
    options.settings.broadcastAddress = "127.255.255.255";
    options.mibPath = mibPath();
    ap = std::make_unique<CAccessPoint>(AccessPointServices{network, boxes, nullptr, nullptr}, options);
  }
  void TearDown() override {
    ap.reset();
    if (pid > 0) {
      ::kill(pid, SIGTERM);
      int status = 0;
      ::waitpid(pid, &status, 0);
    }
    if (!dir.empty()) std::filesystem::remove_all(dir);
  }

  std::string oid(const std::string& name) const { return "." + mib.translate(name) + ".0"; }
  std::string get(const std::string& name) {
    return capture("snmpget -v1 -c secret -t 1 -r 1 -On 127.0.0.1:" + std::to_string(port) + " " + oid(name));
  }
  bool ready() {
    if (pid <= 0) return false;
    return get("operChannelID").find("INTEGER: 6") != std::string::npos;
  }

  platform::snmp::Mib mib;
  std::uint16_t port = 0;
  std::string dir;
  pid_t pid = -1;
  platform::RealClock clock;
  platform::HostNetwork network{clock, platform::HostNetwork::Policy::LoopbackOnly};
  RecordingBoxes boxes;
  std::unique_ptr<CAccessPoint> ap;
};

TEST_F(NetSnmpAgent, ConnectReadAndWriteGroups) {
  ASSERT_TRUE(ap->Connect("127.0.0.1", "secret"));
  EXPECT_EQ(ap->systemDescription(), "Net-SNMP agent (Version 5.9.3)");
  EXPECT_EQ(ap->accessPointAddress(), "127.0.0.1");

  ASSERT_TRUE(ap->VerifyWriteAccess());
  EXPECT_NE(get("operPreambleType").find("INTEGER: 2"), std::string::npos) << get("operPreambleType");

  ApPrivacySettings p;
  ASSERT_TRUE(ap->GetPrivacySettings(p));
  EXPECT_EQ(p.keys, (std::array<std::string, 4>{"0102030405", "1112131415", "2122232425", "3132333435"}));
  EXPECT_EQ(p.defaultKeyId, 2);
  EXPECT_EQ(p.wepMode, 1);

  p.keys[0] = "A0A1A2A3A4A5A6A7A8A9AAABAC";
  p.wepMode = 3;
  ASSERT_TRUE(ap->SetPrivacySettings(p));
  EXPECT_NE(get("defaultWEPKey1").find("A0 A1 A2 A3 A4 A5 A6 A7 A8 A9 AA AB AC"), std::string::npos)
      << get("defaultWEPKey1");
  EXPECT_NE(get("privacyWEPEnable").find("INTEGER: 3"), std::string::npos);

  ap->BridgeMode = 4;
  ap->RemoteBridgeBssid = "000a1b2c3d4e";
  ASSERT_TRUE(ap->SetBridgeSettings());
  ap->BridgeMode = 0;
  ASSERT_TRUE(ap->GetBridgeSettings());
  EXPECT_EQ(ap->BridgeMode, 4);
  EXPECT_EQ(ap->RemoteBridgeBssid, "00:0A:1B:2C:3D:4E");

  ap->MacFilterState = 1;
  EXPECT_TRUE(ap->SetMacFilterState());
  EXPECT_NE(get("AuthorizationMacEnable").find("INTEGER: 1"), std::string::npos);
  EXPECT_TRUE(boxes.boxes.empty()) << boxes.boxes.front().text;

  ASSERT_TRUE(ap->SetPassword("n3w"));
  EXPECT_EQ(ap->password(), "n3w");
  EXPECT_NE(get("AuthorizedAdminPass").find("STRING: \"n3w\""), std::string::npos) << get("AuthorizedAdminPass");
  EXPECT_NE(get("AuthorizedManufactPass").find("STRING: \"n3w\""), std::string::npos);
}

TEST_F(NetSnmpAgent, RestartIsConfirmedAndWaitsThreeCalendarSeconds) {
  ASSERT_TRUE(ap->Connect("127.0.0.1", "secret"));
  const std::int64_t before = clock.wallSeconds();
  ASSERT_TRUE(ap->RestartAccessPoint());
  EXPECT_GE(clock.wallSeconds() - before, 3);
  EXPECT_NE(get("sysUpload").find("INTEGER: 1"), std::string::npos);
}

TEST_F(NetSnmpAgent, UnknownVariableIsAnErrorAnswer) {
  ASSERT_TRUE(ap->Connect("127.0.0.1", "secret"));
  // The agent serves no configuration variables: the first get is answered with noSuchName.
  ApConfiguration c;
  EXPECT_FALSE(ap->GetConfiguration(c));
  EXPECT_EQ(ap->errorCode(), CAccessPoint::kBadAnswer);
  EXPECT_EQ(c, ApConfiguration{});
}

}  // namespace
}  // namespace manager::test

// apctl's commands run in-process against a fleet of simulated access points on the in-memory
// network and virtual time.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>

#include "platform/clock/clock.h"
#include "platform/net/memory_network.h"
#include "platform/snmp/mib.h"
#include "platform/snmp/settings.h"
#include "snmp/dialogs/wep_keys.h"
#include "snmp/access/encodings.h"
#include "tools/apctl/apctl.h"
#include "tools/apctl/printing_messages.h"
#include "tools/apsim/agent.h"

namespace apctl {
namespace {

constexpr std::uint16_t kPort = 16262;

std::string mibPath() { return std::string(KIT_SOURCE_DIR) + "/snmp/AT76C510.mib"; }

struct Result {
  int code;
  std::string out;
  std::string err;
};

class Rig {
 public:
  explicit Rig(int count) {
    mib.load(mibPath());
    variables = std::make_unique<apsim::VariableTable>(mib);
    apsim::FleetOptions options;
    options.port = kPort;
    options.sharedBroadcastSocket = false;
    options.restartMillis = 2000;
    fleet = std::make_unique<apsim::Fleet>(network, *variables, options);
    for (int i = 0; i < count; ++i) fleet->add(0x7F000002u + std::uint32_t(i), apsim::fleetMemberSettings(std::size_t(i)));
  }

  // One apctl run, with a fresh access-point object as a new process would have.
  Result run(const std::vector<std::string>& args) {
    std::ostringstream out, err;
    PrintingMessages boxes(err, "apctl");
    manager::AccessPointOptions options;
    options.settings = platform::snmp::Settings::loopback(kPort);
    options.mibPath = mibPath();
    options.applicationTitle = "apctl";
    int code;
    try {
      const Invocation inv = ParseCommandLine(args);
      manager::CAccessPoint ap(manager::AccessPointServices{network, boxes, nullptr, nullptr}, options);
      code = RunCommand(inv, ap, clock, out, err);
    } catch (const UsageError& e) {
      err << e.what();
      code = kExitUsage;
    }
    return {code, out.str(), err.str()};
  }
  Result on(int i, std::vector<std::string> args, const std::string& password = "public") {
    std::vector<std::string> full = {"-a", "127.0.0." + std::to_string(2 + i), "-p", password};
    full.insert(full.end(), args.begin(), args.end());
    return run(full);
  }
  apsim::ApSettings& settings(int i) { return fleet->accessPoint(std::size_t(i)).settings(); }
  std::uint64_t requests() const {
    std::uint64_t n = 0;
    for (std::size_t i = 0; i < fleet->size(); ++i) n += fleet->requestsReceived(i);
    return n;
  }

  platform::VirtualClock clock;
  platform::MemoryNetwork network{clock};
  platform::snmp::Mib mib;
  std::unique_ptr<apsim::VariableTable> variables;
  std::unique_ptr<apsim::Fleet> fleet;
};

std::vector<std::uint8_t> bytesOf(const std::string& hex) { return manager::BytesFromHexText(hex); }

TEST(ApctlCommands, DiscoverListsEveryAccessPointOnce) {
  Rig rig(5);
  const Result r = rig.run({"discover"});
  ASSERT_EQ(r.code, kExitOk) << r.err;
  std::istringstream lines(r.out);
  std::string line;
  std::getline(lines, line);
  EXPECT_EQ(line.rfind("Name", 0), 0u);
  std::vector<std::string> rows;
  while (std::getline(lines, line)) rows.push_back(line);
  ASSERT_EQ(rows.size(), 5u) << r.out;
  for (int i = 0; i < 5; ++i) {
    EXPECT_NE(rows[i].find("AP-0" + std::to_string(i + 1)), std::string::npos) << rows[i];
    EXPECT_NE(rows[i].find("127.0.0." + std::to_string(i + 2)), std::string::npos) << rows[i];
    EXPECT_NE(rows[i].find("00:04:25:10:00:0" + std::to_string(i + 1)), std::string::npos) << rows[i];
  }
  for (int i = 0; i < 5; ++i) EXPECT_EQ(rig.fleet->requestsReceived(std::size_t(i)), 4u) << "four rounds";
}

TEST(ApctlCommands, StatusAndShow) {
  Rig rig(2);
  const Result s = rig.on(1, {"status"});
  ASSERT_EQ(s.code, kExitOk) << s.err;
  EXPECT_EQ(s.out,
            "Name: AP-02\nESSID: WLAN-02\nAssociated Stations: 1\nRegulation Domain: ETSI\n"
            "Firmware Version: 1.4k.2\nWEP: Disable\n");
  const Result show = rig.on(1, {"show"});
  ASSERT_EQ(show.code, kExitOk) << show.err;
  for (const char* line : {"name: AP-02\n", "channel: 2\n", "ip: 192.168.2.11\n", "mask: 255.255.255.0\n",
                           "dhcp: off\n", "mac: 00:04:25:10:00:02\n", "domain: ETSI (48)\n"}) {
    EXPECT_NE(show.out.find(line), std::string::npos) << line << " in\n" << show.out;
  }
}

TEST(ApctlCommands, SetWritesTheFieldsAndRestarts) {
  Rig rig(1);
  const Result r = rig.on(0, {"set", "name=Lobby", "essid=Guest Net", "channel=11", "rts=500", "ip=10.1.2.3",
                              "mask=255.255.0.0", "gateway=10.1.0.1", "dhcp=on"});
  ASSERT_EQ(r.code, kExitOk) << r.err;
  const apsim::ApSettings& s = rig.settings(0);
  EXPECT_EQ(s.name, "Lobby");
  EXPECT_EQ(s.essid, "Guest Net");
  EXPECT_EQ(s.channel, 11);
  EXPECT_EQ(s.rtsThreshold, 500);
  EXPECT_EQ(s.ipAddress, 0x0A010203u);
  EXPECT_EQ(s.ipMask, 0xFFFF0000u);
  EXPECT_EQ(s.gateway, 0x0A010001u);
  EXPECT_EQ(s.dhcp, 1);
  EXPECT_EQ(rig.fleet->accessPoint(0).restarts(), 1);
}

TEST(ApctlCommands, UsageErrorsSendNothing) {
  Rig rig(1);
  const std::vector<std::vector<std::string>> bad = {
      {"set", "colour=blue"},   {"set", "essid="},          {"set", "ip=0.1.2.3"},  {"set", "channel=x"},
      {"set", "ip=1.2.3"},      {"set"},                    {"wep", "64"},          {"wep", "64", "12345"},
      {"wep", "128", "00"},     {"wep", "64", "0102030405", "--passphrase", "p"},   {"wep", "40"},
      {"mac", "add", "00-0A"},  {"mac", "frob"},            {"bridge", "p2p"},      {"bridge", "p2p", "xyz"},
      {"password", ""},         {"restart", "now"},         {"fly"},
  };
  for (const auto& args : bad) {
    const Result r = rig.on(0, args);
    EXPECT_EQ(r.code, kExitUsage) << args.front() << " " << (args.size() > 1 ? args[1] : "") << ": " << r.err;
  }
  EXPECT_EQ(rig.run({"status"}).code, kExitUsage) << "no address";
  EXPECT_EQ(rig.requests(), 0u);
}

TEST(ApctlCommands, NoConnection) {
  Rig rig(1);
  const platform::Millis start = rig.clock.now();
  const Result silent = rig.run({"-a", "127.0.0.77", "status"});
  EXPECT_EQ(silent.code, kExitNoConnection);
  EXPECT_NEAR(double(rig.clock.now() - start), 10000.0, 50.0);
  const Result wrong = rig.on(0, {"status"}, "guess");
  EXPECT_EQ(wrong.code, kExitNoConnection);
  EXPECT_NE(wrong.err.find("Input password is not valid."), std::string::npos) << wrong.err;
  EXPECT_NE(wrong.err.find("password rejected"), std::string::npos) << wrong.err;
}

TEST(ApctlCommands, WepModes) {
  Rig rig(1);
  const Result p64 = rig.on(0, {"wep", "64", "--passphrase", "secret words", "--key-id", "2"});
  ASSERT_EQ(p64.code, kExitOk) << p64.err;
  manager::WepKeyTexts expected = {"0000000000", "0000000000", "0000000000", "0000000000"};
  manager::GenerateWep64Keys("secret words", expected);
  const apsim::ApSettings& s = rig.settings(0);
  EXPECT_EQ(s.wepMode, 1);
  EXPECT_EQ(s.defaultKeyId, 2);
  for (int k = 0; k < 4; ++k) EXPECT_EQ(s.wepKeys[k], bytesOf(expected[k])) << k;
  EXPECT_EQ(rig.fleet->accessPoint(0).restarts(), 1);

  const Result shown = rig.on(0, {"wep"});
  ASSERT_EQ(shown.code, kExitOk);
  EXPECT_NE(shown.out.find("mode: 64 Bits\ndefault key: 2\n"), std::string::npos) << shown.out;

  const Result m128 = rig.on(0, {"wep", "128", "0102030405060708090a0b0c0d"});
  ASSERT_EQ(m128.code, kExitOk) << m128.err;
  EXPECT_EQ(s.wepMode, 3);
  EXPECT_EQ(s.defaultKeyId, 1);
  EXPECT_EQ(s.wepKeys[0], bytesOf("0102030405060708090a0b0c0d"));

  const Result p128 = rig.on(0, {"wep", "128", "--passphrase", "another"});
  ASSERT_EQ(p128.code, kExitOk) << p128.err;
  EXPECT_EQ(s.wepKeys[0], bytesOf(manager::Wep128KeyFromPassphrase("another")));

  const Result off = rig.on(0, {"wep", "off"});
  ASSERT_EQ(off.code, kExitOk) << off.err;
  EXPECT_EQ(s.wepMode, 2);
  for (int k = 0; k < 4; ++k) EXPECT_EQ(s.wepKeys[k], std::vector<std::uint8_t>(5, 0));
}

TEST(ApctlCommands, MacTable) {
  Rig rig(1);
  ASSERT_EQ(rig.on(0, {"mac", "add", "000a1b2c3d4e", "00-0A-1B-2C-3D-01"}).code, kExitOk);
  const apsim::ApSettings& s = rig.settings(0);
  ASSERT_EQ(s.macTable.size(), 2u);
  EXPECT_EQ(s.macTable[0], (apsim::Mac{0x00, 0x0A, 0x1B, 0x2C, 0x3D, 0x4E}));

  char dir[] = "/tmp/kit-apctl-XXXXXX";
  ASSERT_TRUE(::mkdtemp(dir));
  const std::string file = std::string(dir) + "/stations.txt";
  std::ofstream(file) << "ffeeddccbbaa\n000a1b2c3d4e\n0000000000ff\n";
  const Result imp = rig.on(0, {"mac", "import", file});
  std::filesystem::remove_all(dir);
  ASSERT_EQ(imp.code, kExitOk) << imp.err;
  EXPECT_NE(imp.out.find("2 added, 4 in the table"), std::string::npos) << imp.out;

  const Result list = rig.on(0, {"mac", "list"});
  ASSERT_EQ(list.code, kExitOk) << list.err;
  EXPECT_EQ(list.out,
            "filter: disabled (2)\n1  00-00-00-00-00-FF\n2  00-0A-1B-2C-3D-01\n3  00-0A-1B-2C-3D-4E\n"
            "4  FF-EE-DD-CC-BB-AA\n");

  ASSERT_EQ(rig.on(0, {"mac", "enable"}).code, kExitOk);
  EXPECT_EQ(s.macFilter, 1);
  ASSERT_EQ(rig.on(0, {"mac", "clear"}).code, kExitOk);
  EXPECT_TRUE(s.macTable.empty());
  EXPECT_EQ(rig.on(0, {"mac", "import", "/nonexistent/list"}).code, kExitUsage);
}

TEST(ApctlCommands, BridgePasswordRestartDefaults) {
  Rig rig(1);
  ASSERT_EQ(rig.on(0, {"bridge", "p2p", "00:0a:1b:2c:3d:4e"}).code, kExitOk);
  const apsim::ApSettings& s = rig.settings(0);
  EXPECT_EQ(s.bridgeMode, 4);
  EXPECT_EQ(s.remoteBridge, (apsim::Mac{0x00, 0x0A, 0x1B, 0x2C, 0x3D, 0x4E}));
  const Result shown = rig.on(0, {"bridge"});
  EXPECT_NE(shown.out.find("remote: 00:0A:1B:2C:3D:4E"), std::string::npos) << shown.out;
  const Result toAp = rig.on(0, {"bridge", "ap"});
  ASSERT_EQ(toAp.code, kExitOk) << toAp.err;
  EXPECT_EQ(s.bridgeMode, 2);
  EXPECT_EQ(s.remoteBridge, (apsim::Mac{0x00, 0x0A, 0x1B, 0x2C, 0x3D, 0x4E})) << "the remote address is kept";
  EXPECT_EQ(rig.fleet->accessPoint(0).restarts(), 0) << "no restart after a bridge write";

  ASSERT_EQ(rig.on(0, {"password", "n3w"}).code, kExitOk);
  EXPECT_EQ(s.password, "n3w");
  EXPECT_EQ(rig.on(0, {"status"}).code, kExitNoConnection);
  EXPECT_EQ(rig.on(0, {"status"}, "n3w").code, kExitOk);

  ASSERT_EQ(rig.on(0, {"restart"}, "n3w").code, kExitOk);
  EXPECT_EQ(rig.fleet->accessPoint(0).restarts(), 1);
  rig.clock.advance(3000);
  ASSERT_EQ(rig.on(0, {"set", "name=Changed"}, "n3w").code, kExitOk);
  rig.clock.advance(3000);
  ASSERT_EQ(rig.on(0, {"defaults"}, "n3w").code, kExitOk);
  EXPECT_EQ(rig.fleet->accessPoint(0).defaultsLoaded(), 1);
  EXPECT_EQ(s.name, "AP-01");
  EXPECT_EQ(s.password, "public");
}

TEST(ApctlCommands, HelpAndNoCommand) {
  Rig rig(0);
  const Result help = rig.run({"--help"});
  EXPECT_EQ(help.code, kExitOk);
  EXPECT_NE(help.out.find("usage: apctl"), std::string::npos);
  EXPECT_EQ(rig.run({}).code, kExitUsage);
}

}  // namespace
}  // namespace apctl

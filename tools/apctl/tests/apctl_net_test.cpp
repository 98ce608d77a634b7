// The apctl program against the apsim program over real loopback UDP: a fleet of five found by
// a broadcast to 127.255.255.255 on a high port, then one of them read, written and restarted.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <sstream>
#include <string>

#include "tools/apsim/tests/apsim_process.h"

namespace apctl {
namespace {

struct ProgramRun {
  int code;
  std::string output;  // standard output and error together
};

ProgramRun apctl(const std::string& arguments, const std::string& environment = "") {
  const std::string command = environment + " " KIT_BINARY_DIR "/tools/apctl/apctl --loopback-only --mib " KIT_SOURCE_DIR
                              "/snmp/AT76C510.mib " + arguments + " 2>&1";
  ProgramRun r{-1, {}};
  if (std::FILE* p = ::popen(command.c_str(), "r")) {
    char buf[4096];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) r.output.append(buf, n);
    const int status = ::pclose(p);
    r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  return r;
}

TEST(ApctlLoopback, FleetOfFiveFoundReadWrittenRestarted) {
  const std::uint16_t port = apsim::testing::testPort(41);
  const std::string p = std::to_string(port);
  apsim::testing::ApsimProcess sim({"--count", "5", "--first", "127.0.0.2", "--port", p, "--duration", "120",
                                    "--restart-ms", "1000", "--password", "demo", "--mib",
                                    KIT_SOURCE_DIR "/snmp/AT76C510.mib"});
  ASSERT_TRUE(sim.ready()) << sim.output();
  const std::string net = "--broadcast 127.255.255.255 --port " + p + " ";

  const ProgramRun found = apctl(net + "--rounds 2 discover");
  ASSERT_EQ(found.code, 0) << found.output;
  for (int i = 1; i <= 5; ++i) {
    const std::string name = "AP-0" + std::to_string(i);
    const std::string address = "127.0.0." + std::to_string(i + 1);
    const auto at = found.output.find(name);
    ASSERT_NE(at, std::string::npos) << found.output;
    EXPECT_EQ(found.output.find(name, at + 1), std::string::npos) << name << " listed once";
    EXPECT_NE(found.output.find(address), std::string::npos) << found.output;
  }

  // The control's environment variables reach the same fleet.
  const ProgramRun byEnvironment =
      apctl("--rounds 1 discover", "APKIT_SNMP_PORT=" + p + " APKIT_SNMP_BROADCAST=127.255.255.255");
  EXPECT_EQ(byEnvironment.code, 0) << byEnvironment.output;
  EXPECT_NE(byEnvironment.output.find("AP-05"), std::string::npos) << byEnvironment.output;

  const std::string one = net + "-a 127.0.0.4 -p demo ";
  const ProgramRun status = apctl(one + "status");
  ASSERT_EQ(status.code, 0) << status.output;
  EXPECT_NE(status.output.find("Name: AP-03\n"), std::string::npos) << status.output;
  EXPECT_NE(status.output.find("Firmware Version: 1.4k.2\n"), std::string::npos) << status.output;

  const ProgramRun set = apctl(one + "set name=Demo-AP essid=DemoNet channel=9");
  ASSERT_EQ(set.code, 0) << set.output;
  const ProgramRun shown = apctl(one + "show");
  ASSERT_EQ(shown.code, 0) << shown.output;
  EXPECT_NE(shown.output.find("name: Demo-AP\n"), std::string::npos) << shown.output;
  EXPECT_NE(shown.output.find("essid: DemoNet\n"), std::string::npos) << shown.output;
  EXPECT_NE(shown.output.find("channel: 9\n"), std::string::npos) << shown.output;

  const ProgramRun others = apctl(net + "-a 127.0.0.5 -p demo show");
  EXPECT_NE(others.output.find("name: AP-04\n"), std::string::npos) << "only the one access point changed";

  const ProgramRun restart = apctl(one + "restart");
  ASSERT_EQ(restart.code, 0) << restart.output;
  const ProgramRun after = apctl(one + "status");
  EXPECT_EQ(after.code, 0) << after.output;

  const ProgramRun wrong = apctl(net + "-a 127.0.0.4 -p guess status");
  EXPECT_EQ(wrong.code, 3) << wrong.output;
  EXPECT_NE(wrong.output.find("Input password is not valid."), std::string::npos) << wrong.output;
}

TEST(ApctlLoopback, LoopbackOnlyRefusesOtherAddresses) {
  // Refused by the network layer before anything leaves the host.
  const ProgramRun r = apctl("--port 9 -a 192.0.2.1 status");
  EXPECT_EQ(r.code, 3) << r.output;
  EXPECT_NE(r.output.find("outside loopback refused"), std::string::npos) << r.output;
}

}  // namespace
}  // namespace apctl

// Round trip of one get through our control against a loopback responder, against net-snmp's
// snmpget (one process per call) asking the same responder in the same run.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/net/host_network.h"
#include "platform/snmp/manager.h"
#include "platform/snmp/mib.h"
#include "platform/snmp/tests/peer_process.h"
#include "platform/snmp/tests/test_agent.h"

namespace {

using namespace platform;
using namespace platform::snmp;

class Count : public ManagerEvents {
 public:
  void managerEvent(int event, int) override {
    if (event == kEventAnswer) ++answers;
    if (event == kEventError) ++errors;
  }
  int answers = 0;
  int errors = 0;
};

double seconds(std::chrono::steady_clock::duration d) {
  return std::chrono::duration<double>(d).count();
}

}  // namespace

int main(int argc, char** argv) {
  const int controlCalls = argc > 1 ? std::atoi(argv[1]) : 2000;
  const int toolCalls = argc > 2 ? std::atoi(argv[2]) : 40;

  RealClock clock;
  HostNetwork net(clock, HostNetwork::Policy::LoopbackOnly);
  Mib mib;
  mib.load(std::string(KIT_SOURCE_DIR) + "/snmp/AT76C510.mib");
  const std::string sysDescr = mib.translate("sysDescr") + ".0";
  testing::TestAgent agent(net, {kLoopback, 0});
  agent.values[*ber::parseOid(sysDescr)] =
      ber::Value::octets({'A', 'P', ' ', '(', 'V', ' ', '1', '.', '0', ')'});
  const std::uint16_t port = agent.endpoint().port;

  Manager manager(net, Settings::loopback(port));
  Count count;
  manager.setEvents(&count);
  manager.open(0, "");
  manager.setRemoteHost("127.0.0.1");
  manager.setRemotePort(161);
  manager.setTimeout(2000);
  auto get = [&](int id) {
    Message& m = manager.message();
    m.clearVariables();
    m.setCommunity("public");
    m.setType(MessageType::GetRequest);
    m.setRequestId(id);
    Variable v;
    v.setIdentifier(sysDescr);
    m.variables().add(v);
    manager.send();
  };
  for (int i = 0; i < 50; ++i) get(i);
  count = Count();
  auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < controlCalls; ++i) get(1000 + i);
  double control = seconds(std::chrono::steady_clock::now() - start) / controlCalls;
  std::printf("control : %9.1f us per get (%d gets, %d answered, %d timed out)\n", control * 1e6,
              controlCalls, count.answers, count.errors);
  if (count.answers != controlCalls) {
    std::fprintf(stderr, "not every get was answered\n");
    return 1;
  }

  if (!testing::toolAvailable("snmpget")) {
    std::printf("snmpget : not installed, no ratio\n");
    return 0;
  }
  testing::TempDir dir;
  auto env = testing::netSnmpEnvironment(dir.path());
  const std::vector<std::string> argvTool = {
      testing::toolPath("snmpget"),        "-v1",         "-c", "public", "-r", "0", "-t", "5", "-Oqv",
      "127.0.0.1:" + std::to_string(port), "." + sysDescr};
  int ok = 0;
  start = std::chrono::steady_clock::now();
  for (int i = 0; i < toolCalls; ++i) {
    auto r = testing::runTool(argvTool, env, 20000, [&] { net.serve(1); });
    if (r.exitCode == 0 && r.output.find("AP (V 1.0)") != std::string::npos) ++ok;
  }
  double tool = seconds(std::chrono::steady_clock::now() - start) / toolCalls;
  std::printf("snmpget : %9.1f us per get (%d processes, %d answered)\n", tool * 1e6, toolCalls, ok);
  std::printf("ratio   : snmpget / control = %.1f\n", tool / control);
  return ok == toolCalls ? 0 : 1;
}

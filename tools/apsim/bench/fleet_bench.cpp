// Access points on loopback, measured: one get through our stack against net-snmp's snmpget, and
// a discovery broadcast answered by a fleet of 200 simulated access points.
//
//   fleet_bench [--gets N] [--peer-gets N]
// Starts the apsim program (200 access points on 127.0.0.2 ...) for the length of the run.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/clock/clock.h"
#include "platform/net/host_network.h"
#include "platform/snmp/manager.h"
#include "platform/snmp/mib.h"
#include "snmp/access/access_point.h"

namespace {

using Seconds = std::chrono::duration<double>;
auto now() { return std::chrono::steady_clock::now(); }

class PrintedMessages : public platform::MessageBoxService {
 public:
  platform::MessageResult messageBox(const std::string& text, const std::string& caption, platform::MessageButtons,
                                     platform::MessageIcon) override {
    std::fprintf(stderr, "[%s] %s\n", caption.c_str(), text.c_str());
    return platform::MessageResult::Ok;
  }
};

// Counts every answer to one broadcast and when the last one came.
class AnswerClock : public platform::snmp::ManagerEvents {
 public:
  explicit AnswerClock(std::chrono::steady_clock::time_point start) : start_(start) {}
  void managerEvent(int event, int) override {
    if (event != platform::snmp::kEventAnswer) return;
    ++answers;
    last = Seconds(now() - start_).count();
  }
  int answers = 0;
  double last = 0;

 private:
  std::chrono::steady_clock::time_point start_;
};

pid_t startApsim(int count, std::uint16_t port, const std::string& mib) {
  int ready[2];
  if (::pipe(ready) != 0) return -1;
  pid_t pid = ::fork();
  if (pid == 0) {
    ::dup2(ready[1], 1);
    ::close(ready[0]);
    ::close(ready[1]);
    std::string exe = KIT_BINARY_DIR "/tools/apsim/apsim";
    std::string n = std::to_string(count), p = std::to_string(port);
    ::execl(exe.c_str(), exe.c_str(), "--count", n.c_str(), "--port", p.c_str(), "--duration", "600", "--mib",
            mib.c_str(), static_cast<char*>(nullptr));
    ::_exit(127);
  }
  ::close(ready[1]);
  // Wait for the header and the table: count + 1 lines.
  FILE* out = ::fdopen(ready[0], "r");
  char line[256];
  for (int lines = 0; lines < count + 1 && std::fgets(line, sizeof line, out);) ++lines;
  // Keep the pipe open (the child writes nothing more) until the end of the run.
  return pid;
}

}  // namespace

int main(int argc, char** argv) {
  int gets = 500, peerGets = 100;
  for (int i = 1; i + 1 < argc; i += 2) {
    std::string a = argv[i];
    if (a == "--gets") gets = std::atoi(argv[i + 1]);
    if (a == "--peer-gets") peerGets = std::atoi(argv[i + 1]);
  }
  const std::string mib = KIT_SOURCE_DIR "/snmp/AT76C510.mib";
  const std::uint16_t port = static_cast<std::uint16_t>(30000 + ::getpid() % 20000);
  const int fleetSize = 200;
  pid_t apsim = startApsim(fleetSize, port, mib);
  if (apsim <= 0) {
    std::fprintf(stderr, "fleet_bench: cannot start apsim\n");
    return 1;
  }

  platform::RealClock clock;
  platform::HostNetwork network(clock, platform::HostNetwork::Policy::LoopbackOnly);
  PrintedMessages messages;
  manager::AccessPointOptions options;
  options.settings = platform::snmp::Settings::loopback(port);
  options.mibPath = mib;
  manager::CAccessPoint ap({network, messages}, options);

  // One get round trip: Connect is one get of sysDescr and operChannelID.
  auto t0 = now();
  int ok = 0;
  for (int i = 0; i < gets; ++i) ok += ap.Connect("127.0.0.2", "public") ? 1 : 0;
  double ours = Seconds(now() - t0).count() / gets;

  platform::snmp::Mib names;
  names.load(mib);
  std::string command = "snmpget -v1 -r0 -t2 -c public 127.0.0.2:" + std::to_string(port) + " " +
                        names.translate("sysDescr") + ".0 " + names.translate("operChannelID") + ".0 >/dev/null";
  auto t1 = now();
  int peerOk = 0;
  for (int i = 0; i < peerGets; ++i) peerOk += std::system(command.c_str()) == 0 ? 1 : 0;
  double peer = Seconds(now() - t1).count() / peerGets;

  std::printf("get round trip (sysDescr + operChannelID) against apsim on loopback\n");
  std::printf("  ours (CAccessPoint::Connect)   %8.1f us per get  (%d of %d answered)\n", ours * 1e6, ok, gets);
  std::printf("  snmpget, one process per get   %8.1f us per get  (%d of %d answered)\n", peer * 1e6, peerOk, peerGets);
  std::printf("  ratio snmpget / ours           %8.1f\n", peer / ours);

  // Discovery: every answer to one broadcast, through the control.
  {
    platform::snmp::Manager manager(network, platform::snmp::Settings::loopback(port));
    manager.open(0, "");
    auto start = now();
    AnswerClock answers(start);
    manager.setEvents(&answers);
    manager.setRemoteHost("255.255.255.255");
    manager.setRemotePort(161);
    manager.setTimeout(1000);
    auto& message = manager.message();
    message.setType(platform::snmp::MessageType::GetRequest);
    message.setRequestId(1);
    for (const char* name : {"sysDescr", "operEthernetAddress", "operAccessPointName"}) {
      platform::snmp::Variable v;
      v.setIdentifier(names.translate(name) + ".0");
      message.variables().add(v);
    }
    manager.send();
    std::printf("discovery broadcast to %d simulated access points\n", fleetSize);
    std::printf("  answers received               %8d\n", answers.answers);
    std::printf("  last answer after              %8.1f ms\n", answers.last * 1e3);
  }
  {
    std::vector<manager::ApListEntry> list(manager::CAccessPoint::kMaxListed);
    int count = 0;
    auto start = now();
    bool found = ap.FindAccessPoints(count, list);
    std::printf("  FindAccessPoints listed        %8d of %d (list of %d), %s, %.0f ms (its listening time)\n", count,
                fleetSize, manager::CAccessPoint::kMaxListed, found ? "true" : "false",
                Seconds(now() - start).count() * 1e3);
  }

  ::kill(apsim, SIGTERM);
  ::waitpid(apsim, nullptr, 0);
  return 0;
}

// apctl: the command line of the access-point manager.
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "platform/clock/clock.h"
#include "platform/net/host_network.h"
#include "platform/snmp/settings.h"
#include "snmp/access/access_point.h"
#include "tools/apctl/apctl.h"
#include "tools/apctl/printing_messages.h"

namespace {

// --mib, else $APKIT_MIB, else AT76C510.mib in the working folder, beside the program, or in
// the kit's source tree.
std::string findMib(const std::string& given) {
  if (!given.empty()) return given;
  if (const char* env = std::getenv("APKIT_MIB")) return env;
  if (std::filesystem::exists("AT76C510.mib")) return "AT76C510.mib";
  std::error_code ec;
  const auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (!ec && std::filesystem::exists(exe.parent_path() / "AT76C510.mib")) return (exe.parent_path() / "AT76C510.mib").string();
  return KIT_SOURCE_DIR "/snmp/AT76C510.mib";
}

}  // namespace

int main(int argc, char** argv) {
  apctl::Invocation inv;
  try {
    inv = apctl::ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
  } catch (const apctl::UsageError& e) {
    std::cerr << "apctl: " << e.what() << '\n';
    return apctl::kExitUsage;
  }
  if (inv.help) {
    std::cout << apctl::kUsage;
    return apctl::kExitOk;
  }
  if (inv.words.empty()) {
    std::cerr << "apctl: no command given (see --help)\n";
    return apctl::kExitUsage;
  }

  platform::snmp::Settings settings = platform::snmp::Settings::fromEnvironment();
  if (inv.port) settings.agentPort = *inv.port;
  if (inv.broadcast) settings.broadcastAddress = *inv.broadcast;

  try {
    platform::RealClock clock;
    platform::HostNetwork network(clock, inv.loopbackOnly ? platform::HostNetwork::Policy::LoopbackOnly
                                                          : platform::HostNetwork::Policy::Any);
    apctl::PrintingMessages boxes(std::cerr, "apctl");
    manager::AccessPointOptions options;
    options.settings = settings;
    options.mibPath = findMib(inv.mibPath);
    options.applicationTitle = "apctl";
    manager::CAccessPoint ap(manager::AccessPointServices{network, boxes, nullptr, nullptr}, options);
    const int code = apctl::RunCommand(inv, ap, clock, std::cout, std::cerr);
    std::cout.flush();
    return code;
  } catch (const std::exception& e) {
    std::cerr << "apctl: " << e.what() << '\n';
    return apctl::kExitFailed;
  }
}

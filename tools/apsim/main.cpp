// apsim: simulated AT76C510 access points on loopback, for trying out and testing managers.
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <string>
#include <unistd.h>

#include "platform/clock/clock.h"
#include "platform/net/host_network.h"
#include "platform/snmp/error.h"
#include "platform/snmp/mib.h"
#include "tools/apsim/agent.h"

namespace {

volatile std::sig_atomic_t g_stop = 0;  // set by SIGINT/SIGTERM only
void onSignal(int) { g_stop = 1; }

const char* kUsage =
    "usage: apsim [options]\n"
    "Simulates AT76C510 access points answering SNMPv1 on loopback addresses.\n"
    "  --count N          number of access points (default 1, at most 250)\n"
    "  --first ADDR       address of the first one; the others follow (default 127.0.0.2)\n"
    "  --port P           UDP port (default 16161)\n"
    "  --password TEXT    password (SNMP community) of every access point (default public)\n"
    "  --mib FILE         the AT76C510 MIB file (default: $APKIT_MIB, ./AT76C510.mib, or the kit's)\n"
    "  --duration S       stop after S seconds (default 3600)\n"
    "  --restart-ms MS    silence after a restart (default 2000)\n"
    "  --drop-every N     ignore every N-th request\n"
    "  --delay-ms MS      answer MS milliseconds late\n"
    "  --stale-first      send an answer with the previous request id before each answer\n"
    "  --stale-only       answer only with the previous request id\n"
    "  --error-status N   answer every request with error status N\n"
    "  --corrupt-echo     answer sets with integer values raised by one\n"
    "  --verbose          log every request\n"
    "Only loopback addresses (127.0.0.0/8) are served.\n";

std::string defaultMib() {
  if (const char* env = std::getenv("APKIT_MIB")) return env;
  if (std::filesystem::exists("AT76C510.mib")) return "AT76C510.mib";
  std::error_code ec;
  auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (!ec && std::filesystem::exists(exe.parent_path() / "AT76C510.mib"))
    return (exe.parent_path() / "AT76C510.mib").string();
  return KIT_SOURCE_DIR "/snmp/AT76C510.mib";
}

bool parseNumber(const char* text, long long lo, long long hi, long long& out) {
  char* end = nullptr;
  long long v = std::strtoll(text, &end, 10);
  if (!text[0] || *end || v < lo || v > hi) return false;
  out = v;
  return true;
}

int fail(const std::string& message) {
  std::cerr << "apsim: " << message << "\n";
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  long long count = 1, port = 16161, duration = 3600, restartMs = 2000;
  std::string first = "127.0.0.2", password = "public", mibPath;
  apsim::Faults faults;
  bool verbose = false;

  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    auto value = [&](const char* name) -> const char* {
      if (i + 1 >= argc) {
        std::cerr << "apsim: " << name << " needs a value\n";
        std::exit(2);
      }
      return argv[++i];
    };
    long long n = 0;
    if (arg == "--help" || arg == "-h") {
      std::cout << kUsage;
      return 0;
    } else if (arg == "--count") {
      if (!parseNumber(value("--count"), 1, 250, count)) return fail("--count takes a number from 1 to 250");
    } else if (arg == "--first") {
      first = value("--first");
    } else if (arg == "--port") {
      if (!parseNumber(value("--port"), 1, 65535, port)) return fail("--port takes a number from 1 to 65535");
    } else if (arg == "--password") {
      password = value("--password");
    } else if (arg == "--mib") {
      mibPath = value("--mib");
    } else if (arg == "--duration") {
      if (!parseNumber(value("--duration"), 1, 86400, duration)) return fail("--duration takes 1 to 86400 seconds");
    } else if (arg == "--restart-ms") {
      if (!parseNumber(value("--restart-ms"), 0, 600000, restartMs)) return fail("--restart-ms takes 0 to 600000");
    } else if (arg == "--drop-every") {
      if (!parseNumber(value("--drop-every"), 1, 1000000, n)) return fail("--drop-every takes a positive number");
      faults.dropEvery = static_cast<std::uint32_t>(n);
    } else if (arg == "--delay-ms") {
      if (!parseNumber(value("--delay-ms"), 0, 600000, n)) return fail("--delay-ms takes 0 to 600000");
      faults.delayMillis = n;
    } else if (arg == "--stale-first") {
      faults.staleAnswerFirst = true;
    } else if (arg == "--stale-only") {
      faults.staleOnly = true;
    } else if (arg == "--error-status") {
      if (!parseNumber(value("--error-status"), 0, 255, n)) return fail("--error-status takes 0 to 255");
      faults.forceErrorStatus = static_cast<std::int32_t>(n);
    } else if (arg == "--corrupt-echo") {
      faults.corruptSetEcho = true;
    } else if (arg == "--verbose") {
      verbose = true;
    } else {
      return fail("unknown option " + arg + " (see --help)");
    }
  }

  auto base = platform::parseIpv4(first);
  if (!base || !platform::isLoopback(*base)) return fail("--first must be a loopback address (127.x.y.z)");
  if ((*base & 0xFF) == 0 || (*base & 0xFF) + count - 1 >= 255)
    return fail("the addresses must stay within " + first + " .. x.x.x.254");

  if (mibPath.empty()) mibPath = defaultMib();
  platform::snmp::Mib mib;
  try {
    mib.load(mibPath);
  } catch (const platform::snmp::Error& e) {
    return fail(e.source() + e.description());
  }

  try {
    apsim::VariableTable variables(mib);
    platform::RealClock clock;
    platform::HostNetwork network(clock, platform::HostNetwork::Policy::LoopbackOnly);
    apsim::FleetOptions options;
    options.port = static_cast<std::uint16_t>(port);
    options.restartMillis = restartMs;
    apsim::Fleet fleet(network, variables, options);
    for (long long k = 0; k < count; ++k) {
      fleet.add(*base + static_cast<platform::Ipv4>(k), apsim::fleetMemberSettings(static_cast<std::size_t>(k), password),
                faults);
    }
    if (verbose) {
      fleet.onRequest = [&](std::size_t i, const apsim::ber::Message& m, bool answered) {
        std::printf("%s %s id %d, %zu variables%s\n", platform::formatIpv4(fleet.address(i)).c_str(),
                    m.pdu.type == apsim::ber::PduType::SetRequest ? "set" : "get", m.pdu.requestId,
                    m.pdu.varbinds.size(), answered ? "" : " (not answered)");
        std::fflush(stdout);
      };
    }
    std::printf("apsim: %lld access point%s on port %lld, password \"%s\"\n", count, count == 1 ? "" : "s", port,
                password.c_str());
    for (std::size_t k = 0; k < fleet.size(); ++k) {
      const apsim::ApSettings& s = fleet.accessPoint(k).settings();
      std::printf("  %-15s %-8s %s  ESSID %s\n", platform::formatIpv4(fleet.address(k)).c_str(), s.name.c_str(),
                  apsim::formatMac(s.mac).c_str(), s.essid.c_str());
    }
    std::fflush(stdout);

    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);
    fleet.run(duration * 1000, [] { return g_stop != 0; });
    std::printf("apsim: stopped\n");
  } catch (const std::exception& e) {
    return fail(e.what());
  }
  return 0;
}

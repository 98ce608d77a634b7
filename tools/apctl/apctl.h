// apctl: a command line for administrators of AT76C510 access points, built on CAccessPoint.
#pragma once

#include <cstdint>
#include <optional>
#include <ostream>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/clock/clock.h"
#include "snmp/access/access_point.h"

namespace apctl {

// Exit codes.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;      // the access point refused or did not confirm
inline constexpr int kExitUsage = 2;       // the command line is wrong
inline constexpr int kExitNoConnection = 3;  // no answer, or the password was rejected

extern const char* const kUsage;

class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct Invocation {
  std::string address;
  std::string password = "public";
  std::string mibPath;                   // empty: the default search
  std::optional<std::uint16_t> port;     // agents' port instead of 161
  std::optional<std::string> broadcast;  // discovery broadcast instead of 255.255.255.255
  int rounds = 4;                        // discovery broadcasts, one second each
  bool loopbackOnly = false;             // refuse to send anywhere but 127.0.0.0/8
  std::optional<std::string> passphrase;
  std::optional<int> keyId;
  bool help = false;
  std::vector<std::string> words;        // the command and its arguments
};

// Arguments as given (UTF-8); texts that reach the access point are converted to ANSI here.
// Throws UsageError.
Invocation ParseCommandLine(const std::vector<std::string>& args);

// Runs the command on `ap` (already constructed with the invocation's settings). Results go to
// `out`, errors to `err`; returns the exit code.
int RunCommand(const Invocation& invocation, manager::CAccessPoint& ap, platform::Clock& clock, std::ostream& out,
               std::ostream& err);

}  // namespace apctl

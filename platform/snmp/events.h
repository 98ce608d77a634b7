// Events of the manager, raised on the caller's thread while Manager::send() runs.
#pragma once

namespace platform::snmp {

// An answer arrived; the manager's message now holds it and its remote host reads the
// answering agent's address. `code` is 0.
inline constexpr int kEventAnswer = 1;
// The exchange failed; `code` says why.
inline constexpr int kEventError = 3;
// Error code of kEventError: no answer within the timeout.
inline constexpr int kErrorTimeout = 10060;

class ManagerEvents {
 public:
  virtual ~ManagerEvents() = default;
  virtual void managerEvent(int event, int code) = 0;
};

}  // namespace platform::snmp

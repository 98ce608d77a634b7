// Simulated access points on a network: each answers SNMP requests at its own address.
//
// On the host network every access point binds 127.0.0.N:port for what is sent to it and the
// fleet shares one socket bound to 0.0.0.0:port that hears broadcasts (127.255.255.255 on
// loopback) and hands them to every access point; each answers from its own socket, so the
// manager sees the answer come from 127.0.0.N. On the in-memory network a broadcast already
// reaches every socket on the port, so no shared socket is opened there.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/net/network.h"
#include "tools/apsim/access_point.h"

namespace apsim {

// Ways to misbehave, so that a manager's failure paths can be reached.
struct Faults {
  std::uint32_t dropEvery = 0;        // ignore every n-th request (0 = never)
  platform::Millis delayMillis = 0;   // answer this much later
  bool staleAnswerFirst = false;      // before each answer, send one carrying the previous request id
  bool staleOnly = false;             // answer only with the previous request id (never the right one)
  std::int32_t forceErrorStatus = 0;  // answer every request with this error status (0 = off)
  bool corruptSetEcho = false;        // answer sets with integer values raised by one
};

struct FleetOptions {
  std::uint16_t port = 161;
  // Open the shared broadcast socket described above (host network only).
  bool sharedBroadcastSocket = true;
  platform::Millis restartMillis = 2000;
};

class Fleet {
 public:
  Fleet(platform::Network& network, const VariableTable& variables, FleetOptions options);
  ~Fleet();
  Fleet(const Fleet&) = delete;
  Fleet& operator=(const Fleet&) = delete;

  // Adds an access point answering at `address`. Throws platform::NetError when it cannot bind.
  SimulatedAccessPoint& add(platform::Ipv4 address, ApSettings settings, Faults faults = {});

  std::size_t size() const { return members_.size(); }
  SimulatedAccessPoint& accessPoint(std::size_t i);
  platform::Ipv4 address(std::size_t i) const;
  Faults& faults(std::size_t i);
  std::uint64_t requestsReceived(std::size_t i) const;

  // Sends the answers whose delay has passed (the host network; the in-memory network sends
  // them as clock events by itself).
  void flushDue();
  // Serves for `duration` ms in slices, sending delayed answers as they fall due.
  void run(platform::Millis duration, const std::function<bool()>& stop = {});
  // Called for every request answered or dropped, for a log: (access point, request, answered).
  std::function<void(std::size_t, const ber::Message&, bool)> onRequest;

 private:
  struct Member;
  void receive(Member& member, const platform::Datagram& datagram);
  void answer(Member& member, const platform::Endpoint& to, std::vector<std::uint8_t> bytes,
              platform::Millis delay);

  platform::Network& network_;
  const VariableTable& variables_;
  FleetOptions options_;
  std::vector<std::unique_ptr<Member>> members_;
  std::unique_ptr<platform::UdpSocket> broadcast_;
  struct Delayed {
    platform::Millis due;
    Member* member;
    platform::Endpoint to;
    std::vector<std::uint8_t> bytes;
  };
  std::vector<Delayed> delayed_;
};

// The factory settings of the n-th access point of a fleet (n from 0): distinct names, MAC
// addresses and ESSIDs, all with the same password.
ApSettings fleetMemberSettings(std::size_t n, const std::string& password = "public");

}  // namespace apsim

// An in-memory UDP network on virtual time. A datagram sent becomes an event on the clock,
// `latency` ms later; when it falls due it is queued at (or handed to the handler of) each
// receiving socket. Unicast reaches the socket bound to exactly that address and port, else
// the first socket bound to 0.0.0.0 on that port; a datagram to 255.255.255.255 or to an
// x.x.x.255 address reaches every socket bound to that port (the sender must have broadcast
// on). Nothing leaves the process.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <vector>

#include "platform/clock/clock.h"
#include "platform/net/network.h"

namespace platform {

class MemorySocket;

class MemoryNetwork final : public Network {
 public:
  // `defaultSource`: the address a datagram leaves from when its socket is bound to 0.0.0.0
  // and the sender chooses none.
  explicit MemoryNetwork(VirtualClock& clock, Millis latency = 1, Ipv4 defaultSource = kLoopback);
  ~MemoryNetwork() override;
  MemoryNetwork(const MemoryNetwork&) = delete;
  MemoryNetwork& operator=(const MemoryNetwork&) = delete;

  std::unique_ptr<UdpSocket> openUdp(const Endpoint& local) override;
  // Advances the virtual clock by `duration`; deliveries and handlers run as they fall due.
  void serve(Millis duration) override;
  Clock& clock() override { return clock_; }
  VirtualClock& virtualClock() { return clock_; }

  void setLatency(Millis latency) { latency_ = latency; }
  Millis latency() const { return latency_; }
  // Every datagram sent, in order (tests inspect the traffic).
  struct Sent {
    Millis at;
    Endpoint from;
    Endpoint to;
    std::vector<std::uint8_t> data;
  };
  const std::vector<Sent>& traffic() const { return traffic_; }
  void clearTraffic() { traffic_.clear(); }
  // Long simulations can stop the record (it grows with every datagram). On by default.
  void setRecordTraffic(bool on) { recordTraffic_ = on; }
  // Drops datagrams for which `filter` returns true (lost packets); empty = lose nothing.
  void setLossFilter(std::function<bool(const Sent&)> filter) { lossFilter_ = std::move(filter); }

 private:
  friend class MemorySocket;
  void send(MemorySocket& from, const Endpoint& to, std::vector<std::uint8_t> data,
            std::optional<Ipv4> source);
  void deliver(std::uint64_t socketId, const Datagram& datagram);
  void detach(MemorySocket* socket);

  VirtualClock& clock_;
  Millis latency_;
  Ipv4 defaultSource_;
  std::uint16_t nextEphemeral_ = 49152;
  std::uint64_t nextSocketId_ = 1;
  std::map<std::uint64_t, MemorySocket*> sockets_;  // by id: creation order
  std::vector<Sent> traffic_;
  bool recordTraffic_ = true;
  std::set<VirtualClock::EventId> pending_;  // deliveries on the clock, cancelled with the network
  std::function<bool(const Sent&)> lossFilter_;
};

}  // namespace platform

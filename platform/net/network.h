// The network the programs talk through: real UDP on the host, or an in-memory network on
// virtual time for tests.
#pragma once

#include <memory>
#include <stdexcept>
#include <string>

#include "platform/clock/clock.h"
#include "platform/net/datagram.h"
#include "platform/net/socket.h"

namespace platform {

class NetError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class Network {
 public:
  virtual ~Network() = default;

  // Opens a UDP socket bound to `local` (address 0.0.0.0 = every interface, port 0 = any free
  // port). Sockets are bound with address reuse, so several may share 0.0.0.0:port and all
  // receive what is broadcast to that port. Throws NetError.
  virtual std::unique_ptr<UdpSocket> openUdp(const Endpoint& local) = 0;

  // Runs the serving sockets (those with a handler) for `duration` ms on the network's clock.
  virtual void serve(Millis duration) = 0;

  virtual Clock& clock() = 0;
};

}  // namespace platform

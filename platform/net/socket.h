// One UDP socket, opened by a Network.
#pragma once

#include <functional>
#include <optional>
#include <span>

#include "platform/clock/clock.h"
#include "platform/net/datagram.h"

namespace platform {

class UdpSocket {
 public:
  virtual ~UdpSocket() = default;

  // The address and port the socket is bound to (port filled in when it was bound to 0).
  virtual Endpoint localEndpoint() const = 0;

  // Sending to a broadcast address needs this, as with SO_BROADCAST.
  virtual void setBroadcast(bool on) = 0;

  // Sends one datagram. `source` chooses the local address it leaves from (IP_PKTINFO), so a
  // socket bound to 0.0.0.0 can answer from 127.0.0.N; without it the system picks. Throws
  // NetError when the datagram cannot be sent.
  virtual void sendTo(const Endpoint& to, std::span<const std::uint8_t> data,
                      std::optional<Ipv4> source = std::nullopt) = 0;

  // Waits at most `timeout` ms (measured on the network's clock) for one datagram.
  // 0 only takes what has already arrived. Keep the timeout short (a slice) when the
  // caller must pump window messages while it waits.
  virtual std::optional<Datagram> receive(Millis timeout) = 0;

  // Serving sockets: with a handler, every datagram that arrives is handed to it instead of
  // being queued for receive(). The in-memory network calls it when the delivery falls due on
  // the clock; the host network calls it while any socket of the same network waits in
  // receive() or while Network::serve() runs. An empty function removes the handler.
  using Handler = std::function<void(UdpSocket& socket, const Datagram& datagram)>;
  virtual void setHandler(Handler handler) = 0;
};

}  // namespace platform

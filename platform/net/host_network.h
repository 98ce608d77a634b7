// Real UDP sockets of the host (IPv4).
#pragma once

#include <memory>
#include <vector>

#include "platform/net/network.h"

namespace platform {

class HostSocket;

class HostNetwork final : public Network {
 public:
  enum class Policy {
    Any,           // send wherever asked
    LoopbackOnly,  // refuse (NetError) every destination outside 127.0.0.0/8: tests and demos
  };

  // Waits are measured on `clock`; the real waiting is done in poll() slices of at most
  // `sliceMs`. With a virtual clock each empty slice also advances the clock by its length.
  explicit HostNetwork(Clock& clock, Policy policy = Policy::Any, Millis sliceMs = 20);
  ~HostNetwork() override;
  HostNetwork(const HostNetwork&) = delete;
  HostNetwork& operator=(const HostNetwork&) = delete;

  std::unique_ptr<UdpSocket> openUdp(const Endpoint& local) override;
  void serve(Millis duration) override;
  Clock& clock() override { return clock_; }
  Policy policy() const { return policy_; }

 private:
  friend class HostSocket;
  // Waits up to `wait` ms for any serving socket or `waiter` to become readable; runs the
  // handlers of serving sockets that have data. True when `waiter` has data.
  bool pollOnce(HostSocket* waiter, Millis wait);
  void attach(HostSocket* socket);
  void detach(HostSocket* socket);

  Clock& clock_;
  Policy policy_;
  Millis sliceMs_;
  std::vector<HostSocket*> sockets_;
  int dispatchDepth_ = 0;
};

}  // namespace platform

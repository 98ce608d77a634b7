#include "platform/net/memory_network.h"

#include <algorithm>
#include <set>

namespace platform {

class MemorySocket final : public UdpSocket {
 public:
  MemorySocket(MemoryNetwork& network, std::uint64_t id, Endpoint local)
      : network_(&network), id_(id), local_(local) {}
  ~MemorySocket() override {
    if (network_) network_->detach(this);
  }

  Endpoint localEndpoint() const override { return local_; }
  void setBroadcast(bool on) override { broadcast_ = on; }

  void sendTo(const Endpoint& to, std::span<const std::uint8_t> data, std::optional<Ipv4> source) override {
    if (!network_) throw NetError("network is gone");
    network_->send(*this, to, std::vector<std::uint8_t>(data.begin(), data.end()), source);
  }

  std::optional<Datagram> receive(Millis timeout) override {
    if (!network_) throw NetError("network is gone");
    VirtualClock& clock = network_->virtualClock();
    const Millis deadline = clock.now() + std::max<Millis>(timeout, 0);
    for (;;) {
      if (!queue_.empty()) {
        Datagram d = std::move(queue_.front());
        queue_.pop_front();
        return d;
      }
      if (clock.now() >= deadline) {
        // Deliveries due exactly now still count.
        clock.advanceTo(clock.now());
        if (!queue_.empty()) continue;
        return std::nullopt;
      }
      auto next = clock.nextEventTime();
      clock.advanceTo(next && *next <= deadline ? *next : deadline);
      if (!network_) throw NetError("network is gone");
    }
  }

  void setHandler(Handler handler) override { handler_ = std::move(handler); }

 private:
  friend class MemoryNetwork;
  void arrive(const Datagram& datagram) {
    if (handler_) {
      Handler h = handler_;  // the handler may replace itself
      h(*this, datagram);
    } else {
      queue_.push_back(datagram);
    }
  }

  MemoryNetwork* network_;
  std::uint64_t id_;
  Endpoint local_;
  bool broadcast_ = false;
  std::deque<Datagram> queue_;
  Handler handler_;
};

MemoryNetwork::MemoryNetwork(VirtualClock& clock, Millis latency, Ipv4 defaultSource)
    : clock_(clock), latency_(latency), defaultSource_(defaultSource) {}

MemoryNetwork::~MemoryNetwork() {
  for (auto id : pending_) clock_.cancel(id);
  for (auto& [id, socket] : sockets_) socket->network_ = nullptr;
}

std::unique_ptr<UdpSocket> MemoryNetwork::openUdp(const Endpoint& local) {
  Endpoint bound = local;
  if (bound.port == 0) {
    // Ephemeral ports: the first free one from 49152 on, wrapping within the range.
    for (int tries = 0; tries < 16384; ++tries) {
      std::uint16_t candidate = nextEphemeral_;
      nextEphemeral_ = nextEphemeral_ == 65535 ? 49152 : static_cast<std::uint16_t>(nextEphemeral_ + 1);
      bool used = std::any_of(sockets_.begin(), sockets_.end(),
                              [&](const auto& entry) { return entry.second->local_.port == candidate; });
      if (!used) {
        bound.port = candidate;
        break;
      }
    }
    if (bound.port == 0) throw NetError("no free port");
  }
  auto socket = std::make_unique<MemorySocket>(*this, nextSocketId_++, bound);
  sockets_[socket->id_] = socket.get();
  return socket;
}

void MemoryNetwork::serve(Millis duration) {
  clock_.advance(duration);
}

void MemoryNetwork::detach(MemorySocket* socket) {
  sockets_.erase(socket->id_);
}

void MemoryNetwork::send(MemorySocket& from, const Endpoint& to, std::vector<std::uint8_t> data,
                         std::optional<Ipv4> source) {
  const bool broadcast = isBroadcastLike(to.address);
  if (broadcast && !from.broadcast_) throw NetError("sendto " + formatEndpoint(to) + ": Permission denied");
  if (to.port == 0) throw NetError("sendto " + formatEndpoint(to) + ": Invalid argument");
  if (data.size() > 65507) throw NetError("sendto " + formatEndpoint(to) + ": Message too long");
  Endpoint sender{
      source ? *source : (from.local_.address != kAnyAddress ? from.local_.address : defaultSource_),
      from.local_.port};
  Sent sent{clock_.now(), sender, to, std::move(data)};
  if (recordTraffic_) traffic_.push_back(sent);
  if (lossFilter_ && lossFilter_(sent)) return;

  Datagram datagram{sender, to.address, sent.data};
  auto id = std::make_shared<VirtualClock::EventId>(0);
  *id = clock_.scheduleAfter(latency_, [this, id, to, broadcast, datagram]() {
    pending_.erase(*id);
    // Receivers are chosen when the datagram arrives, by socket creation order.
    std::vector<std::uint64_t> receivers;
    if (broadcast) {
      for (auto& [sid, s] : sockets_)
        if (s->local_.port == to.port) receivers.push_back(sid);
    } else {
      for (auto& [sid, s] : sockets_)
        if (s->local_.port == to.port && s->local_.address == to.address) {
          receivers.push_back(sid);
          break;
        }
      if (receivers.empty())
        for (auto& [sid, s] : sockets_)
          if (s->local_.port == to.port && s->local_.address == kAnyAddress) {
            receivers.push_back(sid);
            break;
          }
    }
    for (auto sid : receivers) deliver(sid, datagram);
  });
  pending_.insert(*id);
}

void MemoryNetwork::deliver(std::uint64_t socketId, const Datagram& datagram) {
  auto it = sockets_.find(socketId);  // a handler may have closed it meanwhile
  if (it != sockets_.end()) it->second->arrive(datagram);
}

}  // namespace platform

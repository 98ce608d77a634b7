#include "platform/net/host_network.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace platform {

namespace {

std::string errnoText(const std::string& what, int err) {
  return what + ": " + std::strerror(err);
}

sockaddr_in toSockaddr(const Endpoint& e) {
  sockaddr_in sa{};
  sa.sin_family = AF_INET;
  sa.sin_port = htons(e.port);
  sa.sin_addr.s_addr = htonl(e.address);
  return sa;
}

// Enough for the largest UDP payload over IPv4.
constexpr std::size_t kReceiveBuffer = 65536;

}  // namespace

class HostSocket final : public UdpSocket {
 public:
  HostSocket(HostNetwork& network, int fd, Endpoint local) : network_(&network), fd_(fd), local_(local) {
    network_->attach(this);
  }
  ~HostSocket() override {
    if (network_) network_->detach(this);
    ::close(fd_);
  }

  Endpoint localEndpoint() const override { return local_; }

  void setBroadcast(bool on) override {
    int v = on ? 1 : 0;
    if (::setsockopt(fd_, SOL_SOCKET, SO_BROADCAST, &v, sizeof v) != 0)
      throw NetError(errnoText("setsockopt SO_BROADCAST", errno));
  }

  void sendTo(const Endpoint& to, std::span<const std::uint8_t> data, std::optional<Ipv4> source) override {
    if (!network_) throw NetError("network is gone");
    if (network_->policy() == HostNetwork::Policy::LoopbackOnly && !isLoopback(to.address))
      throw NetError("sendto " + formatEndpoint(to) + ": destination outside loopback refused");
    sockaddr_in sa = toSockaddr(to);
    iovec iov{const_cast<std::uint8_t*>(data.data()), data.size()};
    msghdr msg{};
    msg.msg_name = &sa;
    msg.msg_namelen = sizeof sa;
    msg.msg_iov = &iov;
    msg.msg_iovlen = 1;
    alignas(cmsghdr) unsigned char control[CMSG_SPACE(sizeof(in_pktinfo))] = {};
    if (source) {
      msg.msg_control = control;
      msg.msg_controllen = sizeof control;
      cmsghdr* cm = CMSG_FIRSTHDR(&msg);
      cm->cmsg_level = IPPROTO_IP;
      cm->cmsg_type = IP_PKTINFO;
      cm->cmsg_len = CMSG_LEN(sizeof(in_pktinfo));
      in_pktinfo info{};
      info.ipi_spec_dst.s_addr = htonl(*source);
      std::memcpy(CMSG_DATA(cm), &info, sizeof info);
    }
    ssize_t n;
    do {
      n = ::sendmsg(fd_, &msg, 0);
    } while (n < 0 && errno == EINTR);
    if (n < 0) throw NetError(errnoText("sendto " + formatEndpoint(to), errno));
  }

  std::optional<Datagram> receive(Millis timeout) override {
    if (!network_) throw NetError("network is gone");
    Clock& clock = network_->clock();
    const Millis deadline = clock.now() + std::max<Millis>(timeout, 0);
    for (;;) {
      if (auto d = readOne()) return d;
      Millis remaining = deadline - clock.now();
      if (remaining <= 0) return std::nullopt;
      Millis wait = std::min(remaining, network_->sliceMs_);
      bool ready = network_->pollOnce(this, wait);
      if (!ready && clock.isVirtual()) clock.sleepFor(wait);
    }
  }

  void setHandler(Handler handler) override { handler_ = std::move(handler); }

  // One datagram if one is waiting; never blocks.
  std::optional<Datagram> readOne() {
    std::vector<std::uint8_t> buffer(kReceiveBuffer);
    sockaddr_in from{};
    iovec iov{buffer.data(), buffer.size()};
    msghdr msg{};
    msg.msg_name = &from;
    msg.msg_namelen = sizeof from;
    msg.msg_iov = &iov;
    msg.msg_iovlen = 1;
    alignas(cmsghdr) unsigned char control[256];
    msg.msg_control = control;
    msg.msg_controllen = sizeof control;
    ssize_t n;
    do {
      n = ::recvmsg(fd_, &msg, MSG_DONTWAIT);
    } while (n < 0 && errno == EINTR);
    if (n < 0) {
      if (errno == EAGAIN || errno == EWOULDBLOCK) return std::nullopt;
      // ECONNREFUSED and the like report an earlier send's ICMP error: not a datagram.
      if (errno == ECONNREFUSED || errno == EHOSTUNREACH || errno == ENETUNREACH) return std::nullopt;
      throw NetError(errnoText("recvmsg", errno));
    }
    Datagram d;
    d.from = Endpoint{ntohl(from.sin_addr.s_addr), ntohs(from.sin_port)};
    d.to = local_.address;
    for (cmsghdr* cm = CMSG_FIRSTHDR(&msg); cm; cm = CMSG_NXTHDR(&msg, cm)) {
      if (cm->cmsg_level == IPPROTO_IP && cm->cmsg_type == IP_PKTINFO) {
        in_pktinfo info;
        std::memcpy(&info, CMSG_DATA(cm), sizeof info);
        d.to = ntohl(info.ipi_addr.s_addr);
      }
    }
    buffer.resize(static_cast<std::size_t>(n));
    d.data = std::move(buffer);
    return d;
  }

  HostNetwork* network_;  // null once the network is gone
  int fd_;
  Endpoint local_;
  Handler handler_;
};

HostNetwork::HostNetwork(Clock& clock, Policy policy, Millis sliceMs)
    : clock_(clock), policy_(policy), sliceMs_(sliceMs > 0 ? sliceMs : 1) {}

HostNetwork::~HostNetwork() {
  // Sockets that outlive the network fail cleanly instead of calling into it.
  for (HostSocket* s : sockets_) s->network_ = nullptr;
}

std::unique_ptr<UdpSocket> HostNetwork::openUdp(const Endpoint& local) {
  int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  if (fd < 0) throw NetError(errnoText("socket", errno));
  int on = 1;
  if (::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on) != 0 ||
      ::setsockopt(fd, IPPROTO_IP, IP_PKTINFO, &on, sizeof on) != 0) {
    int err = errno;
    ::close(fd);
    throw NetError(errnoText("setsockopt", err));
  }
  sockaddr_in sa = toSockaddr(local);
  if (::bind(fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0) {
    int err = errno;
    ::close(fd);
    throw NetError(errnoText("bind " + formatEndpoint(local), err));
  }
  socklen_t len = sizeof sa;
  if (::getsockname(fd, reinterpret_cast<sockaddr*>(&sa), &len) != 0) {
    int err = errno;
    ::close(fd);
    throw NetError(errnoText("getsockname", err));
  }
  return std::make_unique<HostSocket>(*this, fd, Endpoint{ntohl(sa.sin_addr.s_addr), ntohs(sa.sin_port)});
}

void HostNetwork::attach(HostSocket* socket) {
  sockets_.push_back(socket);
}

void HostNetwork::detach(HostSocket* socket) {
  sockets_.erase(std::remove(sockets_.begin(), sockets_.end(), socket), sockets_.end());
}

bool HostNetwork::pollOnce(HostSocket* waiter, Millis wait) {
  std::vector<pollfd> fds;
  std::vector<HostSocket*> owners;
  if (waiter) {
    fds.push_back({waiter->fd_, POLLIN, 0});
    owners.push_back(waiter);
  }
  // Handlers do not run inside a handler (a handler that waits on a socket of its own).
  if (dispatchDepth_ == 0) {
    for (HostSocket* s : sockets_) {
      if (s != waiter && s->handler_) {
        fds.push_back({s->fd_, POLLIN, 0});
        owners.push_back(s);
      }
    }
  }
  if (fds.empty()) {
    if (!clock_.isVirtual() && wait > 0) clock_.sleepFor(wait);
    return false;
  }
  int n;
  do {
    n = ::poll(fds.data(), fds.size(), static_cast<int>(wait));
  } while (n < 0 && errno == EINTR);
  if (n < 0) throw NetError(errnoText("poll", errno));
  bool waiterReady = false;
  for (std::size_t i = 0; i < fds.size(); ++i) {
    if (!(fds[i].revents & (POLLIN | POLLERR))) continue;
    HostSocket* s = owners[i];
    if (s == waiter) {
      waiterReady = true;
      continue;
    }
    // Bounded: at most a burst of datagrams per socket and poll, so one busy socket cannot
    // starve the waiter.
    for (int k = 0; k < 64; ++k) {
      if (std::find(sockets_.begin(), sockets_.end(), s) == sockets_.end() || !s->handler_) break;
      auto d = s->readOne();
      if (!d) break;
      UdpSocket::Handler h = s->handler_;
      ++dispatchDepth_;
      try {
        h(*s, *d);
      } catch (...) {
        --dispatchDepth_;
        throw;
      }
      --dispatchDepth_;
    }
  }
  return waiterReady;
}

void HostNetwork::serve(Millis duration) {
  const Millis deadline = clock_.now() + std::max<Millis>(duration, 0);
  for (;;) {
    Millis remaining = deadline - clock_.now();
    if (remaining <= 0) return;
    Millis wait = std::min(remaining, sliceMs_);
    pollOnce(nullptr, wait);
    if (clock_.isVirtual()) clock_.sleepFor(wait);
  }
}

}  // namespace platform

#include "platform/snmp/manager.h"

#include <algorithm>

#include "platform/snmp/error.h"

namespace platform::snmp {

namespace {

// Anything already waiting when a request goes out cannot answer it; at most this many
// stale datagrams are thrown away before each send.
constexpr int kMaxStale = 4096;

class BusyGuard {
 public:
  explicit BusyGuard(bool& flag) : flag_(flag) { flag_ = true; }
  ~BusyGuard() { flag_ = false; }
  BusyGuard(const BusyGuard&) = delete;
  BusyGuard& operator=(const BusyGuard&) = delete;

 private:
  bool& flag_;
};

}  // namespace

Manager::Manager(Network& network, Settings settings, MessagePump* pump)
    : network_(network), settings_(std::move(settings)), pump_(pump) {
  if (!parseIpv4(settings_.broadcastAddress))
    throw Error(kManagerSource, "Invalid broadcast address \"" + settings_.broadcastAddress + "\"");
  if (settings_.agentPort == 0) throw Error(kManagerSource, "Invalid agent port 0");
  if (settings_.sliceMs <= 0) settings_.sliceMs = 10;
}

Manager::~Manager() = default;

void Manager::setRemotePort(int port) {
  if (port < 1 || port > 65535) throw Error(kManagerSource, "Invalid remote port " + std::to_string(port));
  remotePort_ = port;
}

void Manager::setTimeout(int ms) {
  if (ms < 1 || ms > 600000) throw Error(kManagerSource, "Invalid timeout " + std::to_string(ms));
  timeoutMs_ = ms;
}

void Manager::open(int localPort, const std::string& localAddress) {
  if (socket_) throw Error(kManagerSource, "Already open");
  if (localPort < 0 || localPort > 65535)
    throw Error(kManagerSource, "Invalid local port " + std::to_string(localPort));
  Ipv4 address = kAnyAddress;
  if (!localAddress.empty()) {
    auto parsed = parseIpv4(localAddress);
    if (!parsed) throw Error(kManagerSource, "Invalid local address \"" + localAddress + "\"");
    address = *parsed;
  }
  try {
    auto socket = network_.openUdp({address, static_cast<std::uint16_t>(localPort)});
    socket->setBroadcast(true);
    socket_ = std::move(socket);
  } catch (const NetError& e) {
    throw Error(kManagerSource, std::string("Cannot open: ") + e.what());
  }
}

void Manager::close() {
  if (busy_) throw Error(kManagerSource, "Cannot close while sending");
  socket_.reset();
}

bool Manager::isBroadcastTarget(Ipv4 address) const {
  return address == kLimitedBroadcast || address == *parseIpv4(settings_.broadcastAddress);
}

void Manager::send() {
  if (!socket_) throw Error(kManagerSource, "Not open");
  if (busy_) throw Error(kManagerSource, "A send is already running");
  auto host = parseIpv4(remoteHost_);
  if (!host) throw Error(kManagerSource, "Invalid remote host \"" + remoteHost_ + "\"");
  // The standard names map onto the configured ones (see Settings).
  Ipv4 destination = *host == kLimitedBroadcast ? *parseIpv4(settings_.broadcastAddress) : *host;
  std::uint16_t port = remotePort_ == 161 ? settings_.agentPort : static_cast<std::uint16_t>(remotePort_);
  const bool broadcast = isBroadcastTarget(destination);

  std::vector<std::uint8_t> packet;
  try {
    packet = ber::encodeMessage(message_.toBer());
  } catch (const ber::BerError& e) {
    throw Error(kManagerSource, std::string("Cannot encode the message: ") + e.what());
  }
  const std::int32_t requestId = message_.requestId();
  Clock& clock = network_.clock();

  BusyGuard guard(busy_);
  try {
    for (int i = 0; i < kMaxStale && socket_->receive(0); ++i) {
    }
    socket_->sendTo({destination, port}, packet);
  } catch (const NetError& e) {
    throw Error(kManagerSource, std::string("Send failed: ") + e.what());
  }

  const Millis deadline = clock.now() + timeoutMs_;
  bool answered = false;
  bool ended = false;
  while (!ended) {
    const Millis remaining = deadline - clock.now();
    if (remaining <= 0) break;
    std::optional<Datagram> datagram;
    try {
      datagram = socket_->receive(std::min<Millis>(remaining, settings_.sliceMs));
    } catch (const NetError& e) {
      throw Error(kManagerSource, std::string("Receive failed: ") + e.what());
    }
    if (datagram) {
      auto answer = ber::tryDecodeMessage(datagram->data);
      if (answer && answer->version == 0 && answer->pdu.type == ber::PduType::GetResponse) {
        message_.assignFrom(*answer);
        remoteHost_ = formatIpv4(datagram->from.address);
        answered = true;
        if (!broadcast && answer->pdu.requestId == requestId) ended = true;
        if (events_) events_->managerEvent(kEventAnswer, 0);
      }
    }
    if (!ended && pump_) pump_->processMessages();
  }
  if (!ended && !(broadcast && answered)) {
    if (events_) events_->managerEvent(kEventError, kErrorTimeout);
  }
}

}  // namespace platform::snmp

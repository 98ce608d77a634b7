#include "tools/apsim/agent.h"

#include <algorithm>
#include <cstdio>

#include "platform/clock/clock.h"
#include "platform/net/memory_network.h"

namespace apsim {

struct Fleet::Member {
  std::size_t index = 0;
  platform::Ipv4 address = 0;
  std::unique_ptr<platform::UdpSocket> socket;
  std::unique_ptr<SimulatedAccessPoint> ap;
  Faults faults;
  std::uint64_t received = 0;
  std::int32_t previousRequestId = 0;
};

Fleet::Fleet(platform::Network& network, const VariableTable& variables, FleetOptions options)
    : network_(network), variables_(variables), options_(options) {}

Fleet::~Fleet() {
  // Handlers refer to members: remove them before the sockets go.
  if (broadcast_) broadcast_->setHandler({});
  for (auto& m : members_) m->socket->setHandler({});
}

SimulatedAccessPoint& Fleet::add(platform::Ipv4 address, ApSettings settings, Faults faults) {
  auto member = std::make_unique<Member>();
  member->index = members_.size();
  member->address = address;
  member->faults = faults;
  member->ap = std::make_unique<SimulatedAccessPoint>(variables_, std::move(settings), options_.restartMillis);
  member->socket = network_.openUdp({address, options_.port});
  Member* raw = member.get();
  member->socket->setHandler([this, raw](platform::UdpSocket&, const platform::Datagram& d) { receive(*raw, d); });
  members_.push_back(std::move(member));

  bool inMemory = dynamic_cast<platform::MemoryNetwork*>(&network_) != nullptr;
  if (options_.sharedBroadcastSocket && !broadcast_ && !inMemory) {
    broadcast_ = network_.openUdp({platform::kAnyAddress, options_.port});
    broadcast_->setHandler([this](platform::UdpSocket&, const platform::Datagram& d) {
      // Unicast to an address of ours reaches that member's own socket; what arrives here is a
      // broadcast (or a unicast to an address nobody simulates, which is not ours to answer).
      if (!platform::isBroadcastLike(d.to)) return;
      for (auto& m : members_) receive(*m, d);
    });
  }
  return *raw->ap;
}

SimulatedAccessPoint& Fleet::accessPoint(std::size_t i) { return *members_.at(i)->ap; }
platform::Ipv4 Fleet::address(std::size_t i) const { return members_.at(i)->address; }
Faults& Fleet::faults(std::size_t i) { return members_.at(i)->faults; }
std::uint64_t Fleet::requestsReceived(std::size_t i) const { return members_.at(i)->received; }

void Fleet::receive(Member& m, const platform::Datagram& datagram) {
  auto request = ber::tryDecodeMessage(datagram.data);
  if (!request) return;  // not SNMP: devices drop it
  ++m.received;
  const Faults& f = m.faults;
  std::int32_t previousId = m.previousRequestId;
  m.previousRequestId = request->pdu.requestId;
  if (f.dropEvery && m.received % f.dropEvery == 0) {
    if (onRequest) onRequest(m.index, *request, false);
    return;
  }
  auto reply = m.ap->handle(*request, network_.clock().now());
  if (onRequest) onRequest(m.index, *request, reply.has_value());
  if (!reply) return;
  if (f.forceErrorStatus) {
    reply->pdu.errorStatus = f.forceErrorStatus;
    reply->pdu.errorIndex = 1;
  }
  if (f.corruptSetEcho && request->pdu.type == ber::PduType::SetRequest) {
    for (ber::VarBind& bind : reply->pdu.varbinds)
      if (bind.value.tag == ber::Tag::Integer) bind.value.number += 1;
  }
  if (f.staleAnswerFirst || f.staleOnly) {
    ber::Message stale = *reply;
    stale.pdu.requestId = previousId == request->pdu.requestId ? previousId - 1 : previousId;
    answer(m, datagram.from, ber::encodeMessage(stale), f.delayMillis);
    if (f.staleOnly) return;
  }
  answer(m, datagram.from, ber::encodeMessage(*reply), f.delayMillis);
}

void Fleet::answer(Member& m, const platform::Endpoint& to, std::vector<std::uint8_t> bytes, platform::Millis delay) {
  if (delay <= 0) {
    m.socket->sendTo(to, bytes);
    return;
  }
  if (auto* vclock = dynamic_cast<platform::VirtualClock*>(&network_.clock())) {
    platform::UdpSocket* socket = m.socket.get();
    vclock->scheduleAfter(delay, [socket, to, bytes = std::move(bytes)] { socket->sendTo(to, bytes); });
    return;
  }
  delayed_.push_back({network_.clock().now() + delay, &m, to, std::move(bytes)});
}

void Fleet::flushDue() {
  platform::Millis now = network_.clock().now();
  auto due = std::stable_partition(delayed_.begin(), delayed_.end(), [now](const Delayed& d) { return d.due > now; });
  std::vector<Delayed> sending(std::make_move_iterator(due), std::make_move_iterator(delayed_.end()));
  delayed_.erase(due, delayed_.end());
  for (Delayed& d : sending) d.member->socket->sendTo(d.to, d.bytes);
}

void Fleet::run(platform::Millis duration, const std::function<bool()>& stop) {
  platform::Clock& clock = network_.clock();
  const platform::Millis end = clock.now() + duration;
  while (clock.now() < end && !(stop && stop())) {
    network_.serve(std::min<platform::Millis>(50, end - clock.now()));
    flushDue();
  }
}

ApSettings fleetMemberSettings(std::size_t n, const std::string& password) {
  ApSettings s;
  s.password = password;
  char buf[32];
  std::snprintf(buf, sizeof buf, "AP-%02zu", n + 1);
  s.name = buf;
  std::snprintf(buf, sizeof buf, "WLAN-%02zu", n + 1);
  s.essid = buf;
  s.mac = {0x00, 0x04, 0x25, 0x10, static_cast<std::uint8_t>(n >> 8), static_cast<std::uint8_t>(n + 1)};
  s.channel = static_cast<std::int32_t>(1 + n % 11);
  s.associatedStations = static_cast<std::int32_t>(n % 5);
  s.ipAddress = 0xC0A80200u + static_cast<std::uint32_t>(10 + n);
  return s;
}

}  // namespace apsim

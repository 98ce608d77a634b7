// A small SNMPv1 agent for tests, built on our codec: answers get and set requests for the
// values it holds, on any Network, from inside the socket's handler.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/net/network.h"
#include "platform/snmp/ber.h"

namespace platform::snmp::testing {

class TestAgent {
 public:
  // `answerFrom` makes a socket bound to 0.0.0.0 answer from that address.
  TestAgent(Network& network, Endpoint bind, std::string community = "public",
            std::optional<Ipv4> answerFrom = std::nullopt)
      : socket_(network.openUdp(bind)), community_(std::move(community)), answerFrom_(answerFrom) {
    socket_->setHandler([this](UdpSocket& s, const Datagram& d) { onDatagram(s, d); });
  }

  std::map<ber::Oid, ber::Value> values;
  std::vector<ber::Message> received;  // every request decoded
  bool silent = false;                 // receive but never answer
  int answersPerRequest = 1;           // answer more than once (duplicates)
  // Sent before each answer (garbage, or an answer to another request).
  std::function<std::vector<std::vector<std::uint8_t>>(const ber::Message&)> extraBefore;

  Endpoint endpoint() const { return socket_->localEndpoint(); }
  UdpSocket& socket() { return *socket_; }

 private:
  void onDatagram(UdpSocket& s, const Datagram& d) {
    auto request = ber::tryDecodeMessage(d.data);
    if (!request) return;
    received.push_back(*request);
    if (silent) return;
    ber::Message answer = *request;
    answer.pdu.type = ber::PduType::GetResponse;
    if (request->community != community_) {
      answer.pdu.errorStatus = 16;  // what the access points answer for a wrong password
    } else {
      for (std::size_t i = 0; i < answer.pdu.varbinds.size(); ++i) {
        auto& vb = answer.pdu.varbinds[i];
        if (request->pdu.type == ber::PduType::SetRequest) {
          values[vb.name] = vb.value;
        } else if (auto it = values.find(vb.name); it != values.end()) {
          vb.value = it->second;
        } else if (answer.pdu.errorStatus == 0) {
          answer.pdu.errorStatus = 2;  // noSuchName
          answer.pdu.errorIndex = static_cast<std::int32_t>(i + 1);
        }
      }
    }
    if (extraBefore)
      for (const auto& extra : extraBefore(*request)) s.sendTo(d.from, extra, answerFrom_);
    auto bytes = ber::encodeMessage(answer);
    for (int i = 0; i < answersPerRequest; ++i) s.sendTo(d.from, bytes, answerFrom_);
  }

  std::unique_ptr<UdpSocket> socket_;
  std::string community_;
  std::optional<Ipv4> answerFrom_;
};

}  // namespace platform::snmp::testing

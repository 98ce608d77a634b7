// A small scripted SNMP agent on the in-memory network, for tests of CAccessPoint: it keeps
// values by MIB name, checks the community, records every request and can be told to drop,
// delay, repeat or replace its answers.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/net/memory_network.h"
#include "platform/snmp/ber.h"
#include "platform/snmp/mib.h"

namespace manager::test {

namespace ber = platform::snmp::ber;

class FakeAgent {
 public:
  struct Received {
    platform::Millis at;
    ber::Message message;
  };
  // What to do with one request; `n` counts the requests received so far (0-based).
  struct Reply {
    enum class Kind { Normal, Drop, Custom } kind = Kind::Normal;
    ber::Message custom;          // Custom: sent instead of the normal answer
    platform::Millis delay = 0;   // extra delay before the answer leaves
    int copies = 1;               // how many times the answer is sent
  };
  using Script = std::function<Reply(const ber::Message& request, std::size_t n, const ber::Message& normal)>;

  FakeAgent(platform::MemoryNetwork& network, const platform::snmp::Mib& mib, const std::string& address,
            std::uint16_t port)
      : network_(network), mib_(mib) {
    socket_ = network.openUdp({*platform::parseIpv4(address), port});
    socket_->setHandler([this](platform::UdpSocket& s, const platform::Datagram& d) { onDatagram(s, d); });
  }

  ber::Oid oid(const std::string& name) const { return *ber::parseOid(mib_.translate(name) + ".0"); }
  std::string nameOf(const ber::Oid& o) const {
    for (const auto& [name, value] : values_) {
      (void)value;
      if (oid(name) == o) return name;
    }
    for (const auto& n : mib_.names()) {
      if (oid(n) == o) return n;
    }
    return ber::formatOid(o);
  }

  void setValue(const std::string& name, ber::Value v) { values_[name] = std::move(v); }
  void setInteger(const std::string& name, std::int32_t v) { setValue(name, ber::Value::integer(v)); }
  void setText(const std::string& name, const std::string& s) {
    setValue(name, ber::Value::octets(std::vector<std::uint8_t>(s.begin(), s.end())));
  }
  void setBytes(const std::string& name, std::vector<std::uint8_t> b) { setValue(name, ber::Value::octets(std::move(b))); }
  void setAddress(const std::string& name, const std::string& dotted) {
    setValue(name, ber::Value::ipAddress(*platform::parseIpv4(dotted)));
  }
  const ber::Value& value(const std::string& name) { return values_.at(name); }
  bool hasValue(const std::string& name) const { return values_.count(name) != 0; }

  std::string community = "secret";
  // Discovery gets are answered whatever community they carry.
  bool answerDiscoveryForAnyCommunity = true;
  Script script;
  std::vector<Received> received;

  // Names of the variables of request i, in order.
  std::vector<std::string> names(std::size_t i) const {
    std::vector<std::string> out;
    for (const auto& vb : received.at(i).message.pdu.varbinds) out.push_back(nameOf(vb.name));
    return out;
  }
  // The value a request carried for `name` (set requests).
  std::optional<ber::Value> sent(std::size_t i, const std::string& name) const {
    for (const auto& vb : received.at(i).message.pdu.varbinds) {
      if (vb.name == oid(name)) return vb.value;
    }
    return std::nullopt;
  }

  // The answer the agent gives without a script.
  ber::Message normalAnswer(const ber::Message& request) {
    ber::Message answer = request;
    answer.pdu.type = ber::PduType::GetResponse;
    answer.pdu.errorStatus = 0;
    answer.pdu.errorIndex = 0;
    bool discovery = true;
    for (const auto& vb : request.pdu.varbinds) {
      const std::string n = nameOf(vb.name);
      discovery = discovery && (n == "sysDescr" || n == "operEthernetAddress" || n == "operAccessPointName");
    }
    const bool isSet = request.pdu.type == ber::PduType::SetRequest;
    if (request.community != community && !(answerDiscoveryForAnyCommunity && discovery && !isSet)) {
      answer.pdu.errorStatus = 16;
      return answer;
    }
    for (std::size_t i = 0; i < answer.pdu.varbinds.size(); ++i) {
      auto& vb = answer.pdu.varbinds[i];
      const std::string n = nameOf(vb.name);
      if (isSet) {
        values_[n] = vb.value;
      } else if (values_.count(n)) {
        vb.value = values_[n];
      } else {
        answer = request;
        answer.pdu.type = ber::PduType::GetResponse;
        answer.pdu.errorStatus = 2;  // noSuchName
        answer.pdu.errorIndex = static_cast<std::int32_t>(i + 1);
        return answer;
      }
    }
    return answer;
  }

 private:
  void onDatagram(platform::UdpSocket& s, const platform::Datagram& d) {
    auto request = ber::tryDecodeMessage(d.data);
    if (!request) return;
    received.push_back({network_.virtualClock().now(), *request});
    const ber::Message normal = normalAnswer(*request);
    Reply reply = script ? script(*request, received.size() - 1, normal) : Reply{};
    if (reply.kind == Reply::Kind::Drop) return;
    const ber::Message& answer = reply.kind == Reply::Kind::Custom ? reply.custom : normal;
    const auto bytes = ber::encodeMessage(answer);
    const platform::Endpoint to = d.from;
    for (int c = 0; c < reply.copies; ++c) {
      if (reply.delay > 0) {
        network_.virtualClock().scheduleAfter(reply.delay, [&s, to, bytes] { s.sendTo(to, bytes); });
      } else {
        s.sendTo(to, bytes);
      }
    }
  }

  platform::MemoryNetwork& network_;
  const platform::snmp::Mib& mib_;
  std::unique_ptr<platform::UdpSocket> socket_;
  std::map<std::string, ber::Value> values_;
};

}  // namespace manager::test

// Feeds CAccessPoint answers built from the fuzzer's bytes: variables of any type and length,
// any error status, matching or foreign request ids, repeated or missing answers. The object
// must come out of every operation idle and consistent.
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

#include "platform/clock/clock.h"
#include "platform/net/memory_network.h"
#include "platform/snmp/ber.h"
#include "platform/ui/message_box.h"
#include "snmp/access/access_point.h"

namespace {

namespace ber = platform::snmp::ber;

class Bytes {
 public:
  Bytes(const std::uint8_t* d, std::size_t n) : d_(d), n_(n) {}
  bool empty() const { return n_ == 0; }
  std::uint8_t next() {
    if (n_ == 0) return 0;
    --n_;
    return *d_++;
  }

 private:
  const std::uint8_t* d_;
  std::size_t n_;
};

class SilentBoxes final : public platform::MessageBoxService {
 public:
  platform::MessageResult messageBox(const std::string&, const std::string&, platform::MessageButtons,
                                     platform::MessageIcon) override {
    return platform::MessageResult::Ok;
  }
};

ber::Value valueFrom(Bytes& in, const ber::Value& asked) {
  const std::uint8_t kind = in.next() % 6;
  const std::size_t len = in.next() % 40;
  std::vector<std::uint8_t> b;
  for (std::size_t i = 0; i < len; ++i) b.push_back(in.next());
  switch (kind) {
    case 0: return asked;
    case 1: return ber::Value::integer(static_cast<std::int32_t>(in.next() << 24 | in.next() << 16 | in.next() << 8 | in.next()));
    case 2: return ber::Value::octets(b);
    case 3: return ber::Value::ipAddress(static_cast<std::uint32_t>(in.next() << 24 | in.next()));
    case 4: return ber::Value::unsignedValue(ber::Tag::Gauge, in.next());
    default: return ber::Value::null();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  Bytes in(data + 1, size - 1);
  const int op = data[0] % 14;

  platform::VirtualClock clock;
  platform::MemoryNetwork network(clock);
  SilentBoxes boxes;
  manager::AccessPointOptions options;
  options.settings.agentPort = 16161;
  options.settings.broadcastAddress = "127.255.255.255";
  options.mibPath = KIT_SOURCE_DIR "/snmp/AT76C510.mib";
  manager::CAccessPoint ap(manager::AccessPointServices{network, boxes, nullptr, nullptr}, options);

  auto agent = network.openUdp({0x7F000002u, 16161});
  int answers = 0;
  agent->setHandler([&](platform::UdpSocket& s, const platform::Datagram& d) {
    auto request = ber::tryDecodeMessage(d.data);
    if (!request || in.empty() || ++answers > 64) return;
    const std::uint8_t mode = in.next();
    if (mode % 7 == 0) return;  // lost
    ber::Message answer = *request;
    answer.pdu.type = ber::PduType::GetResponse;
    answer.pdu.errorStatus = (mode & 0x10) ? in.next() % 20 : 0;
    if (mode & 0x20) answer.pdu.requestId += static_cast<std::int8_t>(in.next());
    if (mode & 0x40 && !answer.pdu.varbinds.empty()) answer.pdu.varbinds.pop_back();
    for (auto& vb : answer.pdu.varbinds) vb.value = valueFrom(in, vb.value);
    std::vector<std::uint8_t> bytes;
    try {
      bytes = ber::encodeMessage(answer);
    } catch (const ber::BerError&) {
      return;
    }
    const int copies = 1 + (mode >> 7);
    for (int c = 0; c < copies; ++c) s.sendTo(d.from, bytes);
  });

  ap.Connect("127.0.0.2", "pw");
  manager::ApConfiguration config;
  manager::ApPrivacySettings privacy;
  privacy.keys = {"0102030405", "0102030405", "0102030405", "0102030405"};
  std::array<manager::ApListEntry, 4> list;
  int count = 0;
  switch (op) {
    case 0: ap.GetConfiguration(config); break;
    case 1: ap.SetConfiguration(config); break;
    case 2: ap.GetPrivacySettings(privacy); break;
    case 3: ap.SetPrivacySettings(privacy); break;
    case 4: ap.RestartAccessPoint(); break;
    case 5: ap.LoadDefaults(); break;
    case 6: ap.SetPassword("new"); break;
    case 7: ap.GetMacFilterState(); break;
    case 8: ap.SetMacFilterState(); break;
    case 9: ap.TransferMacEntry(1); break;
    case 10: ap.TransferMacEntry(2); break;
    case 11: ap.GetBridgeSettings(); break;
    case 12: ap.SetBridgeSettings(); break;
    default: ap.FindAccessPoints(count, list); break;
  }
  if (ap.busy() || count < 0 || count > 4) std::abort();
  if (ap.connectionState() != manager::CAccessPoint::kConnected && ap.connectionState() != manager::CAccessPoint::kIdle)
    std::abort();
  return 0;
}

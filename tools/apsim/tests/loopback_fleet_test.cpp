// The apsim program on real loopback UDP: a broadcast to 127.255.255.255 finds the whole fleet.
#include <gtest/gtest.h>

#include <set>

#include "platform/clock/clock.h"
#include "platform/net/host_network.h"
#include "tools/apsim/tests/apsim_process.h"
#include "tools/apsim/tests/fleet_fixture.h"

namespace apsim::testing {
namespace {

TEST(LoopbackFleet, BroadcastFindsEveryAccessPointAndUnicastReachesEach) {
  const std::uint16_t port = testPort(1);
  ApsimProcess apsim({"--count", "5", "--first", "127.0.0.2", "--port", std::to_string(port), "--duration", "60",
                      "--mib", KIT_SOURCE_DIR "/snmp/AT76C510.mib"});
  ASSERT_TRUE(apsim.ready()) << apsim.output();

  platform::RealClock clock;
  platform::HostNetwork network(clock, platform::HostNetwork::Policy::LoopbackOnly);
  auto socket = network.openUdp({platform::kLoopback, 0});
  socket->setBroadcast(true);
  VariableTable variables(kitMib());

  ber::Message discovery;
  discovery.pdu.requestId = 7;
  for (const char* name : {"sysDescr", "operEthernetAddress", "operAccessPointName"})
    discovery.pdu.varbinds.push_back({variables.instanceOf(name), ber::Value::null()});
  socket->sendTo({0x7FFFFFFF, port}, ber::encodeMessage(discovery));

  std::set<platform::Ipv4> from;
  std::set<std::string> names;
  platform::Millis end = clock.now() + 1500;
  while (clock.now() < end && from.size() < 5) {
    auto d = socket->receive(end - clock.now());
    if (!d) break;
    auto answer = ber::decodeMessage(d->data);
    EXPECT_EQ(answer.pdu.requestId, 7);
    from.insert(d->from.address);
    names.insert(std::string(answer.pdu.varbinds[2].value.bytes.begin(), answer.pdu.varbinds[2].value.bytes.end()));
  }
  EXPECT_EQ(from, (std::set<platform::Ipv4>{0x7F000002, 0x7F000003, 0x7F000004, 0x7F000005, 0x7F000006}));
  EXPECT_EQ(names, (std::set<std::string>{"AP-01", "AP-02", "AP-03", "AP-04", "AP-05"}));

  // A unicast get reaches exactly the access point it is sent to.
  ber::Message get = discovery;
  get.community = "public";
  get.pdu.requestId = 8;
  socket->sendTo({0x7F000004, port}, ber::encodeMessage(get));
  auto d = socket->receive(1500);
  ASSERT_TRUE(d);
  EXPECT_EQ(d->from.address, 0x7F000004u);
  auto answer = ber::decodeMessage(d->data);
  EXPECT_EQ(std::string(answer.pdu.varbinds[2].value.bytes.begin(), answer.pdu.varbinds[2].value.bytes.end()), "AP-03");
  EXPECT_FALSE(socket->receive(200)) << "only one access point answers a unicast";
}

TEST(LoopbackFleet, RefusesAddressesOutsideLoopback) {
  std::string out = runCapture(KIT_BINARY_DIR "/tools/apsim/apsim --first 192.168.1.2 --duration 1");
  EXPECT_NE(out.find("--first must be a loopback address"), std::string::npos) << out;
}

}  // namespace
}  // namespace apsim::testing

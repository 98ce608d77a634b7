#include "platform/net/memory_network.h"

#include <gtest/gtest.h>

#include "platform/net/tests/datagram_text.h"

#include <string>
#include <vector>

namespace platform {
namespace {

using namespace platform::testing;

TEST(Ipv4Text, ParsesStrictlyAndFormats) {
  EXPECT_EQ(parseIpv4("127.0.0.1"), 0x7F000001u);
  EXPECT_EQ(parseIpv4("255.255.255.255"), 0xFFFFFFFFu);
  EXPECT_EQ(parseIpv4("0.0.0.0"), 0u);
  for (const char* bad : {"", "1.2.3", "1.2.3.4.5", "256.0.0.1", "1.2.3.-4", "1.2.3.4 ", " 1.2.3.4", "1..3.4",
                          "0001.2.3.4", "a.b.c.d", "1.2.3.4.", "1.2.3.1000"})
    EXPECT_FALSE(parseIpv4(bad)) << bad;
  EXPECT_EQ(formatIpv4(0xC0A80001), "192.168.0.1");
  EXPECT_EQ(formatEndpoint({0x7F000002, 161}), "127.0.0.2:161");
  EXPECT_TRUE(isLoopback(ip("127.255.255.255")));
  EXPECT_FALSE(isLoopback(ip("128.0.0.1")));
}

TEST(MemoryNetwork, DeliveryIsAnEventAfterTheLatency) {
  VirtualClock clock(1000);
  MemoryNetwork net(clock, 25);
  auto a = net.openUdp({ip("127.0.0.1"), 0});
  auto b = net.openUdp({ip("127.0.0.2"), 4000});
  a->sendTo({ip("127.0.0.2"), 4000}, bytes("hello"));
  EXPECT_EQ(clock.pendingEvents(), 1u);
  EXPECT_FALSE(b->receive(0));  // not yet there
  auto d = b->receive(1000);
  ASSERT_TRUE(d);
  EXPECT_EQ(clock.now(), 1025);  // waited exactly the latency, not the whole timeout
  EXPECT_EQ(text(*d), "hello");
  EXPECT_EQ(d->from, a->localEndpoint());
  EXPECT_EQ(d->to, ip("127.0.0.2"));
  EXPECT_GE(a->localEndpoint().port, 49152);
}

TEST(MemoryNetwork, ReceiveTimesOutExactlyAtTheDeadline) {
  VirtualClock clock;
  MemoryNetwork net(clock);
  auto s = net.openUdp({kAnyAddress, 5000});
  int fired = 0;
  clock.scheduleAfter(300, [&] { ++fired; });  // an unrelated timer in between
  EXPECT_FALSE(s->receive(700));
  EXPECT_EQ(clock.now(), 700);
  EXPECT_EQ(fired, 1);
  EXPECT_FALSE(s->receive(0));
  EXPECT_EQ(clock.now(), 700);
}

TEST(MemoryNetwork, UnicastPrefersTheExactBindingThenTheWildcard) {
  VirtualClock clock;
  MemoryNetwork net(clock);
  auto wildcard = net.openUdp({kAnyAddress, 161});
  auto exact = net.openUdp({ip("127.0.0.5"), 161});
  auto sender = net.openUdp({kAnyAddress, 0});
  sender->sendTo({ip("127.0.0.5"), 161}, bytes("to five"));
  sender->sendTo({ip("127.0.0.6"), 161}, bytes("to six"));
  sender->sendTo({ip("127.0.0.6"), 162}, bytes("nobody"));
  clock.advance(10);
  auto e = exact->receive(0);
  ASSERT_TRUE(e);
  EXPECT_EQ(text(*e), "to five");
  EXPECT_FALSE(exact->receive(0));
  auto w = wildcard->receive(0);
  ASSERT_TRUE(w);
  EXPECT_EQ(text(*w), "to six");
  EXPECT_FALSE(wildcard->receive(0));
  EXPECT_EQ(net.traffic().size(), 3u);
  EXPECT_EQ(net.traffic()[1].to, (Endpoint{ip("127.0.0.6"), 161}));
  EXPECT_EQ(net.traffic()[1].from, sender->localEndpoint().address == kAnyAddress
                                       ? (Endpoint{kLoopback, sender->localEndpoint().port})
                                       : sender->localEndpoint());
  net.clearTraffic();
  net.setRecordTraffic(false);
  sender->sendTo({ip("127.0.0.5"), 161}, bytes("unrecorded"));
  EXPECT_TRUE(net.traffic().empty());
  EXPECT_TRUE(exact->receive(10));  // still delivered
}

TEST(MemoryNetwork, BroadcastReachesEverySocketOnThePortAndNeedsPermission) {
  VirtualClock clock;
  MemoryNetwork net(clock, 2);
  std::vector<std::unique_ptr<UdpSocket>> agents;
  for (const char* a : {"127.0.0.2", "127.0.0.3", "0.0.0.0"}) agents.push_back(net.openUdp({ip(a), 161}));
  auto other = net.openUdp({kAnyAddress, 162});
  auto manager = net.openUdp({kAnyAddress, 0});
  EXPECT_THROW(manager->sendTo({ip("127.255.255.255"), 161}, bytes("x")), NetError);
  manager->setBroadcast(true);
  for (const char* target : {"127.255.255.255", "255.255.255.255"}) {
    manager->sendTo({ip(target), 161}, bytes(target));
    clock.advance(5);
    for (auto& agent : agents) {
      auto d = agent->receive(0);
      ASSERT_TRUE(d) << target;
      EXPECT_EQ(text(*d), target);
      EXPECT_EQ(d->to, ip(target));
    }
    EXPECT_FALSE(other->receive(0));
  }
}

TEST(MemoryNetwork, SourceAddressChoiceAndDefault) {
  VirtualClock clock;
  MemoryNetwork net(clock, 1, ip("127.0.0.1"));
  auto agent = net.openUdp({kAnyAddress, 161});
  auto manager = net.openUdp({kAnyAddress, 0});
  manager->sendTo({ip("127.0.0.1"), 161}, bytes("q"));
  auto q = agent->receive(10);
  ASSERT_TRUE(q);
  EXPECT_EQ(q->from.address, ip("127.0.0.1"));
  agent->sendTo(q->from, bytes("a"), ip("127.0.0.9"));
  auto a = manager->receive(10);
  ASSERT_TRUE(a);
  EXPECT_EQ(a->from, (Endpoint{ip("127.0.0.9"), 161}));
}

TEST(MemoryNetwork, HandlersAnswerOnTheClockAndClosedSocketsGetNothing) {
  VirtualClock clock;
  MemoryNetwork net(clock, 10);
  auto echo = net.openUdp({ip("127.0.0.2"), 7});
  int handled = 0;
  echo->setHandler([&](UdpSocket& s, const Datagram& d) {
    ++handled;
    s.sendTo(d.from, d.data);
  });
  auto client = net.openUdp({kAnyAddress, 0});
  client->sendTo({ip("127.0.0.2"), 7}, bytes("ping"));
  auto back = client->receive(1000);
  ASSERT_TRUE(back);
  EXPECT_EQ(text(*back), "ping");
  EXPECT_EQ(clock.now(), 20);
  EXPECT_EQ(handled, 1);

  client->sendTo({ip("127.0.0.2"), 7}, bytes("late"));
  echo.reset();  // closed while the datagram is on its way
  EXPECT_FALSE(client->receive(100));
  EXPECT_EQ(handled, 1);
}

TEST(MemoryNetwork, LossFilterDropsAndPendingDeliveriesDieWithTheNetwork) {
  VirtualClock clock;
  {
    MemoryNetwork net(clock, 50);
    net.setLossFilter([](const MemoryNetwork::Sent& s) { return s.data.size() == 4; });
    auto a = net.openUdp({kAnyAddress, 9});
    auto b = net.openUdp({kAnyAddress, 0});
    b->sendTo({ip("127.0.0.1"), 9}, bytes("lost"));
    b->sendTo({ip("127.0.0.1"), 9}, bytes("kept!"));
    auto d = a->receive(100);
    ASSERT_TRUE(d);
    EXPECT_EQ(text(*d), "kept!");
    b->sendTo({ip("127.0.0.1"), 9}, bytes("in flight"));
    EXPECT_EQ(clock.pendingEvents(), 1u);
  }
  EXPECT_EQ(clock.pendingEvents(), 0u);
  clock.advance(1000);  // nothing left to call into the destroyed network
}

TEST(MemoryNetwork, RefusesPortZeroAndOversizedDatagrams) {
  VirtualClock clock;
  MemoryNetwork net(clock);
  auto s = net.openUdp({kAnyAddress, 0});
  EXPECT_THROW(s->sendTo({ip("127.0.0.1"), 0}, bytes("x")), NetError);
  EXPECT_THROW(s->sendTo({ip("127.0.0.1"), 9}, Bytes(65508, 0)), NetError);
  EXPECT_NO_THROW(s->sendTo({ip("127.0.0.1"), 9}, Bytes(65507, 0)));
}

}  // namespace
}  // namespace platform

// Real UDP on the loopback interface only: the network refuses any other destination.
#include "platform/net/host_network.h"

#include <gtest/gtest.h>

#include "platform/net/tests/datagram_text.h"

#include <set>
#include <string>
#include <vector>

namespace platform {
namespace {

using namespace platform::testing;

class HostNetworkTest : public ::testing::Test {
 protected:
  RealClock clock;
  HostNetwork net{clock, HostNetwork::Policy::LoopbackOnly};
};

TEST_F(HostNetworkTest, UnicastCarriesSourceAndDestination) {
  auto a = net.openUdp({ip("127.0.0.1"), 0});
  auto b = net.openUdp({kAnyAddress, 0});
  ASSERT_NE(a->localEndpoint().port, 0);
  a->sendTo({ip("127.0.0.1"), b->localEndpoint().port}, bytes("hello"));
  auto d = b->receive(5000);
  ASSERT_TRUE(d);
  EXPECT_EQ(text(*d), "hello");
  EXPECT_EQ(d->from, a->localEndpoint());
  EXPECT_EQ(d->to, ip("127.0.0.1"));
}

TEST_F(HostNetworkTest, AnswersLeaveFromTheChosenLoopbackAddress) {
  auto agent = net.openUdp({kAnyAddress, 0});
  auto manager = net.openUdp({kAnyAddress, 0});
  manager->sendTo({ip("127.0.0.1"), agent->localEndpoint().port}, bytes("q"));
  auto q = agent->receive(5000);
  ASSERT_TRUE(q);
  agent->sendTo(q->from, bytes("a"), ip("127.0.0.7"));
  auto a = manager->receive(5000);
  ASSERT_TRUE(a);
  EXPECT_EQ(a->from, (Endpoint{ip("127.0.0.7"), agent->localEndpoint().port}));
}

TEST_F(HostNetworkTest, LoopbackBroadcastReachesEverySocketOnThePort) {
  auto first = net.openUdp({kAnyAddress, 0});
  const std::uint16_t port = first->localEndpoint().port;
  std::vector<std::unique_ptr<UdpSocket>> agents;
  agents.push_back(std::move(first));
  agents.push_back(net.openUdp({kAnyAddress, port}));
  agents.push_back(net.openUdp({kAnyAddress, port}));
  auto manager = net.openUdp({kAnyAddress, 0});
  EXPECT_THROW(manager->sendTo({ip("127.255.255.255"), port}, bytes("x")), NetError);  // no SO_BROADCAST yet
  manager->setBroadcast(true);
  manager->sendTo({ip("127.255.255.255"), port}, bytes("who is there"));
  for (std::size_t i = 0; i < agents.size(); ++i) {
    auto d = agents[i]->receive(5000);
    ASSERT_TRUE(d) << i;
    EXPECT_EQ(text(*d), "who is there");
    EXPECT_EQ(d->to, ip("127.255.255.255"));
    Ipv4 own = ip("127.0.0.2") + static_cast<Ipv4>(i);
    agents[i]->sendTo(d->from, bytes(formatIpv4(own)), own);
  }
  std::set<std::string> answered;
  for (int i = 0; i < 3; ++i) {
    auto d = manager->receive(5000);
    ASSERT_TRUE(d);
    EXPECT_EQ(formatIpv4(d->from.address), text(*d));
    answered.insert(text(*d));
  }
  EXPECT_EQ(answered, (std::set<std::string>{"127.0.0.2", "127.0.0.3", "127.0.0.4"}));
}

TEST_F(HostNetworkTest, LoopbackOnlyRefusesOtherDestinations) {
  auto s = net.openUdp({kAnyAddress, 0});
  s->setBroadcast(true);
  for (const char* far : {"255.255.255.255", "10.1.2.3", "192.168.0.255", "8.8.8.8", "128.0.0.1"}) {
    try {
      s->sendTo({ip(far), 161}, bytes("x"));
      ADD_FAILURE() << far;
    } catch (const NetError& e) {
      EXPECT_NE(std::string(e.what()).find(far), std::string::npos);
    }
  }
}

TEST_F(HostNetworkTest, ServingSocketsAnswerWhileAnotherWaits) {
  auto echo = net.openUdp({ip("127.0.0.1"), 0});
  int handled = 0;
  echo->setHandler([&](UdpSocket& self, const Datagram& d) {
    ++handled;
    self.sendTo(d.from, d.data);
  });
  auto client = net.openUdp({kAnyAddress, 0});
  for (int i = 0; i < 5; ++i) {
    std::string payload = "ping " + std::to_string(i);
    client->sendTo(echo->localEndpoint(), bytes(payload));
    auto back = client->receive(5000);
    ASSERT_TRUE(back);
    EXPECT_EQ(text(*back), payload);
  }
  EXPECT_EQ(handled, 5);
}

TEST_F(HostNetworkTest, ReceiveGivesUpAfterTheTimeout) {
  auto s = net.openUdp({ip("127.0.0.1"), 0});
  Millis start = clock.now();
  EXPECT_FALSE(s->receive(60));
  EXPECT_GE(clock.now() - start, 60);
  EXPECT_FALSE(s->receive(0));
}

TEST_F(HostNetworkTest, BindErrorsAreReported) {
  // An address no interface has.
  EXPECT_THROW(net.openUdp({ip("203.0.113.1"), 0}), NetError);
}

TEST(HostNetworkLifetime, SocketsOutlivingTheirNetworkFailCleanly) {
  RealClock clock;
  std::unique_ptr<UdpSocket> orphan;
  {
    HostNetwork net(clock, HostNetwork::Policy::LoopbackOnly);
    orphan = net.openUdp({ip("127.0.0.1"), 0});
  }
  EXPECT_THROW(orphan->sendTo({ip("127.0.0.1"), 9}, bytes("x")), NetError);
  EXPECT_THROW(orphan->receive(10), NetError);
  EXPECT_NE(orphan->localEndpoint().port, 0);
  orphan.reset();  // and closing it touches nothing that is gone
}

TEST(HostNetworkVirtualTime, EmptySlicesAdvanceAVirtualClock) {
  VirtualClock clock;
  HostNetwork net(clock, HostNetwork::Policy::LoopbackOnly, 5);
  auto s = net.openUdp({ip("127.0.0.1"), 0});
  EXPECT_FALSE(s->receive(40));
  EXPECT_EQ(clock.now(), 40);
}

}  // namespace
}  // namespace platform

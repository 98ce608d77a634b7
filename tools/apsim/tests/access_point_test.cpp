#include <gtest/gtest.h>

#include "tools/apsim/tests/fleet_fixture.h"

namespace apsim::testing {
namespace {

using ber::PduType;
using ber::Value;

TEST_F(FleetTest, DiscoveryVariablesAnswerAnyCommunityEverythingElseNeedsThePassword) {
  addAp();
  auto discovery = get({"sysDescr", "operEthernetAddress", "operAccessPointName"}, "not-the-password");
  ASSERT_TRUE(discovery);
  EXPECT_EQ(discovery->pdu.type, PduType::GetResponse);
  EXPECT_EQ(discovery->pdu.errorStatus, 0);
  EXPECT_EQ(textOf(discovery->pdu.varbinds[0].value), "AT76C510 Wireless Access Point (Version 1.4k.2)");
  EXPECT_EQ(discovery->pdu.varbinds[1].value.bytes, (std::vector<std::uint8_t>{0x00, 0x04, 0x25, 0x10, 0x00, 0x01}));
  EXPECT_EQ(textOf(discovery->pdu.varbinds[2].value), "AP-01");

  auto connect = get({"sysDescr", "operChannelID"}, "wrong");
  ASSERT_TRUE(connect);
  EXPECT_EQ(connect->pdu.errorStatus, 16);

  auto write = set({bind("operAccessPointName", text("Hijacked"))}, "wrong");
  ASSERT_TRUE(write);
  EXPECT_EQ(write->pdu.errorStatus, 16);
  EXPECT_EQ(fleet_->accessPoint(0).settings().name, "AP-01");
}

TEST_F(FleetTest, DeviceInfoCarriesMacAndRegulatoryDomainAtTheirOffsets) {
  addAp().settings().regulatoryDomain = 0x41;
  auto answer = get({"sysDeviceInfo"});
  ASSERT_TRUE(answer);
  const auto& info = answer->pdu.varbinds[0].value.bytes;
  ASSERT_EQ(info.size(), 16u);
  EXPECT_EQ(info[0], 1);  // structure version, little-endian
  EXPECT_EQ(std::vector<std::uint8_t>(info.begin() + 4, info.begin() + 10),
            (std::vector<std::uint8_t>{0x00, 0x04, 0x25, 0x10, 0x00, 0x01}));
  EXPECT_EQ(info[11], 0x41);
  EXPECT_EQ(info[12] | info[13] << 8, 0x0510);
}

TEST_F(FleetTest, SetIsAnsweredWithStoredValuesAndIsAllOrNothing) {
  addAp();
  auto ok = set({bind("operChannelID", Value::integer(11)), bind("operESSID", text("Office")),
                 bind("operIPAddress", Value::ipAddress(0x0A000005))});
  ASSERT_TRUE(ok);
  EXPECT_EQ(ok->pdu.errorStatus, 0);
  EXPECT_EQ(ok->pdu.varbinds[0].value, Value::integer(11));
  EXPECT_EQ(textOf(ok->pdu.varbinds[1].value), "Office");

  auto bad = set({bind("operESSID", text("Lost")), bind("operChannelID", Value::integer(99))});
  ASSERT_TRUE(bad);
  EXPECT_EQ(bad->pdu.errorStatus, 3);
  EXPECT_EQ(bad->pdu.errorIndex, 2);
  EXPECT_EQ(fleet_->accessPoint(0).settings().essid, "Office");
  EXPECT_EQ(fleet_->accessPoint(0).settings().channel, 11);
}

struct RejectedSet {
  const char* variable;
  Value value;
  std::int32_t status;
};

TEST_F(FleetTest, RejectsWritesOutsideWhatTheDeviceHolds) {
  addAp();
  const RejectedSet cases[] = {
      {"sysDescr", text("x"), 4},
      {"AssociatedSTAsNum", Value::integer(3), 4},
      {"operChannelID", text("6"), 3},
      {"operRTSThreshold", Value::integer(2348), 3},
      {"privacyWEPEnable", Value::integer(4), 3},
      {"privacyDefaultWEPKeyID", Value::integer(5), 3},
      {"defaultWEPKey1", Value::octets(std::vector<std::uint8_t>(6, 1)), 3},
      {"bridgeOperationalMode", Value::integer(3), 3},
      {"bridgeRemoteBridgeBSSID", Value::octets(std::vector<std::uint8_t>(5, 1)), 3},
      {"AuthorizationMacEnable", Value::integer(0), 3},
      {"AuthorizedMac", Value::octets(std::vector<std::uint8_t>(11, 0)), 3},
      {"AuthorizedAdminPass", text(""), 3},
      {"operESSID", text(std::string(33, 'e')), 3},
  };
  for (const auto& c : cases) {
    auto answer = set({bind(c.variable, c.value)});
    ASSERT_TRUE(answer) << c.variable;
    EXPECT_EQ(answer->pdu.errorStatus, c.status) << c.variable;
    EXPECT_EQ(answer->pdu.errorIndex, 1) << c.variable;
  }
  ber::Message unknown = request(PduType::GetRequest, {{*ber::parseOid("1.3.6.1.4.1.410.9.9.0"), Value::null()}});
  auto answer = exchange(kFirst, unknown);
  ASSERT_TRUE(answer);
  EXPECT_EQ(answer->pdu.errorStatus, 2);
}

TEST_F(FleetTest, EmptyRemoteBridgeAddressClearsIt) {
  auto& ap = addAp();
  ASSERT_EQ(set({bind("bridgeOperationalMode", Value::integer(4)),
                 bind("bridgeRemoteBridgeBSSID", Value::octets({1, 2, 3, 4, 5, 6}))})->pdu.errorStatus, 0);
  EXPECT_EQ(ap.settings().remoteBridge, (Mac{1, 2, 3, 4, 5, 6}));
  auto answer = set({bind("bridgeOperationalMode", Value::integer(2)), bind("bridgeRemoteBridgeBSSID", Value::octets({}))});
  ASSERT_TRUE(answer);
  EXPECT_EQ(answer->pdu.errorStatus, 0);
  EXPECT_EQ(answer->pdu.varbinds[1].value.bytes, std::vector<std::uint8_t>(6, 0));
  EXPECT_EQ(ap.settings().remoteBridge, Mac{});
}

TEST_F(FleetTest, RestartAnswersThenStaysSilentForTheRestartTime) {
  auto& ap = addAp();
  auto answer = set({bind("sysUpload", Value::integer(1))});
  ASSERT_TRUE(answer);
  EXPECT_EQ(answer->pdu.varbinds[0].value, Value::integer(1));
  EXPECT_EQ(ap.restarts(), 1);
  EXPECT_FALSE(get({"operChannelID"}));
  clock_.advance(2000);
  EXPECT_TRUE(get({"operChannelID"}));
}

TEST_F(FleetTest, FactoryDefaultsRestoreSettingsAndPassword) {
  auto& ap = addAp();
  ASSERT_TRUE(set({bind("operAccessPointName", text("Renamed")), bind("AuthorizedAdminPass", text("secret"))}));
  ASSERT_EQ(ap.settings().password, "secret");
  auto answer = set({bind("sysLoadDefaults", Value::integer(1))}, "secret");
  ASSERT_TRUE(answer);
  EXPECT_EQ(answer->pdu.errorStatus, 0);
  clock_.advance(2000);
  EXPECT_EQ(ap.defaultsLoaded(), 1);
  EXPECT_EQ(ap.settings().name, "AP-01");
  auto after = get({"operChannelID"}, "public");
  ASSERT_TRUE(after);
  EXPECT_EQ(after->pdu.errorStatus, 0);
}

TEST_F(FleetTest, PasswordChangeEchoesAndSwitchesTheCommunity) {
  addAp();
  auto answer = set({bind("AuthorizedAdminPass", text("n3w")), bind("AuthorizedManufactPass", text("n3w"))});
  ASSERT_TRUE(answer);
  EXPECT_EQ(textOf(answer->pdu.varbinds[0].value), "n3w");
  EXPECT_EQ(get({"operChannelID"}, "public")->pdu.errorStatus, 16);
  EXPECT_EQ(get({"operChannelID"}, "n3w")->pdu.errorStatus, 0);
  // Passwords are never served to a get.
  EXPECT_EQ(get({"AuthorizedAdminPass"}, "n3w")->pdu.errorStatus, 2);
}

std::vector<std::uint8_t> macBlock(int action, int count, int index, std::vector<std::uint8_t> mac) {
  std::vector<std::uint8_t> b(12, 0);
  b[0] = static_cast<std::uint8_t>(action);
  b[2] = static_cast<std::uint8_t>(count);
  b[4] = static_cast<std::uint8_t>(index);
  for (std::size_t i = 0; i < 6 && i < mac.size(); ++i) b[6 + i] = mac[i];
  return b;
}

TEST_F(FleetTest, MacTableWritesReadsAndClears) {
  auto& ap = addAp();
  const std::vector<std::vector<std::uint8_t>> macs = {
      {0x00, 0x11, 0x22, 0x33, 0x44, 0x01}, {0x00, 0x11, 0x22, 0x33, 0x44, 0x02}, {0xAA, 0xBB, 0xCC, 0xDD, 0xEE, 0xFF}};
  for (int i = 0; i < 3; ++i) {
    auto block = macBlock(1, 3, i + 1, macs[i]);
    auto answer = set({bind("AuthorizedMac", Value::octets(block))});
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->pdu.errorStatus, 0);
    EXPECT_EQ(answer->pdu.varbinds[0].value.bytes, block) << "a write is echoed";
  }
  ASSERT_EQ(ap.settings().macTable.size(), 3u);

  auto read = set({bind("AuthorizedMac", Value::octets(macBlock(2, 0, 2, std::vector<std::uint8_t>(6, 0))))});
  ASSERT_TRUE(read);
  EXPECT_EQ(read->pdu.varbinds[0].value.bytes, macBlock(2, 3, 2, macs[1]));

  auto beyond = set({bind("AuthorizedMac", Value::octets(macBlock(2, 0, 4, std::vector<std::uint8_t>(6, 0))))});
  EXPECT_EQ(beyond->pdu.varbinds[0].value.bytes, macBlock(2, 3, 4, std::vector<std::uint8_t>(6, 0)));

  ASSERT_TRUE(set({bind("AuthorizedMac", Value::octets(macBlock(1, 0, 0, std::vector<std::uint8_t>(6, 0))))}));
  EXPECT_TRUE(ap.settings().macTable.empty());
  auto empty = set({bind("AuthorizedMac", Value::octets(macBlock(2, 0, 1, std::vector<std::uint8_t>(6, 0))))});
  EXPECT_EQ(empty->pdu.varbinds[0].value.bytes, macBlock(2, 0, 1, std::vector<std::uint8_t>(6, 0)));

  auto badIndex = set({bind("AuthorizedMac", Value::octets(macBlock(1, 2, 3, macs[0])))});
  EXPECT_EQ(badIndex->pdu.errorStatus, 3);
}

TEST_F(FleetTest, BroadcastIsAnsweredByEveryAccessPointFromItsOwnAddress) {
  for (std::size_t n = 0; n < 3; ++n) addAp(n);
  send(0x7FFFFFFF, request(PduType::GetRequest, {bind("sysDescr"), bind("operEthernetAddress"),
                                                 bind("operAccessPointName")}, ""));
  auto answers = collect();
  ASSERT_EQ(answers.size(), 3u);
  std::set<platform::Ipv4> from;
  for (auto& [address, message] : answers) {
    from.insert(address);
    EXPECT_EQ(message.pdu.errorStatus, 0);
  }
  EXPECT_EQ(from, (std::set<platform::Ipv4>{kFirst, kFirst + 1, kFirst + 2}));
}

TEST_F(FleetTest, MalformedDatagramsAreIgnoredAndChangeNothing) {
  auto& ap = addAp();
  const std::vector<std::vector<std::uint8_t>> junk = {
      {}, {0x30}, {0x30, 0x84, 0xFF, 0xFF, 0xFF, 0xFF}, {0x30, 0x03, 0x02, 0x01, 0x00}, std::vector<std::uint8_t>(300, 0xA3)};
  for (const auto& bytes : junk) client_->sendTo({kFirst, kPort}, bytes);
  EXPECT_TRUE(collect().empty());
  EXPECT_EQ(fleet_->requestsReceived(0), 0u);
  EXPECT_EQ(ap.settings().name, "AP-01");
}

TEST_F(FleetTest, FaultInjection) {
  Faults drop;
  drop.dropEvery = 2;
  addAp(0, drop);
  EXPECT_TRUE(get({"operChannelID"}));
  EXPECT_FALSE(get({"operChannelID"}));
  EXPECT_TRUE(get({"operChannelID"}));

  fleet_->faults(0) = Faults{};
  fleet_->faults(0).delayMillis = 700;
  send(kFirst, request(PduType::GetRequest, {bind("operChannelID")}));
  EXPECT_TRUE(collect(699).empty());
  EXPECT_EQ(collect(10).size(), 1u);  // 700 ms plus the network's latency both ways

  fleet_->faults(0) = Faults{};
  fleet_->faults(0).staleAnswerFirst = true;
  ber::Message m = request(PduType::GetRequest, {bind("operChannelID")});
  send(kFirst, m);
  auto both = collect();
  ASSERT_EQ(both.size(), 2u);
  EXPECT_NE(both[0].second.pdu.requestId, m.pdu.requestId);
  EXPECT_EQ(both[1].second.pdu.requestId, m.pdu.requestId);

  fleet_->faults(0) = Faults{};
  fleet_->faults(0).forceErrorStatus = 5;
  EXPECT_EQ(get({"operChannelID"})->pdu.errorStatus, 5);

  fleet_->faults(0) = Faults{};
  fleet_->faults(0).corruptSetEcho = true;
  auto echo = set({bind("AuthorizationMacEnable", Value::integer(1))});
  EXPECT_EQ(echo->pdu.varbinds[0].value, Value::integer(2));
  EXPECT_EQ(fleet_->accessPoint(0).settings().macFilter, 1);
}

}  // namespace
}  // namespace apsim::testing

// CAccessPoint against the simulated access points of apsim, in-process on the in-memory
// network: every group read back after writing it, restarts, the fault modes, big fleets.
#include <gtest/gtest.h>

#include <array>
#include <set>

#include "snmp/access/access_point.h"
#include "snmp/access/tests/harness.h"
#include "tools/apsim/agent.h"

namespace manager::test {
namespace {

class WithFleet : public ::testing::Test {
 protected:
  void SetUp() override {
    variables = std::make_unique<apsim::VariableTable>(h.reference);
    apsim::FleetOptions options;
    options.port = kAgentPort;
    options.sharedBroadcastSocket = false;
    options.restartMillis = 2000;
    fleet = std::make_unique<apsim::Fleet>(h.network, *variables, options);
  }
  void add(int n, apsim::Faults faults = {}) {
    for (int i = 0; i < n; ++i) {
      const std::size_t k = fleet->size();
      fleet->add(0x7F000002u + std::uint32_t(k), apsim::fleetMemberSettings(k, "pw"), faults);
    }
  }
  bool connect(std::size_t i) {
    return h.ap->Connect(platform::formatIpv4(0x7F000002u + std::uint32_t(i)), "pw");
  }
  apsim::ApSettings& settings(std::size_t i) { return fleet->accessPoint(i).settings(); }

  Harness h;
  std::unique_ptr<apsim::VariableTable> variables;
  std::unique_ptr<apsim::Fleet> fleet;
};

TEST_F(WithFleet, ConfigurationReadWriteRoundTrip) {
  add(3);
  ASSERT_TRUE(connect(1));
  ApConfiguration c;
  ASSERT_TRUE(h.ap->GetConfiguration(c));
  EXPECT_EQ(c.apName, "AP-02");
  EXPECT_EQ(c.essid, "WLAN-02");
  EXPECT_EQ(c.macAddress, "00:04:25:10:00:02");
  EXPECT_EQ(c.firmwareVersion, "1.4k.2");
  EXPECT_EQ(c.regulatoryDomain, 0x30);
  EXPECT_EQ(c.ipAddress, "192.168.2.11");
  EXPECT_EQ(c.channel, 2);

  c.apName = "Hall";
  c.essid = "";
  c.channel = 13;
  c.dhcp = true;
  c.rtsThreshold = 100;
  c.gateway = "192.168.2.254";
  ASSERT_TRUE(h.ap->SetConfiguration(c));
  EXPECT_EQ(settings(1).name, "Hall");
  EXPECT_EQ(settings(1).essid, "");
  EXPECT_EQ(settings(1).dhcp, 1);
  ApConfiguration back;
  ASSERT_TRUE(h.ap->GetConfiguration(back));
  EXPECT_EQ(back.apName, "Hall");
  EXPECT_EQ(back.channel, 13);
  EXPECT_TRUE(back.dhcp);
  EXPECT_EQ(back.gateway, "192.168.2.254");
  EXPECT_EQ(settings(0).name, "AP-01") << "the others are untouched";
}

TEST_F(WithFleet, PrivacyRoundTripAndWriteAccess) {
  add(1);
  ASSERT_TRUE(connect(0));
  EXPECT_TRUE(h.ap->VerifyWriteAccess());
  EXPECT_EQ(settings(0).preambleType, 2);
  ApPrivacySettings p;
  p.keys = {"00112233445566778899AABBCC", "0102030405", "0607080900", "FFFFFFFFFF"};
  p.defaultKeyId = 1;
  p.wepMode = 3;
  ASSERT_TRUE(h.ap->SetPrivacySettings(p));
  ApPrivacySettings back;
  ASSERT_TRUE(h.ap->GetPrivacySettings(back));
  EXPECT_EQ(back, p);
}

TEST_F(WithFleet, RestartThenTheAccessPointAnswersAgain) {
  add(1);
  ASSERT_TRUE(connect(0));
  ASSERT_TRUE(h.ap->RestartAccessPoint());
  EXPECT_EQ(fleet->accessPoint(0).restarts(), 1);
  ApConfiguration c;
  const std::uint64_t before = fleet->requestsReceived(0);
  ASSERT_TRUE(h.ap->GetConfiguration(c)) << "two seconds of silence are over after the wait";
  EXPECT_EQ(fleet->requestsReceived(0) - before, 3u);

  // A slower restart: the reads after the wait need further attempts, and get through.
  fleet->accessPoint(0).setRestartMillis(4500);
  ASSERT_TRUE(h.ap->RestartAccessPoint());
  const std::uint64_t before2 = fleet->requestsReceived(0);
  ASSERT_TRUE(h.ap->GetConfiguration(c));
  EXPECT_GT(fleet->requestsReceived(0) - before2, 3u);

  ASSERT_TRUE(h.ap->LoadDefaults());
  EXPECT_EQ(fleet->accessPoint(0).defaultsLoaded(), 1);
}

TEST_F(WithFleet, PasswordChange) {
  add(1);
  ASSERT_TRUE(connect(0));
  ASSERT_TRUE(h.ap->SetPassword("n3w"));
  EXPECT_EQ(settings(0).password, "n3w");
  ApConfiguration c;
  EXPECT_TRUE(h.ap->GetConfiguration(c)) << "later requests carry the new password";
  EXPECT_FALSE(h.ap->Connect("127.0.0.2", "pw"));
  EXPECT_EQ(h.boxes.texts(), std::vector<std::string>{"Input password is not valid."});
}

TEST_F(WithFleet, MacTableAndFilter) {
  add(1);
  ASSERT_TRUE(connect(0));
  const std::array<std::array<std::uint8_t, 6>, 3> macs = {{{0, 1, 2, 3, 4, 5}, {0, 1, 2, 3, 4, 6}, {0xFF, 0, 0, 0, 0, 1}}};
  for (std::size_t i = 0; i < macs.size(); ++i) {
    h.ap->MacEntryRequest = {1, 3, static_cast<std::uint16_t>(i + 1), macs[i]};
    ASSERT_TRUE(h.ap->TransferMacEntry(1)) << i;
  }
  ASSERT_EQ(settings(0).macTable.size(), 3u);
  for (std::size_t i = 0; i < macs.size(); ++i) {
    h.ap->MacEntryRequest = {2, 0, static_cast<std::uint16_t>(i + 1), {}};
    ASSERT_TRUE(h.ap->TransferMacEntry(2));
    EXPECT_EQ(h.ap->MacEntryRequest.entryCount, 3);
    EXPECT_EQ(h.ap->MacEntryRequest.address, macs[i]);
  }
  h.ap->MacFilterState = 1;
  ASSERT_TRUE(h.ap->SetMacFilterState());
  h.ap->MacFilterState = 0;
  ASSERT_TRUE(h.ap->GetMacFilterState());
  EXPECT_EQ(h.ap->MacFilterState, 1);
  h.ap->MacEntryRequest = {1, 0, 0, {}};
  ASSERT_TRUE(h.ap->TransferMacEntry(1));
  EXPECT_TRUE(settings(0).macTable.empty());
}

TEST_F(WithFleet, BridgeRoundTrip) {
  add(1);
  ASSERT_TRUE(connect(0));
  h.ap->BridgeMode = 4;
  h.ap->RemoteBridgeBssid = "000a1b2c3d4e";
  ASSERT_TRUE(h.ap->SetBridgeSettings());
  h.ap->BridgeMode = 0;
  h.ap->RemoteBridgeBssid.clear();
  ASSERT_TRUE(h.ap->GetBridgeSettings());
  EXPECT_EQ(h.ap->BridgeMode, 4);
  EXPECT_EQ(h.ap->RemoteBridgeBssid, "00:0A:1B:2C:3D:4E");
}

TEST_F(WithFleet, FaultModes) {
  struct Case {
    const char* name;
    apsim::Faults faults;
    bool connects;
    bool macStateConfirmed;
  };
  apsim::Faults stale;
  stale.staleAnswerFirst = true;
  apsim::Faults staleOnly;
  staleOnly.staleOnly = true;
  apsim::Faults dropSecond;
  dropSecond.dropEvery = 4;
  apsim::Faults corrupt;
  corrupt.corruptSetEcho = true;
  apsim::Faults slow;
  slow.delayMillis = 1500;  // answers miss the first timeout and arrive during the second
  const Case cases[] = {
      {"stale answer first", stale, true, true},
      {"stale answers only", staleOnly, false, false},
      {"every fourth request dropped", dropSecond, true, true},
      {"set echo corrupted", corrupt, true, false},
      {"answers 1.5 s late", slow, true, false},
  };
  for (const auto& k : cases) {
    Harness fresh;
    apsim::FleetOptions options;
    options.port = kAgentPort;
    options.sharedBroadcastSocket = false;
    apsim::VariableTable vars(fresh.reference);
    apsim::Fleet f(fresh.network, vars, options);
    f.add(0x7F000002u, apsim::fleetMemberSettings(0, "pw"), k.faults);
    EXPECT_EQ(fresh.ap->Connect("127.0.0.2", "pw"), k.connects) << k.name;
    if (!k.connects) continue;
    ApConfiguration c;
    EXPECT_TRUE(fresh.ap->GetConfiguration(c)) << k.name;
    EXPECT_EQ(c.apName, "AP-01") << k.name;
    fresh.ap->MacFilterState = 1;
    EXPECT_EQ(fresh.ap->SetMacFilterState(), k.macStateConfirmed) << k.name;
  }
}

TEST_F(WithFleet, DiscoveryListsAtMost128) {
  add(140);
  std::array<ApListEntry, CAccessPoint::kMaxListed + 5> list;
  int count = 0;
  ASSERT_TRUE(h.ap->FindAccessPoints(count, list));
  EXPECT_EQ(count, CAccessPoint::kMaxListed);
  std::set<std::string> addresses;
  for (int i = 0; i < count; ++i) addresses.insert(list[std::size_t(i)].ipAddress);
  EXPECT_EQ(addresses.size(), std::size_t(CAccessPoint::kMaxListed));
  EXPECT_TRUE(list[CAccessPoint::kMaxListed].ipAddress.empty()) << "nothing written past the limit";
  ASSERT_TRUE(h.ap->FindAccessPoints(count, list));
  EXPECT_EQ(count, CAccessPoint::kMaxListed);
}

}  // namespace
}  // namespace manager::test

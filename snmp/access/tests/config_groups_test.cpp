// The configuration groups: what each operation sends, how it reads and checks the answers,
// and its final steps.
#include <gtest/gtest.h>

#include <array>
#include <functional>

#include "snmp/access/access_point.h"
#include "snmp/access/tests/harness.h"

namespace manager::test {
namespace {

using Reply = FakeAgent::Reply;

class Groups : public ::testing::Test {
 protected:
  void SetUp() override {
    agent = &h.addAgent("127.0.0.2", "Office");
    ASSERT_TRUE(h.connect(*agent, "127.0.0.2"));
  }
  // Answers every request with error status `status` (the request echoed).
  void answerWithStatus(int status) {
    agent->script = [status](const ber::Message& req, std::size_t, const ber::Message&) {
      Reply r{Reply::Kind::Custom};
      r.custom = req;
      r.custom.pdu.type = ber::PduType::GetResponse;
      r.custom.pdu.errorStatus = status;
      r.custom.pdu.errorIndex = 1;
      return r;
    };
  }
  Harness h;
  FakeAgent* agent = nullptr;
};

// ---------------------------------------------------------------------------------------------
// GetConfiguration

TEST_F(Groups, GetConfigurationReadsThreeRequests) {
  ApConfiguration c;
  ASSERT_TRUE(h.ap->GetConfiguration(c));
  ASSERT_EQ(agent->received.size(), 3u);
  EXPECT_EQ(agent->names(0), (std::vector<std::string>{"sysDeviceInfo", "operIPAddress", "operIPMask",
                                                       "operEthernetAddress", "operChannelID", "operGateway"}));
  EXPECT_EQ(agent->names(1), (std::vector<std::string>{"operESSID", "privacyWEPEnable", "AssociatedSTAsNum",
                                                       "operRTSThreshold", "operAccessPointName", "operDHCP"}));
  EXPECT_EQ(agent->names(2), (std::vector<std::string>{"operSSIDBroadcasting"}));
  for (const auto& r : agent->received) {
    EXPECT_EQ(r.message.pdu.type, ber::PduType::GetRequest);
    EXPECT_EQ(r.message.community, "secret");
  }
  ApConfiguration expected;
  expected.regulatoryDomain = 0x30;
  expected.ipAddress = "192.168.2.2";
  expected.subnetMask = "255.255.255.0";
  expected.macAddress = "00:04:25:1C:A0:01";
  expected.channel = 6;
  expected.gateway = "192.168.2.1";
  expected.essid = "WLAN";
  expected.wepState = 2;
  expected.associatedStations = 3;
  expected.rtsThreshold = 2347;
  expected.apName = "Office";
  expected.dhcp = false;
  expected.acceptAnySsid = true;
  expected.firmwareVersion = "1.04e3";
  EXPECT_EQ(c, expected);
}

TEST_F(Groups, GetConfigurationConversions) {
  struct Case {
    int dhcp;
    int broadcasting;
    std::uint8_t domain;
    bool dhcpOn;
    bool anySsid;
    int domainRead;
  };
  const Case cases[] = {
      {1, 1, 0x10, true, true, 0x10},  {2, 2, 0x41, false, false, 0x41},
      {0, 0, 0x31, false, true, 0x31}, {3, 7, 0xF0, false, true, -16},
  };
  for (const auto& k : cases) {
    agent->setInteger("operDHCP", k.dhcp);
    agent->setInteger("operSSIDBroadcasting", k.broadcasting);
    std::vector<std::uint8_t> info(12, 0);
    info[11] = k.domain;
    agent->setBytes("sysDeviceInfo", info);
    ApConfiguration c;
    ASSERT_TRUE(h.ap->GetConfiguration(c));
    EXPECT_EQ(c.dhcp, k.dhcpOn) << "operDHCP " << k.dhcp;
    EXPECT_EQ(c.acceptAnySsid, k.anySsid) << "operSSIDBroadcasting " << k.broadcasting;
    EXPECT_EQ(c.regulatoryDomain, k.domainRead) << int(k.domain);
  }
  // Too short to hold a regulatory domain: the field keeps its value.
  agent->setBytes("sysDeviceInfo", std::vector<std::uint8_t>(11, 0x20));
  ApConfiguration c;
  c.regulatoryDomain = 77;
  ASSERT_TRUE(h.ap->GetConfiguration(c));
  EXPECT_EQ(c.regulatoryDomain, 77);
}

TEST_F(Groups, GetConfigurationWithoutAnswerMakesFourAttemptsOfThreeRequests) {
  agent->script = [](const ber::Message&, std::size_t, const ber::Message&) { return Reply{Reply::Kind::Drop}; };
  const platform::Millis start = h.clock.now();
  ApConfiguration c;
  EXPECT_FALSE(h.ap->GetConfiguration(c));
  ASSERT_EQ(agent->received.size(), 12u);
  // Each request of attempt k waits k seconds.
  for (std::size_t i = 0; i + 1 < agent->received.size(); ++i) {
    const double gap = double(agent->received[i + 1].at - agent->received[i].at);
    EXPECT_NEAR(gap, 1000.0 * double(i / 3 + 1), 15.0) << "after request " << i;
    EXPECT_EQ(agent->received[i].message.pdu.requestId + 1, agent->received[i + 1].message.pdu.requestId);
  }
  EXPECT_NEAR(double(h.clock.now() - start), 30000.0, 60.0);
  EXPECT_EQ(c, ApConfiguration{}) << "a new record keeps numbers 0 and empty texts";
  EXPECT_TRUE(h.boxes.boxes.empty());
}

TEST_F(Groups, TimeoutOfRequestTwoRepeatsAllThreeWithTheLongerTimeout) {
  agent->script = [](const ber::Message&, std::size_t n, const ber::Message&) {
    return n == 1 ? Reply{Reply::Kind::Drop} : Reply{};
  };
  ApConfiguration c;
  ASSERT_TRUE(h.ap->GetConfiguration(c));
  ASSERT_EQ(agent->received.size(), 6u);
  for (std::size_t i = 0; i < 6; ++i) EXPECT_EQ(agent->names(i).front(), (std::array<const char*, 3>{
                                                                          "sysDeviceInfo", "operESSID",
                                                                          "operSSIDBroadcasting"})[i % 3]);
  EXPECT_NEAR(double(agent->received[2].at - agent->received[1].at), 1000.0, 15.0);
  EXPECT_EQ(c.essid, "WLAN");
  EXPECT_EQ(c.firmwareVersion, "1.04e3");
}

TEST_F(Groups, GetConfigurationErrorStatusOrMalformedAnswerFailsAndLeavesTheRecord) {
  struct Case {
    std::size_t request;  // which of the three requests is spoiled
    bool dropVariables;   // else: error status 5
    const char* message;  // shown, or "" for none
  };
  const Case cases[] = {
      {0, false, ""},
      {1, false, ""},
      {2, false, ""},
      {0, true, "Unexpected Error on GetPrivacySettingsValues"},
      {1, true, "Unexpected Error on GetConfiguration2Values"},
      {2, true, "Unexpected Error on GetConfiguration3Values"},
  };
  for (const auto& k : cases) {
    h.boxes.boxes.clear();
    agent->received.clear();
    agent->script = [k](const ber::Message&, std::size_t n, const ber::Message& normal) {
      if (n != k.request) return Reply{};
      Reply r{Reply::Kind::Custom};
      r.custom = normal;
      if (k.dropVariables) r.custom.pdu.varbinds.pop_back();
      else r.custom.pdu.errorStatus = 5;
      return r;
    };
    ApConfiguration c;
    c.apName = "untouched";
    EXPECT_FALSE(h.ap->GetConfiguration(c)) << k.request << k.dropVariables;
    EXPECT_EQ(h.ap->errorCode(), CAccessPoint::kBadAnswer);
    EXPECT_EQ(c.apName, "untouched");
    EXPECT_EQ(c.ipAddress, "");
    EXPECT_EQ(agent->received.size(), 3u) << "no retry after a bad answer";
    if (*k.message) {
      EXPECT_EQ(h.boxes.texts(), std::vector<std::string>{k.message});
    } else {
      EXPECT_TRUE(h.boxes.boxes.empty());
    }
  }
}

// ---------------------------------------------------------------------------------------------
// SetConfiguration

TEST_F(Groups, SetConfigurationSendsTheVariablesInOrder) {
  ApConfiguration c;
  c.channel = 11;
  c.essid = "";
  c.ipAddress = "10.0.0.5";
  c.subnetMask = "255.0.0.0";
  c.rtsThreshold = 9999;
  c.apName = "Lobby";
  c.gateway = "10.0.0.1";
  c.dhcp = false;
  ASSERT_TRUE(h.ap->SetConfiguration(c));
  ASSERT_EQ(agent->received.size(), 1u);
  EXPECT_EQ(agent->received[0].message.pdu.type, ber::PduType::SetRequest);
  EXPECT_EQ(agent->names(0),
            (std::vector<std::string>{"operChannelID", "operESSIDLength", "operESSID", "operIPAddress", "operIPMask",
                                      "operRTSThreshold", "operAccessPointName", "operGateway", "operDHCP"}));
  EXPECT_EQ(agent->sent(0, "operChannelID"), ber::Value::integer(11));
  EXPECT_EQ(agent->sent(0, "operESSIDLength"), ber::Value::integer(0));
  EXPECT_EQ(agent->sent(0, "operESSID"), ber::Value::octets({}));
  EXPECT_EQ(agent->sent(0, "operIPAddress"), ber::Value::ipAddress(0x0A000005));
  EXPECT_EQ(agent->sent(0, "operIPMask"), ber::Value::ipAddress(0xFF000000));
  EXPECT_EQ(agent->sent(0, "operRTSThreshold"), ber::Value::integer(9999));
  EXPECT_EQ(agent->sent(0, "operAccessPointName"), ber::Value::octets({'L', 'o', 'b', 'b', 'y'}));
  EXPECT_EQ(agent->sent(0, "operGateway"), ber::Value::ipAddress(0x0A000001));
  EXPECT_EQ(agent->sent(0, "operDHCP"), ber::Value::integer(2));

  c.dhcp = true;
  c.essid = "Guest Net";
  ASSERT_TRUE(h.ap->SetConfiguration(c));
  EXPECT_EQ(agent->sent(1, "operDHCP"), ber::Value::integer(1));
  EXPECT_EQ(agent->sent(1, "operESSIDLength"), ber::Value::integer(9));
}

TEST_F(Groups, SetConfigurationErrorStatusShowsItsMessage) {
  answerWithStatus(3);
  ApConfiguration c;
  c.ipAddress = c.subnetMask = c.gateway = "0.0.0.0";
  EXPECT_FALSE(h.ap->SetConfiguration(c));
  EXPECT_EQ(h.boxes.texts(), std::vector<std::string>{"Unexpected Error on setting configuration values"});
  EXPECT_EQ(h.boxes.boxes[0].caption, "snmp");
  EXPECT_EQ(agent->received.size(), 1u);
}

TEST_F(Groups, SetConfigurationWithAnAddressThatIsNotDottedReportsTheControlsError) {
  ApConfiguration c;
  c.ipAddress = "not an address";
  c.subnetMask = c.gateway = "0.0.0.0";
  EXPECT_FALSE(h.ap->SetConfiguration(c));
  ASSERT_EQ(h.boxes.boxes.size(), 1u);
  EXPECT_EQ(h.boxes.boxes[0].text.rfind("SnmpVariable: ", 0), 0u) << h.boxes.boxes[0].text;
  EXPECT_TRUE(agent->received.empty());
  EXPECT_EQ(h.cursor.depth, 0);
}

// ---------------------------------------------------------------------------------------------
// WEP settings

TEST_F(Groups, GetPrivacySettingsKeyChecks) {
  struct Case {
    std::array<int, 4> bytes;  // length of each key in bytes
    int keyId;
    bool ok;
    const char* message;
  };
  const Case cases[] = {
      {{13, 13, 13, 13}, 1, true, ""},
      {{5, 5, 5, 5}, 4, true, ""},
      {{5, 5, 5, 5}, 0, true, ""},
      {{13, 5, 6, 0}, 2, true, ""},  // keys 2 to 4 are free when key 1 is a 128-bit key
      {{6, 5, 5, 5}, 1, false, "Not expected DeafultWepKeys1"},
      {{0, 5, 5, 5}, 1, false, "Not expected DeafultWepKeys1"},
      {{5, 13, 5, 5}, 1, false, "Not expected DeafultWepKeys2"},
      {{5, 5, 6, 5}, 1, false, "Not expected DeafultWepKeys3"},
      {{5, 5, 5, 4}, 1, false, "Not expected DeafultWepKeys4"},
      {{5, 5, 5, 5}, 5, false, "Not expected DefaultWepKeyID"},
      {{6, 5, 5, 5}, 9, false, "Not expected DeafultWepKeys1"},  // the first failed check only
  };
  for (const auto& k : cases) {
    h.boxes.boxes.clear();
    for (int i = 0; i < 4; ++i) {
      std::vector<std::uint8_t> key(std::size_t(k.bytes[i]));
      for (std::size_t b = 0; b < key.size(); ++b) key[b] = std::uint8_t(0xA0 + b + 16 * i);
      agent->setBytes("defaultWEPKey" + std::to_string(i + 1), key);
    }
    agent->setInteger("privacyDefaultWEPKeyID", k.keyId);
    agent->setInteger("privacyWEPEnable", 3);
    ApPrivacySettings p;
    const bool ok = h.ap->GetPrivacySettings(p);
    EXPECT_EQ(ok, k.ok) << k.message << " / key id " << k.keyId;
    if (k.ok) {
      EXPECT_TRUE(h.boxes.boxes.empty());
      EXPECT_EQ(p.keys[0].size(), std::size_t(2 * k.bytes[0]));
      EXPECT_EQ(p.keys[0].substr(0, 4), "A0A1");
      EXPECT_EQ(p.defaultKeyId, k.keyId);
      EXPECT_EQ(p.wepMode, 3);
    } else {
      EXPECT_EQ(h.boxes.texts(), std::vector<std::string>{k.message});
      EXPECT_EQ(h.ap->errorCode(), CAccessPoint::kBadAnswer);
      EXPECT_EQ(p, ApPrivacySettings{}) << "a rejected answer does not reach the record";
    }
  }
}

TEST_F(Groups, GetPrivacySettingsRequestAndErrorStatus) {
  ApPrivacySettings p;
  ASSERT_TRUE(h.ap->GetPrivacySettings(p));
  EXPECT_EQ(agent->names(0), (std::vector<std::string>{"defaultWEPKey1", "defaultWEPKey2", "defaultWEPKey3",
                                                       "defaultWEPKey4", "privacyDefaultWEPKeyID",
                                                       "privacyWEPEnable"}));
  EXPECT_EQ(p.keys[3], "0000000000");
  // An error answer that still carries well-formed values fails at the status check.
  agent->script = [](const ber::Message&, std::size_t, const ber::Message& normal) {
    Reply r{Reply::Kind::Custom};
    r.custom = normal;
    r.custom.pdu.errorStatus = 5;
    return r;
  };
  EXPECT_FALSE(h.ap->GetPrivacySettings(p));
  EXPECT_EQ(h.boxes.texts(), std::vector<std::string>{"Unexpected Error on GetPrivacySettingsValues"});
}

TEST_F(Groups, SetPrivacySettingsSendsTwoRequests) {
  ApPrivacySettings p;
  p.keys = {"0102030405060708090a0B0C0D", "1112131415", "2122232425", "31323334ff"};
  p.defaultKeyId = 3;
  p.wepMode = 3;
  ASSERT_TRUE(h.ap->SetPrivacySettings(p));
  ASSERT_EQ(agent->received.size(), 2u);
  EXPECT_EQ(agent->names(0), (std::vector<std::string>{"defaultWEPKey1", "defaultWEPKey2", "defaultWEPKey3"}));
  EXPECT_EQ(agent->names(1), (std::vector<std::string>{"defaultWEPKey4", "privacyDefaultWEPKeyID", "privacyWEPEnable"}));
  EXPECT_EQ(agent->sent(0, "defaultWEPKey1"),
            ber::Value::octets({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13}));
  EXPECT_EQ(agent->sent(1, "defaultWEPKey4"), ber::Value::octets({0x31, 0x32, 0x33, 0x34, 0xFF}));
  EXPECT_EQ(agent->sent(1, "privacyDefaultWEPKeyID"), ber::Value::integer(3));
  EXPECT_EQ(agent->sent(1, "privacyWEPEnable"), ber::Value::integer(3));

  // Request 2 rejected: the operation fails with its message, without a retry.
  agent->received.clear();
  agent->script = [](const ber::Message& req, std::size_t n, const ber::Message& normal) {
    if (n != 1) return Reply{};
    Reply r{Reply::Kind::Custom};
    r.custom = req;
    r.custom.pdu.type = ber::PduType::GetResponse;
    r.custom.pdu.errorStatus = 3;
    (void)normal;
    return r;
  };
  EXPECT_FALSE(h.ap->SetPrivacySettings(p));
  EXPECT_EQ(agent->received.size(), 2u);
  EXPECT_EQ(h.boxes.texts(), std::vector<std::string>{"Unexpected Error on setting privacy values"});
}

// ---------------------------------------------------------------------------------------------
// Restart and defaults

TEST_F(Groups, RestartWaitsThreeCalendarSecondsAfterTheAnswer) {
  for (platform::Millis phase : {0, 1, 400, 999}) {
    h.clock.advance(phase);
    agent->received.clear();
    h.cursor.shown = 0;
    ASSERT_TRUE(h.ap->RestartAccessPoint());
    ASSERT_EQ(agent->received.size(), 1u);
    EXPECT_EQ(agent->names(0), std::vector<std::string>{"sysUpload"});
    EXPECT_EQ(agent->sent(0, "sysUpload"), ber::Value::integer(1));
    const platform::Millis answered = agent->received[0].at + 1;
    const platform::Millis waited = h.clock.now() - answered;
    EXPECT_GE(waited, 2000) << "phase " << phase;
    EXPECT_LE(waited, 3010) << "phase " << phase;
    EXPECT_EQ(h.clock.now() % 1000 < 20, true) << "ends when the calendar second turns";
    EXPECT_EQ(h.cursor.shown, 2) << "during the send and during the wait";
    EXPECT_EQ(h.cursor.depth, 0);
  }
}

TEST_F(Groups, RestartResetVariantWritesSysReset) {
  h.ap->setResetVariant(true);
  ASSERT_TRUE(h.ap->RestartAccessPoint());
  EXPECT_EQ(agent->names(0), std::vector<std::string>{"sysReset"});
}

TEST_F(Groups, RestartAndDefaultsAnswerChecks) {
  struct Case {
    bool defaults;
    int answerValue;
    int status;
    bool ok;
    const char* message;
  };
  const Case cases[] = {
      {false, 1, 0, true, ""},
      {false, 0, 0, false, ""},
      {false, 1, 5, false, "Unexpected Error on validate Reset AP value"},
      {true, 1, 0, true, ""},
      {true, 2, 0, false, ""},
      {true, 1, 5, false, "Unexpected Error on validate Reset AP value"},
  };
  for (const auto& k : cases) {
    h.boxes.boxes.clear();
    agent->received.clear();
    agent->script = [k](const ber::Message&, std::size_t, const ber::Message& normal) {
      Reply r{Reply::Kind::Custom};
      r.custom = normal;
      r.custom.pdu.varbinds[0].value = ber::Value::integer(k.answerValue);
      r.custom.pdu.errorStatus = k.status;
      return r;
    };
    const platform::Millis before = h.clock.now();
    const bool ok = k.defaults ? h.ap->LoadDefaults() : h.ap->RestartAccessPoint();
    EXPECT_EQ(ok, k.ok) << k.defaults << " " << k.answerValue << " " << k.status;
    EXPECT_EQ(agent->received.size(), 1u);
    if (k.defaults) {
      EXPECT_EQ(agent->names(0), std::vector<std::string>{"sysLoadDefaults"});
      EXPECT_LT(h.clock.now() - before, 100) << "defaults do not wait";
    }
    if (*k.message) {
      EXPECT_EQ(h.boxes.texts(), std::vector<std::string>{k.message});
    } else {
      EXPECT_TRUE(h.boxes.boxes.empty());
    }
  }
}

// ---------------------------------------------------------------------------------------------
// Password

TEST_F(Groups, PasswordChangeThenTheNewCommunity) {
  ASSERT_TRUE(h.ap->SetPassword("n3w pass"));
  ASSERT_EQ(agent->received.size(), 1u);
  EXPECT_EQ(agent->names(0), (std::vector<std::string>{"AuthorizedAdminPass", "AuthorizedManufactPass"}));
  EXPECT_EQ(agent->sent(0, "AuthorizedAdminPass"), ber::Value::octets({'n', '3', 'w', ' ', 'p', 'a', 's', 's'}));
  EXPECT_EQ(agent->sent(0, "AuthorizedManufactPass"), agent->sent(0, "AuthorizedAdminPass"));
  EXPECT_EQ(agent->received[0].message.community, "secret");
  EXPECT_EQ(h.ap->password(), "n3w pass");

  agent->community = "n3w pass";
  ApConfiguration c;
  ASSERT_TRUE(h.ap->GetConfiguration(c));
  for (std::size_t i = 1; i < agent->received.size(); ++i) {
    EXPECT_EQ(agent->received[i].message.community, "n3w pass");
  }
}

TEST_F(Groups, PasswordNotEchoedOrRejectedKeepsTheOldOne) {
  struct Case {
    const char* echo;
    int status;
  };
  for (const Case& k : {Case{"n3w pas", 0}, Case{"N3W PASS", 0}, Case{"n3w pass", 5}}) {
    agent->script = [k](const ber::Message&, std::size_t, const ber::Message& normal) {
      Reply r{Reply::Kind::Custom};
      r.custom = normal;
      const std::string e = k.echo;
      r.custom.pdu.varbinds[0].value = ber::Value::octets(std::vector<std::uint8_t>(e.begin(), e.end()));
      r.custom.pdu.errorStatus = k.status;
      return r;
    };
    EXPECT_FALSE(h.ap->SetPassword("n3w pass")) << k.echo;
    EXPECT_EQ(h.ap->password(), "secret");
    EXPECT_EQ(h.ap->errorCode(), CAccessPoint::kBadAnswer);
  }
  EXPECT_TRUE(h.boxes.boxes.empty());
}

// ---------------------------------------------------------------------------------------------
// MAC filter

TEST_F(Groups, MacFilterStateReadAndWrite) {
  agent->setInteger("AuthorizationMacEnable", 1);
  ASSERT_TRUE(h.ap->GetMacFilterState());
  EXPECT_EQ(h.ap->MacFilterState, 1);
  agent->setInteger("AuthorizationMacEnable", 7);
  ASSERT_TRUE(h.ap->GetMacFilterState());
  EXPECT_EQ(h.ap->MacFilterState, 7) << "stored unchanged";

  agent->received.clear();
  h.ap->MacFilterState = 2;
  const long pumpsBefore = h.pump.calls;
  ASSERT_TRUE(h.ap->SetMacFilterState());
  ASSERT_EQ(agent->received.size(), 1u);
  EXPECT_EQ(agent->received[0].message.pdu.type, ber::PduType::SetRequest);
  EXPECT_EQ(agent->sent(0, "AuthorizationMacEnable"), ber::Value::integer(2));
  EXPECT_EQ(h.ap->macResult(), 1);
  EXPECT_GE(h.pump.calls - pumpsBefore, 65535) << "messages are handled after the exchange";
  EXPECT_FALSE(h.ap->busy());
}

TEST_F(Groups, MacFilterStateAnsweredWithAnotherValueFailsAfterTwoAttempts) {
  agent->script = [](const ber::Message&, std::size_t, const ber::Message& normal) {
    Reply r{Reply::Kind::Custom};
    r.custom = normal;
    r.custom.pdu.varbinds[0].value = ber::Value::integer(2);
    return r;
  };
  h.ap->MacFilterState = 1;
  EXPECT_FALSE(h.ap->SetMacFilterState());
  ASSERT_EQ(agent->received.size(), 2u);
  EXPECT_EQ(agent->received[0].message.pdu.requestId + 1, agent->received[1].message.pdu.requestId);
  EXPECT_EQ(h.ap->macResult(), 0);
  EXPECT_TRUE(h.boxes.boxes.empty());
}

TEST_F(Groups, GetMacFilterStateErrorAnswerKeepsTheState) {
  h.ap->MacFilterState = 1;
  answerWithStatus(2);
  EXPECT_FALSE(h.ap->GetMacFilterState());
  EXPECT_EQ(h.ap->MacFilterState, 1);
}

TEST_F(Groups, MacTransferIsRetriedOnceWithHalfSecondTimeouts) {
  agent->script = [](const ber::Message&, std::size_t n, const ber::Message&) {
    return n == 0 ? Reply{Reply::Kind::Drop} : Reply{};
  };
  h.ap->MacEntryRequest = {1, 3, 2, {0x00, 0x0A, 0x1B, 0x2C, 0x3D, 0x4E}};
  const platform::Millis start = h.clock.now();
  ASSERT_TRUE(h.ap->TransferMacEntry(1));
  ASSERT_EQ(agent->received.size(), 2u);
  EXPECT_NEAR(double(agent->received[1].at - start), 500.0, 20.0);
  EXPECT_EQ(agent->sent(0, "AuthorizedMac"),
            ber::Value::octets({1, 0, 3, 0, 2, 0, 0x00, 0x0A, 0x1B, 0x2C, 0x3D, 0x4E}));
  EXPECT_EQ(agent->received[1].message.community, "secret");
  EXPECT_EQ(h.cursor.depth, 0);

  // Never answered: two attempts, then false.
  agent->received.clear();
  agent->script = [](const ber::Message&, std::size_t, const ber::Message&) { return Reply{Reply::Kind::Drop}; };
  EXPECT_FALSE(h.ap->TransferMacEntry(1));
  EXPECT_EQ(agent->received.size(), 2u);
  EXPECT_EQ(h.ap->connectionState(), CAccessPoint::kConnected);
}

TEST_F(Groups, MacWriteMustBeEchoedExactly) {
  agent->script = [](const ber::Message&, std::size_t, const ber::Message& normal) {
    Reply r{Reply::Kind::Custom};
    r.custom = normal;
    r.custom.pdu.varbinds[0].value.bytes[11] ^= 1;
    return r;
  };
  h.ap->MacEntryRequest = {1, 1, 1, {1, 2, 3, 4, 5, 6}};
  EXPECT_FALSE(h.ap->TransferMacEntry(1));
  EXPECT_EQ(agent->received.size(), 2u);
  answerWithStatus(3);
  EXPECT_FALSE(h.ap->TransferMacEntry(1));
}

TEST_F(Groups, MacReadCopiesTheAnswerEvenAllZerosAndRejectsMalformedOnes) {
  struct Case {
    std::vector<std::uint8_t> answer;
    int status;
    bool ok;
  };
  const std::vector<std::uint8_t> zeros{2, 0, 5, 0, 3, 0, 0, 0, 0, 0, 0, 0};
  const std::vector<std::uint8_t> full{2, 0, 5, 0, 3, 0, 0xDE, 0xAD, 0xBE, 0xEF, 0x00, 0x01};
  const Case cases[] = {
      {zeros, 0, true},
      {full, 0, true},
      {std::vector<std::uint8_t>(full.begin(), full.end() - 1), 0, false},
      {{}, 0, false},
      {full, 5, false},
  };
  for (const auto& k : cases) {
    agent->script = [k](const ber::Message&, std::size_t, const ber::Message& normal) {
      Reply r{Reply::Kind::Custom};
      r.custom = normal;
      r.custom.pdu.varbinds[0].value = ber::Value::octets(k.answer);
      r.custom.pdu.errorStatus = k.status;
      return r;
    };
    const MacEntryBlock before{2, 0, 3, {9, 9, 9, 9, 9, 9}};
    h.ap->MacEntryRequest = before;
    EXPECT_EQ(h.ap->TransferMacEntry(2), k.ok) << k.answer.size() << " bytes, status " << k.status;
    if (k.ok) {
      std::array<std::uint8_t, 12> b{};
      std::copy(k.answer.begin(), k.answer.end(), b.begin());
      EXPECT_EQ(h.ap->MacEntryRequest, MacEntryBlock::fromBytes(b));
      EXPECT_EQ(h.ap->MacEntryRequest.entryCount, 5);
    } else {
      EXPECT_EQ(h.ap->MacEntryRequest, before);
    }
  }
}

// ---------------------------------------------------------------------------------------------
// Bridge

TEST_F(Groups, BridgeSettingsReadAndWrite) {
  agent->setInteger("bridgeOperationalMode", 4);
  agent->setBytes("bridgeRemoteBridgeBSSID", {0x00, 0x0a, 0x1b, 0x2c, 0x3d, 0x4e});
  ASSERT_TRUE(h.ap->GetBridgeSettings());
  EXPECT_EQ(h.ap->BridgeMode, 4);
  EXPECT_EQ(h.ap->RemoteBridgeBssid, "00:0A:1B:2C:3D:4E");

  h.ap->BridgeMode = 2;
  h.ap->RemoteBridgeBssid = "";
  ASSERT_TRUE(h.ap->SetBridgeSettings());
  EXPECT_EQ(agent->sent(1, "bridgeOperationalMode"), ber::Value::integer(2));
  EXPECT_EQ(agent->sent(1, "bridgeRemoteBridgeBSSID"), ber::Value::octets({}));

  h.ap->BridgeMode = 4;
  h.ap->RemoteBridgeBssid = "a0B1c2D3e4F5";
  ASSERT_TRUE(h.ap->SetBridgeSettings());
  EXPECT_EQ(agent->sent(2, "bridgeRemoteBridgeBSSID"), ber::Value::octets({0xA0, 0xB1, 0xC2, 0xD3, 0xE4, 0xF5}));

  answerWithStatus(3);
  EXPECT_FALSE(h.ap->SetBridgeSettings());
  EXPECT_EQ(h.boxes.texts(), std::vector<std::string>{"Unexpected Error on setting configuration values"});
  h.boxes.boxes.clear();
  EXPECT_FALSE(h.ap->GetBridgeSettings());
  EXPECT_EQ(h.ap->BridgeMode, 4) << "an error answer changes nothing";
  EXPECT_EQ(h.ap->RemoteBridgeBssid, "a0B1c2D3e4F5");
  EXPECT_TRUE(h.boxes.boxes.empty());
}

TEST_F(Groups, BridgeAnswerMissingAVariableIsReportedAndChangesNothing) {
  agent->script = [](const ber::Message&, std::size_t, const ber::Message& normal) {
    Reply r{Reply::Kind::Custom};
    r.custom = normal;
    r.custom.pdu.varbinds.pop_back();
    return r;
  };
  h.ap->BridgeMode = 1;
  EXPECT_FALSE(h.ap->GetBridgeSettings());
  EXPECT_EQ(h.ap->BridgeMode, 1);
  EXPECT_EQ(h.boxes.texts(), std::vector<std::string>{"Unexpected Error on GetConfiguration2Values"});
}

// Whatever happens to an exchange, the object ends idle, connected and with the cursor hidden.
TEST_F(Groups, EveryOperationEndsIdleWithTheCursorHidden) {
  ApConfiguration config;
  config.ipAddress = config.subnetMask = config.gateway = "0.0.0.0";
  ApPrivacySettings privacy;
  privacy.keys = {"0102030405", "0102030405", "0102030405", "0102030405"};
  const std::vector<std::pair<const char*, std::function<bool()>>> ops = {
      {"GetConfiguration", [&] { return h.ap->GetConfiguration(config); }},
      {"SetConfiguration", [&] { return h.ap->SetConfiguration(config); }},
      {"GetPrivacySettings", [&] { return h.ap->GetPrivacySettings(privacy); }},
      {"SetPrivacySettings", [&] { return h.ap->SetPrivacySettings(privacy); }},
      {"RestartAccessPoint", [&] { return h.ap->RestartAccessPoint(); }},
      {"LoadDefaults", [&] { return h.ap->LoadDefaults(); }},
      {"SetPassword", [&] { return h.ap->SetPassword("secret"); }},
      {"GetMacFilterState", [&] { return h.ap->GetMacFilterState(); }},
      {"SetMacFilterState", [&] { return h.ap->SetMacFilterState(); }},
      {"TransferMacEntry", [&] { return h.ap->TransferMacEntry(1); }},
      {"GetBridgeSettings", [&] { return h.ap->GetBridgeSettings(); }},
      {"SetBridgeSettings", [&] { return h.ap->SetBridgeSettings(); }},
      {"VerifyWriteAccess", [&] { return h.ap->VerifyWriteAccess(); }},
  };
  const std::vector<std::pair<const char*, FakeAgent::Script>> agents = {
      {"answering", {}},
      {"silent", [](const ber::Message&, std::size_t, const ber::Message&) { return Reply{Reply::Kind::Drop}; }},
      {"error status", [](const ber::Message& req, std::size_t, const ber::Message&) {
         Reply r{Reply::Kind::Custom};
         r.custom = req;
         r.custom.pdu.type = ber::PduType::GetResponse;
         r.custom.pdu.errorStatus = 5;
         return r;
       }},
  };
  h.ap->MacFilterState = 2;
  h.ap->BridgeMode = 2;
  for (const auto& [agentName, script] : agents) {
    agent->script = script;
    for (const auto& [name, op] : ops) {
      const bool ok = op();
      // The write probe fails only on a rejected password; other error answers let it pass.
      const bool expected = std::string(agentName) == "answering" ||
                            (std::string(name) == "VerifyWriteAccess" && std::string(agentName) == "error status");
      EXPECT_EQ(ok, expected) << name << " / " << agentName;
      EXPECT_FALSE(h.ap->busy()) << name << " / " << agentName;
      EXPECT_EQ(h.cursor.depth, 0) << name << " / " << agentName;
      EXPECT_EQ(h.ap->connectionState(), CAccessPoint::kConnected) << name << " / " << agentName;
    }
  }
  EXPECT_EQ(h.ap->password(), "secret");
}

}  // namespace
}  // namespace manager::test

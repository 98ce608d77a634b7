// The access-point object: construction, the transaction frame and its retries, answer
// dispatch, discovery, Connect and VerifyWriteAccess, preconditions.
#include "snmp/access/access_point.h"

#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <unistd.h>

#include "snmp/access/tests/harness.h"

namespace manager::test {
namespace {

using Reply = FakeAgent::Reply;

TEST(AccessPointCreation, MissingMibFileLeavesTheObjectUnusable) {
  Harness h("/nonexistent/AT76C510.mib");
  EXPECT_EQ(h.ap->connectionState(), CAccessPoint::kUnusable);
  ASSERT_EQ(h.boxes.boxes.size(), 1u);
  EXPECT_EQ(h.boxes.boxes[0].text.rfind("SnmpMib: ", 0), 0u) << h.boxes.boxes[0].text;

  FakeAgent& agent = h.addAgent("127.0.0.2");
  int count = 0;
  std::array<ApListEntry, 4> list;
  ApConfiguration config;
  EXPECT_FALSE(h.ap->FindAccessPoints(count, list));
  EXPECT_FALSE(h.ap->Connect("127.0.0.2", "secret"));
  EXPECT_FALSE(h.ap->VerifyWriteAccess());
  EXPECT_FALSE(h.ap->SetPassword("x"));
  EXPECT_FALSE(h.ap->SetBridgeSettings());
  EXPECT_FALSE(h.ap->GetConfiguration(config));
  EXPECT_TRUE(agent.received.empty());
  EXPECT_EQ(h.boxes.boxes.size(), 1u);
}

TEST(AccessPointCreation, StartsIdle) {
  Harness h;
  EXPECT_EQ(h.ap->connectionState(), CAccessPoint::kIdle);
  EXPECT_TRUE(h.boxes.boxes.empty());
  EXPECT_EQ(h.ap->requestCounter(), 0);
}

TEST(Transaction, NoAnswerMakesFourAttemptsOfOneToFourSeconds) {
  Harness h;
  const platform::Millis start = h.clock.now();
  EXPECT_FALSE(h.ap->Connect("127.0.0.9", "secret"));
  const auto sent = managerRequests(h.network);
  ASSERT_EQ(sent.size(), 4u);
  const platform::Millis expectedStart[] = {0, 1000, 3000, 6000};
  for (std::size_t i = 0; i < 4; ++i) {
    EXPECT_NEAR(double(sent[i].at - start), double(expectedStart[i]), 15.0) << "attempt " << i + 1;
    EXPECT_EQ(sent[i].requestId, std::int32_t(i));
    EXPECT_EQ(sent[i].to, "127.0.0.9");
    EXPECT_EQ(sent[i].community, "secret");
  }
  EXPECT_NEAR(double(h.clock.now() - start), 10000.0, 30.0);
  EXPECT_EQ(h.ap->errorCode(), CAccessPoint::kNoAnswer);
  EXPECT_EQ(h.ap->requestCounter(), 4);
  EXPECT_EQ(h.ap->connectionState(), CAccessPoint::kIdle);
  EXPECT_TRUE(h.boxes.boxes.empty()) << "a time-out shows no message";
  EXPECT_EQ(h.cursor.depth, 0);
  EXPECT_EQ(h.cursor.shown, 4);
  EXPECT_FALSE(h.ap->busy());
}

TEST(Transaction, AnswerToTheThirdAttemptSucceeds) {
  Harness h;
  FakeAgent& agent = h.addAgent("127.0.0.2");
  agent.script = [](const ber::Message&, std::size_t n, const ber::Message&) {
    return n < 2 ? Reply{Reply::Kind::Drop} : Reply{};
  };
  EXPECT_TRUE(h.ap->Connect("127.0.0.2", "secret"));
  ASSERT_EQ(agent.received.size(), 3u);
  EXPECT_NEAR(double(agent.received[2].at), 3000.0, 15.0);
  EXPECT_EQ(agent.received[2].message.pdu.requestId, 2);
  EXPECT_EQ(h.ap->connectionState(), CAccessPoint::kConnected);
  EXPECT_EQ(h.ap->accessPointAddress(), "127.0.0.2");
  EXPECT_EQ(h.ap->password(), "secret");
  EXPECT_EQ(h.ap->systemDescription(), "AT76C510 Access Point (Version 1.04e3)");
}

// A late answer to attempt 1 arrives while attempt 2 waits: its request id is old, so it is
// ignored, although it would reject the password.
TEST(Transaction, LateAnswerWithOldRequestIdIsIgnored) {
  Harness h;
  FakeAgent& agent = h.addAgent("127.0.0.2");
  agent.script = [&agent](const ber::Message&, std::size_t n, const ber::Message& normal) {
    Reply r;
    if (n == 0) {
      r.kind = Reply::Kind::Custom;
      r.custom = normal;
      r.custom.pdu.varbinds[0].value = ber::Value::octets({'L', 'A', 'T', 'E'});
      r.custom.pdu.errorStatus = 16;  // would fail the connection if it were taken
      r.delay = 1300;  // arrives at 1.3 s, during attempt 2
    } else {
      r.delay = 700;  // attempt 2 is answered at 1.7 s
    }
    (void)agent;
    return r;
  };
  EXPECT_TRUE(h.ap->Connect("127.0.0.2", "secret"));
  EXPECT_TRUE(h.boxes.boxes.empty());
  EXPECT_EQ(h.ap->systemDescription(), "AT76C510 Access Point (Version 1.04e3)");
  EXPECT_EQ(h.ap->requestCounter(), 2);
  EXPECT_NEAR(double(h.clock.now()), 1702.0, 15.0);
}

TEST(Transaction, AnswerWithForeignRequestIdDoesNotEndOrFillTheExchange) {
  Harness h;
  FakeAgent& agent = h.addAgent("127.0.0.2");
  agent.script = [](const ber::Message&, std::size_t, const ber::Message& normal) {
    Reply r{Reply::Kind::Custom};
    r.custom = normal;
    r.custom.pdu.requestId += 7;
    return r;
  };
  EXPECT_FALSE(h.ap->Connect("127.0.0.2", "secret"));
  EXPECT_EQ(agent.received.size(), 4u);
  EXPECT_EQ(h.ap->connectionState(), CAccessPoint::kIdle);
  EXPECT_EQ(h.ap->systemDescription(), "");
}

TEST(Connect, WrongPasswordShowsTheMessageOnceAndKeepsTheEarlierConnection) {
  Harness h;
  FakeAgent& a = h.addAgent("127.0.0.2");
  FakeAgent& b = h.addAgent("127.0.0.3");
  b.community = "other";
  ASSERT_TRUE(h.ap->Connect("127.0.0.2", "secret"));
  EXPECT_FALSE(h.ap->Connect("127.0.0.3", "wrong"));
  EXPECT_EQ(b.received.size(), 1u) << "a rejected password is not retried";
  ASSERT_EQ(h.boxes.boxes.size(), 1u);
  EXPECT_EQ(h.boxes.boxes[0].text, "Input password is not valid.");
  EXPECT_EQ(h.boxes.boxes[0].caption, "Invalid Password");
  EXPECT_EQ(h.boxes.boxes[0].icon, platform::MessageIcon::Warning);
  EXPECT_EQ(h.ap->errorCode(), CAccessPoint::kPasswordRejected);
  EXPECT_EQ(h.ap->password(), "secret");
  EXPECT_EQ(h.ap->accessPointAddress(), "127.0.0.2");
  EXPECT_EQ(h.ap->connectionState(), CAccessPoint::kConnected);
  (void)a;
}

TEST(Connect, RequestCarriesDescriptionAndChannelAndOtherErrorStatusFailsSilently) {
  Harness h;
  FakeAgent& agent = h.addAgent("127.0.0.2");
  agent.script = [](const ber::Message&, std::size_t, const ber::Message& normal) {
    Reply r{Reply::Kind::Custom};
    r.custom = normal;
    r.custom.pdu.errorStatus = 5;  // genErr
    return r;
  };
  EXPECT_FALSE(h.ap->Connect("127.0.0.2", "secret"));
  ASSERT_EQ(agent.received.size(), 1u);
  EXPECT_EQ(agent.names(0), (std::vector<std::string>{"sysDescr", "operChannelID"}));
  EXPECT_EQ(agent.received[0].message.pdu.type, ber::PduType::GetRequest);
  EXPECT_TRUE(h.boxes.boxes.empty());
  EXPECT_EQ(h.ap->connectionState(), CAccessPoint::kIdle);
}

TEST(Connect, MalformedAnswerChangesNothing) {
  Harness h;
  FakeAgent& agent = h.addAgent("127.0.0.2");
  ASSERT_TRUE(h.ap->Connect("127.0.0.2", "secret"));
  FakeAgent& other = h.addAgent("127.0.0.3");
  other.script = [](const ber::Message&, std::size_t, const ber::Message& normal) {
    Reply r{Reply::Kind::Custom};
    r.custom = normal;
    r.custom.pdu.varbinds.clear();  // an answer without its variables
    return r;
  };
  EXPECT_FALSE(h.ap->Connect("127.0.0.3", "secret"));
  EXPECT_EQ(h.ap->accessPointAddress(), "127.0.0.2");
  EXPECT_EQ(h.ap->systemDescription(), "AT76C510 Access Point (Version 1.04e3)");
  EXPECT_EQ(h.ap->password(), "secret");
  EXPECT_EQ(h.ap->errorCode(), CAccessPoint::kBadAnswer);
  EXPECT_EQ(h.boxes.boxes.size(), 1u) << "the unreadable answer is reported";
  (void)agent;
}

TEST(VerifyWriteAccess, WritesPreambleTwoAndRecognisesARejectedPassword) {
  Harness h;
  FakeAgent& agent = h.addAgent("127.0.0.2");
  ASSERT_TRUE(h.connect(agent, "127.0.0.2"));
  EXPECT_TRUE(h.ap->VerifyWriteAccess());
  ASSERT_EQ(agent.received.size(), 1u);
  EXPECT_EQ(agent.received[0].message.pdu.type, ber::PduType::SetRequest);
  EXPECT_EQ(agent.sent(0, "operPreambleType"), ber::Value::integer(2));
  EXPECT_EQ(agent.received[0].message.community, "secret");

  // The access point accepts reads with this password but refuses writes.
  agent.script = [](const ber::Message& req, std::size_t, const ber::Message& normal) {
    Reply r{Reply::Kind::Custom};
    r.custom = normal;
    if (req.pdu.type == ber::PduType::SetRequest) r.custom.pdu.errorStatus = 16;
    return r;
  };
  EXPECT_FALSE(h.ap->VerifyWriteAccess());
  EXPECT_EQ(agent.received.size(), 2u);
  ASSERT_EQ(h.boxes.boxes.size(), 1u);
  EXPECT_EQ(h.boxes.boxes[0].text, "Input password is not valid.");
  EXPECT_EQ(h.boxes.boxes[0].caption, "Invalid Password");
}

// ---------------------------------------------------------------------------------------------
// Discovery

TEST(Discovery, DuplicateAnswersAreListedOnceAndASecondCallAddsOnlyNewOnes) {
  Harness h;
  FakeAgent& a = h.addAgent("127.0.0.2", "first");
  h.addAgent("127.0.0.3", "second");
  a.script = [](const ber::Message&, std::size_t, const ber::Message&) {
    Reply r;
    r.copies = 3;
    return r;
  };
  std::array<ApListEntry, CAccessPoint::kMaxListed> list;
  list[0].stateText = "kept";
  int count = 0;
  ASSERT_TRUE(h.ap->FindAccessPoints(count, list));
  ASSERT_EQ(count, 2);
  EXPECT_EQ(list[0].ipAddress, "127.0.0.2");
  EXPECT_EQ(list[0].name, "first");
  EXPECT_EQ(list[0].bssid, "00:04:25:1C:A0:01");
  EXPECT_EQ(list[0].stateText, "kept") << "discovery does not touch the state text";
  EXPECT_EQ(list[1].ipAddress, "127.0.0.3");
  EXPECT_EQ(h.ap->connectionState(), CAccessPoint::kIdle);

  const auto sent = managerRequests(h.network);
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0].to, "127.255.255.255");
  EXPECT_NE(sent[0].community, "secret");
  EXPECT_EQ(a.names(0), (std::vector<std::string>{"sysDescr", "operEthernetAddress", "operAccessPointName"}));
  EXPECT_NEAR(double(h.clock.now()), 1000.0, 15.0) << "a broadcast waits for its whole time-out";

  h.addAgent("127.0.0.4", "third");
  ASSERT_TRUE(h.ap->FindAccessPoints(count, list));
  ASSERT_EQ(count, 3);
  EXPECT_EQ(list[2].ipAddress, "127.0.0.4");
  EXPECT_EQ(list[2].name, "third");
  EXPECT_EQ(list[0].name, "first");
  EXPECT_TRUE(h.boxes.boxes.empty());
}

TEST(Discovery, NoAnswerIsSuccessWithNothingAdded) {
  Harness h;
  std::array<ApListEntry, 8> list;
  int count = 0;
  EXPECT_TRUE(h.ap->FindAccessPoints(count, list));
  EXPECT_EQ(count, 0);
  EXPECT_EQ(h.ap->errorCode(), CAccessPoint::kNoAnswer);
  EXPECT_EQ(managerRequests(h.network).size(), 1u) << "discovery is not retried";
}

TEST(Discovery, StopsAtTheEndOfTheListAndIgnoresErrorAnswers) {
  Harness h;
  for (int i = 2; i <= 5; ++i) h.addAgent("127.0.0." + std::to_string(i));
  h.agents[0]->script = [](const ber::Message&, std::size_t, const ber::Message& normal) {
    Reply r{Reply::Kind::Custom};
    r.custom = normal;
    r.custom.pdu.errorStatus = 2;
    return r;
  };
  std::array<ApListEntry, 2> list;
  int count = 0;
  EXPECT_TRUE(h.ap->FindAccessPoints(count, list));
  EXPECT_EQ(count, 2);
  EXPECT_EQ(list[0].ipAddress, "127.0.0.3");
  EXPECT_EQ(list[1].ipAddress, "127.0.0.4");
}

TEST(Discovery, EndsTheConnection) {
  Harness h;
  FakeAgent& agent = h.addAgent("127.0.0.2");
  ASSERT_TRUE(h.connect(agent, "127.0.0.2"));
  std::array<ApListEntry, 4> list;
  int count = 0;
  ASSERT_TRUE(h.ap->FindAccessPoints(count, list));
  EXPECT_EQ(h.ap->connectionState(), CAccessPoint::kIdle);
  agent.received.clear();
  ApConfiguration config;
  EXPECT_FALSE(h.ap->GetConfiguration(config));
  EXPECT_TRUE(agent.received.empty());
  EXPECT_EQ(h.ap->password(), "secret") << "address and password stay stored";
  ASSERT_TRUE(h.ap->Connect("127.0.0.2", "secret"));
  EXPECT_TRUE(h.ap->GetConfiguration(config));
}

// On the in-memory network nothing leaves the process, so the real defaults can be looked at.
TEST(Discovery, DefaultsAreTheLimitedBroadcastAndPort161) {
  platform::VirtualClock clock;
  platform::MemoryNetwork network(clock);
  RecordingBoxes boxes;
  AccessPointOptions options;
  options.mibPath = mibPath();
  CAccessPoint ap(AccessPointServices{network, boxes, nullptr, nullptr}, options);
  int count = 0;
  std::array<ApListEntry, 4> list;
  EXPECT_TRUE(ap.FindAccessPoints(count, list));
  EXPECT_FALSE(ap.Connect("10.0.0.9", "pw"));
  ASSERT_EQ(network.traffic().size(), 5u);
  EXPECT_EQ(network.traffic()[0].to, (platform::Endpoint{platform::kLimitedBroadcast, 161}));
  EXPECT_EQ(network.traffic()[1].to, (platform::Endpoint{0x0A000009u, 161}));
}

TEST(Discovery, ControlErrorIsReportedAndEndsTheDiscovery) {
  // A MIB in which one of the discovery variables is missing.
  const auto dir = std::filesystem::temp_directory_path() / ("kit-access-mib-" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  std::string text;
  {
    std::ifstream in(mibPath());
    text.assign(std::istreambuf_iterator<char>(in), {});
  }
  for (std::size_t at; (at = text.find("operEthernetAddress")) != std::string::npos;) text.replace(at, 19, "operEthernetAddrezz");
  std::ofstream(dir / "AT76C510.mib") << text;
  {
    Harness h((dir / "AT76C510.mib").string());
    ASSERT_EQ(h.ap->connectionState(), CAccessPoint::kIdle);
    int count = 0;
    std::array<ApListEntry, 4> list;
    EXPECT_FALSE(h.ap->FindAccessPoints(count, list));
    ASSERT_EQ(h.boxes.boxes.size(), 1u);
    EXPECT_EQ(h.boxes.boxes[0].text.rfind("SnmpMib: ", 0), 0u) << h.boxes.boxes[0].text;
    EXPECT_EQ(h.ap->connectionState(), CAccessPoint::kIdle);
    EXPECT_FALSE(h.ap->busy());
    EXPECT_EQ(h.cursor.depth, 0);
    EXPECT_TRUE(managerRequests(h.network).empty());
  }
  std::filesystem::remove_all(dir);
}

// ---------------------------------------------------------------------------------------------
// Preconditions

TEST(Preconditions, GroupOperationsNeedAConnection) {
  Harness h;
  FakeAgent& agent = h.addAgent("127.0.0.2");
  ApConfiguration config;
  ApPrivacySettings privacy;
  const std::vector<std::pair<const char*, std::function<bool()>>> ops = {
      {"GetConfiguration", [&] { return h.ap->GetConfiguration(config); }},
      {"SetConfiguration", [&] { return h.ap->SetConfiguration(config); }},
      {"GetPrivacySettings", [&] { return h.ap->GetPrivacySettings(privacy); }},
      {"SetPrivacySettings", [&] { return h.ap->SetPrivacySettings(privacy); }},
      {"RestartAccessPoint", [&] { return h.ap->RestartAccessPoint(); }},
      {"LoadDefaults", [&] { return h.ap->LoadDefaults(); }},
      {"GetMacFilterState", [&] { return h.ap->GetMacFilterState(); }},
      {"SetMacFilterState", [&] { return h.ap->SetMacFilterState(); }},
      {"TransferMacEntry", [&] { return h.ap->TransferMacEntry(2); }},
      {"GetBridgeSettings", [&] { return h.ap->GetBridgeSettings(); }},
  };
  for (const auto& [name, op] : ops) {
    EXPECT_FALSE(op()) << name;
  }
  EXPECT_TRUE(managerRequests(h.network).empty());
  EXPECT_TRUE(h.boxes.boxes.empty());
  EXPECT_EQ(h.clock.now(), 0) << "refused at once";
  (void)agent;
}

// Operations entered from the message pump while a send runs are refused at once.
TEST(Preconditions, ReentryDuringASendIsRefused) {
  Harness h;
  FakeAgent& agent = h.addAgent("127.0.0.2");
  ASSERT_TRUE(h.connect(agent, "127.0.0.2"));
  agent.script = [](const ber::Message&, std::size_t, const ber::Message&) {
    Reply r;
    r.delay = 200;
    return r;
  };
  std::vector<bool> results;
  bool inside = false;
  h.pump.onPump = [&] {
    if (inside) return;
    inside = true;
    ApConfiguration c;
    int count = 0;
    std::array<ApListEntry, 4> list;
    results.push_back(h.ap->GetConfiguration(c));
    results.push_back(h.ap->Connect("127.0.0.2", "secret"));
    results.push_back(h.ap->FindAccessPoints(count, list));
    results.push_back(h.ap->SetPassword("x"));
    results.push_back(h.ap->SetBridgeSettings());
    results.push_back(h.ap->VerifyWriteAccess());
    results.push_back(h.ap->TransferMacEntry(2));
    inside = false;
  };
  EXPECT_TRUE(h.ap->VerifyWriteAccess());
  ASSERT_FALSE(results.empty()) << "the pump ran during the send";
  for (bool r : results) EXPECT_FALSE(r);
  EXPECT_EQ(agent.received.size(), 1u) << "nothing else was sent";
  EXPECT_EQ(h.ap->password(), "secret");
}

TEST(Preconditions, DiscoveryRunningRefusesEverything) {
  Harness h;
  FakeAgent& agent = h.addAgent("127.0.0.2");
  std::vector<int> statesSeen;
  std::vector<bool> results;
  h.pump.onPump = [&] {
    statesSeen.push_back(h.ap->connectionState());
    int c = 0;
    std::array<ApListEntry, 2> l;
    results.push_back(h.ap->FindAccessPoints(c, l));
    results.push_back(h.ap->Connect("127.0.0.2", "secret"));
  };
  int count = 0;
  std::array<ApListEntry, 4> list;
  ASSERT_TRUE(h.ap->FindAccessPoints(count, list));
  ASSERT_FALSE(statesSeen.empty());
  for (int s : statesSeen) EXPECT_EQ(s, CAccessPoint::kDiscovering);
  for (bool r : results) EXPECT_FALSE(r);
  EXPECT_EQ(agent.received.size(), 1u);
}

}  // namespace
}  // namespace manager::test

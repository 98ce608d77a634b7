#include "snmp/access/access_point.h"

#include <algorithm>
#include <array>
#include <exception>
#include <utility>

#include "platform/snmp/error.h"
#include "snmp/access/encodings.h"

namespace manager {

namespace snmp = platform::snmp;
using snmp::MessageType;

namespace {

constexpr const char* kInvalidPasswordText = "Input password is not valid.";
constexpr const char* kInvalidPasswordCaption = "Invalid Password";
constexpr int kErrorStatusAuthorization = 16;  // the agent's answer to a wrong community
constexpr int kMaxAttempts = 4;

std::string decimal(long long v) { return std::to_string(v); }

bool IsDecimalText(const std::string& s) {
  return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

}  // namespace

// Forwards the manager's events to the entry points.
class CAccessPoint::Events final : public snmp::ManagerEvents {
 public:
  explicit Events(CAccessPoint& owner) : owner_(owner) {}
  void managerEvent(int event, int code) override {
    if (event == snmp::kEventAnswer) owner_.OnAnswer();
    else if (event == snmp::kEventError) owner_.OnError(code);
  }

 private:
  CAccessPoint& owner_;
};

CAccessPoint::CAccessPoint(AccessPointServices services, AccessPointOptions options)
    : services_(services), options_(std::move(options)), events_(std::make_unique<Events>(*this)) {
  try {
    snmp_ = std::make_unique<snmp::Manager>(services_.network, options_.settings, services_.pump);
    snmp_->setEvents(events_.get());
  } catch (const std::exception&) {
    snmp_.reset();
    message("Cannot create Manager");
    return;
  }
  try {
    mib_ = std::make_unique<snmp::Mib>();
  } catch (const std::exception&) {
    mib_.reset();
    message("Cannot create Mib");
    return;
  }
  state_ = kIdle;
  try {
    mib_->load(options_.mibPath);
    snmp_->setTimeout(1000);
    snmp_->open(0, "");
  } catch (const std::exception& e) {
    showComError(e);
    state_ = kUnusable;
  }
}

CAccessPoint::~CAccessPoint() {
  if (snmp_) snmp_->setEvents(nullptr);
}

// ---------------------------------------------------------------------------------------------
// Helpers

void CAccessPoint::message(const std::string& text) {
  services_.messages.messageBox(text, options_.applicationTitle, platform::MessageButtons::Ok);
}

void CAccessPoint::showComError(const std::exception& e) {
  if (const auto* se = dynamic_cast<const snmp::Error*>(&e)) {
    message(se->source() + se->description());
  } else {
    message(e.what());
  }
}

void CAccessPoint::showCursor() {
  if (services_.cursor) services_.cursor->show();
}

void CAccessPoint::hideCursor() {
  if (services_.cursor) services_.cursor->hide();
}

// Without a manager (state -1) nothing can run, whatever the operation's own precondition.
bool CAccessPoint::basicPrecondition() const {
  return snmp_ && mib_ && state_ != kUnusable && snmp_->state() != 1 && !busy_;
}

bool CAccessPoint::connectedPrecondition() const { return basicPrecondition() && state_ == kConnected; }

snmp::Variable CAccessPoint::makeVariable(const Binding& b) const {
  snmp::Variable v;
  v.setIdentifier(mib_->translate(b.name) + ".0");
  switch (b.kind) {
    case Kind::Integer:
      v.setType(snmp::ValueType::Integer);
      v.setValueText(b.value);
      break;
    case Kind::Text:
      v.setType(snmp::ValueType::OctetString);
      v.setValueText(b.value);
      break;
    case Kind::IpAddress:
      v.setType(snmp::ValueType::IpAddress);
      v.setValueText(b.value);
      break;
    case Kind::Bytes:
      v.setType(snmp::ValueType::OctetString);
      v.setValueBytes(BytesFromHexText(b.value));
      break;
  }
  return v;
}

void CAccessPoint::prepareMessage(MessageType type, const std::string& community, const std::vector<Binding>& bindings) {
  snmp::Message& m = snmp_->message();
  m.clearVariables();
  m.setCommunity(community);
  m.setType(type);
  m.setRequestId(requestCounter_);
  for (const auto& b : bindings) m.variables().add(makeVariable(b));
}

// ---------------------------------------------------------------------------------------------
// Events

void CAccessPoint::OnAnswer() {
  if (!snmp_) return;
  if (snmp_->message().requestId() == requestCounter_ - 1 && handler_ != nullptr) (this->*handler_)();
}

void CAccessPoint::OnError(int code) { errorCode_ = code; }

// ---------------------------------------------------------------------------------------------
// The transaction

bool CAccessPoint::RunTransaction(const Target& target, const std::vector<Request>& requests,
                                  const std::function<void()>& finalStep) {
  retryCount_ = 0;
  for (;;) {
    bool comError = false;
    errorCode_ = kNoError;
    try {
      for (const Request& r : requests) {
        showCursor();
        snmp_->setRemoteHost(target.host);
        if (target.setPort) snmp_->setRemotePort(161);
        snmp_->setTimeout((retryCount_ + 1) * 1000);
        prepareMessage(r.type, target.community, r.bindings);
        ++requestCounter_;
        handler_ = r.handler;
        busy_ = true;
        snmp_->send();
        hideCursor();
      }
    } catch (const std::exception& e) {
      comError = true;
      hideCursor();
      if (errorCode_ != kNoAnswer) showComError(e);
    }
    busy_ = false;
    handler_ = nullptr;
    // A send that failed before any answer or time-out is a failure, not a success.
    if (errorCode_ == kNoError && !comError) {
      if (finalStep) finalStep();
      return true;
    }
    if (errorCode_ == kNoAnswer && retryCount_ < kMaxAttempts - 1) {
      ++retryCount_;
      continue;
    }
    return false;
  }
}

// ---------------------------------------------------------------------------------------------
// Discovery and connection

bool CAccessPoint::FindAccessPoints(int& count, std::span<ApListEntry> list) {
  if (!basicPrecondition() || state_ == kDiscovering) return false;
  bool comError = false;
  try {
    showCursor();
    // The broadcast reaches every access point on the network: it carries the well-known
    // read community, never the password of the access point connected last.
    prepareMessage(MessageType::GetRequest, "public",
                   {{"sysDescr", Kind::Text, ""}, {"operEthernetAddress", Kind::Bytes, ""},
                    {"operAccessPointName", Kind::Text, ""}});
    ++requestCounter_;
    snmp_->setTimeout(1000);
    snmp_->setRemoteHost("255.255.255.255");
    snmp_->setRemotePort(161);
    discoveryCount_ = &count;
    discoveryList_ = list.subspan(0, std::min<std::size_t>(list.size(), kMaxListed));
    handler_ = &CAccessPoint::DiscoveryValues;
    errorCode_ = kNoError;
    state_ = kDiscovering;
    busy_ = true;
    snmp_->send();
    hideCursor();
  } catch (const std::exception& e) {
    comError = true;
    hideCursor();
    if (errorCode_ != kNoAnswer) showComError(e);
  }
  busy_ = false;
  handler_ = nullptr;
  discoveryCount_ = nullptr;
  discoveryList_ = {};
  state_ = kIdle;
  if (comError && errorCode_ == kNoError) return false;
  return errorCode_ == kNoError || errorCode_ == kNoAnswer;
}

void CAccessPoint::DiscoveryValues() {
  try {
    const snmp::Message& m = snmp_->message();
    if (m.errorStatus() != 0 || !discoveryCount_) return;
    int& count = *discoveryCount_;
    const int known = std::clamp(count, 0, static_cast<int>(discoveryList_.size()));
    const std::string address = snmp_->remoteHost();
    for (int i = 0; i < known; ++i) {
      if (discoveryList_[i].ipAddress == address) return;
    }
    if (count < 0 || count >= static_cast<int>(discoveryList_.size())) return;  // list full
    ApListEntry entry = discoveryList_[count];
    entry.ipAddress = address;
    entry.bssid = HexTextFromBytes(m.variables().item(2).valueBytes(), true);
    entry.name = m.variables().item(3).valueText();
    discoveryList_[count] = std::move(entry);
    ++count;
  } catch (const std::exception&) {
    // An answer without the three values is not an access point of ours.
  }
}

bool CAccessPoint::Connect(const std::string& address, const std::string& password) {
  if (!basicPrecondition()) return false;
  const bool ok = RunTransaction({address, password, true},
                                 {{MessageType::GetRequest,
                                   {{"sysDescr", Kind::Text, ""}, {"operChannelID", Kind::Integer, "0"}},
                                   &CAccessPoint::ConnectValues}},
                                 [&] {
                                   state_ = kConnected;
                                   password_ = password;
                                 });
  if (!ok && errorCode_ == kPasswordRejected) {
    services_.messages.messageBox(kInvalidPasswordText, kInvalidPasswordCaption, platform::MessageButtons::Ok,
                                  platform::MessageIcon::Warning);
  }
  return ok;
}

void CAccessPoint::ConnectValues() {
  try {
    const snmp::Message& m = snmp_->message();
    if (m.errorStatus() == 0) {
      std::string description = m.variables().item(1).valueText();
      apAddress_ = snmp_->remoteHost();
      systemDescription_ = std::move(description);
    } else if (m.errorStatus() == kErrorStatusAuthorization) {
      errorCode_ = kPasswordRejected;
    } else {
      // Any other error answer fails the connection: succeeding here would keep the address of
      // the access point connected before and send it the new password.
      errorCode_ = kBadAnswer;
    }
  } catch (const std::exception& e) {
    showComError(e);
    errorCode_ = kBadAnswer;
  }
}

bool CAccessPoint::VerifyWriteAccess() {
  if (!basicPrecondition()) return false;
  const bool ok = RunTransaction({apAddress_, password_},
                                 {{MessageType::SetRequest,
                                   {{"operPreambleType", Kind::Integer, "2"}},
                                   &CAccessPoint::ValidateWriteAccess}});
  if (!ok && errorCode_ == kPasswordRejected) {
    services_.messages.messageBox(kInvalidPasswordText, kInvalidPasswordCaption, platform::MessageButtons::Ok,
                                  platform::MessageIcon::Warning);
  }
  return ok;
}

void CAccessPoint::ValidateWriteAccess() {
  if (snmp_->message().errorStatus() == kErrorStatusAuthorization) errorCode_ = kPasswordRejected;
}

// ---------------------------------------------------------------------------------------------
// Configuration

bool CAccessPoint::GetConfiguration(ApConfiguration& configuration) {
  if (!connectedPrecondition()) return false;
  stagedConfiguration_ = configuration;
  const bool ok = RunTransaction(
      {apAddress_, password_},
      {{MessageType::GetRequest,
        {{"sysDeviceInfo", Kind::Bytes, ""},
         {"operIPAddress", Kind::IpAddress, "0.0.0.0"},
         {"operIPMask", Kind::IpAddress, "0.0.0.0"},
         {"operEthernetAddress", Kind::Bytes, ""},
         {"operChannelID", Kind::Integer, "0"},
         {"operGateway", Kind::IpAddress, "0.0.0.0"}},
        &CAccessPoint::GetConfiguration1Values},
       {MessageType::GetRequest,
        {{"operESSID", Kind::Text, ""},
         {"privacyWEPEnable", Kind::Integer, "0"},
         {"AssociatedSTAsNum", Kind::Integer, "0"},
         {"operRTSThreshold", Kind::Integer, "0"},
         {"operAccessPointName", Kind::Text, ""},
         {"operDHCP", Kind::Integer, "0"}},
        &CAccessPoint::GetConfiguration2Values},
       {MessageType::GetRequest, {{"operSSIDBroadcasting", Kind::Integer, "0"}}, &CAccessPoint::GetConfiguration3Values}},
      [&] {
        stagedConfiguration_.firmwareVersion = FirmwareVersionFrom(systemDescription_);
        configuration = stagedConfiguration_;
      });
  stagedConfiguration_ = {};
  return ok;
}

// A handler that cannot read the answer reports it and fails the operation: a record filled
// from half an answer must not pass for a good one.
void CAccessPoint::GetConfiguration1Values() {
  try {
    const snmp::Message& m = snmp_->message();
    const snmp::Variables& v = m.variables();
    const std::vector<std::uint8_t> info = v.item(1).valueBytes();
    ApConfiguration& c = stagedConfiguration_;
    // A device information shorter than 12 bytes carries no regulatory domain: the field keeps
    // its value.
    if (info.size() >= 12) c.regulatoryDomain = static_cast<std::int8_t>(info[11]);
    c.ipAddress = v.item(2).valueText();
    c.subnetMask = v.item(3).valueText();
    c.macAddress = HexTextFromBytes(v.item(4).valueBytes(), true);
    c.channel = static_cast<int>(ReadUnsignedText(v.item(5).valueText()));
    c.gateway = v.item(6).valueText();
    if (m.errorStatus() != 0) errorCode_ = kBadAnswer;
  } catch (const std::exception&) {
    message("Unexpected Error on GetPrivacySettingsValues");
    errorCode_ = kBadAnswer;
  }
}

void CAccessPoint::GetConfiguration2Values() {
  try {
    const snmp::Message& m = snmp_->message();
    const snmp::Variables& v = m.variables();
    ApConfiguration& c = stagedConfiguration_;
    c.essid = v.item(1).valueText();
    c.wepState = static_cast<int>(ReadUnsignedText(v.item(2).valueText()));
    c.associatedStations = static_cast<int>(ReadUnsignedText(v.item(3).valueText()));
    c.rtsThreshold = static_cast<int>(ReadUnsignedText(v.item(4).valueText()));
    c.apName = v.item(5).valueText();
    c.dhcp = ReadUnsignedText(v.item(6).valueText()) == 1;
    if (m.errorStatus() != 0) errorCode_ = kBadAnswer;
  } catch (const std::exception&) {
    message("Unexpected Error on GetConfiguration2Values");
    errorCode_ = kBadAnswer;
  }
}

void CAccessPoint::GetConfiguration3Values() {
  try {
    const snmp::Message& m = snmp_->message();
    stagedConfiguration_.acceptAnySsid = ReadUnsignedText(m.variables().item(1).valueText()) != 2;
    if (m.errorStatus() != 0) errorCode_ = kBadAnswer;
  } catch (const std::exception&) {
    message("Unexpected Error on GetConfiguration3Values");
    errorCode_ = kBadAnswer;
  }
}

bool CAccessPoint::SetConfiguration(const ApConfiguration& c) {
  if (!connectedPrecondition()) return false;
  // The access point name goes without a length of its own: a second binding under the name's
  // identifier would give the agent one variable with two values of different types.
  return RunTransaction({apAddress_, password_},
                        {{MessageType::SetRequest,
                          {{"operChannelID", Kind::Integer, decimal(c.channel)},
                           {"operESSIDLength", Kind::Integer, decimal(static_cast<long long>(c.essid.size()))},
                           {"operESSID", Kind::Text, c.essid},
                           {"operIPAddress", Kind::IpAddress, c.ipAddress},
                           {"operIPMask", Kind::IpAddress, c.subnetMask},
                           {"operRTSThreshold", Kind::Integer, decimal(c.rtsThreshold)},
                           {"operAccessPointName", Kind::Text, c.apName},
                           {"operGateway", Kind::IpAddress, c.gateway},
                           {"operDHCP", Kind::Integer, c.dhcp ? "1" : "2"}},
                          &CAccessPoint::ValidateSetConfigurationValues}});
}

void CAccessPoint::ValidateSetConfigurationValues() {
  if (snmp_->message().errorStatus() != 0) {
    message("Unexpected Error on setting configuration values");
    errorCode_ = kBadAnswer;
  }
}

// ---------------------------------------------------------------------------------------------
// WEP

bool CAccessPoint::GetPrivacySettings(ApPrivacySettings& settings) {
  if (!connectedPrecondition()) return false;
  stagedPrivacy_ = settings;
  const bool ok = RunTransaction({apAddress_, password_},
                                 {{MessageType::GetRequest,
                                   {{"defaultWEPKey1", Kind::Bytes, ""},
                                    {"defaultWEPKey2", Kind::Bytes, ""},
                                    {"defaultWEPKey3", Kind::Bytes, ""},
                                    {"defaultWEPKey4", Kind::Bytes, ""},
                                    {"privacyDefaultWEPKeyID", Kind::Integer, "0"},
                                    {"privacyWEPEnable", Kind::Integer, "0"}},
                                   &CAccessPoint::GetPrivacySettingsValues}},
                                 [&] { settings = stagedPrivacy_; });
  stagedPrivacy_ = {};
  return ok;
}

void CAccessPoint::GetPrivacySettingsValues() {
  static constexpr const char* kBadKey[4] = {"Not expected DeafultWepKeys1", "Not expected DeafultWepKeys2",
                                             "Not expected DeafultWepKeys3", "Not expected DeafultWepKeys4"};
  try {
    const snmp::Message& m = snmp_->message();
    const snmp::Variables& v = m.variables();
    ApPrivacySettings& p = stagedPrivacy_;
    for (int k = 0; k < 4; ++k) {
      p.keys[k] = HexTextFromBytes(v.item(k + 1).valueBytes(), false);
      const bool good = k == 0 ? (p.keys[0].size() == 10 || p.keys[0].size() == 26)
                               : (p.keys[k].size() == 10 || p.keys[0].size() == 26);
      if (!good) {
        message(kBadKey[k]);
        errorCode_ = kBadAnswer;
        return;
      }
    }
    const std::uint32_t keyId = ReadUnsignedText(v.item(5).valueText());
    if (keyId > 4) {
      message("Not expected DefaultWepKeyID");
      errorCode_ = kBadAnswer;
      return;
    }
    p.defaultKeyId = static_cast<int>(keyId);
    p.wepMode = static_cast<int>(ReadUnsignedText(v.item(6).valueText()));
    if (m.errorStatus() != 0) {
      message("Unexpected Error on GetPrivacySettingsValues");
      errorCode_ = kBadAnswer;
    }
  } catch (const std::exception&) {
    message("Unexpected Error on GetPrivacySettingsValues");
    errorCode_ = kBadAnswer;
  }
}

bool CAccessPoint::SetPrivacySettings(const ApPrivacySettings& s) {
  if (!connectedPrecondition()) return false;
  return RunTransaction({apAddress_, password_},
                        {{MessageType::SetRequest,
                          {{"defaultWEPKey1", Kind::Bytes, s.keys[0]},
                           {"defaultWEPKey2", Kind::Bytes, s.keys[1]},
                           {"defaultWEPKey3", Kind::Bytes, s.keys[2]}},
                          &CAccessPoint::ValidateSetPrivacyValues},
                         {MessageType::SetRequest,
                          {{"defaultWEPKey4", Kind::Bytes, s.keys[3]},
                           {"privacyDefaultWEPKeyID", Kind::Integer, decimal(s.defaultKeyId)},
                           {"privacyWEPEnable", Kind::Integer, decimal(s.wepMode)}},
                          &CAccessPoint::ValidateSetPrivacyValues}});
}

void CAccessPoint::ValidateSetPrivacyValues() {
  if (snmp_->message().errorStatus() != 0) {
    message("Unexpected Error on setting privacy values");
    errorCode_ = kBadAnswer;
  }
}

// ---------------------------------------------------------------------------------------------
// Restart, defaults, password

bool CAccessPoint::RestartAccessPoint() {
  if (!connectedPrecondition()) return false;
  return RunTransaction({apAddress_, password_},
                        {{MessageType::SetRequest,
                          {{resetVariant_ ? "sysReset" : "sysUpload", Kind::Integer, "1"}},
                          &CAccessPoint::ValidateResetValue}},
                        [this] {
                          // Give the access point time to go down: until the calendar clock's
                          // whole seconds have advanced by 3, without handling messages. The
                          // monotonic bound ends the wait should the calendar clock jump back.
                          platform::Clock& clock = services_.network.clock();
                          showCursor();
                          const std::int64_t startSecond = clock.wallSeconds();
                          const platform::Millis started = clock.now();
                          while (clock.wallSeconds() - startSecond < 3 && clock.now() - started < 4000) {
                            clock.sleepFor(10);
                          }
                          hideCursor();
                        });
}

bool CAccessPoint::LoadDefaults() {
  if (!connectedPrecondition()) return false;
  return RunTransaction({apAddress_, password_},
                        {{MessageType::SetRequest, {{"sysLoadDefaults", Kind::Integer, "1"}},
                          &CAccessPoint::ValidateResetValue}});
}

void CAccessPoint::ValidateResetValue() {
  try {
    const snmp::Message& m = snmp_->message();
    if (ReadUnsignedText(m.variables().item(1).valueText()) != 1) errorCode_ = kBadAnswer;
    // An error answer echoes the request, value 1 included: it is reported and, unlike a good
    // answer, fails the operation.
    if (m.errorStatus() != 0) {
      message("Unexpected Error on validate Reset AP value");
      errorCode_ = kBadAnswer;
    }
  } catch (const std::exception&) {
    message("Unexpected Error on validate Reset AP value");
    errorCode_ = kBadAnswer;
  }
}

bool CAccessPoint::SetPassword(const std::string& newPassword) {
  if (!basicPrecondition()) return false;
  pendingPassword_ = newPassword;
  return RunTransaction({apAddress_, password_},
                        {{MessageType::SetRequest,
                          {{"AuthorizedAdminPass", Kind::Text, newPassword},
                           {"AuthorizedManufactPass", Kind::Text, newPassword}},
                          &CAccessPoint::ValidateAuthorizedSetValue}},
                        [this] { password_ = pendingPassword_; });
}

void CAccessPoint::ValidateAuthorizedSetValue() {
  try {
    const snmp::Message& m = snmp_->message();
    if (m.variables().item(1).valueText() != pendingPassword_) errorCode_ = kBadAnswer;
    if (m.errorStatus() != 0) errorCode_ = kBadAnswer;
  } catch (const std::exception&) {
    message("Unexpected Error on ValidateAuthorizedSetValue");
    errorCode_ = kBadAnswer;
  }
}

// ---------------------------------------------------------------------------------------------
// MAC filter

bool CAccessPoint::GetMacFilterState() {
  if (!connectedPrecondition()) return false;
  return RunTransaction({apAddress_, password_},
                        {{MessageType::GetRequest, {{"AuthorizationMacEnable", Kind::Integer, "0"}},
                          &CAccessPoint::GetMacFilterStateValues}});
}

void CAccessPoint::GetMacFilterStateValues() {
  try {
    const snmp::Message& m = snmp_->message();
    const std::uint32_t value = ReadUnsignedText(m.variables().item(1).valueText());
    if (m.errorStatus() != 0) {
      errorCode_ = kBadAnswer;
      return;
    }
    MacFilterState = static_cast<int>(value);
  } catch (const std::exception&) {
    message("Unexpected Error on GetConfiguration2Values");
    errorCode_ = kBadAnswer;
  }
}

bool CAccessPoint::RunMacExchange(int timeoutMs, bool withCursor, const Binding& binding, Handler handler) {
  busy_ = true;
  macResult_ = 0;
  for (int attempt = 1;; ++attempt) {
    try {
      if (withCursor) showCursor();
      macResult_ = 0;
      // Both exchanges go to the connected access point, whatever host answered last.
      snmp_->setRemoteHost(apAddress_);
      snmp_->setTimeout(timeoutMs);
      prepareMessage(MessageType::SetRequest, password_, {binding});
      ++requestCounter_;
      handler_ = handler;
      snmp_->send();
      if (withCursor) hideCursor();
    } catch (const std::exception&) {
      if (withCursor) hideCursor();
    }
    handler_ = nullptr;
    if (services_.pump) {
      for (int i = 0; i < 65535; ++i) services_.pump->processMessages();
    }
    busy_ = false;
    if (macResult_ == 1) return true;
    if (attempt == 1 && state_ == kConnected) {
      busy_ = true;
      continue;
    }
    return false;
  }
}

bool CAccessPoint::TransferMacEntry(int action) {
  if (!connectedPrecondition()) return false;
  if (action != MacEntryBlock::kWrite && action != MacEntryBlock::kRead) return false;
  const auto bytes = MacEntryRequest.toBytes();
  const Binding binding{"AuthorizedMac", Kind::Bytes,
                        HexTextFromBytes(std::vector<std::uint8_t>(bytes.begin(), bytes.end()), false)};
  return RunMacExchange(500, true, binding,
                        action == MacEntryBlock::kWrite ? &CAccessPoint::ValidateAuthorizedMacBlockSetValues
                                                        : &CAccessPoint::ReadAuthorizedMacBlockValues);
}

bool CAccessPoint::SetMacFilterState() {
  if (!connectedPrecondition()) return false;
  return RunMacExchange(1000, false, {"AuthorizationMacEnable", Kind::Integer, decimal(MacFilterState)},
                        &CAccessPoint::ValidateAuthorizedTableEnableValues);
}

void CAccessPoint::ValidateAuthorizedMacBlockSetValues() {
  try {
    const snmp::Message& m = snmp_->message();
    const std::vector<std::uint8_t> got = m.variables().item(1).valueBytes();
    const auto sent = MacEntryRequest.toBytes();
    const bool same = got.size() == sent.size() && std::equal(got.begin(), got.end(), sent.begin());
    macResult_ = same && m.errorStatus() == 0 ? 1 : 0;
  } catch (const std::exception&) {
    macResult_ = 0;
  }
}

// A read is confirmed only by a good answer of exactly twelve bytes; anything else leaves
// MacEntryRequest as it was.
void CAccessPoint::ReadAuthorizedMacBlockValues() {
  try {
    const snmp::Message& m = snmp_->message();
    const std::vector<std::uint8_t> got = m.variables().item(1).valueBytes();
    if (m.errorStatus() != 0 || got.size() != 12) {
      macResult_ = 0;
      return;
    }
    std::array<std::uint8_t, 12> block{};
    std::copy(got.begin(), got.end(), block.begin());
    MacEntryRequest = MacEntryBlock::fromBytes(block);
    macResult_ = 1;
  } catch (const std::exception&) {
    macResult_ = 0;
  }
}

void CAccessPoint::ValidateAuthorizedTableEnableValues() {
  try {
    const snmp::Message& m = snmp_->message();
    const std::string text = m.variables().item(1).valueText();
    const bool same = IsDecimalText(text) && ReadUnsignedText(text) == static_cast<std::uint32_t>(MacFilterState);
    macResult_ = same && m.errorStatus() == 0 ? 1 : 0;
  } catch (const std::exception&) {
    macResult_ = 0;
  }
}

// ---------------------------------------------------------------------------------------------
// Bridge

bool CAccessPoint::GetBridgeSettings() {
  if (!connectedPrecondition()) return false;
  return RunTransaction({apAddress_, password_},
                        {{MessageType::GetRequest,
                          {{"bridgeOperationalMode", Kind::Integer, "0"}, {"bridgeRemoteBridgeBSSID", Kind::Bytes, ""}},
                          &CAccessPoint::GetBridgeSettingsValues}});
}

void CAccessPoint::GetBridgeSettingsValues() {
  try {
    const snmp::Message& m = snmp_->message();
    const std::uint32_t mode = ReadUnsignedText(m.variables().item(1).valueText());
    std::string remote = HexTextFromBytes(m.variables().item(2).valueBytes(), true);
    if (m.errorStatus() != 0) {
      errorCode_ = kBadAnswer;
      return;
    }
    BridgeMode = static_cast<int>(mode);
    RemoteBridgeBssid = std::move(remote);
  } catch (const std::exception&) {
    message("Unexpected Error on GetConfiguration2Values");
    errorCode_ = kBadAnswer;
  }
}

bool CAccessPoint::SetBridgeSettings() {
  if (!basicPrecondition()) return false;
  return RunTransaction({apAddress_, password_},
                        {{MessageType::SetRequest,
                          {{"bridgeOperationalMode", Kind::Integer, decimal(BridgeMode)},
                           {"bridgeRemoteBridgeBSSID", Kind::Bytes, RemoteBridgeBssid}},
                          &CAccessPoint::ValidateSetBridgeValues}});
}

void CAccessPoint::ValidateSetBridgeValues() {
  if (snmp_->message().errorStatus() != 0) {
    message("Unexpected Error on setting configuration values");
    errorCode_ = kBadAnswer;
  }
}

}  // namespace manager

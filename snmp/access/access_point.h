// CAccessPoint: the one SNMP connection of the manager. It finds access points by broadcast,
// connects to one with its password (the community of every request), and reads and writes the
// access point's configuration groups. Every operation blocks until its exchange is over and
// returns true or false; failures it reports itself go to the message-box service.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "platform/net/network.h"
#include "platform/snmp/events.h"
#include "platform/snmp/manager.h"
#include "platform/snmp/mib.h"
#include "platform/snmp/settings.h"
#include "platform/ui/message_box.h"
#include "snmp/access/ap_records.h"
#include "snmp/access/busy_cursor.h"

namespace manager {

// What CAccessPoint needs from its surroundings. The network (and its clock, which every wait
// uses) and the message boxes must outlive it; pump and cursor may be null.
struct AccessPointServices {
  platform::Network& network;
  platform::MessageBoxService& messages;
  platform::MessagePump* pump = nullptr;
  BusyCursor* cursor = nullptr;
};

struct AccessPointOptions {
  // Where "port 161" and "255.255.255.255" really go (tests: a loopback broadcast, a high port).
  platform::snmp::Settings settings;
  std::string mibPath = "AT76C510.mib";
  // Caption of the message boxes that carry the application's title.
  std::string applicationTitle = "snmp";
};

class CAccessPoint {
 public:
  // Connection states.
  static constexpr int kUnusable = -1;
  static constexpr int kIdle = 0;
  static constexpr int kConnected = 2;
  static constexpr int kDiscovering = 3;

  // Error codes of the last exchange.
  static constexpr int kNoError = 0;
  static constexpr int kNoAnswer = 10060;
  static constexpr int kPasswordRejected = 10013;
  static constexpr int kBadAnswer = 11100;

  // Largest number of access points a discovery lists.
  static constexpr int kMaxListed = 128;

  CAccessPoint(AccessPointServices services, AccessPointOptions options = {});
  ~CAccessPoint();
  CAccessPoint(const CAccessPoint&) = delete;
  CAccessPoint& operator=(const CAccessPoint&) = delete;

  // Broadcasts one discovery request and adds every access point that answers and is not among
  // the first `count` entries of `list` at position `count` onwards, raising `count`. Entries
  // beyond the list's size (at most kMaxListed) are not added. True unless the send failed.
  bool FindAccessPoints(int& count, std::span<ApListEntry> list);
  bool Connect(const std::string& address, const std::string& password);
  bool VerifyWriteAccess();

  bool GetConfiguration(ApConfiguration& configuration);
  bool SetConfiguration(const ApConfiguration& configuration);
  bool GetPrivacySettings(ApPrivacySettings& settings);
  bool SetPrivacySettings(const ApPrivacySettings& settings);
  bool RestartAccessPoint();
  bool LoadDefaults();
  bool SetPassword(const std::string& newPassword);
  bool GetMacFilterState();
  bool SetMacFilterState();
  bool TransferMacEntry(int action);
  bool GetBridgeSettings();
  bool SetBridgeSettings();

  // Event entry points of the SNMP manager, called while a send runs.
  void OnAnswer();
  void OnError(int code);

  // Filled by the MAC filter and bridge dialogs before, and read after, their operations.
  MacEntryBlock MacEntryRequest;
  int MacFilterState = 0;
  int BridgeMode = 0;
  std::string RemoteBridgeBssid;

  int connectionState() const { return state_; }
  bool busy() const { return busy_; }
  std::int32_t requestCounter() const { return requestCounter_; }
  int errorCode() const { return errorCode_; }
  int macResult() const { return macResult_; }
  const std::string& accessPointAddress() const { return apAddress_; }
  const std::string& password() const { return password_; }
  const std::string& systemDescription() const { return systemDescription_; }
  // Chooses sysReset instead of sysUpload for RestartAccessPoint (off unless set here).
  bool resetVariant() const { return resetVariant_; }
  void setResetVariant(bool on) { resetVariant_ = on; }

 private:
  enum class Kind { Integer, Text, IpAddress, Bytes };
  struct Binding {
    std::string name;  // MIB name; ".0" is appended to its identifier
    Kind kind;
    std::string value;  // decimal, text, dotted address, or hexadecimal digits for Bytes
  };
  using Handler = void (CAccessPoint::*)();
  struct Request {
    platform::snmp::MessageType type;
    std::vector<Binding> bindings;
    Handler handler;
  };
  // Where a transaction sends and with which community.
  struct Target {
    std::string host;
    std::string community;
    bool setPort = false;
  };

  class Events;

  bool basicPrecondition() const;
  bool connectedPrecondition() const;
  void prepareMessage(platform::snmp::MessageType type, const std::string& community,
                      const std::vector<Binding>& bindings);
  platform::snmp::Variable makeVariable(const Binding& binding) const;
  // The transaction frame: up to four attempts on time-outs (1, 2, 3 and 4 s), every request of
  // `requests` sent in each attempt. `finalStep` runs once on success.
  bool RunTransaction(const Target& target, const std::vector<Request>& requests,
                      const std::function<void()>& finalStep = {});
  // The frame of the MAC exchanges: one request, a second attempt when not confirmed.
  bool RunMacExchange(int timeoutMs, bool withCursor, const Binding& binding, Handler handler);
  void showComError(const std::exception& e);
  void message(const std::string& text);
  void showCursor();
  void hideCursor();

  // Answer handlers.
  void DiscoveryValues();
  void ConnectValues();
  void ValidateWriteAccess();
  void GetConfiguration1Values();
  void GetConfiguration2Values();
  void GetConfiguration3Values();
  void ValidateSetConfigurationValues();
  void GetPrivacySettingsValues();
  void ValidateSetPrivacyValues();
  void ValidateResetValue();
  void ValidateAuthorizedSetValue();
  void GetMacFilterStateValues();
  void GetBridgeSettingsValues();
  void ValidateSetBridgeValues();
  void ValidateAuthorizedMacBlockSetValues();
  void ReadAuthorizedMacBlockValues();
  void ValidateAuthorizedTableEnableValues();

  AccessPointServices services_;
  AccessPointOptions options_;
  std::unique_ptr<Events> events_;
  std::unique_ptr<platform::snmp::Manager> snmp_;
  std::unique_ptr<platform::snmp::Mib> mib_;

  int state_ = kUnusable;
  bool busy_ = false;
  std::int32_t requestCounter_ = 0;
  int retryCount_ = 0;
  int errorCode_ = kNoError;
  Handler handler_ = nullptr;
  std::string apAddress_;
  std::string password_;
  std::string pendingPassword_;
  std::string systemDescription_;
  // Discovery in flight.
  int* discoveryCount_ = nullptr;
  std::span<ApListEntry> discoveryList_;
  // Records of the operation in flight: answers are staged here and reach the caller's record
  // only when the whole operation succeeded.
  ApConfiguration stagedConfiguration_;
  ApPrivacySettings stagedPrivacy_;
  int macResult_ = 0;
  bool resetVariant_ = false;
};

}  // namespace manager

// The SNMP manager: sends its message to the remote host and delivers the answers as events
// while send() runs.
//
// send() returns when the exchange has ended:
//   unicast   : at the first GetResponse from the remote host whose request id is the one
//               sent, or at the timeout. Other responses from that host arriving meanwhile
//               (late answers to earlier requests) are delivered as well but do not end it.
//   broadcast : (remote host 255.255.255.255, or the settings' broadcast address) at the
//               timeout; every response from any agent is delivered.
// Each delivered answer replaces the message's content, sets the remote host to the answering
// agent's address and raises kEventAnswer. If the timeout passes with no answer that ends the
// exchange (for a broadcast: with no answer at all), kEventError with kErrorTimeout is raised
// before send() returns. Datagrams that are not SNMPv1 GetResponse messages are dropped, and
// whatever arrived before the request was sent is discarded. While waiting, the message pump
// (if any) runs between slices of Settings::sliceMs; state() reads 1 meanwhile and a nested
// send() is refused.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/clock/clock.h"
#include "platform/net/network.h"
#include "platform/snmp/events.h"
#include "platform/snmp/message.h"
#include "platform/snmp/settings.h"
#include "platform/ui/message_box.h"

namespace platform::snmp {

class Manager {
 public:
  // The network (and its clock) must outlive the manager. `pump` may be null.
  Manager(Network& network, Settings settings, MessagePump* pump = nullptr);
  ~Manager();
  Manager(const Manager&) = delete;
  Manager& operator=(const Manager&) = delete;

  // Connects (or with nullptr disconnects) the event sink.
  void setEvents(ManagerEvents* events) { events_ = events; }

  const std::string& remoteHost() const { return remoteHost_; }
  void setRemoteHost(const std::string& host) { remoteHost_ = host; }
  int remotePort() const { return remotePort_; }
  void setRemotePort(int port);  // 1..65535, else Error

  Message& message() { return message_; }

  int timeout() const { return timeoutMs_; }
  void setTimeout(int ms);  // 1 .. 600000, else Error

  // 1 while a send runs, else 0.
  int state() const { return busy_ ? 1 : 0; }

  // Opens the manager's socket on a local port (0 = any) and local address ("" = any).
  // Once only: a second open raises Error.
  void open(int localPort, const std::string& localAddress);
  bool isOpen() const { return socket_ != nullptr; }
  void close();

  // Sends the message and waits for the exchange to end (see above). Throws Error when the
  // manager is not open, is already sending, has no valid remote host, or the message cannot
  // be encoded or sent. Exceptions thrown by the event sink pass through.
  void send();

  const Settings& settings() const { return settings_; }

 private:
  bool isBroadcastTarget(Ipv4 address) const;

  Network& network_;
  Settings settings_;
  MessagePump* pump_;
  ManagerEvents* events_ = nullptr;
  std::unique_ptr<UdpSocket> socket_;
  std::string remoteHost_;
  int remotePort_ = 161;
  int timeoutMs_ = 1000;
  bool busy_ = false;
  Message message_;
};

}  // namespace platform::snmp

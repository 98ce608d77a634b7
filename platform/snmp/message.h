// The manager's message: what send() sends and, after an answer, what arrived.
#pragma once

#include <cstdint>
#include <string>

#include "platform/snmp/ber.h"
#include "platform/snmp/variables.h"

namespace platform::snmp {

// Type codes of the control: the PDU tag's low bits with 0x20 (0xA0 get -> 0x20).
enum class MessageType : int {
  GetRequest = 0x20,
  GetNextRequest = 0x21,
  GetResponse = 0x22,
  SetRequest = 0x23,
};

class Message {
 public:
  const std::string& community() const { return community_; }
  void setCommunity(const std::string& community) { community_ = community; }

  MessageType type() const { return type_; }
  void setType(MessageType type);  // throws Error for a code the control does not know
  void setTypeCode(int code);      // the same with the integer code (0x20 .. 0x23)

  std::int32_t requestId() const { return requestId_; }
  void setRequestId(std::int32_t id) { requestId_ = id; }

  // Of the last answer; 0 for a message built to be sent.
  int errorStatus() const { return errorStatus_; }
  int errorIndex() const { return errorIndex_; }

  Variables& variables() { return variables_; }
  const Variables& variables() const { return variables_; }
  void clearVariables() { variables_.clear(); }

  // The SNMPv1 message this object stands for. Get requests carry NULL values whatever the
  // variables hold; other types carry the variables' values.
  ber::Message toBer() const;
  // Replaces everything with the content of a received message.
  void assignFrom(const ber::Message& message);

 private:
  std::string community_ = "public";
  MessageType type_ = MessageType::GetRequest;
  std::int32_t requestId_ = 0;
  int errorStatus_ = 0;
  int errorIndex_ = 0;
  Variables variables_;
};

}  // namespace platform::snmp

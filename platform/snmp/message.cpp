#include "platform/snmp/message.h"

#include "platform/snmp/error.h"

namespace platform::snmp {

void Message::setType(MessageType type) {
  setTypeCode(static_cast<int>(type));
}

void Message::setTypeCode(int code) {
  if (code < 0x20 || code > 0x23)
    throw Error(kMessageSource, "Unsupported message type " + std::to_string(code));
  type_ = static_cast<MessageType>(code);
}

ber::Message Message::toBer() const {
  ber::Message m;
  m.version = 0;
  m.community = community_;
  m.pdu.type = static_cast<ber::PduType>(0x80 | static_cast<int>(type_));
  m.pdu.requestId = requestId_;
  const bool query = type_ == MessageType::GetRequest || type_ == MessageType::GetNextRequest;
  for (int i = 1; i <= variables_.count(); ++i) {
    const Variable& v = variables_.item(i);
    if (v.oid().empty()) throw Error(kMessageSource, "Variable " + std::to_string(i) + " has no identifier");
    m.pdu.varbinds.push_back({v.oid(), query ? ber::Value::null() : v.value()});
  }
  return m;
}

void Message::assignFrom(const ber::Message& message) {
  community_ = message.community;
  type_ = static_cast<MessageType>(static_cast<int>(message.pdu.type) & 0x23);
  requestId_ = message.pdu.requestId;
  errorStatus_ = message.pdu.errorStatus;
  errorIndex_ = message.pdu.errorIndex;
  variables_.clear();
  for (const auto& vb : message.pdu.varbinds) variables_.add(Variable::fromVarBind(vb));
}

}  // namespace platform::snmp

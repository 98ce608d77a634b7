#include "platform/snmp/variable.h"

#include <limits>

#include "platform/net/datagram.h"
#include "platform/snmp/error.h"

namespace platform::snmp {

namespace {

ber::Tag tagOf(ValueType type) {
  switch (type) {
    case ValueType::Null:
      return ber::Tag::Null;
    case ValueType::Integer:
      return ber::Tag::Integer;
    case ValueType::OctetString:
      return ber::Tag::OctetString;
    case ValueType::ObjectId:
      return ber::Tag::ObjectId;
    case ValueType::IpAddress:
      return ber::Tag::IpAddress;
    case ValueType::Counter:
      return ber::Tag::Counter;
    case ValueType::Gauge:
      return ber::Tag::Gauge;
    case ValueType::TimeTicks:
      return ber::Tag::TimeTicks;
  }
  throw Error(kVariableSource, "Unknown value type " + std::to_string(static_cast<int>(type)));
}

ber::Value emptyValue(ValueType type) {
  ber::Value v;
  v.tag = tagOf(type);
  if (type == ValueType::IpAddress) v.bytes.assign(4, 0);
  if (type == ValueType::ObjectId) v.oid = {0, 0};
  return v;
}

// Optional '-', then 1..10 digits; the value must fit [min, max].
bool parseDecimal(const std::string& text, std::int64_t min, std::int64_t max, std::int64_t& out) {
  std::size_t i = 0;
  bool negative = false;
  if (i < text.size() && text[i] == '-') {
    negative = true;
    ++i;
  }
  if (i == text.size() || text.size() - i > 10) return false;
  std::int64_t v = 0;
  for (; i < text.size(); ++i) {
    if (text[i] < '0' || text[i] > '9') return false;
    v = v * 10 + (text[i] - '0');
  }
  if (negative) v = -v;
  if (v < min || v > max) return false;
  out = v;
  return true;
}

}  // namespace

ValueType Variable::typeOf(ber::Tag tag) {
  switch (tag) {
    case ber::Tag::Integer:
      return ValueType::Integer;
    case ber::Tag::OctetString:
      return ValueType::OctetString;
    case ber::Tag::ObjectId:
      return ValueType::ObjectId;
    case ber::Tag::IpAddress:
      return ValueType::IpAddress;
    case ber::Tag::Counter:
      return ValueType::Counter;
    case ber::Tag::Gauge:
      return ValueType::Gauge;
    case ber::Tag::TimeTicks:
      return ValueType::TimeTicks;
    default:
      return ValueType::Null;
  }
}

void Variable::setIdentifier(const std::string& dotted) {
  auto oid = ber::parseOid(dotted);
  if (!oid) throw Error(kVariableSource, "Invalid object identifier \"" + dotted + "\"");
  oid_ = std::move(*oid);
}

std::string Variable::identifier() const {
  return oid_.empty() ? std::string() : ber::formatOid(oid_);
}

void Variable::setType(ValueType type) {
  value_ = emptyValue(type);
}

std::string Variable::valueText() const {
  switch (value_.tag) {
    case ber::Tag::Integer:
    case ber::Tag::Counter:
    case ber::Tag::Gauge:
    case ber::Tag::TimeTicks:
      return std::to_string(value_.number);
    case ber::Tag::OctetString:
      return std::string(value_.bytes.begin(), value_.bytes.end());
    case ber::Tag::IpAddress:
      if (value_.bytes.size() != 4) return {};
      return formatIpv4((Ipv4{value_.bytes[0]} << 24) | (Ipv4{value_.bytes[1]} << 16) |
                        (Ipv4{value_.bytes[2]} << 8) | Ipv4{value_.bytes[3]});
    case ber::Tag::ObjectId:
      return ber::formatOid(value_.oid);
    default:
      return {};
  }
}

void Variable::setValueText(const std::string& text) {
  std::int64_t n = 0;
  switch (value_.tag) {
    case ber::Tag::Integer:
      if (!parseDecimal(text, std::numeric_limits<std::int32_t>::min(),
                        std::numeric_limits<std::int32_t>::max(), n))
        throw Error(kVariableSource, "Invalid integer value \"" + text + "\"");
      value_.number = n;
      return;
    case ber::Tag::Counter:
    case ber::Tag::Gauge:
    case ber::Tag::TimeTicks:
      if (!parseDecimal(text, 0, std::numeric_limits<std::uint32_t>::max(), n))
        throw Error(kVariableSource, "Invalid unsigned value \"" + text + "\"");
      value_.number = n;
      return;
    case ber::Tag::OctetString:
      value_.bytes.assign(text.begin(), text.end());
      return;
    case ber::Tag::IpAddress: {
      auto ip = parseIpv4(text);
      if (!ip) throw Error(kVariableSource, "Invalid IP address \"" + text + "\"");
      value_ = ber::Value::ipAddress(*ip);
      return;
    }
    case ber::Tag::ObjectId: {
      auto oid = ber::parseOid(text);
      if (!oid) throw Error(kVariableSource, "Invalid object identifier value \"" + text + "\"");
      value_.oid = std::move(*oid);
      return;
    }
    default:
      throw Error(kVariableSource, "No value type set");
  }
}

std::vector<std::uint8_t> Variable::valueBytes() const {
  if (value_.tag == ber::Tag::OctetString || value_.tag == ber::Tag::IpAddress) return value_.bytes;
  std::string text = valueText();
  return {text.begin(), text.end()};
}

void Variable::setValueBytes(const std::vector<std::uint8_t>& bytes) {
  switch (value_.tag) {
    case ber::Tag::OctetString:
      value_.bytes = bytes;
      return;
    case ber::Tag::IpAddress:
      if (bytes.size() != 4)
        throw Error(kVariableSource, "An IP address needs 4 bytes, not " + std::to_string(bytes.size()));
      value_.bytes = bytes;
      return;
    default:
      setValueText(std::string(bytes.begin(), bytes.end()));
  }
}

Variable Variable::fromVarBind(const ber::VarBind& varbind) {
  Variable v;
  v.oid_ = varbind.name;
  v.value_ = varbind.value;
  return v;
}

}  // namespace platform::snmp

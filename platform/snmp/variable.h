// One variable of a message: identifier, value type and value.
//
// Value as text, by type:
//   Integer                 decimal, signed ("-5", "42"); set: optional '-', digits, 32-bit range
//   OctetString             the raw bytes as they are (no conversion, no terminator)
//   IpAddress               dotted quad "10.0.0.1"; set: strict dotted quad
//   ObjectId                dotted "1.3.6.1.2.1"
//   Counter/Gauge/TimeTicks unsigned decimal
//   Null                    empty; setting text on a Null variable is an error
// Value as bytes: OctetString the raw bytes; IpAddress its four octets in network order;
// every other type the bytes of its value text. Setting bytes on an IpAddress needs exactly
// four; on an Integer the bytes are read as the value text.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/snmp/ber.h"

namespace platform::snmp {

enum class ValueType : int {
  Null = 0,
  Integer = 1,
  OctetString = 2,
  ObjectId = 3,
  IpAddress = 4,
  Counter = 5,
  Gauge = 6,
  TimeTicks = 7,
};

class Variable {
 public:
  Variable() = default;

  // Dotted object identifier, with or without a leading '.'. Throws Error when malformed.
  void setIdentifier(const std::string& dotted);
  // "" until set.
  std::string identifier() const;

  ValueType type() const { return value_.tag == ber::Tag::Null ? ValueType::Null : typeOf(value_.tag); }
  // Changes the type; the value becomes that type's empty value (0, "", 0.0.0.0).
  void setType(ValueType type);

  std::string valueText() const;
  void setValueText(const std::string& text);  // throws Error when the text does not fit the type
  std::vector<std::uint8_t> valueBytes() const;
  void setValueBytes(const std::vector<std::uint8_t>& bytes);

  // The wire form.
  const ber::Oid& oid() const { return oid_; }
  const ber::Value& value() const { return value_; }
  static Variable fromVarBind(const ber::VarBind& varbind);

 private:
  static ValueType typeOf(ber::Tag tag);
  ber::Oid oid_;
  ber::Value value_;
};

}  // namespace platform::snmp

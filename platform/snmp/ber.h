// SNMPv1 messages and their BER encoding.
//
// Message ::= SEQUENCE { version INTEGER, community OCTET STRING, data PDU }
// PDU     ::= [A0..A3] IMPLICIT SEQUENCE { request-id INTEGER, error-status INTEGER,
//                                          error-index INTEGER, variable-bindings SEQUENCE OF
//                                          SEQUENCE { name OBJECT IDENTIFIER, value ANY } }
//
// Decoding is strict and bounds-checked: definite lengths only (short form, or long form of at
// most four length bytes), every length inside its enclosing element, no bytes left over, each
// element of the expected tag, integers within their type's range. Any violation throws
// BerError; nothing is read outside the input.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace platform::snmp::ber {

class BerError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

enum class PduType : std::uint8_t {
  GetRequest = 0xA0,
  GetNextRequest = 0xA1,
  GetResponse = 0xA2,
  SetRequest = 0xA3,
};

enum class Tag : std::uint8_t {
  Integer = 0x02,
  OctetString = 0x04,
  Null = 0x05,
  ObjectId = 0x06,
  Sequence = 0x30,
  IpAddress = 0x40,
  Counter = 0x41,
  Gauge = 0x42,
  TimeTicks = 0x43,
};

// Object identifier arcs, e.g. {1, 3, 6, 1, 2, 1, 1, 1, 0}.
using Oid = std::vector<std::uint32_t>;

// Dotted text, with or without one leading '.': at least two arcs, each fitting 32 bits, the
// first 0..2 and, below 2, the second 0..39 (what BER can encode). nullopt otherwise.
std::optional<Oid> parseOid(std::string_view text);
// "1.3.6.1.2.1.1.1.0" (no leading dot).
std::string formatOid(const Oid& oid);

// One value of a variable binding. Which member holds the value depends on the tag:
// Integer -> number (signed 32-bit range); Counter, Gauge, TimeTicks -> number (0..2^32-1);
// OctetString -> bytes; IpAddress -> bytes (exactly 4); ObjectId -> oid; Null -> nothing.
struct Value {
  Tag tag = Tag::Null;
  std::int64_t number = 0;
  std::vector<std::uint8_t> bytes;
  Oid oid;

  static Value null() { return {}; }
  static Value integer(std::int32_t v) { return {Tag::Integer, v, {}, {}}; }
  static Value unsignedValue(Tag tag, std::uint32_t v) { return {tag, v, {}, {}}; }
  static Value octets(std::vector<std::uint8_t> b) { return {Tag::OctetString, 0, std::move(b), {}}; }
  static Value ipAddress(std::uint32_t hostOrder);
  static Value objectId(Oid o) { return {Tag::ObjectId, 0, {}, std::move(o)}; }
  friend bool operator==(const Value&, const Value&) = default;
};

struct VarBind {
  Oid name;
  Value value;
  friend bool operator==(const VarBind&, const VarBind&) = default;
};

struct Pdu {
  PduType type = PduType::GetRequest;
  std::int32_t requestId = 0;
  std::int32_t errorStatus = 0;
  std::int32_t errorIndex = 0;
  std::vector<VarBind> varbinds;
  friend bool operator==(const Pdu&, const Pdu&) = default;
};

struct Message {
  std::int32_t version = 0;  // 0 = SNMPv1
  std::string community;     // raw bytes
  Pdu pdu;
  friend bool operator==(const Message&, const Message&) = default;
};

// Throws BerError for a value the encoding cannot carry (an OID that parseOid would refuse,
// an IpAddress that is not 4 bytes, a number outside its tag's range).
std::vector<std::uint8_t> encodeMessage(const Message& message);
// Throws BerError.
Message decodeMessage(std::span<const std::uint8_t> data);
// The same without exceptions: nullopt and, if given, the reason in `error`.
std::optional<Message> tryDecodeMessage(std::span<const std::uint8_t> data, std::string* error = nullptr);

// Largest message this codec encodes or accepts (the UDP payload limit).
inline constexpr std::size_t kMaxMessageSize = 65507;

}  // namespace platform::snmp::ber

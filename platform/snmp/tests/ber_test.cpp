#include "platform/snmp/ber.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace platform::snmp::ber {
namespace {

using Bytes = std::vector<std::uint8_t>;

// A TLV with a short- or long-form length, built by hand from the BER rules.
Bytes tlv(std::uint8_t tag, const Bytes& content) {
  Bytes out{tag};
  std::size_t n = content.size();
  if (n < 0x80) {
    out.push_back(static_cast<std::uint8_t>(n));
  } else if (n < 0x100) {
    out.insert(out.end(), {0x81, static_cast<std::uint8_t>(n)});
  } else {
    out.insert(out.end(), {0x82, static_cast<std::uint8_t>(n >> 8), static_cast<std::uint8_t>(n)});
  }
  out.insert(out.end(), content.begin(), content.end());
  return out;
}

Bytes cat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

Bytes text(const std::string& s) {
  return Bytes(s.begin(), s.end());
}

const Bytes kSysDescr0 = {0x2B, 0x06, 0x01, 0x02, 0x01, 0x01, 0x01, 0x00};  // 1.3.6.1.2.1.1.1.0

// A whole SNMPv1 message from its parts.
Bytes message(const Bytes& version, const Bytes& community, std::uint8_t pduTag, const Bytes& pduBody) {
  return tlv(0x30, cat({version, community, tlv(pduTag, pduBody)}));
}
Bytes pduBody(const Bytes& requestId, const Bytes& varbinds) {
  return cat({requestId, tlv(0x02, {0x00}), tlv(0x02, {0x00}), tlv(0x30, varbinds)});
}
Bytes varbind(const Bytes& oidContent, const Bytes& value) {
  return tlv(0x30, cat({tlv(0x06, oidContent), value}));
}

TEST(BerKnownBytes, GetRequestForSysDescrWithCommunityPublic) {
  // Assembled by hand byte by byte.
  const Bytes expected = {0x30, 0x26, 0x02, 0x01, 0x00, 0x04, 0x06, 'p',  'u',  'b',  'l',  'i',  'c',  0xA0,
                          0x19, 0x02, 0x01, 0x01, 0x02, 0x01, 0x00, 0x02, 0x01, 0x00, 0x30, 0x0E, 0x30, 0x0C,
                          0x06, 0x08, 0x2B, 0x06, 0x01, 0x02, 0x01, 0x01, 0x01, 0x00, 0x05, 0x00};
  Message m;
  m.community = "public";
  m.pdu.type = PduType::GetRequest;
  m.pdu.requestId = 1;
  m.pdu.varbinds.push_back({*parseOid("1.3.6.1.2.1.1.1.0"), Value::null()});
  EXPECT_EQ(encodeMessage(m), expected);
  EXPECT_EQ(decodeMessage(expected), m);
}

struct ValueCase {
  const char* name;
  Value value;
  Bytes encoded;  // the value's TLV
};

class BerValueBytes : public ::testing::TestWithParam<ValueCase> {};

TEST_P(BerValueBytes, EncodesAndDecodesExactly) {
  const ValueCase& c = GetParam();
  Message m;
  m.community = "private";
  m.pdu.type = PduType::SetRequest;
  m.pdu.requestId = 7;
  m.pdu.varbinds.push_back({*parseOid("1.3.6.1.4.1.410.1.2.1.1.0"), c.value});
  const Bytes oid = {0x2B, 0x06, 0x01, 0x04, 0x01, 0x83,
                     0x1A, 0x01, 0x02, 0x01, 0x01, 0x00};  // 410 = 0x83 0x1A
  const Bytes expected = message(tlv(0x02, {0x00}), tlv(0x04, text("private")), 0xA3,
                                 pduBody(tlv(0x02, {0x07}), varbind(oid, c.encoded)));
  EXPECT_EQ(encodeMessage(m), expected);
  EXPECT_EQ(decodeMessage(expected), m);
}

INSTANTIATE_TEST_SUITE_P(
    Values, BerValueBytes,
    ::testing::Values(
        ValueCase{"Zero", Value::integer(0), {0x02, 0x01, 0x00}},
        ValueCase{"Six", Value::integer(6), {0x02, 0x01, 0x06}},
        ValueCase{"MinusOne", Value::integer(-1), {0x02, 0x01, 0xFF}},
        ValueCase{"OneTwentySevenFitsOneByte", Value::integer(127), {0x02, 0x01, 0x7F}},
        ValueCase{"OneTwentyEightNeedsALeadingZero", Value::integer(128), {0x02, 0x02, 0x00, 0x80}},
        ValueCase{"MinusOneTwentyEight", Value::integer(-128), {0x02, 0x01, 0x80}},
        ValueCase{"MinusOneTwentyNine", Value::integer(-129), {0x02, 0x02, 0xFF, 0x7F}},
        ValueCase{"Int32Max", Value::integer(2147483647), {0x02, 0x04, 0x7F, 0xFF, 0xFF, 0xFF}},
        ValueCase{"Int32Min", Value::integer(-2147483647 - 1), {0x02, 0x04, 0x80, 0x00, 0x00, 0x00}},
        ValueCase{"EmptyText", Value::octets({}), {0x04, 0x00}},
        ValueCase{
            "TextWithZeroAndHighBytes", Value::octets({'a', 0x00, 0xFF}), {0x04, 0x03, 'a', 0x00, 0xFF}},
        ValueCase{"IpAddress", Value::ipAddress(0xC0A80101), {0x40, 0x04, 0xC0, 0xA8, 0x01, 0x01}},
        ValueCase{"Null", Value::null(), {0x05, 0x00}},
        ValueCase{"ObjectId",
                  Value::objectId({1, 3, 6, 1, 4, 1, 410}),
                  {0x06, 0x07, 0x2B, 0x06, 0x01, 0x04, 0x01, 0x83, 0x1A}},
        ValueCase{"CounterMax",
                  Value::unsignedValue(Tag::Counter, 4294967295u),
                  {0x41, 0x05, 0x00, 0xFF, 0xFF, 0xFF, 0xFF}},
        ValueCase{"Gauge", Value::unsignedValue(Tag::Gauge, 200), {0x42, 0x02, 0x00, 0xC8}},
        ValueCase{"TimeTicks", Value::unsignedValue(Tag::TimeTicks, 65536), {0x43, 0x03, 0x01, 0x00, 0x00}}),
    [](const auto& param) { return std::string(param.param.name); });

TEST(BerKnownBytes, LongFormLengthsForLongCommunities) {
  for (std::size_t size : {127u, 128u, 255u, 256u, 1000u}) {
    Message m;
    m.community.assign(size, 'c');
    m.pdu.type = PduType::GetResponse;
    m.pdu.requestId = -5;
    m.pdu.errorStatus = 16;
    m.pdu.errorIndex = 1;
    Bytes encoded = encodeMessage(m);
    // version (3 bytes), then the community's tag and length.
    ASSERT_GT(encoded.size(), 10u);
    std::size_t at = encoded[1] < 0x80 ? 2 : 2 + (encoded[1] & 0x7F);
    EXPECT_EQ(encoded[at + 3], 0x04);
    if (size < 128) {
      EXPECT_EQ(encoded[at + 4], size);
    } else if (size < 256) {
      EXPECT_EQ(encoded[at + 4], 0x81);
      EXPECT_EQ(encoded[at + 5], size);
    } else {
      EXPECT_EQ(encoded[at + 4], 0x82);
      EXPECT_EQ((encoded[at + 5] << 8) | encoded[at + 6], static_cast<int>(size));
    }
    EXPECT_EQ(decodeMessage(encoded), m) << size;
  }
}

TEST(BerDecode, AcceptsNonMinimalLongFormLengthAndRedundantIntegerBytes) {
  // 0x81 0x03 for a length of 3, and request id 5 written as 00 00 05: both are valid BER.
  Bytes m = tlv(0x30, cat({tlv(0x02, {0x00}), tlv(0x04, text("p")),
                           tlv(0xA2, cat({Bytes{0x02, 0x81, 0x03, 0x00, 0x00, 0x05}, tlv(0x02, {0x00}),
                                          tlv(0x02, {0x00}), tlv(0x30, {})}))}));
  Message decoded = decodeMessage(m);
  EXPECT_EQ(decoded.pdu.requestId, 5);
  EXPECT_EQ(decoded.pdu.type, PduType::GetResponse);
}

TEST(BerRoundTrip, MessagesSurviveEncodeAndDecode) {
  std::vector<Message> cases;
  {
    Message m;
    m.community = "";
    m.pdu.type = PduType::GetNextRequest;
    m.pdu.requestId = 0;
    cases.push_back(m);
  }
  {
    Message m;
    m.community = std::string("\x00\xFFkey", 5);
    m.pdu.type = PduType::GetResponse;
    m.pdu.requestId = 2147483647;
    m.pdu.errorStatus = 2;
    m.pdu.errorIndex = 3;
    m.pdu.varbinds = {
        {{1, 3, 6, 1, 2, 1, 1, 1, 0}, Value::octets(text("AP (Version 1.04e3)"))},
        {{1, 3, 6, 1, 4, 1, 410, 1, 1, 1, 3, 0}, Value::octets({0x00, 0x04, 0x25, 0x1C, 0xA0, 0x02})},
        {{1, 3, 6, 1, 4, 1, 410, 1, 1, 2, 1, 0}, Value::ipAddress(0x0A000001)},
        {{1, 3, 6, 1, 4, 1, 410, 1, 2, 1, 1, 0}, Value::integer(-77)},
        {{2, 999, 4294967295u}, Value::unsignedValue(Tag::TimeTicks, 0)},
        {{0, 39}, Value::objectId({2, 4294967295u - 80})}};
    cases.push_back(m);
  }
  {
    Message m;
    m.pdu.type = PduType::SetRequest;
    m.pdu.requestId = -2147483647 - 1;
    for (std::uint32_t i = 0; i < 200; ++i)
      m.pdu.varbinds.push_back(
          {{1, 3, 6, 1, 4, 1, i, 0}, Value::integer(static_cast<std::int32_t>(i * 1000))});
    m.pdu.varbinds.push_back({{1, 3, 6, 1}, Value::octets(Bytes(3000, 0xAB))});
    cases.push_back(m);
  }
  for (const auto& m : cases) {
    Bytes once = encodeMessage(m);
    Message back = decodeMessage(once);
    EXPECT_EQ(back, m);
    EXPECT_EQ(encodeMessage(back), once);
  }
}

TEST(BerEncode, RefusesWhatTheWireCannotCarry) {
  auto withValue = [](Oid name, Value v) {
    Message m;
    m.pdu.type = PduType::SetRequest;
    m.pdu.varbinds.push_back({std::move(name), std::move(v)});
    return m;
  };
  EXPECT_THROW(encodeMessage(withValue({1}, Value::null())), BerError);
  EXPECT_THROW(encodeMessage(withValue({3, 1}, Value::null())), BerError);
  EXPECT_THROW(encodeMessage(withValue({1, 40}, Value::null())), BerError);
  EXPECT_THROW(encodeMessage(withValue({1, 3}, Value{Tag::IpAddress, 0, {1, 2, 3}, {}})), BerError);
  EXPECT_THROW(encodeMessage(withValue({1, 3}, Value{Tag::Integer, 1LL << 31, {}, {}})), BerError);
  EXPECT_THROW(encodeMessage(withValue({1, 3}, Value{Tag::Counter, -1, {}, {}})), BerError);
  EXPECT_THROW(encodeMessage(withValue({1, 3}, Value{Tag::Sequence, 0, {}, {}})), BerError);
  EXPECT_THROW(encodeMessage(withValue({1, 3}, Value::octets(Bytes(70000, 1)))), BerError);
  Oid tooLong(129, 1);
  EXPECT_THROW(encodeMessage(withValue(tooLong, Value::null())), BerError);
}

TEST(BerOidText, ParsesStrictlyAndFormats) {
  EXPECT_EQ(parseOid("1.3.6.1.2.1.1.1.0"), (Oid{1, 3, 6, 1, 2, 1, 1, 1, 0}));
  EXPECT_EQ(parseOid(".1.3.6"), (Oid{1, 3, 6}));
  EXPECT_EQ(parseOid("2.100.4294967295"), (Oid{2, 100, 4294967295u}));
  for (const char* bad : {"", ".", "1", "1.", "1..3", "a.b", "1.3.6 ", " 1.3", "3.1", "1.40",
                          "1.3.4294967296", "1.3.-1", "..1.3", "1.3.6.1x"})
    EXPECT_FALSE(parseOid(bad)) << bad;
  EXPECT_EQ(formatOid({1, 3, 6, 1, 4, 1, 410}), "1.3.6.1.4.1.410");
}

// ---- malformed input ----

Bytes validGet() {
  return message(tlv(0x02, {0x00}), tlv(0x04, text("public")), 0xA0,
                 pduBody(tlv(0x02, {0x01}), varbind(kSysDescr0, {0x05, 0x00})));
}

Bytes responseWith(const Bytes& valueTlv) {
  return message(tlv(0x02, {0x00}), tlv(0x04, text("public")), 0xA2,
                 pduBody(tlv(0x02, {0x01}), varbind(kSysDescr0, valueTlv)));
}

Bytes nested(int depth) {
  Bytes b = {0x05, 0x00};
  for (int i = 0; i < depth; ++i) b = tlv(0x30, b);
  return b;
}

struct BadCase {
  const char* name;
  Bytes data;
};

class BerMalformed : public ::testing::TestWithParam<BadCase> {};

TEST_P(BerMalformed, IsADecodeError) {
  std::string error;
  EXPECT_THROW(decodeMessage(GetParam().data), BerError);
  EXPECT_FALSE(tryDecodeMessage(GetParam().data, &error));
  EXPECT_FALSE(error.empty());
}

Bytes withTrailing() {
  Bytes b = validGet();
  b.push_back(0x00);
  return b;
}

INSTANTIATE_TEST_SUITE_P(
    Inputs, BerMalformed,
    ::testing::Values(
        BadCase{"Empty", {}}, BadCase{"TagOnly", {0x30}}, BadCase{"TruncatedLongLength", {0x30, 0x82, 0x01}},
        BadCase{"LengthBeyondData", {0x30, 0x10, 0x02, 0x01, 0x00}},
        BadCase{"HugeLength", {0x30, 0x84, 0xFF, 0xFF, 0xFF, 0xFF, 0x02, 0x01, 0x00}},
        BadCase{"FiveLengthBytes", {0x30, 0x85, 0x00, 0x00, 0x00, 0x00, 0x05}},
        BadCase{"IndefiniteLength", {0x30, 0x80, 0x02, 0x01, 0x00, 0x00, 0x00}},
        BadCase{"WrongOuterTag", {0x31, 0x03, 0x02, 0x01, 0x00}},
        BadCase{"MultiByteTag", {0x3F, 0x01, 0x03, 0x02, 0x01, 0x00}},
        BadCase{"TrailingByte", withTrailing()}, BadCase{"OnlyVersion", tlv(0x30, tlv(0x02, {0x00}))},
        BadCase{"VersionAsText",
                message(tlv(0x04, {0x00}), tlv(0x04, text("public")), 0xA0, pduBody(tlv(0x02, {1}), {}))},
        BadCase{"CommunityAsInteger",
                message(tlv(0x02, {0x00}), tlv(0x02, {0x01}), 0xA0, pduBody(tlv(0x02, {1}), {}))},
        BadCase{"CommunityConstructed", message(tlv(0x02, {0x00}), tlv(0x24, tlv(0x04, text("p"))), 0xA0,
                                                pduBody(tlv(0x02, {1}), {}))},
        BadCase{"TrapPdu",
                message(tlv(0x02, {0x00}), tlv(0x04, text("public")), 0xA4, pduBody(tlv(0x02, {1}), {}))},
        BadCase{"ReportPdu",
                message(tlv(0x02, {0x00}), tlv(0x04, text("public")), 0xA8, pduBody(tlv(0x02, {1}), {}))},
        BadCase{"PduNotConstructed", message(tlv(0x02, {0x00}), tlv(0x04, text("public")), 0x02, {0x01})},
        BadCase{"EmptyInteger",
                message(tlv(0x02, {}), tlv(0x04, text("public")), 0xA0, pduBody(tlv(0x02, {1}), {}))},
        BadCase{"RequestIdBeyond32Bits", message(tlv(0x02, {0x00}), tlv(0x04, text("public")), 0xA0,
                                                 pduBody(tlv(0x02, {0x01, 0x00, 0x00, 0x00, 0x00}), {}))},
        BadCase{"IntegerOfTenBytes", message(tlv(0x02, Bytes(10, 0x00)), tlv(0x04, text("public")), 0xA0,
                                             pduBody(tlv(0x02, {1}), {}))},
        BadCase{"MissingErrorIndex", message(tlv(0x02, {0x00}), tlv(0x04, text("public")), 0xA0,
                                             cat({tlv(0x02, {1}), tlv(0x02, {0}), tlv(0x30, {})}))},
        BadCase{"BytesAfterVarbindList", message(tlv(0x02, {0x00}), tlv(0x04, text("public")), 0xA0,
                                                 cat({pduBody(tlv(0x02, {1}), {}), tlv(0x05, {})}))},
        BadCase{"VarbindListNotASequence",
                message(tlv(0x02, {0x00}), tlv(0x04, text("public")), 0xA0,
                        cat({tlv(0x02, {1}), tlv(0x02, {0}), tlv(0x02, {0}), tlv(0x31, {})}))},
        BadCase{"VarbindWithoutValue", message(tlv(0x02, {0x00}), tlv(0x04, text("public")), 0xA0,
                                               pduBody(tlv(0x02, {1}), tlv(0x30, tlv(0x06, kSysDescr0))))},
        BadCase{"VarbindWithExtraElement",
                message(tlv(0x02, {0x00}), tlv(0x04, text("public")), 0xA0,
                        pduBody(tlv(0x02, {1}),
                                tlv(0x30, cat({tlv(0x06, kSysDescr0), tlv(0x05, {}), tlv(0x05, {})}))))},
        BadCase{"VarbindNameNotAnOid",
                message(tlv(0x02, {0x00}), tlv(0x04, text("public")), 0xA0,
                        pduBody(tlv(0x02, {1}), tlv(0x30, cat({tlv(0x04, kSysDescr0), tlv(0x05, {})}))))},
        BadCase{"EmptyOid", message(tlv(0x02, {0x00}), tlv(0x04, text("public")), 0xA0,
                                    pduBody(tlv(0x02, {1}), varbind({}, {0x05, 0x00})))},
        BadCase{"OidEndsInsideArc",
                message(tlv(0x02, {0x00}), tlv(0x04, text("public")), 0xA0,
                        pduBody(tlv(0x02, {1}), varbind({0x2B, 0x06, 0x83}, {0x05, 0x00})))},
        BadCase{
            "OidArcBeyond32Bits",
            message(tlv(0x02, {0x00}), tlv(0x04, text("public")), 0xA0,
                    pduBody(tlv(0x02, {1}), varbind({0x2B, 0x90, 0x80, 0x80, 0x80, 0x00}, {0x05, 0x00})))},
        BadCase{"OidArcPadded", message(tlv(0x02, {0x00}), tlv(0x04, text("public")), 0xA0,
                                        pduBody(tlv(0x02, {1}), varbind({0x2B, 0x80, 0x01}, {0x05, 0x00})))},
        BadCase{"OidOf200Arcs", message(tlv(0x02, {0x00}), tlv(0x04, text("public")), 0xA0,
                                        pduBody(tlv(0x02, {1}), varbind(Bytes(200, 0x01), {0x05, 0x00})))},
        BadCase{"NullWithContent", responseWith({0x05, 0x01, 0x00})},
        BadCase{"IpAddressOfThreeBytes", responseWith({0x40, 0x03, 10, 0, 1})},
        BadCase{"IpAddressOfFiveBytes", responseWith({0x40, 0x05, 10, 0, 0, 1, 0})},
        BadCase{"NegativeCounter", responseWith({0x41, 0x01, 0xFF})},
        BadCase{"GaugeBeyond32Bits", responseWith({0x42, 0x05, 0x01, 0x00, 0x00, 0x00, 0x00})},
        BadCase{"IntegerValueBeyond32Bits", responseWith({0x02, 0x05, 0x00, 0x80, 0x00, 0x00, 0x00})},
        BadCase{"OpaqueValue", responseWith({0x44, 0x01, 0x00})},
        BadCase{"Counter64Value", responseWith({0x46, 0x01, 0x00})},
        BadCase{"SequenceAsValue", responseWith(tlv(0x30, {0x05, 0x00}))},
        BadCase{"ValueLengthBeyondVarbind", responseWith({0x04, 0x7F, 'a'})},
        BadCase{"DeepNestingAsValue", responseWith(nested(2000))},
        BadCase{"DeepNestingAsMessage", nested(5000)}),
    [](const auto& param) { return std::string(param.param.name); });

TEST(BerMalformed, EveryTruncationOfAValidMessageIsAnError) {
  Message m;
  m.community = "public";
  m.pdu.type = PduType::GetResponse;
  m.pdu.requestId = 300;
  m.pdu.varbinds = {{{1, 3, 6, 1, 2, 1, 1, 1, 0}, Value::octets(Bytes(200, 'x'))},
                    {{1, 3, 6, 1, 4, 1, 410, 1, 1, 2, 1, 0}, Value::ipAddress(0x7F000001)}};
  Bytes full = encodeMessage(m);
  for (std::size_t n = 0; n < full.size(); ++n) {
    Bytes cut(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(n));
    EXPECT_FALSE(tryDecodeMessage(cut)) << "prefix of " << n << " bytes decoded";
  }
}

TEST(BerMalformed, RandomCorruptionsDecodeOrFailCleanly) {
  // Each corrupted message either decodes to something that encodes again, or is refused;
  // the sanitizer build turns any over-read into a failure here.
  Message m;
  m.community = "public";
  m.pdu.type = PduType::GetResponse;
  m.pdu.requestId = 77;
  m.pdu.varbinds = {{{1, 3, 6, 1, 2, 1, 1, 1, 0}, Value::octets(text("AP (V 2.01)"))},
                    {{1, 3, 6, 1, 4, 1, 410, 1, 2, 1, 1, 0}, Value::integer(11)},
                    {{1, 3, 6, 1, 4, 1, 410, 1, 1, 2, 1, 0}, Value::ipAddress(0xC0A80001)}};
  const Bytes base = encodeMessage(m);
  std::mt19937 rng(12345);
  int decoded = 0;
  for (int round = 0; round < 20000; ++round) {
    Bytes b = base;
    int edits = 1 + static_cast<int>(rng() % 3);
    for (int e = 0; e < edits; ++e) b[rng() % b.size()] = static_cast<std::uint8_t>(rng());
    auto result = tryDecodeMessage(b);
    if (result) {
      ++decoded;
      EXPECT_NO_THROW(decodeMessage(encodeMessage(*result)));
    }
  }
  EXPECT_GT(decoded, 0);  // the harness does reach the success path
}

}  // namespace
}  // namespace platform::snmp::ber

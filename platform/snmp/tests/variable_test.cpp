#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/snmp/error.h"
#include "platform/snmp/message.h"
#include "platform/snmp/variable.h"
#include "platform/snmp/variables.h"

namespace platform::snmp {
namespace {

using Bytes = std::vector<std::uint8_t>;

struct TextCase {
  ValueType type;
  std::string in;
  std::string out;  // value text read back
  Bytes bytes;      // value bytes read back
  ber::Value wire;  // what goes on the wire
};

class VariableText : public ::testing::TestWithParam<TextCase> {};

TEST_P(VariableText, SetTextReadsBackAsTextBytesAndWire) {
  const TextCase& c = GetParam();
  Variable v;
  v.setIdentifier("1.3.6.1.4.1.410.1.2.1.1.0");
  v.setType(c.type);
  v.setValueText(c.in);
  EXPECT_EQ(v.type(), c.type);
  EXPECT_EQ(v.valueText(), c.out);
  EXPECT_EQ(v.valueBytes(), c.bytes);
  EXPECT_EQ(v.value(), c.wire);
}

INSTANTIATE_TEST_SUITE_P(
    Types, VariableText,
    ::testing::Values(TextCase{ValueType::Integer, "42", "42", {'4', '2'}, ber::Value::integer(42)},
                      TextCase{ValueType::Integer, "-7", "-7", {'-', '7'}, ber::Value::integer(-7)},
                      TextCase{ValueType::Integer, "007", "7", {'7'}, ber::Value::integer(7)},
                      TextCase{ValueType::Integer,
                               "2147483647",
                               "2147483647",
                               {'2', '1', '4', '7', '4', '8', '3', '6', '4', '7'},
                               ber::Value::integer(2147483647)},
                      TextCase{ValueType::OctetString,
                               "My AP",
                               "My AP",
                               {'M', 'y', ' ', 'A', 'P'},
                               ber::Value::octets({'M', 'y', ' ', 'A', 'P'})},
                      TextCase{ValueType::OctetString, "", "", {}, ber::Value::octets({})},
                      TextCase{ValueType::OctetString,
                               "caf\xE9",
                               "caf\xE9",
                               {'c', 'a', 'f', 0xE9},
                               ber::Value::octets({'c', 'a', 'f', 0xE9})},
                      TextCase{ValueType::IpAddress,
                               "192.168.1.254",
                               "192.168.1.254",
                               {192, 168, 1, 254},
                               ber::Value::ipAddress(0xC0A801FE)},
                      TextCase{
                          ValueType::IpAddress, "0.0.0.0", "0.0.0.0", {0, 0, 0, 0}, ber::Value::ipAddress(0)},
                      TextCase{ValueType::ObjectId,
                               ".1.3.6.1",
                               "1.3.6.1",
                               {'1', '.', '3', '.', '6', '.', '1'},
                               ber::Value::objectId({1, 3, 6, 1})},
                      TextCase{ValueType::TimeTicks,
                               "4294967295",
                               "4294967295",
                               {'4', '2', '9', '4', '9', '6', '7', '2', '9', '5'},
                               ber::Value::unsignedValue(ber::Tag::TimeTicks, 4294967295u)}));

struct BadText {
  ValueType type;
  std::string in;
};

class VariableBadText : public ::testing::TestWithParam<BadText> {};

TEST_P(VariableBadText, RaisesAnErrorAndKeepsTheValue) {
  Variable v;
  v.setType(GetParam().type);
  std::string before = v.valueText();
  try {
    v.setValueText(GetParam().in);
    FAIL() << "accepted \"" << GetParam().in << "\"";
  } catch (const Error& e) {
    EXPECT_EQ(e.source(), kVariableSource);
    EXPECT_NE(e.description().find(GetParam().in), std::string::npos) << e.description();
  }
  EXPECT_EQ(v.valueText(), before);
}

INSTANTIATE_TEST_SUITE_P(
    Types, VariableBadText,
    ::testing::Values(BadText{ValueType::Integer, ""}, BadText{ValueType::Integer, "12a"},
                      BadText{ValueType::Integer, " 1"}, BadText{ValueType::Integer, "2147483648"},
                      BadText{ValueType::Integer, "-2147483649"}, BadText{ValueType::Integer, "+5"},
                      BadText{ValueType::Integer, "99999999999999999999"}, BadText{ValueType::Integer, "-"},
                      BadText{ValueType::IpAddress, "10.0.0"}, BadText{ValueType::IpAddress, "10.0.0.256"},
                      BadText{ValueType::IpAddress, "10.0.0.1 "}, BadText{ValueType::IpAddress, "ap.local"},
                      BadText{ValueType::Counter, "-1"}, BadText{ValueType::Gauge, "4294967296"},
                      BadText{ValueType::ObjectId, "1"}));

TEST(Variable, BytesForOctetStringsAndIpAddresses) {
  Variable v;
  v.setType(ValueType::OctetString);
  v.setValueBytes({0x00, 0x04, 0x25, 0xFF});
  EXPECT_EQ(v.valueBytes(), (Bytes{0x00, 0x04, 0x25, 0xFF}));
  EXPECT_EQ(v.valueText(), std::string("\x00\x04\x25\xFF", 4));

  v.setType(ValueType::IpAddress);
  v.setValueBytes({10, 1, 2, 3});
  EXPECT_EQ(v.valueText(), "10.1.2.3");
  EXPECT_THROW(v.setValueBytes({10, 1, 2}), Error);

  v.setType(ValueType::Integer);
  v.setValueBytes({'1', '5'});
  EXPECT_EQ(v.value(), ber::Value::integer(15));
}

TEST(Variable, TypeChangeResetsTheValueAndNullTakesNoText) {
  Variable v;
  EXPECT_EQ(v.type(), ValueType::Null);
  EXPECT_EQ(v.identifier(), "");
  EXPECT_THROW(v.setValueText("1"), Error);
  v.setType(ValueType::Integer);
  v.setValueText("5");
  v.setType(ValueType::IpAddress);
  EXPECT_EQ(v.valueText(), "0.0.0.0");
  v.setType(ValueType::Integer);
  EXPECT_EQ(v.valueText(), "0");
}

TEST(Variable, IdentifierIsValidated) {
  Variable v;
  v.setIdentifier(".1.3.6.1.2.1.1.1.0");
  EXPECT_EQ(v.identifier(), "1.3.6.1.2.1.1.1.0");
  for (const char* bad : {"", "sysDescr", "1.3.6.", "1", "1.3.x"}) {
    try {
      v.setIdentifier(bad);
      ADD_FAILURE() << bad;
    } catch (const Error& e) {
      EXPECT_EQ(e.source(), kVariableSource);
    }
  }
  EXPECT_EQ(v.identifier(), "1.3.6.1.2.1.1.1.0");
}

TEST(Variables, OneBasedItemsAndRangeErrors) {
  Variables list;
  Variable a;
  a.setIdentifier("1.3.6.1.1");
  Variable b;
  b.setIdentifier("1.3.6.1.2");
  list.add(a);
  list.add(b);
  EXPECT_EQ(list.count(), 2);
  EXPECT_EQ(list.item(1).identifier(), "1.3.6.1.1");
  EXPECT_EQ(list.item(2).identifier(), "1.3.6.1.2");
  for (int bad : {0, 3, -1}) {
    try {
      list.item(bad);
      ADD_FAILURE() << bad;
    } catch (const Error& e) {
      EXPECT_EQ(e.source(), kVariablesSource);
      EXPECT_NE(e.description().find(std::to_string(bad)), std::string::npos);
    }
  }
  list.clear();
  EXPECT_EQ(list.count(), 0);
  EXPECT_THROW(list.item(1), Error);
}

TEST(Message, GetRequestsCarryNullsSetRequestsTheValues) {
  Message m;
  m.setCommunity("secret");
  m.setRequestId(9);
  Variable v;
  v.setIdentifier("1.3.6.1.4.1.410.1.2.1.1.0");
  v.setType(ValueType::Integer);
  v.setValueText("11");
  m.variables().add(v);

  m.setType(MessageType::GetRequest);
  ber::Message get = m.toBer();
  EXPECT_EQ(get.pdu.type, ber::PduType::GetRequest);
  EXPECT_EQ(get.community, "secret");
  EXPECT_EQ(get.pdu.requestId, 9);
  ASSERT_EQ(get.pdu.varbinds.size(), 1u);
  EXPECT_EQ(get.pdu.varbinds[0].value, ber::Value::null());

  m.setTypeCode(0x23);
  ber::Message set = m.toBer();
  EXPECT_EQ(set.pdu.type, ber::PduType::SetRequest);
  EXPECT_EQ(set.pdu.varbinds[0].value, ber::Value::integer(11));

  EXPECT_THROW(m.setTypeCode(0x24), Error);
  EXPECT_THROW(m.setTypeCode(0xA0), Error);
  EXPECT_EQ(m.type(), MessageType::SetRequest);

  m.variables().add(Variable());  // no identifier
  EXPECT_THROW(m.toBer(), Error);
  m.clearVariables();
  EXPECT_EQ(m.variables().count(), 0);
}

TEST(Message, AssignFromAnAnswer) {
  ber::Message answer;
  answer.community = "public";
  answer.pdu.type = ber::PduType::GetResponse;
  answer.pdu.requestId = 44;
  answer.pdu.errorStatus = 16;
  answer.pdu.errorIndex = 2;
  answer.pdu.varbinds = {
      {{1, 3, 6, 1, 2, 1, 1, 1, 0}, ber::Value::octets({'A', 'P'})},
      {{1, 3, 6, 1, 4, 1, 410, 1, 2, 5, 1, 0}, ber::Value::unsignedValue(ber::Tag::Gauge, 3)}};
  Message m;
  m.assignFrom(answer);
  EXPECT_EQ(m.type(), MessageType::GetResponse);
  EXPECT_EQ(m.requestId(), 44);
  EXPECT_EQ(m.errorStatus(), 16);
  EXPECT_EQ(m.errorIndex(), 2);
  ASSERT_EQ(m.variables().count(), 2);
  EXPECT_EQ(m.variables().item(1).valueText(), "AP");
  EXPECT_EQ(m.variables().item(1).type(), ValueType::OctetString);
  EXPECT_EQ(m.variables().item(2).valueText(), "3");
  EXPECT_EQ(m.variables().item(2).type(), ValueType::Gauge);
  EXPECT_EQ(m.variables().item(2).identifier(), "1.3.6.1.4.1.410.1.2.5.1.0");
}

TEST(Error, WhatIsSourceFollowedByDescription) {
  Error e(kManagerSource, "Not open");
  EXPECT_EQ(e.source(), "SnmpManager: ");
  EXPECT_EQ(e.description(), "Not open");
  EXPECT_STREQ(e.what(), "SnmpManager: Not open");
}

}  // namespace
}  // namespace platform::snmp

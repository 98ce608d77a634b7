#include "snmp/access/encodings.h"

#include <gtest/gtest.h>

#include "snmp/access/ap_records.h"

namespace manager {
namespace {

TEST(FirmwareVersion, Extraction) {
  struct Case {
    const char* description;
    const char* version;
  };
  const Case cases[] = {
      {"AT76C510 Access Point (Version 1.04e3)", "1.04e3"},
      {"X (V 2.01)", "2.01"},
      {"(V 2.01)", ""},                          // parenthesis as first character
      {"no parenthesis here", ""},
      {"", ""},
      {"AP (V2.01)", ""},                        // one word only
      {"AP (  V \t 2.01 ) trailing", "2.01"},    // white space of any kind between the words
      {"AP (V 2.01)(V 3)", "2.01"},              // cut before the first ")"
      {"AP (V 2.01) (W 9.9)", "2.01"},
      {"AP (V a-very-long-version-word)", "a-very-long-version-word"},
      {"AP (V", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(FirmwareVersionFrom(c.description), c.version) << c.description;
}

TEST(HexBytes, FromTextPairByPair) {
  struct Case {
    const char* text;
    std::vector<std::uint8_t> bytes;
  };
  const Case cases[] = {
      {"", {}},
      {"0", {}},
      {"00ff", {0x00, 0xFF}},
      {"A0b1C2", {0xA0, 0xB1, 0xC2}},
      {"123", {0x12}},             // odd last character dropped
      {"1g", {0x01}},              // a pair is read up to its first non-digit
      {"g1", {0x00}},
      {"00:0A", {0x00, 0x00}},     // ":0" gives 0, the odd "A" is dropped
  };
  for (const auto& c : cases) EXPECT_EQ(BytesFromHexText(c.text), c.bytes) << c.text;
}

TEST(HexBytes, ToText) {
  const std::vector<std::uint8_t> b{0x00, 0x0a, 0x1B, 0xff};
  EXPECT_EQ(HexTextFromBytes(b, false), "000A1BFF");
  EXPECT_EQ(HexTextFromBytes(b, true), "00:0A:1B:FF");
  EXPECT_EQ(HexTextFromBytes({}, true), "");
  EXPECT_EQ(HexTextFromBytes({0x7}, true), "07");
  EXPECT_EQ(BytesFromHexText(HexTextFromBytes(b, false)), b);
}

TEST(UnsignedText, Reading) {
  struct Case {
    const char* text;
    std::uint32_t value;
  };
  const Case cases[] = {{"0", 0},   {"42", 42},  {" 7", 7},    {"+3", 3},
                        {"12ab", 12}, {"", 0},   {"abc", 0},   {"-5", 0},
                        {"4294967295", 4294967295u}};
  for (const auto& c : cases) EXPECT_EQ(ReadUnsignedText(c.text), c.value) << c.text;
}

TEST(HexText, Recognition) {
  EXPECT_TRUE(IsHexText("0123456789abcdefABCDEF"));
  EXPECT_TRUE(IsHexText(""));
  EXPECT_FALSE(IsHexText("00-11"));
  EXPECT_FALSE(IsHexText("g"));
}

TEST(MacEntry, LittleEndianLayout) {
  const MacEntryBlock m{2, 0x0102, 0xFFFE, {0xDE, 0xAD, 0xBE, 0xEF, 0x00, 0x01}};
  const std::array<std::uint8_t, 12> bytes{2, 0, 0x02, 0x01, 0xFE, 0xFF, 0xDE, 0xAD, 0xBE, 0xEF, 0x00, 0x01};
  EXPECT_EQ(m.toBytes(), bytes);
  EXPECT_EQ(MacEntryBlock::fromBytes(bytes), m);
}

}  // namespace
}  // namespace manager

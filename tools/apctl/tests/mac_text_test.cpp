#include "tools/apctl/mac_text.h"

#include <gtest/gtest.h>

#include <sstream>

namespace apctl {
namespace {

Mac mac(std::uint8_t last, std::uint8_t first = 0) { return {first, 0x0A, 0x1B, 0x2C, 0x3D, last}; }

TEST(MacText, Parse) {
  struct Case {
    const char* text;
    std::optional<Mac> mac;
  };
  const Case cases[] = {
      {"000a1b2c3d4e", mac(0x4E)},
      {"000A1B2C3D4E", mac(0x4E)},
      {"00-0A-1B-2C-3D-4E", mac(0x4E)},
      {"00:0a:1b:2c:3d:4e", mac(0x4E)},
      {"00-0A:1B-2C-3D-4E", std::nullopt},  // mixed separators
      {"000a1b2c3d4", std::nullopt},
      {"000a1b2c3d4e5", std::nullopt},
      {"000a1b2c3d4g", std::nullopt},
      {"00 0A 1B 2C 3D 4E", std::nullopt},
      {"", std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(ParseMac(c.text), c.mac) << c.text;
  EXPECT_EQ(FormatMac(mac(0x4E)), "00-0A-1B-2C-3D-4E");
  EXPECT_EQ(FormatMac({0xFF, 0, 0, 0, 0, 1}), "FF-00-00-00-00-01");
}

TEST(MacText, ReadListFile) {
  std::istringstream good("000a1b2c3d01\n000A1B2C3D02  000a1b2c3d03\t\n");
  const auto r = ReadMacList(good);
  EXPECT_TRUE(r.error.empty());
  EXPECT_EQ(r.addresses, (std::vector<Mac>{mac(1), mac(2), mac(3)}));

  // A bad token anywhere spoils the whole file.
  for (const char* text : {"000a1b2c3d01 000a1b2c3d02 000a1b2c3d0", "000a1b2c3d01 00-0A-1B-2C-3D-4E",
                           "000a1b2c3d01 zz0a1b2c3d02"}) {
    std::istringstream in(text);
    const auto bad = ReadMacList(in);
    EXPECT_FALSE(bad.error.empty()) << text;
    EXPECT_TRUE(bad.addresses.empty()) << text;
  }
  std::istringstream empty("  \n");
  EXPECT_TRUE(ReadMacList(empty).addresses.empty());
}

TEST(MacText, MergeConsidersOnlyTheRoomLeftSkipsDuplicatesAndSorts) {
  std::vector<Mac> table;
  for (int i = 0; i < 60; ++i) table.push_back(mac(static_cast<std::uint8_t>(100 + i)));
  // 10 tokens; only the first 4 are considered, and two of those are already listed.
  std::vector<Mac> file = {mac(100), mac(1), mac(101), mac(2), mac(3), mac(4), mac(5), mac(6), mac(7), mac(8)};
  MergeMacList(table, file, 64);
  EXPECT_EQ(table.size(), 62u);
  EXPECT_NE(std::find(table.begin(), table.end(), mac(1)), table.end());
  EXPECT_NE(std::find(table.begin(), table.end(), mac(2)), table.end());
  EXPECT_EQ(std::find(table.begin(), table.end(), mac(3)), table.end()) << "later tokens do not fill the gaps";
  EXPECT_TRUE(std::is_sorted(table.begin(), table.end(),
                             [](const Mac& a, const Mac& b) { return FormatMac(a) < FormatMac(b); }));

  // The same file again adds nothing.
  std::vector<Mac> small;
  MergeMacList(small, {mac(9), mac(1, 0xFF), mac(2)}, 64);
  const auto once = small;
  MergeMacList(small, {mac(9), mac(1, 0xFF), mac(2)}, 64);
  EXPECT_EQ(small, once);
  EXPECT_EQ(small.front(), mac(2));
  EXPECT_EQ(small.back(), mac(1, 0xFF));

  std::vector<Mac> full(64, mac(0));
  MergeMacList(full, {mac(1)}, 64);
  EXPECT_EQ(full.size(), 64u);
}

}  // namespace
}  // namespace apctl

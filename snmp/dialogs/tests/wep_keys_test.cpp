#include "snmp/dialogs/wep_keys.h"

#include <gtest/gtest.h>

#include <string>

#include "snmp/dialogs/md5.h"

namespace manager {
namespace {

const WepKeyTexts kZeros = {"0000000000", "0000000000", "0000000000", "0000000000"};

// A seed of 1 runs the generator exactly as the C runtime's rand() after srand(1), whose
// published sequence starts 41, 18467, 6334, 26500, 19169, 15724, 11478, 29358, 26962, 24464,
// 5705, 28145, 23281, 16827, 9961, 491, 2995, 11942, 4827, 5436; the keys are the low bytes.
const WepKeyTexts kSeedOne = {"2923be84e1", "6cd6ae5290", "49f1f1bbe9", "ebb3a6db3c"};

TEST(Wep64, SeedOneFollowsTheCRuntimeSequence) {
  // Every passphrase whose bytes fold to the seed bytes 01 00 00 00.
  for (std::string p : {std::string("\x01"), std::string("\x01\0\0\0", 4), std::string("\x01" "AB\0\0AB", 7),
                        std::string("a\0\0\0a\0\0\0\x01", 9)}) {
    WepKeyTexts keys = kZeros;
    ASSERT_TRUE(GenerateWep64Keys(p, keys));
    EXPECT_EQ(keys, kSeedOne) << "passphrase of " << p.size() << " bytes";
  }
}

TEST(Wep64, SameFoldedSeedGivesSameKeys) {
  struct Pair {
    const char* a;
    const char* b;
  };
  // Characters swapped within the same position modulo 4, or cancelling pairs added.
  for (const Pair& pr : {Pair{"abcdefgh", "efghabcd"}, Pair{"abcd1234wxyz", "wxyzabcd1234"}, Pair{"a1b2c3", "c1b2a3"},
                         Pair{"abcd", "abcdxyzwxyzw"}}) {
    WepKeyTexts a = kZeros, b = kZeros;
    GenerateWep64Keys(pr.a, a);
    GenerateWep64Keys(pr.b, b);
    EXPECT_EQ(a, b) << pr.a << " / " << pr.b;
  }
  WepKeyTexts a = kZeros, b = kZeros;
  GenerateWep64Keys("abcd", a);
  GenerateWep64Keys("abdc", b);
  EXPECT_NE(a, b) << "different positions must change the seed";
}

TEST(Wep64, KeysAreTenLowercaseDigitsAndHighBytesCount) {
  WepKeyTexts keys = kZeros;
  ASSERT_TRUE(GenerateWep64Keys("\xFF\xFE\xFD\xFC", keys));  // bytes above 127 are unsigned
  for (const auto& k : keys) {
    ASSERT_EQ(k.size(), 10u);
    for (char c : k) EXPECT_TRUE((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f')) << k;
  }
  WepKeyTexts other = kZeros;
  GenerateWep64Keys("\x7F\x7E\x7D\x7C", other);
  EXPECT_NE(keys, other);
}

TEST(Wep64, EmptyPassphraseLeavesKeysAlone) {
  WepKeyTexts keys = {"1111111111", "22", "", "abcdefABCD"};
  const WepKeyTexts before = keys;
  EXPECT_FALSE(GenerateWep64Keys("", keys));
  EXPECT_EQ(keys, before);
}

std::string repeatTo64(const std::string& p) {
  std::string block;
  while (block.size() < 64) block += p;
  return block.substr(0, 64);
}

TEST(Wep128, KeyIsTheFirstThirteenDigestBytesOfTheStretchedBlock) {
  for (std::string p : {std::string("x"), std::string("hello world"), std::string(64, 'q'),
                        std::string("0123456789012345678901234567890123456789012345678901234567890123456789")}) {
    const std::string key = Wep128KeyFromPassphrase(p);
    EXPECT_EQ(key, toHex(md5(repeatTo64(p))).substr(0, 26)) << p;
  }
}

TEST(Wep128, LengthRules) {
  const std::string sixtyFour(64, 'k');
  // A passphrase of 64 bytes is used once; more is cut at 64.
  EXPECT_EQ(Wep128KeyFromPassphrase(sixtyFour + "extra"), Wep128KeyFromPassphrase(sixtyFour));
  EXPECT_NE(Wep128KeyFromPassphrase(sixtyFour.substr(0, 63) + "j"), Wep128KeyFromPassphrase(sixtyFour));
  // One byte fills the block.
  EXPECT_EQ(Wep128KeyFromPassphrase("k"), Wep128KeyFromPassphrase(sixtyFour));
  EXPECT_EQ(Wep128KeyFromPassphrase("k").size(), 26u);
  // Spaces are part of the passphrase.
  EXPECT_NE(Wep128KeyFromPassphrase("a b"), Wep128KeyFromPassphrase("ab"));
  EXPECT_EQ(Wep128KeyFromPassphrase(""), "");
}

TEST(Wep128, PassphraseStepPadsShortKeys) {
  WepKeyTexts keys = kZeros;
  ASSERT_TRUE(ApplyWep128Passphrase("magic", keys));
  EXPECT_EQ(keys[0], Wep128KeyFromPassphrase("magic"));
  for (int i = 1; i < 4; ++i) EXPECT_EQ(keys[i], "00000000000000000000000000");

  // Keys already of 26 digits (a second 128-bit apply) are not padded again.
  ASSERT_TRUE(ApplyWep128Passphrase("other", keys));
  EXPECT_EQ(keys[0], Wep128KeyFromPassphrase("other"));
  for (int i = 1; i < 4; ++i) EXPECT_EQ(keys[i].size(), 26u);

  const WepKeyTexts before = keys;
  EXPECT_FALSE(ApplyWep128Passphrase("", keys));
  EXPECT_EQ(keys, before);
}

TEST(Wep128, ManualEntryComposesRowsOneTwoAndHalfOfThree) {
  struct Case {
    WepKeyTexts in;
    WepKeyTexts out;
  };
  const Case cases[] = {
      // First 128-bit apply after 64-bit keys: rows 1, 2 and three fields of row 3.
      {{"0102030405", "060708090a", "0b0c0d0e0f", "1112131415"},
       {"0102030405060708090a0b0c0d", "060708090a0000000000000000", "0b0c0d0e0f0000000000000000",
        "11121314150000000000000000"}},
      // Keys of 26 digits from an earlier 128-bit apply: only the leading digits are taken.
      {{"aabbccddeeff00112233445566", "060708090a0000000000000000", "0b0c0d0e0f0000000000000000",
        "11121314150000000000000000"},
       {"aabbccddee060708090a0b0c0d", "060708090a0000000000000000", "0b0c0d0e0f0000000000000000",
        "11121314150000000000000000"}},
      // Upper- and lowercase digits are kept as typed.
      {{"ABCDEF0123", "456789abcd", "EF01234567", "0000000000"},
       {"ABCDEF0123456789abcdEF0123", "456789abcd0000000000000000", "EF012345670000000000000000",
        "00000000000000000000000000"}},
  };
  for (const auto& c : cases) {
    WepKeyTexts keys = c.in;
    ComposeWep128KeyFromManualEntry(keys);
    EXPECT_EQ(keys, c.out) << c.in[0];
  }
}

TEST(Wep128, ManualEntryWithShortTextsDoesNotOverrun) {
  WepKeyTexts keys = {"12", "", "3", ""};
  ComposeWep128KeyFromManualEntry(keys);
  EXPECT_EQ(keys[0], "123");
}

}  // namespace
}  // namespace manager

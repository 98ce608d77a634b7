#include "platform/text/ansi.h"

#include <gtest/gtest.h>

namespace platform {
namespace {

TEST(Ansi, RoundTripsEveryAssignedByteThroughUtf8) {
  for (int b = 1; b < 256; ++b) {
    std::string one(1, static_cast<char>(b));
    EXPECT_EQ(utf8ToAnsi(ansiToUtf8(one)), one) << "byte " << b;
  }
  EXPECT_EQ(ansiToUtf8("\x80 M\xFC" "ller"), "\xE2\x82\xAC M\xC3\xBCller");
}

TEST(Ansi, UnmappableAndMalformedUtf8) {
  EXPECT_EQ(utf8ToAnsi("\xE4\xB8\xAD"), "?");         // CJK character
  EXPECT_EQ(utf8ToAnsi("a\xC3"), "a\xC3");            // truncated sequence kept as a byte
  EXPECT_EQ(utf8ToAnsi("\xF0\x9F\x98\x80!"), "?!");   // outside the BMP
  EXPECT_EQ(utf8ToAnsi("\xC0\xAF"), "\xC0\xAF");         // overlong '/' is no UTF-8: bytes kept
  EXPECT_EQ(utf8ToAnsi("\xF4\x90\x80\x80"), "\xF4\x90\x80\x80");  // beyond U+10FFFF
}

TEST(Ansi, CaseFoldingCoversAccentedLetters) {
  EXPECT_TRUE(equalsIgnoreCase("Program Files", "PROGRAM files"));
  EXPECT_TRUE(equalsIgnoreCase("\xE4rger", "\xC4RGER"));  // ä / Ä
  EXPECT_FALSE(equalsIgnoreCase("\xF7", "\xD7"));         // ÷ and × are not letters
  EXPECT_FALSE(equalsIgnoreCase("abc", "abcd"));
  EXPECT_LT(compareIgnoreCase("abc", "ABD"), 0);
  EXPECT_EQ(IgnoreCaseHash{}("Section"), IgnoreCaseHash{}("SECTION"));
}

}  // namespace
}  // namespace platform

// A token-level LZHUF encoder for the tests: literals and matches are chosen by the test, not
// found by searching, so streams can hold exactly the cases a test wants (a match at the very
// start, a copy across the window end, millions of symbols for the tree rebuild). The adaptive
// code follows the one the decoder keeps, so the stream is what an -lh1- archiver would write
// for the same tokens.
#pragma once

#include <cstdint>
#include <vector>

namespace setup::test {

struct LzToken {
  int literal = -1;     // 0..255, or -1 for a match
  unsigned length = 0;  // 3..60
  unsigned distance = 0;  // 0..4095: copies from (r - distance - 1)
};

struct LzhufResult {
  std::vector<std::uint8_t> stream;
  std::vector<std::uint8_t> output;  // what a decoder produces for the tokens
};

LzhufResult EncodeLzhufTokens(const std::vector<LzToken>& tokens);

}  // namespace setup::test

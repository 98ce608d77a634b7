// Hand-made lh5 streams for the decoder tests and for the checks against an outside archiver.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "setup/Compress/tests/bit_writer.h"

namespace setup::test {

// Block header whose three codes are single symbols with zero-length codes: blockSize
// literal/length symbols `symbol`, every match of distance class `positionClass`.
void PutSingleSymbolHeader(BitWriter& w, std::uint16_t blockSize, unsigned symbol, unsigned positionClass);
std::vector<std::uint8_t> Lh5SingleSymbolBlock(std::uint16_t blockSize, unsigned symbol, unsigned positionClass);

// One code length of the code-length or position code: 3 bits, lengths 7 and more continued
// in unary.
void PutPtLength(BitWriter& w, unsigned length);

struct Lh5Stream {
  std::vector<std::uint8_t> stream;
  std::vector<std::uint8_t> output;
};
// A block with real two-symbol codes sent through the code-length code and its zero runs:
// literals, a self-overlapping match, and a match of the largest distance.
Lh5Stream Lh5TwoCodeBlock();

struct Lh5BadCase {
  std::string what;
  std::vector<std::uint8_t> stream;
};
std::vector<Lh5BadCase> Lh5BadTables();

}  // namespace setup::test

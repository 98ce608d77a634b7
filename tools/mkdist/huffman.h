// Length-limited Huffman code lengths and the canonical codes the lh5 decoder builds from them.
#pragma once

#include <cstdint>
#include <vector>

namespace mkdist {

// Code lengths (0 for unused symbols) of an optimal prefix code no longer than maxLength bits.
// With fewer than two used symbols every length is 0: the caller sends such a code specially.
std::vector<std::uint8_t> HuffmanLengths(const std::vector<std::uint32_t>& freq, int maxLength);

// Canonical codes: shorter codes first, within one length in symbol order.
std::vector<std::uint16_t> CanonicalCodes(const std::vector<std::uint8_t>& lengths);

}  // namespace mkdist

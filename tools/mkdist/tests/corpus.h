// Inputs that exercise the encoders: sizes around the window and buffer edges, runs, text,
// binary and random data.
#pragma once

#include <string>
#include <vector>

#include "tools/mkdist/bytes.h"

namespace mkdist::test {

struct Sample {
  std::string name;
  Bytes data;
};

std::vector<Sample> Corpus();

// Deterministic pseudo-random bytes.
Bytes RandomBytes(std::size_t n, std::uint32_t seed);
// English-like text with repeated words.
Bytes TextBytes(std::size_t n, std::uint32_t seed);

}  // namespace mkdist::test

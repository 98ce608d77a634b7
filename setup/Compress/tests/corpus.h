// Deterministic test data: text, binary records, skewed random bytes, runs.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace setup::test {

struct CorpusFile {
  std::string name;
  std::vector<std::uint8_t> data;
};

std::vector<std::uint8_t> TextData(std::size_t size, std::uint32_t seed);
std::vector<std::uint8_t> BinaryData(std::size_t size, std::uint32_t seed);
// Random bytes drawn from a small alphabet: no repeats to speak of, but compressible.
std::vector<std::uint8_t> SkewedRandomData(std::size_t size, std::uint32_t seed);
std::vector<std::uint8_t> UniformRandomData(std::size_t size, std::uint32_t seed);
std::vector<std::uint8_t> RunsData(std::size_t size, std::uint32_t seed);

}  // namespace setup::test

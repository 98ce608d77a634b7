#include "setup/Compress/tests/corpus.h"

#include <random>

namespace setup::test {

std::vector<std::uint8_t> TextData(std::size_t size, std::uint32_t seed) {
  static const char* const words[] = {"the", "installer", "expands", "archive", "entries", "into", "files",
                                      "of", "a", "setup", "program", "with", "checksum", "window", "and",
                                      "wireless", "access", "point", "directory", "Windows", "registry"};
  std::mt19937 rng(seed);
  std::vector<std::uint8_t> out;
  out.reserve(size);
  std::size_t column = 0;
  while (out.size() < size) {
    const std::string w = words[rng() % (sizeof words / sizeof words[0])];
    for (char c : w) out.push_back(static_cast<std::uint8_t>(c));
    column += w.size() + 1;
    if (column > 70) {
      out.push_back('\r'), out.push_back('\n');
      column = 0;
    } else {
      out.push_back(rng() % 11 == 0 ? ',' : ' ');
    }
  }
  out.resize(size);
  return out;
}

std::vector<std::uint8_t> BinaryData(std::size_t size, std::uint32_t seed) {
  // Records of a little-endian counter, a few flag bytes and a short name, as tables in a
  // program file look.
  std::mt19937 rng(seed);
  std::vector<std::uint8_t> out;
  out.reserve(size);
  std::uint32_t counter = 0x00401000;
  while (out.size() < size) {
    counter += 4 + rng() % 64;
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(counter >> (8 * i)));
    out.push_back(static_cast<std::uint8_t>(rng() % 4));
    out.push_back(0), out.push_back(0xFF);
    for (int i = 0, n = static_cast<int>(rng() % 9); i < n; ++i) out.push_back(static_cast<std::uint8_t>('A' + rng() % 26));
    out.push_back(0);
  }
  out.resize(size);
  return out;
}

std::vector<std::uint8_t> SkewedRandomData(std::size_t size, std::uint32_t seed) {
  std::mt19937 rng(seed);
  std::geometric_distribution<int> g(0.08);
  std::vector<std::uint8_t> out(size);
  for (auto& b : out) b = static_cast<std::uint8_t>(g(rng));
  return out;
}

std::vector<std::uint8_t> UniformRandomData(std::size_t size, std::uint32_t seed) {
  std::mt19937 rng(seed);
  std::vector<std::uint8_t> out(size);
  for (auto& b : out) b = static_cast<std::uint8_t>(rng());
  return out;
}

std::vector<std::uint8_t> RunsData(std::size_t size, std::uint32_t seed) {
  std::mt19937 rng(seed);
  std::vector<std::uint8_t> out;
  out.reserve(size);
  while (out.size() < size) {
    const auto b = static_cast<std::uint8_t>(rng() % 3 == 0 ? 0x94 : rng());
    for (std::size_t n = 1 + rng() % 400; n > 0 && out.size() < size; --n) out.push_back(b);
  }
  return out;
}

}  // namespace setup::test

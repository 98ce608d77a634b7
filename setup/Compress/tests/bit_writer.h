// Writes bit fields most significant bit first, for hand-made decoder streams.
#pragma once

#include <cstdint>
#include <vector>

namespace setup::test {

class BitWriter {
 public:
  void put(unsigned nbits, std::uint32_t value) {
    for (unsigned i = nbits; i > 0; --i) bit((value >> (i - 1)) & 1u);
  }
  void bit(unsigned b) {
    if (count_ % 8 == 0) bytes_.push_back(0);
    if (b) bytes_.back() |= static_cast<std::uint8_t>(0x80u >> (count_ % 8));
    ++count_;
  }
  std::vector<std::uint8_t> bytes() const { return bytes_; }
  std::uint64_t bitCount() const { return count_; }

 private:
  std::vector<std::uint8_t> bytes_;
  std::uint64_t count_ = 0;
};

}  // namespace setup::test

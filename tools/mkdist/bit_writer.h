// Bit output, most significant bit of each byte first, as both LZ decoders read it.
#pragma once

#include <cstdint>

#include "tools/mkdist/bytes.h"

namespace mkdist {

class BitWriter {
 public:
  explicit BitWriter(Bytes& out) : out_(out) {}

  // Writes the low `count` bits of `value`, highest first; count may be 0 to 32.
  void Put(std::uint32_t value, int count) {
    while (count > 0) {
      int take = count > 24 ? 24 : count;
      count -= take;
      std::uint32_t chunk = (value >> count) & ((1u << take) - 1u);
      acc_ = (acc_ << take) | chunk;
      bits_ += take;
      while (bits_ >= 8) {
        bits_ -= 8;
        out_.push_back(static_cast<std::uint8_t>(acc_ >> bits_));
      }
      acc_ &= (1u << bits_) - 1u;
    }
  }

  // Pads the last byte with zero bits.
  void Flush() {
    if (bits_ > 0) {
      out_.push_back(static_cast<std::uint8_t>(acc_ << (8 - bits_)));
      bits_ = 0;
      acc_ = 0;
    }
  }

 private:
  Bytes& out_;
  std::uint32_t acc_ = 0;
  int bits_ = 0;
};

}  // namespace mkdist

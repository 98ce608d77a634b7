#include "tools/mkdist/rle_encoder.h"

#include <algorithm>
#include <cstddef>

namespace mkdist {

namespace {

// One escape pair repeats the remembered byte at most 254 times (count byte 255).
constexpr std::size_t kMaxRepeat = 254;

void EmitRun(Bytes& out, std::uint8_t x, std::size_t n) {
  if (x == kRleEscape) {
    // The first 0x94 is the pair 0x94 0x00; it leaves 0x94 remembered, so pairs repeat it.
    out.push_back(kRleEscape);
    out.push_back(0);
    std::size_t left = n - 1;
    while (left > 0) {
      std::size_t k = std::min(left, kMaxRepeat);
      out.push_back(kRleEscape);
      out.push_back(static_cast<std::uint8_t>(k + 1));
      left -= k;
    }
    return;
  }
  while (n > 0) {
    out.push_back(x);
    std::size_t left = n - 1;
    if (left <= 2) {
      // A pair costs two bytes: no gain for one or two repeats.
      out.insert(out.end(), left, x);
      return;
    }
    std::size_t k = std::min(left, kMaxRepeat);
    out.push_back(kRleEscape);
    out.push_back(static_cast<std::uint8_t>(k + 1));
    n = left - k;
  }
}

}  // namespace

Bytes EncodeRle(ByteView input) {
  Bytes out;
  out.reserve(input.size() + input.size() / 16 + 4);
  std::size_t i = 0;
  while (i < input.size()) {
    std::uint8_t x = input[i];
    std::size_t j = i + 1;
    while (j < input.size() && input[j] == x) ++j;
    EmitRun(out, x, j - i);
    i = j;
  }
  return out;
}

}  // namespace mkdist

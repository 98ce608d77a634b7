#include "tools/mkdist/lzh_encoder.h"

#include <array>
#include <cstring>

#include "setup/Compress/lzh_tree.h"
#include "tools/mkdist/bit_writer.h"
#include "tools/mkdist/lz_parse.h"

namespace mkdist {

namespace {

using setup::LzhTree;
constexpr std::size_t kWindow = 4096;
constexpr std::size_t kPreset = 4036;  // window positions that start as spaces
constexpr std::size_t kMaxMatch = 60;

// The decoder's own tree: both sides update it after every symbol.
class AdaptiveTree {
 public:
  // Writes the code of `sym` (root first) and updates the tree.
  void Encode(int sym, BitWriter& bits) {
    // Depth can exceed 32 only in theory (frequencies stay below 0x8000); collect it in a stack.
    std::array<std::uint8_t, LzhTree::kTable> path;
    int depth = 0;
    for (int k = tree_.leafParent(sym); k != LzhTree::kRoot; k = tree_.parent(k)) path[depth++] = k & 1;
    while (depth > 0) bits.Put(path[--depth], 1);
    tree_.update(sym);
  }

 private:
  LzhTree tree_;
};

// Position codes: the upper six bits of a distance get a prefix code of 3 to 8 bits, read by
// the decoder as one byte; the lower six bits follow as they are.
struct PositionCode {
  std::array<std::uint8_t, 64> code{};  // the prefix, left-aligned in a byte
  std::array<std::uint8_t, 64> length{};
  PositionCode() {
    struct Band {
      int highs, bits;
    };
    constexpr Band bands[] = {{1, 3}, {3, 4}, {8, 5}, {12, 6}, {24, 7}, {16, 8}};
    int high = 0;
    unsigned byte = 0;
    for (const Band& band : bands) {
      for (int h = 0; h < band.highs; ++h, ++high) {
        code[high] = static_cast<std::uint8_t>(byte);
        length[high] = static_cast<std::uint8_t>(band.bits);
        byte += 1u << (8 - band.bits);
      }
    }
  }
};

class LzhSink {
 public:
  explicit LzhSink(Bytes& out) : bits_(out) {}
  void Literal(std::uint8_t b) { tree_.Encode(b, bits_); }
  void Copy(std::size_t length, std::size_t distance) {
    tree_.Encode(static_cast<int>(256 + length - 3), bits_);
    unsigned d = static_cast<unsigned>(distance - 1);  // 0 means the byte just written
    unsigned high = d >> 6;
    bits_.Put(positions_.code[high] >> (8 - positions_.length[high]), positions_.length[high]);
    bits_.Put(d & 0x3F, 6);
  }
  void Finish() { bits_.Flush(); }

 private:
  BitWriter bits_;
  AdaptiveTree tree_;
  PositionCode positions_;
};

}  // namespace

Bytes EncodeLzh(ByteView input) {
  Bytes out;
  out.reserve(input.size() / 2 + 16);
  if (input.empty()) return out;
  MatchParams params;
  params.window = kWindow;
  params.presetSpaces = kPreset;
  params.maxLength = kMaxMatch;
  params.maxChain = 96;
  LzhSink sink(out);
  ParseLz(input, params, sink);
  sink.Finish();
  return out;
}

}  // namespace mkdist

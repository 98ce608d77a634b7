#include "tools/mkdist/lzh_encoder.h"

#include <array>
#include <cstring>

#include "tools/mkdist/bit_writer.h"
#include "tools/mkdist/lz_parse.h"

namespace mkdist {

namespace {

constexpr int kChars = 314;             // symbols
constexpr int kTable = kChars * 2 - 1;  // nodes: 627
constexpr int kRoot = kTable - 1;       // 626
constexpr unsigned kMaxFreq = 0x8000;
constexpr std::size_t kWindow = 4096;
constexpr std::size_t kPreset = 4036;  // window positions that start as spaces
constexpr std::size_t kMaxMatch = 60;

// The same tree the decoder keeps; both sides update it after every symbol.
class AdaptiveTree {
 public:
  AdaptiveTree() {
    for (int i = 0; i < kChars; ++i) {
      freq_[i] = 1;
      son_[i] = static_cast<std::int16_t>(i + kTable);
      prnt_[i + kTable] = static_cast<std::int16_t>(i);
    }
    for (int i = 0, j = kChars; j <= kRoot; i += 2, ++j) {
      freq_[j] = static_cast<std::uint16_t>(freq_[i] + freq_[i + 1]);
      son_[j] = static_cast<std::int16_t>(i);
      prnt_[i] = prnt_[i + 1] = static_cast<std::int16_t>(j);
    }
    freq_[kTable] = 0xFFFF;
    prnt_[kRoot] = 0;
  }

  // Writes the code of `sym` (root first) and updates the tree.
  void Encode(int sym, BitWriter& bits) {
    // Depth can exceed 32 only in theory (frequencies stay below 0x8000); collect it in a stack.
    std::array<std::uint8_t, kTable> path;
    int depth = 0;
    for (int k = prnt_[sym + kTable]; k != kRoot; k = prnt_[k]) path[depth++] = k & 1;
    while (depth > 0) bits.Put(path[--depth], 1);
    Update(sym);
  }

 private:
  void Update(int sym) {
    if (freq_[kRoot] == kMaxFreq) Rebuild();
    int c = prnt_[sym + kTable];
    do {
      unsigned k = ++freq_[c];
      int l = c + 1;
      if (k > freq_[l]) {
        while (k > freq_[++l]) {
        }
        --l;
        freq_[c] = freq_[l];
        freq_[l] = static_cast<std::uint16_t>(k);
        int i = son_[c];
        prnt_[i] = static_cast<std::int16_t>(l);
        if (i < kTable) prnt_[i + 1] = static_cast<std::int16_t>(l);
        int j = son_[l];
        son_[l] = static_cast<std::int16_t>(i);
        prnt_[j] = static_cast<std::int16_t>(c);
        if (j < kTable) prnt_[j + 1] = static_cast<std::int16_t>(c);
        son_[c] = static_cast<std::int16_t>(j);
        c = l;
      }
      c = prnt_[c];
    } while (c != 0);
  }

  void Rebuild() {
    int j = 0;
    for (int i = 0; i < kTable; ++i) {
      if (son_[i] >= kTable) {
        freq_[j] = static_cast<std::uint16_t>((freq_[i] + 1) / 2);
        son_[j] = son_[i];
        ++j;
      }
    }
    for (int i = 0, n = kChars; n < kTable; i += 2, ++n) {
      unsigned f = static_cast<unsigned>(freq_[i]) + freq_[i + 1];
      int k = n - 1;
      while (f < freq_[k]) --k;
      ++k;
      std::memmove(&freq_[k + 1], &freq_[k], sizeof(freq_[0]) * static_cast<std::size_t>(n - k));
      freq_[k] = static_cast<std::uint16_t>(f);
      std::memmove(&son_[k + 1], &son_[k], sizeof(son_[0]) * static_cast<std::size_t>(n - k));
      son_[k] = static_cast<std::int16_t>(i);
    }
    for (int i = 0; i < kTable; ++i) {
      int k = son_[i];
      prnt_[k] = static_cast<std::int16_t>(i);
      if (k < kTable) prnt_[k + 1] = static_cast<std::int16_t>(i);
    }
  }

  std::array<std::uint16_t, kTable + 1> freq_{};
  std::array<std::int16_t, kTable> son_{};
  std::array<std::int16_t, kTable + kChars> prnt_{};
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

// The adaptive Huffman code of the LZH method (LZHUF): 314 symbols (256 bytes and the match
// lengths 3..60), a tree of 627 nodes whose frequencies are halved and the tree rebuilt when the
// root reaches 0x8000. Encoder and decoder must update it identically after every symbol, so both
// use this one class.
#pragma once

#include <cstdint>
#include <cstring>

namespace setup {

class LzhTree {
 public:
  static constexpr int kChars = 314;
  static constexpr int kTable = kChars * 2 - 1;  // 627 nodes
  static constexpr int kRoot = kTable - 1;       // 626
  static constexpr unsigned kMaxFreq = 0x8000;

  LzhTree() { reset(); }

  void reset() {
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

  // The children of an inner node are son(node) (bit 0) and son(node) + 1 (bit 1); a node at
  // kTable or above is the leaf of symbol node - kTable.
  int son(int node) const { return son_[node]; }
  int parent(int node) const { return prnt_[node]; }
  int leafParent(int symbol) const { return prnt_[symbol + kTable]; }

  // Counts one more `symbol` and restores the sibling order.
  void update(int symbol) {
    if (freq_[kRoot] == kMaxFreq) rebuild();
    int p = prnt_[symbol + kTable];
    do {
      const unsigned k = freq_[p] + 1u;
      freq_[p] = static_cast<std::uint16_t>(k);
      if (k > freq_[p + 1]) {
        int l = p + 1;
        while (k > freq_[l + 1]) ++l;  // the sentinel 0xFFFF ends the scan
        freq_[p] = freq_[l];
        freq_[l] = static_cast<std::uint16_t>(k);
        const int i = son_[p];
        prnt_[i] = static_cast<std::int16_t>(l);
        if (i < kTable) prnt_[i + 1] = static_cast<std::int16_t>(l);
        const int j = son_[l];
        son_[l] = static_cast<std::int16_t>(i);
        prnt_[j] = static_cast<std::int16_t>(p);
        if (j < kTable) prnt_[j + 1] = static_cast<std::int16_t>(p);
        son_[p] = static_cast<std::int16_t>(j);
        p = l;
      }
      p = prnt_[p];
    } while (p != 0);
  }

 private:
  void rebuild() {
    int j = 0;
    for (int i = 0; i < kTable; ++i) {
      if (son_[i] >= kTable) {
        freq_[j] = static_cast<std::uint16_t>((freq_[i] + 1) / 2);
        son_[j] = son_[i];
        ++j;
      }
    }
    for (int i = 0, n = kChars; n < kTable; i += 2, ++n) {
      const unsigned f = static_cast<unsigned>(freq_[i]) + freq_[i + 1];
      int k = n - 1;
      while (f < freq_[k]) --k;
      ++k;
      std::memmove(&freq_[k + 1], &freq_[k], sizeof freq_[0] * static_cast<std::size_t>(n - k));
      std::memmove(&son_[k + 1], &son_[k], sizeof son_[0] * static_cast<std::size_t>(n - k));
      freq_[k] = static_cast<std::uint16_t>(f);
      son_[k] = static_cast<std::int16_t>(i);
    }
    for (int i = 0; i < kTable; ++i) {
      const int k = son_[i];
      prnt_[k] = static_cast<std::int16_t>(i);
      if (k < kTable) prnt_[k + 1] = static_cast<std::int16_t>(i);
    }
  }

  std::uint16_t freq_[kTable + 1] = {};  // freq_[kTable] is the sentinel 0xFFFF
  std::int16_t son_[kTable] = {};
  std::int16_t prnt_[kTable + kChars] = {};
};

}  // namespace setup

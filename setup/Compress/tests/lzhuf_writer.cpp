#include "setup/Compress/tests/lzhuf_writer.h"

#include <cstring>

#include "setup/Compress/tests/bit_writer.h"

namespace setup::test {
namespace {

constexpr int N = 4096, F = 60, NC = 314, T = 2 * NC - 1, R = T - 1;

class AdaptiveTree {
 public:
  AdaptiveTree() {
    for (int i = 0; i < NC; ++i) {
      freq[i] = 1;
      son[i] = i + T;
      prnt[i + T] = i;
    }
    for (int i = 0, j = NC; j <= R; i += 2, ++j) {
      freq[j] = freq[i] + freq[i + 1];
      son[j] = i;
      prnt[i] = prnt[i + 1] = j;
    }
    freq[T] = 0xFFFF;
    prnt[R] = 0;
  }
  // The code of symbol c, root first.
  std::vector<int> code(int c) const {
    std::vector<int> bits;
    for (int k = prnt[c + T]; ; k = prnt[k]) {
      bits.insert(bits.begin(), k & 1);
      if (prnt[k] == R || k == R) break;
    }
    return bits;
  }
  void update(int c) {
    if (freq[R] == 0x8000) reconstruct();
    int p = prnt[c + T];
    do {
      unsigned k = ++freq[p];
      if (k > freq[p + 1]) {
        int l = p + 1;
        while (k > freq[l + 1]) ++l;
        freq[p] = freq[l];
        freq[l] = k;
        int i = son[p];
        prnt[i] = l;
        if (i < T) prnt[i + 1] = l;
        int j = son[l];
        son[l] = i;
        prnt[j] = p;
        if (j < T) prnt[j + 1] = p;
        son[p] = j;
        p = l;
      }
    } while ((p = prnt[p]) != 0);
  }

 private:
  void reconstruct() {
    int j = 0;
    for (int i = 0; i < T; ++i) {
      if (son[i] >= T) {
        freq[j] = (freq[i] + 1) / 2;
        son[j] = son[i];
        ++j;
      }
    }
    for (int i = 0, jj = NC; jj < T; i += 2, ++jj) {
      unsigned f = freq[jj] = freq[i] + freq[i + 1];
      int k = jj - 1;
      while (f < freq[k]) --k;
      ++k;
      for (int m = jj; m > k; --m) {
        freq[m] = freq[m - 1];
        son[m] = son[m - 1];
      }
      freq[k] = f;
      son[k] = i;
    }
    for (int i = 0; i < T; ++i) {
      int k = son[i];
      prnt[k] = i;
      if (k < T) prnt[k + 1] = i;
    }
  }

  unsigned freq[T + 1] = {};
  int son[T] = {};
  int prnt[T + NC] = {};
};

// The position code: for the upper six bits h of a distance, its first code byte and bit count.
void positionCode(unsigned high, unsigned& firstByte, unsigned& bits) {
  struct Band { unsigned from, highs, perHigh, bits; };
  const Band bands[] = {{0x00, 1, 32, 3}, {0x20, 3, 16, 4}, {0x50, 8, 8, 5},
                        {0x90, 12, 4, 6}, {0xC0, 24, 2, 7}, {0xF0, 16, 1, 8}};
  unsigned h = 0;
  for (const Band& b : bands) {
    if (high < h + b.highs) {
      firstByte = b.from + (high - h) * b.perHigh;
      bits = b.bits;
      return;
    }
    h += b.highs;
  }
}

}  // namespace

LzhufResult EncodeLzhufTokens(const std::vector<LzToken>& tokens) {
  AdaptiveTree tree;
  BitWriter out;
  LzhufResult result;
  std::uint8_t window[N];
  std::memset(window, ' ', sizeof window);
  unsigned r = N - F;
  auto emit = [&](std::uint8_t b) {
    result.output.push_back(b);
    window[r] = b;
    r = (r + 1) & (N - 1);
  };
  for (const LzToken& t : tokens) {
    const int sym = t.literal >= 0 ? t.literal : static_cast<int>(t.length) + 253;
    for (int b : tree.code(sym)) out.bit(static_cast<unsigned>(b));
    tree.update(sym);
    if (t.literal >= 0) {
      emit(static_cast<std::uint8_t>(t.literal));
      continue;
    }
    unsigned firstByte = 0, bits = 0;
    positionCode(t.distance >> 6, firstByte, bits);
    out.put(bits, firstByte >> (8 - bits));
    out.put(6, t.distance & 0x3F);
    const unsigned start = (r - t.distance - 1) & (N - 1);
    for (unsigned k = 0; k < t.length; ++k) emit(window[(start + k) & (N - 1)]);
  }
  result.stream = out.bytes();
  return result;
}

}  // namespace setup::test

#include "tools/mkdist/lh5_encoder.h"

#include <bit>
#include <vector>

#include "tools/mkdist/bit_writer.h"
#include "tools/mkdist/huffman.h"
#include "tools/mkdist/lz_parse.h"

namespace mkdist {

namespace {

constexpr int kNc = 510;  // literal/length symbols
constexpr int kNt = 19;   // code-length code symbols
constexpr int kNp = 14;   // distance classes
constexpr int kCBits = 9;
constexpr int kTBits = 5;
constexpr int kPBits = 4;
constexpr int kMaxCodeLength = 16;
constexpr std::size_t kWindow = 8192;
constexpr std::size_t kMaxMatch = 256;
// Symbols per block; the block header counts them in 16 bits.
constexpr std::size_t kBlockSymbols = 0x7FF0;

struct Token {
  std::uint16_t symbol;    // 0-255 literal, 256-509 match length 3-256
  std::uint16_t distance;  // distance - 1 for matches
};

int DistanceClass(unsigned d) { return d == 0 ? 0 : std::bit_width(d); }

class Lh5Writer {
 public:
  explicit Lh5Writer(Bytes& out) : bits_(out) {}

  void Literal(std::uint8_t b) { Add({b, 0}); }
  void Copy(std::size_t length, std::size_t distance) {
    Add({static_cast<std::uint16_t>(256 + length - 3), static_cast<std::uint16_t>(distance - 1)});
  }
  void Finish() {
    if (!block_.empty()) SendBlock();
    bits_.Flush();
  }

 private:
  void Add(Token t) {
    block_.push_back(t);
    if (block_.size() == kBlockSymbols) SendBlock();
  }

  // Sends a code whose lengths are in `len`: the count field, then one length per symbol up to
  // the last used one, with the two-bit zero run after symbol `special`.
  void WritePtLengths(const std::vector<std::uint8_t>& len, int nbits, int special) {
    int n = static_cast<int>(len.size());
    while (n > 0 && len[static_cast<std::size_t>(n) - 1] == 0) --n;
    bits_.Put(static_cast<unsigned>(n), nbits);
    int i = 0;
    while (i < n) {
      int k = len[static_cast<std::size_t>(i++)];
      if (k <= 6)
        bits_.Put(static_cast<unsigned>(k), 3);
      else
        bits_.Put((1u << (k - 3)) - 2u, k - 3);  // 111, then k - 7 ones, then a zero
      if (i == special) {
        while (i < 6 && len[static_cast<std::size_t>(i)] == 0) ++i;
        bits_.Put(static_cast<unsigned>(i - 3) & 3u, 2);
      }
    }
  }

  // Runs of zero lengths in the literal/length table use code-length symbols 0 (one zero),
  // 1 (3 to 18 zeros) and 2 (20 and more); a length L uses symbol L + 2.
  template <typename Emit>
  static void WalkCLengths(const std::vector<std::uint8_t>& cLen, int n, Emit emit) {
    int i = 0;
    while (i < n) {
      int k = cLen[static_cast<std::size_t>(i++)];
      if (k != 0) {
        emit(k + 2, -1, 0);
        continue;
      }
      int run = 1;
      while (i < n && cLen[static_cast<std::size_t>(i)] == 0) {
        ++i;
        ++run;
      }
      if (run <= 2) {
        for (int r = 0; r < run; ++r) emit(0, -1, 0);
      } else if (run <= 18) {
        emit(1, run - 3, 4);
      } else if (run == 19) {
        emit(0, -1, 0);
        emit(1, 15, 4);
      } else {
        emit(2, run - 20, kCBits);
      }
    }
  }

  void SendBlock() {
    std::vector<std::uint32_t> cFreq(kNc, 0), pFreq(kNp, 0);
    for (const Token& t : block_) {
      ++cFreq[t.symbol];
      if (t.symbol >= 256) ++pFreq[static_cast<std::size_t>(DistanceClass(t.distance))];
    }
    std::vector<std::uint8_t> cLen = HuffmanLengths(cFreq, kMaxCodeLength);
    std::vector<std::uint8_t> pLen = HuffmanLengths(pFreq, kMaxCodeLength);
    std::vector<std::uint16_t> cCode = CanonicalCodes(cLen);
    std::vector<std::uint16_t> pCode = CanonicalCodes(pLen);

    bits_.Put(static_cast<unsigned>(block_.size()), 16);

    int cUsed = 0;
    int cOnly = 0;
    for (int s = 0; s < kNc; ++s)
      if (cFreq[static_cast<std::size_t>(s)] > 0) {
        ++cUsed;
        cOnly = s;
      }
    if (cUsed >= 2) {
      int n = kNc;
      while (n > 0 && cLen[static_cast<std::size_t>(n) - 1] == 0) --n;
      std::vector<std::uint32_t> tFreq(kNt, 0);
      WalkCLengths(cLen, n, [&](int sym, int, int) { ++tFreq[static_cast<std::size_t>(sym)]; });
      std::vector<std::uint8_t> tLen = HuffmanLengths(tFreq, kMaxCodeLength);
      std::vector<std::uint16_t> tCode = CanonicalCodes(tLen);
      int tUsed = 0, tOnly = 0;
      for (int s = 0; s < kNt; ++s)
        if (tFreq[static_cast<std::size_t>(s)] > 0) {
          ++tUsed;
          tOnly = s;
        }
      if (tUsed >= 2) {
        WritePtLengths(tLen, kTBits, 3);
      } else {
        // One code-length symbol only: it takes no bits.
        bits_.Put(0, kTBits);
        bits_.Put(static_cast<unsigned>(tOnly), kTBits);
      }
      bits_.Put(static_cast<unsigned>(n), kCBits);
      WalkCLengths(cLen, n, [&](int sym, int extra, int extraBits) {
        bits_.Put(tCode[static_cast<std::size_t>(sym)], tLen[static_cast<std::size_t>(sym)]);
        if (extra >= 0) bits_.Put(static_cast<unsigned>(extra), extraBits);
      });
    } else {
      // One literal/length symbol for the whole block: zero-length codes.
      bits_.Put(0, kTBits);
      bits_.Put(0, kTBits);
      bits_.Put(0, kCBits);
      bits_.Put(static_cast<unsigned>(cOnly), kCBits);
    }

    int pUsed = 0, pOnly = 0;
    for (int s = 0; s < kNp; ++s)
      if (pFreq[static_cast<std::size_t>(s)] > 0) {
        ++pUsed;
        pOnly = s;
      }
    if (pUsed >= 2) {
      WritePtLengths(pLen, kPBits, -1);
    } else {
      bits_.Put(0, kPBits);
      bits_.Put(static_cast<unsigned>(pOnly), kPBits);
    }

    for (const Token& t : block_) {
      bits_.Put(cCode[t.symbol], cLen[t.symbol]);
      if (t.symbol >= 256) {
        int j = DistanceClass(t.distance);
        bits_.Put(pCode[static_cast<std::size_t>(j)], pLen[static_cast<std::size_t>(j)]);
        if (j > 1) bits_.Put(t.distance - (1u << (j - 1)), j - 1);
      }
    }
    block_.clear();
  }

  BitWriter bits_;
  std::vector<Token> block_;
};

}  // namespace

Bytes EncodeLh5(ByteView input) {
  Bytes out;
  out.reserve(input.size() / 2 + 16);
  if (input.empty()) return out;
  MatchParams params;
  params.window = kWindow;
  params.presetSpaces = kWindow;
  params.maxLength = kMaxMatch;
  params.maxChain = 128;
  Lh5Writer writer(out);
  ParseLz(input, params, writer);
  writer.Finish();
  return out;
}

}  // namespace mkdist

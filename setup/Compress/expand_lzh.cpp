// LZSS with a 4096-byte window and an adaptive Huffman code over 314 symbols (LZHUF).
#include <array>
#include <cstring>

#include "setup/Compress/decoders.h"
#include "setup/Compress/lzh_tree.h"

namespace setup {
namespace {

constexpr int kWindow = 4096;
constexpr int kLookahead = 60;
static_assert(LzhTree::kChars == 256 - 3 + kLookahead + 1, "one symbol per byte and match length");

// Position code: for each value of the first byte, the upper six bits of the distance and the
// total number of bits of the code.
struct PositionTables {
  std::array<std::uint8_t, 256> high{};
  std::array<std::uint8_t, 256> bits{};
  constexpr PositionTables() {
    // (first byte value, number of byte values per high part, bit count)
    struct Band {
      int from, to, perHigh, bits;
    };
    constexpr Band bands[] = {{0x00, 0x1F, 32, 3}, {0x20, 0x4F, 16, 4}, {0x50, 0x8F, 8, 5},
                              {0x90, 0xBF, 4, 6},  {0xC0, 0xEF, 2, 7},  {0xF0, 0xFF, 1, 8}};
    int h = 0;
    for (const Band& b : bands) {
      for (int v = b.from; v <= b.to; v += b.perHigh, ++h) {
        for (int k = 0; k < b.perHigh; ++k) {
          high[static_cast<std::size_t>(v + k)] = static_cast<std::uint8_t>(h);
          bits[static_cast<std::size_t>(v + k)] = static_cast<std::uint8_t>(b.bits);
        }
      }
    }
  }
};
constexpr PositionTables kPosition;
static_assert(kPosition.high[0xFF] == 63 && kPosition.high[0x20] == 1 && kPosition.high[0x50] == 4);

class LzhDecoder {
 public:
  LzhDecoder(ByteSource& source, ByteSink& sink) : source_(source), sink_(sink) {
    // Only positions 0..4035 are defined to start as spaces; the rest is never read by
    // well-formed data before it is written, and spaces there match LHA's own -lh1- decoder.
    std::memset(window_, ' ', sizeof window_);
  }

  void run(std::int32_t count) {
    unsigned r = kWindow - kLookahead;
    std::int64_t produced = 0;
    while (produced < count) {
      const int sym = decodeSymbol();
      if (sym < 256) {
        const auto b = static_cast<std::uint8_t>(sym);
        sink_.put(b);
        window_[r] = b;
        r = (r + 1) & (kWindow - 1);
        ++produced;
      } else {
        const unsigned d = decodePosition();
        const int length = sym - 253;
        const unsigned start = (r - d - 1) & (kWindow - 1);
        for (int k = 0; k < length; ++k) {
          const std::uint8_t b = window_[(start + static_cast<unsigned>(k)) & (kWindow - 1)];
          sink_.put(b);
          window_[r] = b;
          r = (r + 1) & (kWindow - 1);
        }
        produced += length;
      }
    }
  }

 private:
  // Bit input: a 16-bit buffer that is topped up with one byte whenever it holds 8 bits or
  // fewer before bits are taken.
  void need() {
    if (bitCount_ <= 8) {
      const unsigned b = source_.fetch();
      bitBuf_ |= (b << (8 - bitCount_)) & 0xFFFFu;
      bitCount_ += 8;
    }
  }
  unsigned getBit() {
    need();
    const unsigned bit = (bitBuf_ >> 15) & 1u;
    bitBuf_ = (bitBuf_ << 1) & 0xFFFFu;
    --bitCount_;
    return bit;
  }
  unsigned getByte() {
    need();
    const unsigned v = bitBuf_ >> 8;
    bitBuf_ = (bitBuf_ << 8) & 0xFFFFu;
    bitCount_ -= 8;
    return v;
  }
  unsigned getBits(unsigned n) {  // n = 0..8
    need();
    const unsigned v = bitBuf_ >> (16 - n);
    bitBuf_ = (bitBuf_ << n) & 0xFFFFu;
    bitCount_ -= n;
    return v;
  }

  int decodeSymbol() {
    int node = tree_.son(LzhTree::kRoot);
    while (node < LzhTree::kTable) node = tree_.son(node + static_cast<int>(getBit()));
    const int s = node - LzhTree::kTable;
    tree_.update(s);
    return s;
  }

  unsigned decodePosition() {
    unsigned i = getByte();
    const unsigned high = kPosition.high[i];
    const unsigned len = kPosition.bits[i];
    i = (i << (len - 2)) | getBits(len - 2);
    return high * 64 + (i & 0x3F);
  }

  ByteSource& source_;
  ByteSink& sink_;
  unsigned bitBuf_ = 0;
  unsigned bitCount_ = 0;
  std::uint8_t window_[kWindow];
  LzhTree tree_;
};

}  // namespace

void ExpandLzh(std::int32_t count, ByteSource& source, ByteSink& sink) {
  if (count <= 0) return;
  LzhDecoder decoder(source, sink);
  decoder.run(count);
}

std::vector<std::uint8_t> ExpandLzhBuffer(std::span<const std::uint8_t> stored, std::int32_t count) {
  MemorySource source(stored);
  MemorySink sink;
  ExpandLzh(count, source, sink);
  sink.finish();
  return std::move(sink.data());
}

}  // namespace setup

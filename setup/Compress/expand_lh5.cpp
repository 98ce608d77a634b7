// LZ77 with an 8192-byte window and static Huffman codes sent per block (lh5, ar002 coding).
//
// The bit reader keeps the stream's next bits left-aligned in a 64-bit accumulator and tops it
// up one byte at a time whenever fewer than 16 bits are left, so bytes are fetched at exactly
// the moments a 16-bit buffer with an 8-bit reserve would fetch them. Codes of up to 12 bits
// (literal/length) and 8 bits (code-length and position codes) are decoded by direct tables.
//
// Hostile data is rejected with ELZHBadDecodeTable instead of being clamped: length lists
// longer than their table, a single-symbol code whose symbol is outside the alphabet, code
// lengths above 16, and length lists that over-fill the code space. Such streams are never
// produced by an encoder, and rejecting them keeps every write inside the tables.
#include <cstring>

#include "setup/Compress/compress_errors.h"
#include "setup/Compress/decoders.h"

namespace setup {
namespace {

constexpr unsigned kWindow = 8192;
constexpr unsigned kNC = 510;  // literal/length symbols
constexpr unsigned kNP = 14;   // position symbols
constexpr unsigned kNT = 19;   // code-length symbols
constexpr unsigned kNodes = 2 * kNC - 1;

class Lh5Decoder {
 public:
  Lh5Decoder(ByteSource& source, ByteSink& sink) : source_(source), sink_(sink) {
    std::memset(window_, ' ', sizeof window_);
    consume(0);  // loads the first 16 bits
  }

  void run(std::int32_t count) {
    unsigned r = 0;
    std::int64_t produced = 0;
    while (produced < count) {
      const unsigned sym = decodeC();
      if (sym <= 255) {
        const auto b = static_cast<std::uint8_t>(sym);
        window_[r] = b;
        sink_.put(b);
        r = (r + 1) & (kWindow - 1);
        ++produced;
      } else {
        const unsigned length = sym - 253;
        const unsigned d = decodeP();
        produced += length;
        unsigned from = (r - d - 1) & (kWindow - 1);
        for (unsigned k = 0; k < length; ++k) {
          const std::uint8_t b = window_[from];
          window_[r] = b;
          sink_.put(b);
          from = (from + 1) & (kWindow - 1);
          r = (r + 1) & (kWindow - 1);
        }
      }
    }
  }

 private:
  // ---- bits ----
  unsigned top16() const { return static_cast<unsigned>(acc_ >> 48); }
  void consume(unsigned n) {
    acc_ <<= n;
    bits_ -= n;
    while (bits_ < 16) {
      acc_ |= static_cast<std::uint64_t>(source_.fetch()) << (56 - bits_);
      bits_ += 8;
    }
  }
  unsigned getBits(unsigned n) {  // n = 0..16
    const unsigned v = n == 0 ? 0u : static_cast<unsigned>(acc_ >> (64 - n));
    consume(n);
    return v;
  }

  // Walks the tree below a table entry: `buf` is the 16-bit buffer, `mask` its first bit.
  // Well-formed codes end within 16 bits; a walk that does not is a damaged table.
  unsigned walk(unsigned j, unsigned limit, unsigned buf, unsigned mask) const {
    do {
      if (mask == 0) throw ELZHBadDecodeTable();
      j = (buf & mask) ? right_[j] : left_[j];
      mask >>= 1;
    } while (j >= limit);
    return j;
  }

  // ---- tables ----
  void makeTable(unsigned nchar, const std::uint8_t* bitlen, unsigned tableBits, std::uint16_t* table) {
    std::uint32_t count[17] = {};
    std::uint32_t weight[17];
    std::uint32_t start[18];
    for (unsigned i = 0; i < nchar; ++i) {
      if (bitlen[i] > 16) throw ELZHBadDecodeTable();
      ++count[bitlen[i]];
    }
    start[1] = 0;
    for (unsigned i = 1; i <= 16; ++i) start[i + 1] = start[i] + (count[i] << (16 - i));
    // A complete code fills exactly 65536; an empty one (all lengths 0) is accepted and
    // leaves the table as it is.
    if (start[17] != 0 && start[17] != 65536) throw ELZHBadDecodeTable();

    const unsigned jut = 16 - tableBits;
    for (unsigned i = 1; i <= tableBits; ++i) {
      start[i] >>= jut;
      weight[i] = 1u << (tableBits - i);
    }
    for (unsigned i = tableBits + 1; i <= 16; ++i) weight[i] = 1u << (16 - i);

    const unsigned tableSize = 1u << tableBits;
    const unsigned clearFrom = start[tableBits + 1] >> jut;
    if (clearFrom != 0 && clearFrom < tableSize) {
      std::memset(table + clearFrom, 0, sizeof(std::uint16_t) * (tableSize - clearFrom));
    }

    unsigned avail = nchar;
    const unsigned mask = 1u << (15 - tableBits);
    for (unsigned ch = 0; ch < nchar; ++ch) {
      const unsigned len = bitlen[ch];
      if (len == 0) continue;
      std::uint32_t k = start[len];
      const std::uint32_t next = k + weight[len];
      if (len <= tableBits) {
        for (std::uint32_t i = k; i < next; ++i) table[i] = static_cast<std::uint16_t>(ch);
      } else {
        std::uint16_t* p = &table[k >> jut];
        for (unsigned i = len - tableBits; i > 0; --i) {
          if (*p == 0) {
            if (avail >= kNodes) throw ELZHBadDecodeTable();
            right_[avail] = left_[avail] = 0;
            *p = static_cast<std::uint16_t>(avail++);
          } else if (*p < nchar) {
            throw ELZHBadDecodeTable();  // a shorter code is a prefix of this one
          }
          p = (k & mask) ? &right_[*p] : &left_[*p];
          k <<= 1;
        }
        *p = static_cast<std::uint16_t>(ch);
      }
      start[len] = next;
    }
  }

  void readPtLen(unsigned nn, unsigned nbit, int special) {
    const unsigned n = getBits(nbit);
    if (n == 0) {
      const unsigned v = getBits(nbit);
      if (v >= nn) throw ELZHBadDecodeTable();
      std::memset(ptLen_, 0, nn);
      for (auto& e : ptTable_) e = static_cast<std::uint16_t>(v);
      return;
    }
    if (n > nn) throw ELZHBadDecodeTable();
    unsigned i = 0;
    while (i < n) {
      unsigned len = top16() >> 13;
      if (len == 7) {
        const unsigned buf = top16();
        for (unsigned m = 1u << 12; m != 0 && (buf & m); m >>= 1) ++len;
        if (len > 16) throw ELZHBadDecodeTable();
      }
      consume(len < 7 ? 3 : len - 3);
      ptLen_[i++] = static_cast<std::uint8_t>(len);
      if (static_cast<int>(i) == special) {
        unsigned z = getBits(2);
        while (z-- > 0) ptLen_[i++] = 0;  // at most index 6, inside the 19 entries
      }
    }
    while (i < nn) ptLen_[i++] = 0;
    makeTable(nn, ptLen_, 8, ptTable_);
  }

  void readCLen() {
    const unsigned n = getBits(9);
    if (n == 0) {
      const unsigned v = getBits(9);
      if (v >= kNC) throw ELZHBadDecodeTable();
      std::memset(cLen_, 0, sizeof cLen_);
      for (auto& e : cTable_) e = static_cast<std::uint16_t>(v);
      return;
    }
    if (n > kNC) throw ELZHBadDecodeTable();
    unsigned i = 0;
    while (i < n) {
      unsigned t = ptTable_[top16() >> 8];
      if (t >= kNT) t = walk(t, kNT, top16(), 0x80);
      consume(ptLen_[t]);
      if (t <= 2) {
        unsigned run = t == 0 ? 1 : t == 1 ? getBits(4) + 3 : getBits(9) + 20;
        if (i + run > kNC) throw ELZHBadDecodeTable();
        while (run-- > 0) cLen_[i++] = 0;
      } else {
        cLen_[i++] = static_cast<std::uint8_t>(t - 2);
      }
    }
    while (i < kNC) cLen_[i++] = 0;
    makeTable(kNC, cLen_, 12, cTable_);
  }

  // ---- symbols ----
  unsigned decodeC() {
    if (blockSize_ == 0) {
      blockSize_ = static_cast<std::uint16_t>(getBits(16));
      readPtLen(kNT, 5, 3);
      readCLen();
      readPtLen(kNP, 4, -1);
    }
    --blockSize_;
    unsigned j = cTable_[top16() >> 4];
    if (j < kNC) {
      consume(cLen_[j]);
    } else {
      consume(12);
      j = walk(j, kNC, top16(), 0x8000);
      consume(cLen_[j] > 12 ? cLen_[j] - 12u : 0u);
    }
    return j;
  }

  unsigned decodeP() {
    unsigned j = ptTable_[top16() >> 8];
    if (j < kNP) {
      consume(ptLen_[j]);
    } else {
      consume(8);
      j = walk(j, kNP, top16(), 0x8000);
      consume(ptLen_[j] > 8 ? ptLen_[j] - 8u : 0u);
    }
    if (j != 0) j = (1u << (j - 1)) + getBits(j - 1);
    return j;
  }

  ByteSource& source_;
  ByteSink& sink_;
  std::uint64_t acc_ = 0;
  unsigned bits_ = 0;
  std::uint16_t blockSize_ = 0;
  std::uint8_t cLen_[kNC] = {};
  std::uint8_t ptLen_[kNT] = {};
  std::uint16_t cTable_[4096] = {};
  std::uint16_t ptTable_[256] = {};
  std::uint16_t left_[kNodes] = {};
  std::uint16_t right_[kNodes] = {};
  std::uint8_t window_[kWindow];
};

}  // namespace

void ExpandLh5(std::int32_t count, ByteSource& source, ByteSink& sink) {
  if (count <= 0) return;
  Lh5Decoder decoder(source, sink);
  decoder.run(count);
}

std::vector<std::uint8_t> ExpandLh5Buffer(std::span<const std::uint8_t> stored, std::int32_t count) {
  MemorySource source(stored);
  MemorySink sink;
  ExpandLh5(count, source, sink);
  sink.finish();
  return std::move(sink.data());
}

}  // namespace setup

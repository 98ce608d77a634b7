#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "setup/Compress/compress_errors.h"
#include "setup/Compress/decoders.h"
#include "setup/Compress/tests/bit_writer.h"
#include "setup/Compress/tests/lh5_streams.h"
#include "setup/Compress/tests/lzhuf_writer.h"

namespace setup {
namespace {

using Bytes = std::vector<std::uint8_t>;
using test::BitWriter;
using test::LzToken;

Bytes repeat(std::uint8_t b, std::size_t n) { return Bytes(n, b); }
Bytes concat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

// Runs a decoder over a source that hands out blocks of `block` bytes.
enum class Method { Rle, Lzh, Lh5 };
Bytes expandBlockwise(Method m, const Bytes& stored, std::int32_t count, std::size_t block,
                      std::uint32_t* checksum = nullptr) {
  MemorySource source(stored, block);
  MemorySink sink;
  switch (m) {
    case Method::Rle: ExpandRle(source, sink); break;
    case Method::Lzh: ExpandLzh(count, source, sink); break;
    case Method::Lh5: ExpandLh5(count, source, sink); break;
  }
  sink.finish();
  if (checksum) *checksum = sink.checksum();
  return sink.data();
}

// ---------------------------------------------------------------- RLE

struct RleCase {
  const char* what;
  Bytes stored;
  Bytes expected;
};

TEST(ExpandRle, HandMadeStreamsAcrossBlockBoundaries) {
  const RleCase cases[] = {
      {"empty", {}, {}},
      {"plain bytes", {1, 2, 3}, {1, 2, 3}},
      {"escaped data byte", {0x94, 0x00}, {0x94}},
      {"run of five", {0x41, 0x94, 0x05}, repeat(0x41, 5)},
      {"escape as last byte", {0x41, 0x94}, {0x41, 0x94}},
      {"run before any byte repeats 0", {0x94, 0x03}, {0, 0}},
      {"count 1 adds nothing", {0x41, 0x94, 0x01, 0x42}, {0x41, 0x42}},
      {"after a pair the remembered byte is 0x94", {0x41, 0x94, 0x03, 0x94, 0x03},
       {0x41, 0x41, 0x41, 0x94, 0x94}},
      {"escaped 0x94 then a run of it", {0x94, 0x00, 0x94, 0x04}, repeat(0x94, 4)},
      {"run of 255", {0x07, 0x94, 0xFF}, repeat(0x07, 255)},
      {"zero bytes are data", {0x00, 0x00, 0x94, 0x00, 0x00}, {0, 0, 0x94, 0}},
  };
  for (const RleCase& c : cases) {
    for (std::size_t block : {0u, 1u, 2u, 3u}) {
      std::uint32_t sum = 0;
      EXPECT_EQ(expandBlockwise(Method::Rle, c.stored, 0, block, &sum), c.expected)
          << c.what << ", blocks of " << block;
      EXPECT_EQ(sum, ByteSum(c.expected)) << c.what;
    }
  }
}

// A source that refuses the first byte of every block, as a progress handler returning -1 does.
class HoldingSource final : public ByteSource {
 public:
  explicit HoldingSource(Bytes data) : data_(std::move(data)) {}

 protected:
  Refill refill(const std::uint8_t*& begin, const std::uint8_t*& end) override {
    if (done_) return Refill::End;
    done_ = true;
    begin = data_.data();
    end = begin + data_.size();
    return Refill::Hold;
  }

 private:
  Bytes data_;
  bool done_ = false;
};

TEST(ExpandRle, HeldBlockEndsTheRun) {
  HoldingSource source({1, 2, 3});
  MemorySink sink;
  ExpandRle(source, sink);
  sink.finish();
  EXPECT_TRUE(sink.data().empty());
  // The held block is served from the next request on.
  EXPECT_EQ(source.fetch(), 1);
  EXPECT_FALSE(source.endOfInput());
}

// ---------------------------------------------------------------- LZH

Bytes spaces(std::size_t n) { return Bytes(n, ' '); }

LzToken lit(int b) { return LzToken{b, 0, 0}; }
LzToken match(unsigned length, unsigned distance) { return LzToken{-1, length, distance}; }

TEST(ExpandLzh, TokenStreams) {
  struct Case {
    const char* what;
    std::vector<LzToken> tokens;
  };
  std::vector<Case> cases = {
      {"literals", {lit('a'), lit('b'), lit(0), lit(255)}},
      {"match at the start copies spaces", {match(60, 100), lit('x')}},
      {"match of the byte just written", {lit('q'), match(3, 0), match(60, 0)}},
      {"every distance band",
       {lit('A'), lit('B'), lit('C'), match(3, 1), match(4, 31), match(5, 32), match(6, 200),
        match(7, 700), match(8, 1500), match(9, 3071), match(10, 3072), match(11, 4095)}},
  };
  // A copy that reads across the end of the window into its start (the writer starts at 4036).
  {
    std::vector<LzToken> wrap;
    for (int i = 0; i < 70; ++i) wrap.push_back(lit('a' + i % 26));
    wrap.push_back(match(50, 20));  // reads 4086..4095 then 0.., writes across 4095 -> 0
    wrap.push_back(match(60, 4095));
    cases.push_back({"copy across the window end", wrap});
  }
  for (const Case& c : cases) {
    const test::LzhufResult enc = test::EncodeLzhufTokens(c.tokens);
    const auto count = static_cast<std::int32_t>(enc.output.size());
    for (std::size_t block : {0u, 1u, 5u}) {
      EXPECT_EQ(expandBlockwise(Method::Lzh, enc.stream, count, block), enc.output)
          << c.what << ", blocks of " << block;
    }
  }
}

TEST(ExpandLzh, MatchStartEqualsLhaInitialWindow) {
  const test::LzhufResult enc = test::EncodeLzhufTokens({match(60, 0)});
  EXPECT_EQ(ExpandLzhBuffer(enc.stream, 60), spaces(60));
}

TEST(ExpandLzh, LongSkewedStreamRebuildsTheTree) {
  // Far more than 0x8000 symbols with a skewed distribution: the root frequency reaches the
  // limit many times, and every rebuild must keep the code in step with the writer's.
  std::mt19937 rng(7);
  std::geometric_distribution<int> skew(0.05);
  std::vector<LzToken> tokens;
  for (int i = 0; i < 200000; ++i) {
    if (rng() % 5 == 0) {
      tokens.push_back(match(3 + static_cast<unsigned>(skew(rng)) % 58, rng() % 4096));
    } else {
      tokens.push_back(lit(skew(rng) % 256));
    }
  }
  const test::LzhufResult enc = test::EncodeLzhufTokens(tokens);
  std::uint32_t sum = 0;
  const Bytes out = expandBlockwise(Method::Lzh, enc.stream, static_cast<std::int32_t>(enc.output.size()),
                                    8192, &sum);
  ASSERT_EQ(out.size(), enc.output.size());
  EXPECT_TRUE(out == enc.output);
  EXPECT_EQ(sum, ByteSum(enc.output));
}

TEST(ExpandLzh, CountLimits) {
  const test::LzhufResult enc = test::EncodeLzhufTokens({lit('a'), lit('b'), match(40, 1), lit('z')});
  // The copy runs to its end even past the count; the next symbol is not decoded.
  EXPECT_EQ(ExpandLzhBuffer(enc.stream, 3), Bytes(enc.output.begin(), enc.output.begin() + 42));
  EXPECT_EQ(ExpandLzhBuffer(enc.stream, 2), Bytes(enc.output.begin(), enc.output.begin() + 2));
  // Count 0 (or less) reads nothing.
  MemorySource source(enc.stream);
  MemorySink sink;
  ExpandLzh(0, source, sink);
  ExpandLzh(-5, source, sink);
  sink.finish();
  EXPECT_TRUE(sink.data().empty());
  EXPECT_EQ(source.blocksServed(), 0u);
}

TEST(ExpandLzh, InputThatEndsEarlyReadsZeros) {
  const test::LzhufResult enc = test::EncodeLzhufTokens({lit('a'), lit('b'), lit('c')});
  // The same stream padded with zero bytes gives the same output: the decoder keeps going.
  Bytes padded = enc.stream;
  padded.resize(padded.size() + 64, 0);
  const Bytes cut = ExpandLzhBuffer(enc.stream, 500);
  EXPECT_EQ(cut.size(), ExpandLzhBuffer(padded, 500).size());
  EXPECT_EQ(cut, ExpandLzhBuffer(padded, 500));
  EXPECT_GE(cut.size(), 500u);
  EXPECT_EQ(Bytes(cut.begin(), cut.begin() + 3), (Bytes{'a', 'b', 'c'}));
  EXPECT_TRUE(ExpandLzhBuffer({}, 10).size() >= 10u);
}

// ---------------------------------------------------------------- LH5

TEST(ExpandLh5, SingleSymbolBlocks) {
  // Literal/length count 0: one symbol with a zero-length code for the whole block.
  EXPECT_EQ(ExpandLh5Buffer(test::Lh5SingleSymbolBlock(10, 'A', 0), 10), repeat('A', 10));
  // A match at the very start copies spaces; the copy runs to its full 256 bytes.
  EXPECT_EQ(ExpandLh5Buffer(test::Lh5SingleSymbolBlock(1, 509, 0), 10), spaces(256));
  // Position count 0: every match has the same distance class (here 3: 4 + 2 bits).
  BitWriter w;
  test::PutSingleSymbolHeader(w, 3, 256, 3);
  w.put(2, 0);  // distance 4: reads spaces
  w.put(2, 3);  // distance 7
  w.put(2, 1);  // distance 5
  EXPECT_EQ(ExpandLh5Buffer(w.bytes(), 9), spaces(9));
}

TEST(ExpandLh5, InputThatEndsEarlyReadsZeros) {
  // After the block of ten 'A's the stream is empty: the next block header is all zeros, which
  // reads as a block of 65535 symbols 0.
  const Bytes out = ExpandLh5Buffer(test::Lh5SingleSymbolBlock(10, 'A', 0), 100);
  EXPECT_EQ(out, concat({repeat('A', 10), repeat(0, 90)}));
}

TEST(ExpandLh5, HandMadeBlockWithRealCodes) {
  const test::Lh5Stream s = test::Lh5TwoCodeBlock();
  for (std::size_t block : {0u, 1u, 3u}) {
    std::uint32_t sum = 0;
    EXPECT_EQ(expandBlockwise(Method::Lh5, s.stream, static_cast<std::int32_t>(s.output.size()), block, &sum),
              s.output)
        << "blocks of " << block;
    EXPECT_EQ(sum, ByteSum(s.output));
  }
}

TEST(ExpandLh5, EmptyPositionCodeIsAccepted) {
  // A block without matches may send a position code whose lengths are all zero.
  BitWriter w;
  w.put(16, 4);
  w.put(5, 0), w.put(5, 0);   // code-length code: single symbol 0 (unused)
  w.put(9, 0), w.put(9, 'z');  // literal/length: single symbol 'z'
  w.put(4, 3);                 // position code: three lengths...
  w.put(3, 0), w.put(3, 0), w.put(3, 0);  // ...all zero
  EXPECT_EQ(ExpandLh5Buffer(w.bytes(), 4), repeat('z', 4));
}

TEST(ExpandLh5, BadTablesAreRejected) {
  for (const test::Lh5BadCase& c : test::Lh5BadTables()) {
    try {
      ExpandLh5Buffer(c.stream, 1000);
      ADD_FAILURE() << c.what << ": no exception";
    } catch (const ELZHBadDecodeTable& e) {
      EXPECT_STREQ(e.what(), "Bad decode table in archive!") << c.what;
    }
  }
}

TEST(ExpandLh5, FetchesNoMoreThanTheBitsItNeeds) {
  // 16 bits of block size, 10 + 18 + 8 bits of tables, then nothing per symbol: 52 bits plus
  // the 16 bits the buffer always holds ahead = 9 bytes.
  class CountingSource final : public ByteSource {
   public:
    std::size_t served = 0;

   protected:
    Refill refill(const std::uint8_t*& begin, const std::uint8_t*& end) override {
      static const std::uint8_t zero = 0;
      ++served;
      begin = &zero;
      end = begin + 1;
      return Refill::Block;
    }
  };
  CountingSource source;
  MemorySink sink;
  ExpandLh5(5, source, sink);
  EXPECT_EQ(source.served, 9u);
}

}  // namespace
}  // namespace setup

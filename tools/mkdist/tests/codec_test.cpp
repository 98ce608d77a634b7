// Every encoder's output expanded by the installer's decoders gives back the input.
#include <gtest/gtest.h>

#include "setup/Compress/decoders.h"
#include "tools/mkdist/lh5_encoder.h"
#include "tools/mkdist/lzh_encoder.h"
#include "tools/mkdist/rle_encoder.h"
#include "tools/mkdist/tests/corpus.h"

namespace mkdist {
namespace {

struct Codec {
  const char* name;
  Bytes (*encode)(ByteView);
  Bytes (*expand)(ByteView stored, std::int32_t count);
};

Bytes ExpandRle(ByteView stored, std::int32_t) { return setup::ExpandRleBuffer(stored); }
Bytes ExpandLzh(ByteView stored, std::int32_t n) { return setup::ExpandLzhBuffer(stored, n); }
Bytes ExpandLh5(ByteView stored, std::int32_t n) { return setup::ExpandLh5Buffer(stored, n); }

class RoundTrip : public ::testing::TestWithParam<Codec> {};

TEST_P(RoundTrip, CorpusExpandsToTheInput) {
  for (const test::Sample& s : test::Corpus()) {
    SCOPED_TRACE(s.name);
    Bytes stored = GetParam().encode(s.data);
    Bytes back = GetParam().expand(stored, static_cast<std::int32_t>(s.data.size()));
    ASSERT_EQ(back.size(), s.data.size());
    EXPECT_TRUE(back == s.data);
  }
}

TEST_P(RoundTrip, RedundantDataShrinks) {
  Bytes text = test::TextBytes(40000, 77);
  Bytes runs(40000, 'x');
  EXPECT_LT(GetParam().encode(runs).size(), runs.size() / 30);
  if (std::string(GetParam().name) != "RLE") {
    EXPECT_LT(GetParam().encode(text).size(), text.size() / 2);
  }
}

INSTANTIATE_TEST_SUITE_P(Methods, RoundTrip,
                         ::testing::Values(Codec{"RLE", &EncodeRle, &ExpandRle},
                                           Codec{"LZH", &EncodeLzh, &ExpandLzh},
                                           Codec{"LH5", &EncodeLh5, &ExpandLh5}),
                         [](const ::testing::TestParamInfo<Codec>& p) { return std::string(p.param.name); });

// The run-length stream itself: escapes, run splitting and the remembered byte after a pair.
TEST(RleEncoder, EncodesEscapesAndRunsAsTheDecoderReadsThem) {
  struct Case {
    const char* what;
    Bytes in, out;
  };
  const std::vector<Case> cases = {
      {"escape byte", {0x94}, {0x94, 0x00}},
      {"short runs stay literal", {7, 7, 7}, {7, 7, 7}},
      {"run of five", {0x41, 0x41, 0x41, 0x41, 0x41}, {0x41, 0x94, 0x05}},
      {"two escape bytes", {0x94, 0x94}, {0x94, 0x00, 0x94, 0x02}},
      {"run after a run of the same byte needs the byte again",
       Bytes(300, 0x41),
       {0x41, 0x94, 0xFF, 0x41, 0x94, 45}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(EncodeRle(c.in), c.out);
    EXPECT_EQ(setup::ExpandRleBuffer(c.out), c.in);
  }
}

// Runs of every length up to well past one escape pair, for ordinary bytes and the escape byte.
TEST(RleEncoder, RunsOfEveryLengthRoundTrip) {
  for (std::uint8_t b : {std::uint8_t{0}, std::uint8_t{0x41}, std::uint8_t{0x94}, std::uint8_t{0xFF}}) {
    for (std::size_t n = 1; n <= 520; ++n) {
      Bytes in(n, b);
      in.push_back(0x42);
      ASSERT_EQ(setup::ExpandRleBuffer(EncodeRle(in)), in) << "byte " << int(b) << " run " << n;
    }
  }
}

}  // namespace
}  // namespace mkdist

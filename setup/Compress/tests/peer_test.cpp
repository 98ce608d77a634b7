// Our decoders against outside LHA archivers: jlha makes -lh5- streams for us to expand, and
// lhasa expands -lh1- and -lh5- streams we made by hand, which must give what our decoders give.
#include <gtest/gtest.h>

#include <random>

#include "setup/Compress/decoders.h"
#include "setup/Compress/tests/corpus.h"
#include "setup/Compress/tests/lh5_streams.h"
#include "setup/Compress/tests/lha_file.h"
#include "setup/Compress/tests/lzhuf_writer.h"
#include "setup/Compress/tests/peer_support.h"

namespace setup {
namespace {

using Bytes = std::vector<std::uint8_t>;
using namespace setup::test;

// Expands with an 8192-byte block source, as the archive reader feeds the decoder.
Bytes expandLh5Blocks(const Bytes& stream, std::int32_t count) {
  MemorySource source(stream, 8192);
  MemorySink sink;
  ExpandLh5(count, source, sink);
  sink.finish();
  return sink.data();
}

// Files jlha compresses (it stores what does not shrink as -lh0-).
std::vector<CorpusFile> Lh5Corpus() {
  Bytes smallText;
  for (const char* s = "hello hello hello hello, hello world hello"; *s; ++s) smallText.push_back(static_cast<std::uint8_t>(*s));
  Bytes edge = TextData(8192 + 256, 3);
  edge.insert(edge.end(), 20000, ' ');  // long runs of the initial window's byte
  return {
      {"small.txt", smallText},
      {"text.txt", TextData(50000, 1)},
      {"binary.bin", BinaryData(120000, 2)},
      {"random.bin", SkewedRandomData(80000, 4)},
      {"runs.bin", RunsData(60000, 5)},
      {"edge.txt", edge},
      {"large.bin", [] {
         Bytes b = TextData(600000, 6);
         Bytes c = BinaryData(500000, 7);
         b.insert(b.end(), c.begin(), c.end());
         return b;
       }()},
  };
}

class JlhaLevels : public ::testing::TestWithParam<int> {};

TEST_P(JlhaLevels, Lh5StreamsExpandBitExact) {
  if (!HaveProgram("jlha")) GTEST_SKIP() << "jlha is not installed";
  const int level = GetParam();
  TempDir dir;
  const std::vector<CorpusFile> corpus = Lh5Corpus();
  std::string names;
  for (const CorpusFile& f : corpus) {
    WriteHostFile(dir.path() / f.name, f.data);
    names += " " + f.name;
  }
  WriteHostFile(dir.path() / "empty.bin", {});
  ASSERT_EQ(RunCommand(dir.path(), "jlha a" + std::to_string(level) + " arc.lzh" + names + " empty.bin"), 0);
  const std::vector<LhaMember> members = ReadLhaArchive(ReadHostFile(dir.path() / "arc.lzh"));
  ASSERT_EQ(members.size(), corpus.size() + 1);
  for (const LhaMember& m : members) {
    EXPECT_EQ(m.level, level) << m.name;
    if (m.name == "empty.bin") {
      // jlha stores an empty file without a stream; the decoder with count 0 reads nothing.
      EXPECT_TRUE(ExpandLh5Buffer(m.stream, 0).empty());
      continue;
    }
    const auto it = std::find_if(corpus.begin(), corpus.end(), [&](const CorpusFile& f) { return f.name == m.name; });
    ASSERT_NE(it, corpus.end()) << m.name;
    ASSERT_EQ(m.method, "-lh5-") << m.name;
    ASSERT_EQ(m.originalSize, it->data.size());
    const Bytes out = expandLh5Blocks(m.stream, static_cast<std::int32_t>(m.originalSize));
    ASSERT_EQ(out.size(), it->data.size()) << m.name;
    EXPECT_TRUE(out == it->data) << m.name << " differs";
  }
}

INSTANTIATE_TEST_SUITE_P(HeaderLevels, JlhaLevels, ::testing::Values(0, 1, 2));

// lhasa expands a raw stream wrapped in a level-0 archive; its CRC test must pass too.
Bytes LhasaExpand(const std::string& method, const Bytes& stream, const Bytes& expected) {
  TempDir dir;
  WriteHostFile(dir.path() / "w.lzh", WrapLevel0(method, "f.bin", stream, expected));
  Bytes out;
  EXPECT_EQ(RunCommand(dir.path(), "lhasa -pq w.lzh", &out), 0);
  EXPECT_EQ(RunCommand(dir.path(), "lhasa -tq w.lzh"), 0) << "lhasa CRC check of " << method;
  return out;
}

LzToken lit(int b) { return LzToken{b, 0, 0}; }
LzToken match(unsigned length, unsigned distance) { return LzToken{-1, length, distance}; }

TEST(LhasaPeer, Lh1TokenStreamsExpandAlike) {
  if (!HaveProgram("lhasa")) GTEST_SKIP() << "lhasa is not installed";
  std::mt19937 rng(11);
  std::geometric_distribution<int> skew(0.05);
  std::vector<std::vector<LzToken>> streams;
  streams.push_back({match(60, 0), match(60, 3000), lit('x')});  // spaces of the initial window
  {
    std::vector<LzToken> wrap;
    for (int i = 0; i < 70; ++i) wrap.push_back(lit('a' + i % 26));
    wrap.push_back(match(50, 20));
    wrap.push_back(match(60, 4095));
    streams.push_back(wrap);
  }
  {
    // Long enough for many tree rebuilds, with matches over every distance band.
    std::vector<LzToken> longer;
    for (int i = 0; i < 150000; ++i) {
      if (i > 100 && rng() % 4 == 0) {
        longer.push_back(match(3 + static_cast<unsigned>(skew(rng)) % 58, rng() % 4036));
      } else {
        longer.push_back(lit(skew(rng) % 256));
      }
    }
    streams.push_back(longer);
  }
  for (const auto& tokens : streams) {
    const LzhufResult enc = EncodeLzhufTokens(tokens);
    const Bytes peer = LhasaExpand("-lh1-", enc.stream, enc.output);
    ASSERT_EQ(peer.size(), enc.output.size());
    EXPECT_TRUE(peer == enc.output);
    MemorySource source(enc.stream, 8192);
    MemorySink sink;
    ExpandLzh(static_cast<std::int32_t>(enc.output.size()), source, sink);
    sink.finish();
    EXPECT_TRUE(sink.data() == peer);
  }
}

TEST(LhasaPeer, HandMadeLh5StreamsExpandAlike) {
  if (!HaveProgram("lhasa")) GTEST_SKIP() << "lhasa is not installed";
  const Lh5Stream two = Lh5TwoCodeBlock();
  EXPECT_EQ(LhasaExpand("-lh5-", two.stream, two.output), ExpandLh5Buffer(two.stream, static_cast<std::int32_t>(two.output.size())));
  const Bytes single = Lh5SingleSymbolBlock(300, 'Q', 0);
  EXPECT_EQ(LhasaExpand("-lh5-", single, Bytes(300, 'Q')), ExpandLh5Buffer(single, 300));
}

}  // namespace
}  // namespace setup

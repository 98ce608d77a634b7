// The packer's encoders against our decoders, over a corpus of the shapes that matter, both on
// memory buffers and through archives expanded by TCompress.
#include <gtest/gtest.h>

#include "platform/fs/file_system.h"
#include "setup/Compress/compress.h"
#include "setup/Compress/decoders.h"
#include "setup/Compress/tests/archive_builder.h"
#include "setup/Compress/tests/corpus.h"
#include "setup/Compress/tests/peer_support.h"
#include "tools/mkdist/lh5_encoder.h"
#include "tools/mkdist/lzh_encoder.h"
#include "tools/mkdist/rle_encoder.h"

namespace setup {
namespace {

using Bytes = std::vector<std::uint8_t>;
using namespace setup::test;

std::vector<CorpusFile> RoundTripCorpus() {
  std::vector<CorpusFile> c;
  c.push_back({"empty", {}});
  c.push_back({"one byte", {0x42}});
  c.push_back({"one escape byte", {0x94}});
  c.push_back({"escape bytes", Bytes(300, 0x94)});
  c.push_back({"long runs", RunsData(70000, 1)});
  c.push_back({"spaces", Bytes(10000, ' ')});
  c.push_back({"text", TextData(100000, 2)});
  c.push_back({"binary", BinaryData(100000, 3)});
  c.push_back({"random", UniformRandomData(50000, 4)});
  c.push_back({"skewed random (tree rebuilds)", SkewedRandomData(300000, 5)});
  for (std::size_t n : {4095u, 4096u, 4097u, 8191u, 8192u, 8193u, 16384u}) {
    c.push_back({"text of " + std::to_string(n), TextData(n, static_cast<std::uint32_t>(n))});
  }
  // Blocks repeated at periods just under the window sizes: matches reach back across the end
  // of the ring buffer.
  for (std::size_t period : {4000u, 4090u, 8000u, 8190u}) {
    Bytes unit = UniformRandomData(period, static_cast<std::uint32_t>(period));
    Bytes d;
    for (int i = 0; i < 5; ++i) d.insert(d.end(), unit.begin(), unit.end());
    c.push_back({"period " + std::to_string(period), d});
  }
  return c;
}

TEST(RoundTrip, EncodersAgainstDecoders) {
  for (const CorpusFile& f : RoundTripCorpus()) {
    const auto count = static_cast<std::int32_t>(f.data.size());
    EXPECT_EQ(ExpandRleBuffer(mkdist::EncodeRle(f.data)), f.data) << "RLE " << f.name;
    const Bytes lzh = ExpandLzhBuffer(mkdist::EncodeLzh(f.data), count);
    ASSERT_GE(lzh.size(), f.data.size()) << "LZH " << f.name;
    EXPECT_TRUE(std::equal(f.data.begin(), f.data.end(), lzh.begin())) << "LZH " << f.name;
    const Bytes lh5 = ExpandLh5Buffer(mkdist::EncodeLh5(f.data), count);
    ASSERT_GE(lh5.size(), f.data.size()) << "LH5 " << f.name;
    EXPECT_TRUE(std::equal(f.data.begin(), f.data.end(), lh5.begin())) << "LH5 " << f.name;
  }
}

TEST(RoundTrip, ThroughTheArchiveReader) {
  TempDir tmp;
  platform::SystemRoot root = platform::SystemRoot::create(tmp.path() / "root", platform::RootTemplate::modernNt());
  platform::FileSystem fs(root);
  ASSERT_TRUE(fs.createDirectory("C:\\out"));
  ArchiveSpec a;
  a.id = "LH5";
  int n = 0;
  std::vector<std::pair<std::string, Bytes>> expected;
  for (const CorpusFile& f : RoundTripCorpus()) {
    const std::string base = "f" + std::to_string(n++);
    a.entries.push_back(Coded(base + ".rle", 1, mkdist::EncodeRle(f.data), f.data));
    a.entries.push_back(Coded(base + ".lzh", 2, mkdist::EncodeLzh(f.data), f.data));
    a.entries.push_back(Coded(base + ".lh5", 4, mkdist::EncodeLh5(f.data), f.data));
    for (const char* ext : {".rle", ".lzh", ".lh5"}) expected.push_back({base + ext, f.data});
  }
  WriteHostFile(*fs.toHost("C:\\temp\\all.zar"), BuildArchive(a));
  TCompress c(fs);
  c.SetTargetPath("C:\\out");
  int progressCalls = 0;
  c.OnShowProgress = [&](int& pct) {
    ++progressCalls;
    EXPECT_GE(pct, 0);
    EXPECT_LE(pct, 100);
  };
  std::vector<std::string> names;
  for (const auto& e : expected) names.push_back(e.first);
  c.ExpandEntries("C:\\temp\\all.zar", &names);
  ASSERT_EQ(names.size(), expected.size());
  for (const auto& [name, data] : expected) {
    EXPECT_TRUE(ReadHostFile(*fs.toHost("C:\\out\\" + name)) == data) << name;
  }
  EXPECT_GT(progressCalls, static_cast<int>(expected.size()) - 3);
}

}  // namespace
}  // namespace setup

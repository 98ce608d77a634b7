// Speed of ExpandLh5 against lhasa and 7-Zip on the same -lh5- stream (about 60 MB expanded).
// The stream comes from jlha; each tool writes its output to /dev/null, ours into an 8192-byte
// sink that checksums each block, as the archive reader does. Prints MB/s and ratios.
//
//   setup_compress_lh5_bench [archive.lzh]   (made in a temporary folder when not given)
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

#include "setup/Compress/decoders.h"
#include "setup/Compress/tests/corpus.h"
#include "setup/Compress/tests/lha_file.h"
#include "setup/Compress/tests/peer_support.h"

namespace {

using Clock = std::chrono::steady_clock;

class NullSink final : public setup::ByteSink {
 public:
  NullSink() { setBuffer(buffer_, sizeof buffer_); }

 protected:
  void drain(const std::uint8_t*, std::size_t, bool) override {}

 private:
  std::uint8_t buffer_[8192];
};

double secondsOf(const std::function<void()>& f, int runs) {
  double best = 1e30;
  for (int i = 0; i < runs; ++i) {
    const auto t0 = Clock::now();
    f();
    best = std::min(best, std::chrono::duration<double>(Clock::now() - t0).count());
  }
  return best;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace setup::test;
  TempDir dir;
  std::filesystem::path archive;
  std::optional<std::uint32_t> expectedSum;
  if (argc > 1) {
    archive = std::filesystem::absolute(argv[1]);
  } else {
    std::vector<std::uint8_t> data;
    for (std::uint32_t seed = 1; data.size() < 60u << 20; ++seed) {
      const auto t = TextData(3u << 20, seed);
      const auto b = BinaryData(2u << 20, seed);
      const auto r = SkewedRandomData(1u << 20, seed);
      data.insert(data.end(), t.begin(), t.end());
      data.insert(data.end(), b.begin(), b.end());
      data.insert(data.end(), r.begin(), r.end());
    }
    expectedSum = setup::ByteSum(data);
    WriteHostFile(dir.path() / "data.bin", data);
    std::printf("packing %zu bytes with jlha...\n", data.size());
    if (RunCommand(dir.path(), "jlha a arc.lzh data.bin") != 0) {
      std::fprintf(stderr, "jlha failed\n");
      return 1;
    }
    archive = dir.path() / "arc.lzh";
  }
  const auto members = ReadLhaArchive(ReadHostFile(archive));
  if (members.size() != 1 || members[0].method != "-lh5-") {
    std::fprintf(stderr, "need an archive with one -lh5- member\n");
    return 1;
  }
  const auto& m = members[0];
  const double mb = static_cast<double>(m.originalSize) / 1e6;
  std::uint32_t sum = 0;
  const double ours = secondsOf([&] {
    setup::MemorySource source(m.stream, 8192);
    NullSink sink;
    setup::ExpandLh5(static_cast<std::int32_t>(m.originalSize), source, sink);
    sink.finish();
    sum = sink.checksum();
  }, 3);
  const std::string a = "'" + archive.string() + "'";
  const double lhasa = secondsOf([&] { RunCommand(dir.path(), "lhasa -pq " + a + " >/dev/null"); }, 3);
  const double sevenZip = secondsOf([&] { RunCommand(dir.path(), "7z x -so " + a + " >/dev/null"); }, 3);
  std::printf("expanded %.1f MB (checksum %08x%s)\n", mb, sum,
              !expectedSum ? "" : *expectedSum == sum ? ", matches the input" : ", DIFFERS FROM THE INPUT");
  if (expectedSum && *expectedSum != sum) return 1;
  std::printf("ExpandLh5  %7.3f s  %7.1f MB/s\n", ours, mb / ours);
  std::printf("lhasa -p   %7.3f s  %7.1f MB/s  ours/lhasa speed ratio %.2f\n", lhasa, mb / lhasa, lhasa / ours);
  std::printf("7z x -so   %7.3f s  %7.1f MB/s  ours/7z speed ratio %.2f\n", sevenZip, mb / sevenZip, sevenZip / ours);
  return 0;
}

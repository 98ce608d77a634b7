// Expansion speed of the installer's decoders against LHA peers on the same data.
//
// ~60 MB of mixed data (text, structured binary, random bytes, runs) is packed by jlha with
// -lh5-; the raw lh5 stream of that member is expanded by ExpandLh5 in process, and the .lzh
// file by `lhasa -p` and `7z x -so` as processes writing to /dev/null. ExpandLzh and ExpandRle
// run on the same data packed by mkdist's own encoders. Prints MB/s (10^6 bytes of output per
// second, best of three runs) and ExpandLh5's ratio to each peer.
#include <stdlib.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <string>

#include "setup/Compress/decoders.h"
#include "tools/mkdist/lh5_encoder.h"
#include "tools/mkdist/lzh_encoder.h"
#include "tools/mkdist/rle_encoder.h"
#include "tools/mkdist/tests/corpus.h"
#include "tools/mkdist/tests/lha_wrap.h"

namespace fs = std::filesystem;
using mkdist::Bytes;

namespace {

Bytes MixedData(std::size_t total) {
  Bytes out;
  out.reserve(total);
  std::uint32_t seed = 1;
  while (out.size() < total) {
    // Blocks of 64 KB to 1 MB of each kind in turn.
    std::size_t n = 65536 + (seed * 2654435761u) % (1 << 20);
    Bytes part;
    switch (seed % 4) {
      case 0: part = mkdist::test::TextBytes(n, seed); break;
      case 1: {
        part = mkdist::test::RandomBytes(n, seed);
        // Structured binary: random bytes in runs of 4-byte records with a slowly rising field.
        for (std::size_t i = 0; i + 8 <= part.size(); i += 8) {
          std::uint32_t v = static_cast<std::uint32_t>(0x00401000 + i);
          std::memcpy(&part[i], &v, 4);
          part[i + 5] = 0;
          part[i + 6] = 0;
        }
        break;
      }
      case 2: part = mkdist::test::RandomBytes(n / 4, seed); break;
      case 3:
        for (std::size_t i = 0; i < n; i += 1 + i % 977) part.insert(part.end(), 1 + i % 977, static_cast<std::uint8_t>(i));
        break;
    }
    out.insert(out.end(), part.begin(), part.end());
    ++seed;
  }
  out.resize(total);
  return out;
}

double BestSeconds(const std::function<void()>& run) {
  double best = 1e30;
  for (int i = 0; i < 3; ++i) {
    auto t0 = std::chrono::steady_clock::now();
    run();
    double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    best = std::min(best, s);
  }
  return best;
}

Bytes ReadFile(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

bool Have(const char* tool) { return std::system((std::string("command -v ") + tool + " >/dev/null 2>&1").c_str()) == 0; }

}  // namespace

int main(int argc, char** argv) {
  std::size_t megabytes = argc > 1 ? static_cast<std::size_t>(std::atoi(argv[1])) : 60;
  const std::size_t size = megabytes * 1000 * 1000;
  std::string templ = (fs::temp_directory_path() / "lh5-bench-XXXXXX").string();
  if (!mkdtemp(templ.data())) return 1;
  const fs::path dir = templ;
  struct Cleanup {
    fs::path d;
    ~Cleanup() { fs::remove_all(d); }
  } cleanup{dir};

  Bytes data = MixedData(size);
  {
    std::ofstream(dir / "mixed.bin", std::ios::binary).write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
  }
  const double mb = static_cast<double>(size) / 1e6;
  std::printf("data: %.1f MB of text, binary, random bytes and runs\n", mb);

  if (!Have("jlha")) {
    std::printf("jlha is not installed: no lh5 stream to measure\n");
    return 1;
  }
  std::string pack = "cd '" + dir.string() + "' && jlha ao5q mixed.lzh mixed.bin >/dev/null 2>&1";
  if (std::system(pack.c_str()) != 0) {
    std::printf("jlha failed\n");
    return 1;
  }
  const fs::path lzh = dir / "mixed.lzh";
  auto member = mkdist::test::FirstMember(ReadFile(lzh), "-lh5-");
  if (!member || member->second != size) {
    std::printf("cannot find the -lh5- member in jlha's archive\n");
    return 1;
  }
  const Bytes& stream = member->first;
  std::printf("jlha -lh5-: %zu bytes (%.1f%%)\n", stream.size(), 100.0 * static_cast<double>(stream.size()) / static_cast<double>(size));

  Bytes check = setup::ExpandLh5Buffer(stream, static_cast<std::int32_t>(size));
  check.resize(size);
  if (check != data) {
    std::printf("ExpandLh5 does not give back the data\n");
    return 1;
  }
  double ours = mb / BestSeconds([&] { setup::ExpandLh5Buffer(stream, static_cast<std::int32_t>(size)); });
  std::printf("ExpandLh5        %8.1f MB/s\n", ours);

  struct Peer {
    const char* tool;
    std::string command;
  };
  for (const Peer& p : {Peer{"lhasa", "lhasa -pq '" + lzh.string() + "' >/dev/null 2>&1"},
                        Peer{"7z", "7z x -so '" + lzh.string() + "' >/dev/null 2>&1"}}) {
    if (!Have(p.tool)) {
      std::printf("%-16s not installed\n", p.tool);
      continue;
    }
    double speed = mb / BestSeconds([&] {
                     if (std::system(p.command.c_str()) != 0) std::printf("%s failed\n", p.tool);
                   });
    std::printf("%-16s %8.1f MB/s   ExpandLh5 / %s = %.2f\n", p.tool, speed, p.tool, ours / speed);
  }

  Bytes lh5Stream = mkdist::EncodeLh5(data);
  std::printf("mkdist LH5: %zu bytes (%.1f%%), %.3f times jlha's size\n", lh5Stream.size(),
              100.0 * static_cast<double>(lh5Stream.size()) / static_cast<double>(size),
              static_cast<double>(lh5Stream.size()) / static_cast<double>(stream.size()));
  Bytes lh5Back = setup::ExpandLh5Buffer(lh5Stream, static_cast<std::int32_t>(size));
  lh5Back.resize(size);
  if (lh5Back != data) {
    std::printf("mkdist's LH5 stream does not expand to the data\n");
    return 1;
  }
  Bytes lzhStream = mkdist::EncodeLzh(data);
  Bytes rleStream = mkdist::EncodeRle(data);
  std::printf("mkdist LZH: %zu bytes (%.1f%%), RLE: %zu bytes (%.1f%%)\n", lzhStream.size(),
              100.0 * static_cast<double>(lzhStream.size()) / static_cast<double>(size), rleStream.size(),
              100.0 * static_cast<double>(rleStream.size()) / static_cast<double>(size));
  if (setup::ExpandLzhBuffer(lzhStream, static_cast<std::int32_t>(size)) != data ||
      setup::ExpandRleBuffer(rleStream) != data) {
    std::printf("LZH or RLE round trip failed\n");
    return 1;
  }
  double lzhSpeed = mb / BestSeconds([&] { setup::ExpandLzhBuffer(lzhStream, static_cast<std::int32_t>(size)); });
  std::printf("ExpandLzh        %8.1f MB/s\n", lzhSpeed);
  if (Have("lhasa")) {
    // The same LZH stream as an -lh1- member, expanded by lhasa.
    Bytes lh1 = mkdist::test::WrapLha("-lh1-", "mixed.bin", lzhStream, data);
    std::ofstream(dir / "mixed1.lzh", std::ios::binary).write(reinterpret_cast<const char*>(lh1.data()), static_cast<std::streamsize>(lh1.size()));
    std::string command = "lhasa -pq '" + (dir / "mixed1.lzh").string() + "' >/dev/null 2>&1";
    double speed = mb / BestSeconds([&] {
                     if (std::system(command.c_str()) != 0) std::printf("lhasa failed on -lh1-\n");
                   });
    std::printf("lhasa -lh1-      %8.1f MB/s   ExpandLzh / lhasa = %.2f\n", speed, lzhSpeed / speed);
  }
  double rleSpeed = mb / BestSeconds([&] { setup::ExpandRleBuffer(rleStream); });
  std::printf("ExpandRle        %8.1f MB/s\n", rleSpeed);
  return 0;
}

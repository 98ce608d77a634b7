// Shared body of the decoder fuzz targets: decodes the input once from one buffer and once in
// small blocks; both must give the same bytes and a checksum that matches them.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <vector>

#include "setup/Compress/compress_errors.h"
#include "setup/Compress/decoders.h"

namespace setup::fuzz {

template <typename Decode>
int RunDecoderFuzz(const std::uint8_t* data, std::size_t size, Decode decode) {
  if (size < 3) return 0;
  // Ten bits of count (up to 1 KB of output keeps each run short; block headers and tables are
  // what the fuzzing is for), one byte of block size.
  const std::int32_t count = data[0] | (data[1] & 0x03) << 8;
  const std::size_t block = 1 + data[2] % 97;
  const std::span<const std::uint8_t> stream(data + 3, size - 3);
  auto run = [&](std::size_t blockSize, std::vector<std::uint8_t>& out, std::uint32_t& sum) -> bool {
    MemorySource source(stream, blockSize);
    MemorySink sink;
    try {
      decode(count, source, sink);
    } catch (const ELZHBadDecodeTable&) {
      return false;
    }
    sink.finish();
    out = std::move(sink.data());
    sum = sink.checksum();
    return true;
  };
  std::vector<std::uint8_t> whole, pieces;
  std::uint32_t sumWhole = 0, sumPieces = 0;
  const bool a = run(0, whole, sumWhole);
  const bool b = run(block, pieces, sumPieces);
  if (a != b || whole != pieces || sumWhole != sumPieces || sumWhole != ByteSum(whole)) std::abort();
  if (a && count > 0 && whole.size() < static_cast<std::size_t>(count) && decode.countsOutput) std::abort();
  return 0;
}

}  // namespace setup::fuzz

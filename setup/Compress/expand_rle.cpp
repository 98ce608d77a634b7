#include "setup/Compress/decoders.h"

namespace setup {

void ExpandRle(ByteSource& source, ByteSink& sink) {
  constexpr std::uint8_t kEscape = 0x94;
  std::uint8_t remembered = 0;
  for (;;) {
    const std::uint8_t x = source.fetch();
    if (source.endOfInput()) return;
    if (x != kEscape) {
      sink.put(x);
    } else {
      // The count is taken without looking at the end flag: an escape as the last stored
      // byte reads as 0x94 0x00.
      const std::uint8_t n = source.fetch();
      if (n == 0) {
        sink.put(kEscape);
      } else {
        for (int i = 1; i < n; ++i) sink.put(remembered);
      }
    }
    remembered = x;
  }
}

std::vector<std::uint8_t> ExpandRleBuffer(std::span<const std::uint8_t> stored) {
  MemorySource source(stored);
  MemorySink sink;
  ExpandRle(source, sink);
  sink.finish();
  return std::move(sink.data());
}

std::uint32_t ByteSum(std::span<const std::uint8_t> data) {
  std::uint32_t sum = 0;
  for (std::uint8_t b : data) sum += b;
  return sum;
}

}  // namespace setup

#include "setup/Compress/fuzz/decoder_fuzz.h"

namespace {
struct Rle {
  static constexpr bool countsOutput = false;
  void operator()(std::int32_t, setup::ByteSource& s, setup::ByteSink& k) const { setup::ExpandRle(s, k); }
};
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  return setup::fuzz::RunDecoderFuzz(data, size, Rle{});
}

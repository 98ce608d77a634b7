#include "setup/Compress/fuzz/decoder_fuzz.h"

namespace {
struct Lzh {
  static constexpr bool countsOutput = true;
  void operator()(std::int32_t count, setup::ByteSource& s, setup::ByteSink& k) const { setup::ExpandLzh(count, s, k); }
};
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  return setup::fuzz::RunDecoderFuzz(data, size, Lzh{});
}

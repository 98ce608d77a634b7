// Any input, packed by one of the encoders (chosen by the first byte), must expand through the
// installer's decoder to exactly that input.
#include <cstdlib>

#include "setup/Compress/decoders.h"
#include "tools/mkdist/lh5_encoder.h"
#include "tools/mkdist/lzh_encoder.h"
#include "tools/mkdist/rle_encoder.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  mkdist::ByteView input(data + 1, size - 1);
  const auto n = static_cast<std::int32_t>(input.size());
  mkdist::Bytes back;
  switch (data[0] % 3) {
    case 0: back = setup::ExpandRleBuffer(mkdist::EncodeRle(input)); break;
    case 1: back = setup::ExpandLzhBuffer(mkdist::EncodeLzh(input), n); break;
    case 2: back = setup::ExpandLh5Buffer(mkdist::EncodeLh5(input), n); break;
  }
  if (back.size() != input.size() || !std::equal(back.begin(), back.end(), input.begin())) std::abort();
  return 0;
}

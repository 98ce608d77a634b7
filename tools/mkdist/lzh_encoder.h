// The "LZH" method: LZSS over a 4096-byte window (preset to spaces, writing from 4036) with an
// adaptive Huffman code of 314 symbols (256 literals, match lengths 3 to 60), the LZHUF scheme.
#pragma once

#include "tools/mkdist/bytes.h"

namespace mkdist {

Bytes EncodeLzh(ByteView input);

}  // namespace mkdist

// The "LH5" method: LHA's -lh5- coding. LZ77 over an 8192-byte window preset to spaces, matches
// of 3 to 256 bytes, and blocks that each send their own static Huffman codes: a literal/length
// code of 510 symbols, a distance-class code of 14 symbols and the code-length code of 19
// symbols that transmits the literal/length lengths.
#pragma once

#include "tools/mkdist/bytes.h"

namespace mkdist {

Bytes EncodeLh5(ByteView input);

}  // namespace mkdist

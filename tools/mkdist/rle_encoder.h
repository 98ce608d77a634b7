// Run-length coding with the escape byte 0x94.
//
// Stream: a byte other than 0x94 stands for itself; 0x94 0x00 is a data byte 0x94; 0x94 n
// (n >= 2) repeats the byte decoded just before it n - 1 more times. After an escape pair the
// decoder's remembered byte is 0x94, so a run that goes on past one pair repeats its byte first.
#pragma once

#include "tools/mkdist/bytes.h"

namespace mkdist {

inline constexpr std::uint8_t kRleEscape = 0x94;

Bytes EncodeRle(ByteView input);

}  // namespace mkdist

// The three decoders of the archive format, bit-exact, between a ByteSource and a ByteSink.
//
//   method 1 "RLE": ExpandRle, run-length coding with the escape byte 0x94
//   method 2 "LZH": ExpandLzh, LZSS with a 4096-byte window and adaptive Huffman coding
//                   (LHA's -lh1- stream)
//   method 4 "LH5": ExpandLh5, LZ77 with an 8192-byte window and static Huffman codes per
//                   block (LHA's -lh5- stream)
//
// Each call builds its tables and window afresh, so decoders can run on several objects at
// once. Input that ends early is read as zero bytes. ExpandLzh and ExpandLh5 produce at least
// `count` bytes: a match copy that crosses `count` runs to its end. A count of 0 or less reads
// and produces nothing.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "setup/Compress/byte_io.h"

namespace setup {

// Runs until the source's end-of-input flag is set by a fetch.
void ExpandRle(ByteSource& source, ByteSink& sink);
void ExpandLzh(std::int32_t count, ByteSource& source, ByteSink& sink);
// Raises ELZHBadDecodeTable when a block's code tables are not a complete code or do not fit
// their tables (hostile data is rejected, never written past a table).
void ExpandLh5(std::int32_t count, ByteSource& source, ByteSink& sink);

// Whole-buffer forms: the stored bytes in, every produced byte out.
std::vector<std::uint8_t> ExpandRleBuffer(std::span<const std::uint8_t> stored);
std::vector<std::uint8_t> ExpandLzhBuffer(std::span<const std::uint8_t> stored, std::int32_t count);
std::vector<std::uint8_t> ExpandLh5Buffer(std::span<const std::uint8_t> stored, std::int32_t count);

// The checksum the archive stores for expanded data: the sum of the unsigned bytes, wrapping
// at 32 bits.
std::uint32_t ByteSum(std::span<const std::uint8_t> data);

}  // namespace setup

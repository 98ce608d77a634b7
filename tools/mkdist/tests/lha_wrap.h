// A one-file LHA archive (level-0 header) around a raw -lh1- or -lh5- stream, for checks with
// lhasa. Layout of the header: size, checksum, method, packed and original size, DOS time,
// attribute, level 0, name, CRC-16 of the original data; a zero byte ends the archive.
#pragma once

#include <optional>
#include <string>
#include <utility>

#include "tools/mkdist/bytes.h"

namespace mkdist::test {

// CRC-16 as LHA uses it (polynomial 0x8005 reflected, initial value 0).
std::uint16_t LhaCrc16(ByteView data);

Bytes WrapLha(const std::string& method, const std::string& name, ByteView stream,
              ByteView original);

// The raw stream and original size of the first member of an LHA archive (header level 0, 1 or
// 2) when it uses `method` ("-lh5-").
std::optional<std::pair<Bytes, std::size_t>> FirstMember(const Bytes& lzh, const std::string& method);

}  // namespace mkdist::test

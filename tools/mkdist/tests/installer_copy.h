// How the installer takes one file's archive off the disk data files: from the recorded disk
// and offset in blocks of 2048 bytes; a disk file that ends before the archive does is followed
// by the next disk's file at the same offset.
#pragma once

#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>

#include "tools/mkdist/bytes.h"

namespace mkdist::test {

struct CopiedArchive {
  Bytes bytes;
  int disksUsed = 0;
};

// Nothing when a disk file the copy needs is missing.
inline std::optional<CopiedArchive> CopyLikeInstaller(const std::filesystem::path& dir, int disk,
                                                      std::int64_t offset, std::int64_t length) {
  CopiedArchive out;
  auto open = [&](int d) -> FILE* {
    FILE* f = std::fopen((dir / ("zdata" + std::to_string(d) + ".dsk")).c_str(), "rb");
    if (f) std::fseek(f, static_cast<long>(offset), SEEK_SET);
    return f;
  };
  FILE* f = open(disk);
  if (!f) return std::nullopt;
  out.disksUsed = 1;
  std::int64_t remaining = length;
  std::uint8_t block[2048];
  for (;;) {
    std::int64_t n = static_cast<std::int64_t>(std::fread(block, 1, sizeof block, f));
    if (n < remaining) {
      out.bytes.insert(out.bytes.end(), block, block + n);
      remaining -= n;
      if (n < 2048) {
        std::fclose(f);
        f = open(++disk);
        if (!f || out.disksUsed > 1000) return std::nullopt;
        ++out.disksUsed;
      }
    } else {
      out.bytes.insert(out.bytes.end(), block, block + remaining);
      break;
    }
  }
  std::fclose(f);
  return out;
}

}  // namespace mkdist::test

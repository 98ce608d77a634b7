// Reads a distribution back for `mkdist list DIR`: every vtulst.dat record with the archive it
// points to, taken off the disk data files the way the installer copies it.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "tools/mkdist/archive_listing.h"

namespace mkdist {

struct IndexRecord {
  std::int32_t directoryIndex = 0;
  std::int32_t offset = 0;
  std::int32_t disk = 0;
  std::int32_t length = 0;
};

struct DistributionRow {
  std::int32_t lIndex = 0;
  IndexRecord record;
  int disksRead = 0;
  std::optional<Listing> archive;
  std::string problem;  // why the archive could not be read
};

// From `offset` on disk `disk`, in blocks of 2048 bytes; a disk file that ends first is
// followed by the next disk's file at the same offset. Nothing when a disk file is missing.
std::optional<Bytes> CopyArchiveOffDisks(const std::filesystem::path& dir, std::int32_t disk, std::int32_t offset,
                                         std::int32_t length, int* disksRead);

// Throws PackError when vtulst.dat is missing.
std::vector<DistributionRow> ListDistribution(const std::filesystem::path& dir);

}  // namespace mkdist

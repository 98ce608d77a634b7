// Builds a compressed distribution: one archive per product file, the index "vtulst.dat", the
// disk data files "zdata<n>.dsk" and, when asked, "opt.dat".
//
// vtulst.dat holds four signed 32-bit little-endian integers per file: the directory index
// (which dirs_N / d<i> folder the file goes to), the offset of its archive in the disk data
// file, the disk number and the archive's length. A script's l<k> key is the integer index of
// the first of the four, so file j (from 0) has l = 4 * j.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "tools/mkdist/archive_writer.h"
#include "tools/mkdist/disk_layout.h"

namespace mkdist {

// One file of one option (component), in the order the installer walks them.
struct DistFile {
  int option = 1;          // 1 to 9
  int key = 1;             // k of f<k>
  std::string name;        // ANSI entry name, the installed file's name
  std::vector<std::string> sourcePath;  // ANSI components below the product folder
  std::int32_t directoryIndex = 0;
  std::string origin;      // where the file was listed, for messages ("Option_1 / f2")
};

struct DistOptions {
  std::filesystem::path product;
  std::filesystem::path outDir;
  std::uint64_t diskSize = 0;  // 0: one disk of any size
  MethodChoice method;
  std::vector<std::filesystem::path> optFiles;  // host files packed into opt.dat
};

struct DistRecord {
  DistFile file;
  std::int32_t lIndex = 0;  // the value of l<k>
  Placement placement;
  std::uint64_t length = 0;
  WrittenEntry entry;
};

struct DistResult {
  std::vector<DistRecord> records;
  std::vector<std::uint64_t> diskSizes;
  bool wroteOptDat = false;
};

inline constexpr int kMaxDisks = 999;  // "zdata999.dsk" is the longest 8.3 name

// Throws PackError (with a plain-English message) before writing anything when a file is
// missing, a name cannot be held, the disk size is too small or the set is too large.
DistResult BuildDistribution(const std::vector<DistFile>& files, const DistOptions& options);

}  // namespace mkdist

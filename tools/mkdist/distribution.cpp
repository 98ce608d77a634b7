#include "tools/mkdist/distribution.h"

#include <algorithm>
#include <fstream>
#include <limits>

#include "tools/mkdist/host_file.h"

namespace mkdist {

namespace fs = std::filesystem;

namespace {

std::string Joined(const std::vector<std::string>& parts) {
  std::string s;
  for (const std::string& p : parts) s += (s.empty() ? "" : "/") + p;
  return s;
}

void WriteFile(const fs::path& path, ByteView bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  out.close();
  if (!out) throw PackError("cannot write \"" + path.string() + "\"");
}

}  // namespace

DistResult BuildDistribution(const std::vector<DistFile>& files, const DistOptions& options) {
  constexpr std::uint64_t kInt32Max = std::numeric_limits<std::int32_t>::max();
  if (options.diskSize > kInt32Max)
    throw PackError("the disk size " + std::to_string(options.diskSize) +
                    " is too large: offsets in vtulst.dat are signed 32-bit numbers (at most 2147483647)");

  DistResult result;
  std::vector<Bytes> archives;
  std::vector<std::uint64_t> lengths;
  for (const DistFile& f : files) {
    if (auto problem = EntryNameProblem(f.name))
      throw PackError(f.origin + ": the file name \"" + f.name + "\" cannot be used: " + *problem);
    auto host = FindBelow(options.product, f.sourcePath);
    if (!host || !fs::is_regular_file(*host))
      throw PackError(f.origin + ": the file \"" + Joined(f.sourcePath) + "\" is missing from the product folder \"" +
                      options.product.string() + "\"");
    std::vector<EntryInput> one;
    one.push_back(LoadHostFile(*host, f.name));
    WrittenArchive a = WriteArchive(std::move(one), options.method);
    DistRecord r;
    r.file = f;
    r.lIndex = static_cast<std::int32_t>(4 * result.records.size());
    r.length = a.bytes.size();
    r.entry = a.entries.front();
    result.records.push_back(std::move(r));
    lengths.push_back(a.bytes.size());
    archives.push_back(std::move(a.bytes));
  }
  if (result.records.size() * 4 > kInt32Max)
    throw PackError("too many files for the 32-bit indexes of vtulst.dat");

  DiskLayout layout = LayoutDisks(lengths, options.diskSize);
  if (layout.diskSizes.size() > static_cast<std::size_t>(kMaxDisks))
    throw PackError("the disk size " + std::to_string(options.diskSize) + " is too small: the files need " +
                    std::to_string(layout.diskSizes.size()) + " disks of that size, and disk data file names allow at most " +
                    std::to_string(kMaxDisks) + " (zdata1.dsk to zdata999.dsk)");
  if (options.diskSize == 0 && layout.diskSizes[0] > kInt32Max)
    throw PackError("the archives add up to 2 GB or more, which one disk cannot address; give a disk size");
  for (std::size_t i = 0; i < result.records.size(); ++i) result.records[i].placement = layout.placements[i];
  result.diskSizes = layout.diskSizes;

  // opt.dat is built before anything is written, so its errors leave no partial output.
  Bytes optDat;
  if (!options.optFiles.empty()) {
    std::vector<EntryInput> entries;
    for (const fs::path& p : options.optFiles) {
      auto ansi = AnsiFileName(p.filename().string());
      if (!ansi) throw PackError("opt.dat: the file name \"" + p.filename().string() + "\" has characters outside code page 1252");
      if (!fs::is_regular_file(p)) throw PackError("opt.dat: the file \"" + p.string() + "\" is missing");
      entries.push_back(LoadHostFile(p, *ansi));
    }
    optDat = WriteArchive(std::move(entries), options.method).bytes;
  }

  std::error_code ec;
  fs::create_directories(options.outDir, ec);
  if (!fs::is_directory(options.outDir))
    throw PackError("cannot create the output folder \"" + options.outDir.string() + "\"");

  Bytes index;
  for (const DistRecord& r : result.records) {
    PutLe32(index, static_cast<std::uint32_t>(r.file.directoryIndex));
    PutLe32(index, static_cast<std::uint32_t>(r.placement.offset));
    PutLe32(index, static_cast<std::uint32_t>(r.placement.disk));
    PutLe32(index, static_cast<std::uint32_t>(r.length));
  }
  WriteFile(options.outDir / "vtulst.dat", index);

  // Each disk image: every piece that lies on it, zeros in between.
  for (std::size_t d = 0; d < layout.diskSizes.size(); ++d) {
    const int diskNo = static_cast<int>(d) + 1;
    Bytes image(layout.diskSizes[d], 0);
    for (std::size_t i = 0; i < archives.size(); ++i) {
      const Placement& p = layout.placements[i];
      if (diskNo < p.disk || diskNo > p.lastDisk) continue;
      const std::uint64_t chunk = options.diskSize == 0 ? archives[i].size() : options.diskSize - p.offset;
      const std::uint64_t from = static_cast<std::uint64_t>(diskNo - p.disk) * chunk;
      const std::uint64_t size = std::min<std::uint64_t>(chunk, archives[i].size() - from);
      std::copy_n(archives[i].begin() + static_cast<std::ptrdiff_t>(from), size,
                  image.begin() + static_cast<std::ptrdiff_t>(p.offset));
    }
    WriteFile(options.outDir / ("zdata" + std::to_string(diskNo) + ".dsk"), image);
  }
  // Disk files of an earlier, larger set would only confuse: the installer asks for disks by name.
  for (int n = static_cast<int>(layout.diskSizes.size()) + 1; n <= kMaxDisks; ++n)
    fs::remove(options.outDir / ("zdata" + std::to_string(n) + ".dsk"), ec);
  if (!optDat.empty()) {
    WriteFile(options.outDir / "opt.dat", optDat);
    result.wroteOptDat = true;
  }
  return result;
}

}  // namespace mkdist

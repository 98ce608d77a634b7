#include "tools/mkdist/distribution_listing.h"

#include <fstream>
#include <memory>

namespace mkdist {

namespace fs = std::filesystem;

std::optional<Bytes> CopyArchiveOffDisks(const fs::path& dir, std::int32_t disk, std::int32_t offset, std::int32_t length,
                                         int* disksRead) {
  Bytes out;
  *disksRead = 0;
  auto open = [&](std::int32_t d) {
    auto in = std::make_unique<std::ifstream>(dir / ("zdata" + std::to_string(d) + ".dsk"), std::ios::binary);
    if (*in) in->seekg(offset);
    return in;
  };
  if (length < 0 || offset < 0) return std::nullopt;
  auto in = open(disk);
  if (!*in) return std::nullopt;
  *disksRead = 1;
  std::int64_t remaining = length;
  char block[2048];
  while (remaining > 0) {
    in->read(block, sizeof block);
    std::int64_t n = in->gcount();
    if (n < remaining) {
      out.insert(out.end(), block, block + n);
      remaining -= n;
      if (n < static_cast<std::int64_t>(sizeof block)) {
        if (*disksRead >= 999) return std::nullopt;
        in = open(++disk);
        if (!*in) return std::nullopt;
        ++*disksRead;
      }
    } else {
      out.insert(out.end(), block, block + remaining);
      remaining = 0;
    }
  }
  return out;
}

std::vector<DistributionRow> ListDistribution(const fs::path& dir) {
  std::ifstream in(dir / "vtulst.dat", std::ios::binary);
  if (!in) throw PackError("\"" + dir.string() + "\" holds no vtulst.dat");
  Bytes index((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::vector<DistributionRow> rows;
  for (std::size_t i = 0; i + 16 <= index.size(); i += 16) {
    DistributionRow row;
    row.lIndex = static_cast<std::int32_t>(i / 4);
    row.record = {static_cast<std::int32_t>(GetLe32(&index[i])), static_cast<std::int32_t>(GetLe32(&index[i + 4])),
                  static_cast<std::int32_t>(GetLe32(&index[i + 8])), static_cast<std::int32_t>(GetLe32(&index[i + 12]))};
    auto bytes = CopyArchiveOffDisks(dir, row.record.disk, row.record.offset, row.record.length, &row.disksRead);
    if (!bytes) {
      // The copy stops at the first disk file it cannot open.
      row.problem = row.record.length < 0 || row.record.offset < 0
                        ? std::string("the record has a negative offset or length")
                        : "disk data file zdata" + std::to_string(row.record.disk + row.disksRead) + ".dsk is missing";
    } else {
      try {
        row.archive = ListArchive(*bytes);
      } catch (const PackError& e) {
        row.problem = e.what();
      }
    }
    rows.push_back(std::move(row));
  }
  if (index.size() % 16 != 0) {
    DistributionRow tail;
    tail.lIndex = static_cast<std::int32_t>(index.size() / 16 * 4);
    tail.problem = "vtulst.dat ends inside a record";
    rows.push_back(tail);
  }
  return rows;
}

}  // namespace mkdist

#include "tools/mkdist/disk_layout.h"

#include <algorithm>
#include <optional>
#include <utility>

namespace mkdist {

namespace {

struct Hole {
  std::uint64_t start, end;
};

struct End {
  int disk;
  std::uint64_t offset;
  bool operator<(const End& o) const { return disk != o.disk ? disk < o.disk : offset < o.offset; }
};

// Where an archive of `length` bytes starting at (disk, offset) ends, when each disk offers the
// bytes from offset to capacity.
End SpanEnd(int disk, std::uint64_t offset, std::uint64_t length, std::uint64_t capacity) {
  std::uint64_t chunk = capacity - offset;
  std::uint64_t pieces = (length + chunk - 1) / chunk;
  std::uint64_t last = length - (pieces - 1) * chunk;
  return {disk + static_cast<int>(pieces - 1), offset + last};
}

}  // namespace

DiskLayout LayoutDisks(const std::vector<std::uint64_t>& lengths, std::uint64_t capacity) {
  DiskLayout out;
  int disk = 1;
  std::uint64_t frontier = 0;
  std::vector<Hole> holes;  // free room on the current disk, in front of the frontier
  auto grow = [&](int d, std::uint64_t size) {
    if (out.diskSizes.size() < static_cast<std::size_t>(d)) out.diskSizes.resize(static_cast<std::size_t>(d), 0);
    out.diskSizes[static_cast<std::size_t>(d) - 1] = std::max(out.diskSizes[static_cast<std::size_t>(d) - 1], size);
  };
  grow(1, 0);
  for (std::uint64_t length : lengths) {
    Placement p;
    if (capacity == 0) {
      p = {1, frontier, 1};
      frontier += length;
      grow(1, frontier);
      out.placements.push_back(p);
      continue;
    }
    auto hole = std::find_if(holes.begin(), holes.end(),
                             [&](const Hole& h) { return h.end - h.start >= length; });
    if (hole != holes.end()) {
      p = {disk, hole->start, disk};
      hole->start += length;
      out.placements.push_back(p);
      continue;
    }
    if (frontier + length <= capacity) {
      p = {disk, frontier, disk};
      frontier += length;
      grow(disk, frontier);
      out.placements.push_back(p);
      continue;
    }
    // Either span from the frontier, or begin at the top of the next disk.
    std::optional<End> here;
    if (frontier < capacity) here = SpanEnd(disk, frontier, length, capacity);
    End fresh = SpanEnd(disk + 1, 0, length, capacity);
    if (here && !(fresh < *here)) {
      p = {disk, frontier, here->disk};
    } else {
      p = {disk + 1, 0, fresh.disk};
    }
    End end = p.disk == disk ? *here : fresh;
    for (int d = p.disk; d < end.disk; ++d) grow(d, capacity);
    grow(end.disk, end.offset);
    holes.clear();
    if (end.disk != disk && p.offset > 0) holes.push_back({0, p.offset});
    disk = end.disk;
    frontier = end.offset;
    out.placements.push_back(p);
  }
  return out;
}

}  // namespace mkdist

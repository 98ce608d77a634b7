// Placement of archives on a set of disk data files ("zdata1.dsk", "zdata2.dsk", ...).
//
// The installer copies an archive from its start offset until the disk data file ends, then
// goes on in the next disk's data file at the same offset. An archive that does not fit
// therefore fills its first disk to the end, and each further disk from that offset on; the room
// in front of the offset on the last of those disks takes the following archives when they fit.
// Where the archive is instead started at the top of the next disk the set ends earlier, that
// placement is used.
#pragma once

#include <cstdint>
#include <vector>

namespace mkdist {

struct Placement {
  int disk = 1;              // number of the first disk, from 1
  std::uint64_t offset = 0;  // on that disk and, for a spanning archive, on the following ones
  int lastDisk = 1;          // disk that holds the archive's end
};

struct DiskLayout {
  std::vector<Placement> placements;    // one per archive, in input order
  std::vector<std::uint64_t> diskSizes; // size of each disk data file, index 0 = disk 1
};

// capacity 0 means one disk of any size. Archive lengths must be at least 1.
DiskLayout LayoutDisks(const std::vector<std::uint64_t>& lengths, std::uint64_t capacity);

}  // namespace mkdist

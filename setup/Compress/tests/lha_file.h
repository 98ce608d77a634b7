// Just enough of the LHA archive format for the tests: read the members of an archive that an
// outside archiver made (header levels 0, 1 and 2), and wrap one raw stream into a level-0
// archive for an outside archiver to check.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace setup::test {

struct LhaMember {
  std::string method;  // "-lh5-", "-lh0-" ...
  std::string name;
  int level = 0;
  std::uint32_t originalSize = 0;
  std::vector<std::uint8_t> stream;  // the raw packed data
};

// Throws std::runtime_error on a malformed archive.
std::vector<LhaMember> ReadLhaArchive(const std::vector<std::uint8_t>& archive);

std::uint16_t LhaCrc16(const std::vector<std::uint8_t>& data);
std::vector<std::uint8_t> WrapLevel0(const std::string& method, const std::string& name,
                                     const std::vector<std::uint8_t>& stream,
                                     const std::vector<std::uint8_t>& original);

}  // namespace setup::test

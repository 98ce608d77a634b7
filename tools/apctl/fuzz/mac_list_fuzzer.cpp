// MAC list files: whatever the file holds, the reader either takes 12-digit tokens only or
// reports an error and takes nothing; merging never grows the table past its capacity.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>

#include "tools/apctl/mac_text.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
  const apctl::MacListResult r = apctl::ReadMacList(in);
  if (!r.error.empty() && !r.addresses.empty()) std::abort();
  std::vector<apctl::Mac> table;
  for (std::size_t i = 0; i < size % 70; ++i) table.push_back({0, 0, 0, 0, 0, static_cast<std::uint8_t>(i)});
  const std::size_t before = table.size();
  apctl::MergeMacList(table, r.addresses, 64);
  if (table.size() > std::max<std::size_t>(before, 64)) std::abort();
  for (const auto& mac : r.addresses) {
    if (apctl::ParseMac(apctl::FormatMac(mac)) != mac) std::abort();
  }
  return 0;
}

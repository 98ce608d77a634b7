// Any bytes as a PE image: the version reader must neither crash nor read outside them.
#include "platform/fs/pe_version.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  auto info = platform::readFixedFileInfo(std::span<const std::uint8_t>(data, size));
  (void)platform::fileVersionOf(info);
  return 0;
}

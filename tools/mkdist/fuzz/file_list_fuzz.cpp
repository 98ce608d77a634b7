// Scripts and manifests from outside: parsing never crashes, and errors are PackError only.
#include <string_view>

#include "tools/mkdist/file_list.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  mkdist::SetupInf inf = mkdist::SetupInf::Parse(text);
  try {
    auto files = mkdist::FilesFromSetupInf(inf);
    std::vector<mkdist::DistRecord> records;
    for (const auto& f : files) records.push_back({f, static_cast<std::int32_t>(4 * records.size()), {}, 0, {}});
    mkdist::WriteLIndexes(inf, records);
    (void)inf.Serialize();
  } catch (const mkdist::PackError&) {
  }
  try {
    (void)mkdist::FilesFromManifest(text);
  } catch (const mkdist::PackError&) {
  }
  return 0;
}

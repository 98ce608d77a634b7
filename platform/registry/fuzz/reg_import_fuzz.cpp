// libFuzzer target: the .reg importer on arbitrary bytes, into a registry that is never saved.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/registry/reg_import.h"
#include "platform/registry/registry.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  // A root folder that does not exist: nothing is loaded, and a save could not write anywhere.
  platform::Registry reg("/nonexistent/regfuzz-root");
  platform::RegImportResult r = platform::importRegText(reg, bytes);
  if (!r.recognised && (r.valuesWritten || r.keysOpened || r.deletions)) __builtin_trap();
  for (const auto& k : reg.subkeyNames(platform::RootKey::LocalMachine, "")) {
    (void)reg.valueNames(platform::RootKey::LocalMachine, k);
  }
  return 0;
}

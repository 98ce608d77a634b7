// libFuzzer target: the hive loader on arbitrary bytes. Whatever it reads, it writes so that
// reading and writing again gives the same text.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/registry/hive.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  auto hive = platform::reghive::Hive::parse(bytes);
  const std::string once = hive.serialize();
  const std::string twice = platform::reghive::Hive::parse(once).serialize();
  if (once != twice) __builtin_trap();
  // Lookups through whatever links the input made must end.
  (void)hive.find({u"System", u"CurrentControlSet", u"Hardware Profiles", u"Current"});
  (void)hive.create({u"A", u"B"}, 1);
  return 0;
}

// libFuzzer target: the INI reader on arbitrary bytes, and its writer on what it read.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/ini/ini_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  platform::IniFile ini = platform::IniFile::fromText(bytes);
  auto sections = ini.sectionNames();
  for (const auto& s : sections) {
    for (const auto& k : ini.keyNames(s)) {
      if (!ini.valueExists(s, k)) __builtin_trap();
      if (ini.readString(s, k, "").size() + k.size() > 254) __builtin_trap();  // the 255-character cut
      (void)ini.readInteger(s, k, 0);
      (void)ini.readBool(s, k, true);
    }
  }
  // What was read must survive being written: same sections, same values.
  platform::IniFile again = platform::IniFile::fromText(ini.toText());
  if (again.sectionNames() != sections) __builtin_trap();
  for (const auto& s : sections) {
    for (const auto& k : ini.keyNames(s)) {
      if (again.readString(s, k, "\x01missing") != ini.readString(s, k, "\x01missing")) __builtin_trap();
    }
  }
  // And writing into it keeps the file readable.
  if (!sections.empty()) {
    again.writeString(sections.front(), "fuzz=key", "v\r\nx");
    platform::IniFile third = platform::IniFile::fromText(again.toText());
    if (!third.sectionExists(sections.front())) __builtin_trap();
  }
  return 0;
}

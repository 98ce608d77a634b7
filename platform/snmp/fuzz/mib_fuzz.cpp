// libFuzzer target: the MIB reader on arbitrary module text, then translation of every name
// it defined (which walks the parent chains, cycles included).
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/snmp/error.h"
#include "platform/snmp/mib.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  platform::snmp::Mib mib;
  try {
    mib.loadText(std::string_view(reinterpret_cast<const char*>(data), size), "fuzz");
  } catch (const platform::snmp::Error&) {
    return 0;
  }
  for (const auto& name : mib.names()) {
    try {
      mib.translate(name);
      mib.translate(name + ".0");
    } catch (const platform::snmp::Error&) {
    }
  }
  return 0;
}

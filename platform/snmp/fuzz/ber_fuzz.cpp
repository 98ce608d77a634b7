// libFuzzer target: the BER decoder on arbitrary datagrams. Whatever decodes must encode
// again and decode to the same message.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "platform/snmp/ber.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace platform::snmp::ber;
  auto message = tryDecodeMessage(std::span<const std::uint8_t>(data, size));
  if (!message) return 0;
  auto again = encodeMessage(*message);
  auto back = decodeMessage(again);
  if (!(back == *message)) std::abort();
  return 0;
}

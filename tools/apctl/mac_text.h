// Station addresses as administrators type them and as the MAC filter shows them.
#pragma once

#include <array>
#include <cstdint>
#include <istream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace apctl {

using Mac = std::array<std::uint8_t, 6>;

// 12 hexadecimal digits, or six two-digit groups joined by "-" or ":" (one kind throughout).
std::optional<Mac> ParseMac(std::string_view text);
// "00-0A-1B-2C-3D-4E".
std::string FormatMac(const Mac& mac);

// The tokens of a MAC list file (separated by white space), each 12 hexadecimal digits.
struct MacListResult {
  std::vector<Mac> addresses;
  std::string error;  // empty when the whole file was good; then nothing of it is to be used
};
MacListResult ReadMacList(std::istream& in);

// Adds `incoming` behind `table` as the MAC filter does for a file: at most `capacity` minus
// the current size are considered, addresses already present are skipped (and still count),
// and the table is then sorted by address.
void MergeMacList(std::vector<Mac>& table, const std::vector<Mac>& incoming, std::size_t capacity);

}  // namespace apctl

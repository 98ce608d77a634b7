#include "tools/apctl/mac_text.h"

#include <algorithm>
#include <cstdio>

#include "snmp/access/encodings.h"

namespace apctl {

std::optional<Mac> ParseMac(std::string_view text) {
  std::string digits;
  if (text.size() == 17) {
    const char sep = text[2];
    if (sep != '-' && sep != ':') return std::nullopt;
    for (std::size_t i = 0; i < text.size(); ++i) {
      if (i % 3 == 2) {
        if (text[i] != sep) return std::nullopt;
      } else {
        digits += text[i];
      }
    }
  } else if (text.size() == 12) {
    digits = std::string(text);
  } else {
    return std::nullopt;
  }
  if (!manager::IsHexText(digits)) return std::nullopt;
  const auto bytes = manager::BytesFromHexText(digits);
  Mac mac{};
  std::copy(bytes.begin(), bytes.end(), mac.begin());
  return mac;
}

std::string FormatMac(const Mac& mac) {
  std::string s;
  char buf[4];
  for (std::size_t i = 0; i < mac.size(); ++i) {
    std::snprintf(buf, sizeof buf, i + 1 < mac.size() ? "%02X-" : "%02X", static_cast<unsigned>(mac[i]));
    s += buf;
  }
  return s;
}

MacListResult ReadMacList(std::istream& in) {
  MacListResult result;
  std::string token;
  std::size_t n = 0;
  while (in >> token) {
    ++n;
    if (token.size() != 12) {
      result.error = "token " + std::to_string(n) + " (\"" + token + "\") is not 12 characters long";
      result.addresses.clear();
      return result;
    }
    auto mac = ParseMac(token);
    if (!mac) {
      result.error = "token " + std::to_string(n) + " (\"" + token + "\") is not 12 hexadecimal digits";
      result.addresses.clear();
      return result;
    }
    result.addresses.push_back(*mac);
  }
  return result;
}

void MergeMacList(std::vector<Mac>& table, const std::vector<Mac>& incoming, std::size_t capacity) {
  const std::size_t room = table.size() < capacity ? capacity - table.size() : 0;
  const std::size_t n = std::min(room, incoming.size());
  for (std::size_t i = 0; i < n; ++i) {
    if (std::find(table.begin(), table.end(), incoming[i]) == table.end()) table.push_back(incoming[i]);
  }
  std::sort(table.begin(), table.end(), [](const Mac& a, const Mac& b) { return FormatMac(a) < FormatMac(b); });
}

}  // namespace apctl

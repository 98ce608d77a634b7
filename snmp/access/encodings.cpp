#include "snmp/access/encodings.h"

#include <cstdio>

namespace manager {
namespace {

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v'; }

}  // namespace

std::vector<std::uint8_t> BytesFromHexText(std::string_view hex) {
  std::vector<std::uint8_t> out;
  out.reserve(hex.size() / 2);
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
    int value = 0;
    for (std::size_t k = i; k < i + 2; ++k) {
      const int v = hexValue(hex[k]);
      if (v < 0) break;
      value = value * 16 + v;
    }
    out.push_back(static_cast<std::uint8_t>(value));
  }
  return out;
}

std::string HexTextFromBytes(const std::vector<std::uint8_t>& bytes, bool joinWithColons) {
  std::string s;
  char buf[3];
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (joinWithColons && i > 0) s += ':';
    std::snprintf(buf, sizeof buf, "%02X", static_cast<unsigned>(bytes[i]));
    s += buf;
  }
  return s;
}

std::uint32_t ReadUnsignedText(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && isSpace(text[i])) ++i;
  if (i < text.size() && text[i] == '+') ++i;
  std::uint32_t value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    value = value * 10u + static_cast<std::uint32_t>(text[i] - '0');
  }
  return value;
}

std::string FirmwareVersionFrom(std::string_view sysDescr) {
  const std::size_t open = sysDescr.find('(');
  if (open == std::string_view::npos || open == 0) return {};
  std::string_view rest = sysDescr.substr(open + 1);
  // Read two words separated by white space, as "%s %s" would.
  auto nextWord = [&rest]() -> std::string_view {
    std::size_t b = 0;
    while (b < rest.size() && isSpace(rest[b])) ++b;
    std::size_t e = b;
    while (e < rest.size() && !isSpace(rest[e])) ++e;
    std::string_view w = rest.substr(b, e - b);
    rest = rest.substr(e);
    return w;
  };
  nextWord();
  std::string_view second = nextWord();
  // The whole second word is kept however long it is.
  const std::size_t close = second.find(')');
  if (close != std::string_view::npos) second = second.substr(0, close);
  return std::string(second);
}

bool IsHexText(std::string_view text) {
  for (char c : text) {
    if (hexValue(c) < 0) return false;
  }
  return true;
}

}  // namespace manager

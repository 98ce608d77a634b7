#include "platform/text/ansi.h"

#include <array>
#include <cstdint>

#include "platform/text/utf8.h"

namespace platform {
namespace {

// Code points of 0x80..0x9F in code page 1252; 0 marks the five unassigned bytes.
constexpr std::array<char32_t, 32> kHigh = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

char32_t decodeAnsi(unsigned char c) {
  if (c >= 0x80 && c < 0xA0) {
    char32_t cp = kHigh[c - 0x80];
    return cp ? cp : c;  // unassigned bytes map to the C1 control of the same value, as Windows does
  }
  return c;
}

char encodeAnsi(char32_t cp) {
  if (cp < 0x80 || (cp >= 0xA0 && cp < 0x100)) return static_cast<char>(cp);
  for (std::size_t i = 0; i < kHigh.size(); ++i) {
    if (kHigh[i] == cp) return static_cast<char>(0x80 + i);
  }
  if (cp >= 0x80 && cp < 0xA0) return static_cast<char>(cp);
  return '?';
}

}  // namespace

std::string ansiToUtf8(std::string_view ansi) {
  std::string out;
  out.reserve(ansi.size());
  for (char c : ansi) appendUtf8(out, decodeAnsi(static_cast<unsigned char>(c)));
  return out;
}

std::string utf8ToAnsi(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  std::size_t i = 0;
  while (i < s.size()) {
    if (auto step = decodeUtf8At(s, i)) {
      out += encodeAnsi(step->first);
      i += step->second;
    } else {
      out += s[i++];  // not UTF-8: the byte stands for itself
    }
  }
  return out;
}

char upperAnsi(char c) {
  auto u = static_cast<unsigned char>(c);
  if (u >= 'a' && u <= 'z') return static_cast<char>(u - 32);
  if ((u >= 0xE0 && u <= 0xFE && u != 0xF7)) return static_cast<char>(u - 32);
  if (u == 0x9A || u == 0x9C || u == 0x9E) return static_cast<char>(u - 16);  // š œ ž
  if (u == 0xFF) return static_cast<char>(0x9F);                              // ÿ
  return c;
}

char lowerAnsi(char c) {
  auto u = static_cast<unsigned char>(c);
  if (u >= 'A' && u <= 'Z') return static_cast<char>(u + 32);
  if ((u >= 0xC0 && u <= 0xDE && u != 0xD7)) return static_cast<char>(u + 32);
  if (u == 0x8A || u == 0x8C || u == 0x8E) return static_cast<char>(u + 16);
  if (u == 0x9F) return static_cast<char>(0xFF);
  return c;
}

std::string toUpperAnsi(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = upperAnsi(c);
  return out;
}

std::string toLowerAnsi(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = lowerAnsi(c);
  return out;
}

int compareIgnoreCase(std::string_view a, std::string_view b) {
  std::size_t n = a.size() < b.size() ? a.size() : b.size();
  for (std::size_t i = 0; i < n; ++i) {
    auto x = static_cast<unsigned char>(upperAnsi(a[i]));
    auto y = static_cast<unsigned char>(upperAnsi(b[i]));
    if (x != y) return x < y ? -1 : 1;
  }
  return a.size() == b.size() ? 0 : a.size() < b.size() ? -1 : 1;
}

bool equalsIgnoreCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && compareIgnoreCase(a, b) == 0;
}

std::size_t IgnoreCaseHash::operator()(std::string_view s) const {
  std::uint64_t h = 1469598103934665603ull;  // FNV-1a over the upper-cased bytes
  for (char c : s) {
    h ^= static_cast<unsigned char>(upperAnsi(c));
    h *= 1099511628211ull;
  }
  return static_cast<std::size_t>(h);
}

}  // namespace platform

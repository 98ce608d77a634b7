#include "platform/registry/wide_text.h"

#include "platform/text/ansi.h"
#include "platform/text/utf8.h"

namespace platform::regtext {
namespace {

void appendCodePoint(std::u16string& out, char32_t cp) {
  if (cp >= 0x10000 && cp <= 0x10FFFF) {
    cp -= 0x10000;
    out += static_cast<char16_t>(0xD800 + (cp >> 10));
    out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
  } else {
    out += static_cast<char16_t>(cp);
  }
}

}  // namespace

std::u16string fromUtf8Lenient(std::string_view s) {
  std::u16string out;
  out.reserve(s.size());
  std::size_t i = 0;
  while (i < s.size()) {
    if (auto step = decodeUtf8At(s, i)) {
      appendCodePoint(out, step->first);
      i += step->second;
    } else {
      out += static_cast<char16_t>(static_cast<unsigned char>(s[i++]));  // taken as Latin-1
    }
  }
  return out;
}

std::string toUtf8(std::u16string_view w) {
  std::string out;
  out.reserve(w.size());
  for (std::size_t i = 0; i < w.size(); ++i) {
    char32_t c = w[i];
    if (c >= 0xD800 && c < 0xDC00 && i + 1 < w.size() && w[i + 1] >= 0xDC00 && w[i + 1] < 0xE000) {
      c = 0x10000 + ((c - 0xD800) << 10) + (w[i + 1] - 0xDC00);
      ++i;
    }
    appendUtf8(out, c);
  }
  return out;
}

std::u16string fromAnsi(std::string_view ansi) {
  return fromUtf8Lenient(ansiToUtf8(ansi));
}

std::string toAnsi(std::u16string_view wide) {
  std::string out;
  out.reserve(wide.size());
  for (std::size_t i = 0; i < wide.size(); ++i) {
    char16_t c = wide[i];
    if (c >= 0xD800 && c < 0xE000) {
      // A surrogate pair is one character outside code page 1252.
      if (c < 0xDC00 && i + 1 < wide.size() && wide[i + 1] >= 0xDC00 && wide[i + 1] < 0xE000) ++i;
      out += '?';
      continue;
    }
    std::string u;
    appendUtf8(u, c);
    out += utf8ToAnsi(u);
  }
  return out;
}

char16_t foldChar(char16_t c) {
  if (c < 0x80) return (c >= 'A' && c <= 'Z') ? static_cast<char16_t>(c + 32) : c;
  if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return static_cast<char16_t>(c + 32);
  if (c == 0x178) return 0xFF;
  if (c >= 0x100 && c <= 0x137) return static_cast<char16_t>(c | 1);
  if (c >= 0x139 && c <= 0x148) return (c & 1) ? static_cast<char16_t>(c + 1) : c;
  if (c >= 0x14A && c <= 0x177) return static_cast<char16_t>(c | 1);
  if (c >= 0x179 && c <= 0x17E) return (c & 1) ? static_cast<char16_t>(c + 1) : c;
  if (c >= 0x391 && c <= 0x3A9 && c != 0x3A2) return static_cast<char16_t>(c + 32);
  if (c >= 0x410 && c <= 0x42F) return static_cast<char16_t>(c + 32);
  if (c >= 0x400 && c <= 0x40F) return static_cast<char16_t>(c + 80);
  return c;
}

std::u16string fold(std::u16string_view s) {
  std::u16string out(s);
  for (char16_t& c : out) c = foldChar(c);
  return out;
}

int compareFolded(std::u16string_view a, std::u16string_view b) {
  std::size_t n = a.size() < b.size() ? a.size() : b.size();
  for (std::size_t i = 0; i < n; ++i) {
    char16_t x = foldChar(a[i]), y = foldChar(b[i]);
    if (x != y) return x < y ? -1 : 1;
  }
  return a.size() == b.size() ? 0 : a.size() < b.size() ? -1 : 1;
}

bool equalFolded(std::u16string_view a, std::u16string_view b) {
  return a.size() == b.size() && compareFolded(a, b) == 0;
}

std::string toLeBytes(std::u16string_view w) {
  std::string out;
  out.reserve(w.size() * 2);
  for (char16_t c : w) {
    out += static_cast<char>(c & 0xFF);
    out += static_cast<char>(c >> 8);
  }
  return out;
}

std::u16string fromLeBytes(std::string_view b) {
  std::u16string out;
  out.reserve(b.size() / 2);
  for (std::size_t i = 0; i + 1 < b.size(); i += 2)
    out +=
        static_cast<char16_t>(static_cast<unsigned char>(b[i]) | (static_cast<unsigned char>(b[i + 1]) << 8));
  return out;
}

}  // namespace platform::regtext

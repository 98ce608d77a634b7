#include "platform/registry/reg_import.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <optional>

#include "platform/registry/registry.h"
#include "platform/registry/wide_text.h"

namespace platform {
namespace {

using std::u16string;
using std::u16string_view;

bool isBlank(char16_t c) {
  return c == u' ' || c == u'\t' || c == u'\r';
}
bool isHex(char16_t c) {
  return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
}
unsigned hexVal(char16_t c) {
  return c <= u'9' ? c - u'0' : (c | 0x20) - u'a' + 10;
}

u16string_view trim(u16string_view s) {
  while (!s.empty() && isBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && isBlank(s.back())) s.remove_suffix(1);
  return s;
}

u16string decode(std::string_view bytes, bool& unicode) {
  unicode = false;
  if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
      static_cast<unsigned char>(bytes[1]) == 0xFE) {
    unicode = true;
    return regtext::fromLeBytes(bytes.substr(2));
  }
  if (bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF") {
    unicode = true;
    return regtext::fromUtf8Lenient(bytes.substr(3));
  }
  // Without a byte-order mark: REGEDIT4 files are ANSI; version 5 files written by hand on this
  // host are usually UTF-8, and the lenient decoder keeps any other byte as it is.
  std::string_view head = bytes.substr(0, 64);
  if (head.find("Windows Registry Editor") != std::string_view::npos) {
    unicode = true;
    return regtext::fromUtf8Lenient(bytes);
  }
  return regtext::fromAnsi(bytes);
}

std::vector<u16string_view> lines(u16string_view text) {
  std::vector<u16string_view> out;
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t end = text.find(u'\n', pos);
    if (end == u16string_view::npos) end = text.size();
    out.push_back(text.substr(pos, end - pos));
    pos = end + 1;
  }
  return out;
}

// A quoted text with regedit's escapes (\\ and \", and \n, \r, \0 as Wine's regedit reads them;
// a backslash before any other character stays as it is).
// `s` starts after the opening quote; returns the text and moves `s` past the closing quote.
std::optional<u16string> quoted(u16string_view& s) {
  u16string out;
  std::size_t i = 0;
  while (i < s.size() && s[i] != u'"') {
    if (s[i] == u'\\' && i + 1 < s.size()) {
      char16_t c = s[i + 1];
      if (c == u'\\' || c == u'"') {
        out += c;
      } else if (c == u'n' || c == u'r' || c == u'0') {
        out += c == u'n' ? u'\n' : c == u'r' ? u'\r' : u'\0';
      } else {
        // Not an escape: a hand-typed C:\Temp keeps its backslash.
        out += u'\\';
        out += c;
      }
      i += 2;
      continue;
    }
    out += s[i++];
  }
  if (i >= s.size()) return std::nullopt;
  s.remove_prefix(i + 1);
  return out;
}

// "rest is empty or a comment"
bool onlyComment(u16string_view s) {
  s = trim(s);
  return s.empty() || s.front() == u';';
}

struct Importer {
  Registry& reg;
  RegImportResult result;
  bool unicode = false;
  bool haveKey = false;
  RootKey root = RootKey::LocalMachine;
  std::string path;

  void error(std::size_t line, const std::string& what) {
    result.errors.push_back("line " + std::to_string(line) + ": " + what);
  }

  void keyLine(std::size_t n, u16string_view s) {
    haveKey = false;
    bool del = s.size() > 1 && s[1] == u'-';
    std::size_t close = s.rfind(u']');
    if (close == u16string_view::npos) {
      error(n, "key line without closing bracket");
      return;
    }
    if (!onlyComment(s.substr(close + 1))) {
      error(n, "text after the key name");
      return;
    }
    u16string_view full = s.substr(del ? 2 : 1, close - (del ? 2 : 1));
    std::size_t slash = full.find(u'\\');
    std::string rootText = regtext::toAnsi(full.substr(0, slash));
    auto r = rootFromName(rootText);
    if (!r) {
      error(n, "unknown root key \"" + rootText + "\"");
      return;
    }
    std::string sub = slash == u16string_view::npos ? std::string() : regtext::toAnsi(full.substr(slash + 1));
    if (del) {
      if (reg.deleteKey(*r, sub)) ++result.deletions;
      return;  // deleting a missing key is no error, as in regedit
    }
    if (!reg.createKey(*r, sub)) {
      error(n, "cannot create key \"" + regtext::toAnsi(full) + "\"");
      return;
    }
    ++result.keysOpened;
    haveKey = true;
    root = *r;
    path = sub;
  }

  void valueLine(std::size_t n, const std::vector<u16string_view>& all, std::size_t& i) {
    u16string_view s = trim(all[i]);
    u16string name;
    if (s.front() == u'@') {
      s.remove_prefix(1);
    } else {
      s.remove_prefix(1);
      auto q = quoted(s);
      if (!q) {
        error(n, "value name without closing quote");
        return;
      }
      name = std::move(*q);
    }
    s = trim(s);
    if (s.empty() || s.front() != u'=') {
      error(n, "value without \"=\"");
      return;
    }
    s = trim(s.substr(1));
    if (!haveKey) {
      error(n, "value outside a key");
      return;
    }
    const std::string aname = regtext::toAnsi(name);
    if (s == u"-") {
      if (reg.deleteValue(root, path, aname)) ++result.deletions;
      return;
    }
    RegistryValue v;
    if (!s.empty() && s.front() == u'"') {
      s.remove_prefix(1);
      auto q = quoted(s);
      if (!q || !onlyComment(s)) {
        error(n, "malformed string value");
        return;
      }
      v = {regtype::Sz, regtext::toLeBytes(*q) + std::string(2, '\0')};
    } else if (s.starts_with(u"dword:")) {
      s.remove_prefix(6);
      std::size_t k = 0;
      std::uint32_t x = 0;
      while (k < s.size() && isHex(s[k]) && k < 9) x = x * 16 + hexVal(s[k++]);
      if (k == 0 || k > 8 || !onlyComment(s.substr(k))) {
        error(n, "malformed dword value");
        return;
      }
      v = RegistryValue::fromDword(x);
    } else if (s.starts_with(u"hex:") || s.starts_with(u"hex(")) {
      std::uint32_t type = regtype::Binary;
      if (s[3] == u'(') {
        std::size_t k = 4;
        std::uint64_t t = 0;
        while (k < s.size() && isHex(s[k]) && k < 12) t = t * 16 + hexVal(s[k++]);
        if (k == 4 || s.substr(k, 2) != u"):" || t > 0xFFFFFFFFu) {
          error(n, "malformed hex type");
          return;
        }
        type = static_cast<std::uint32_t>(t);
        s.remove_prefix(k + 2);
      } else {
        s.remove_prefix(4);
      }
      std::string bytes;
      for (;;) {
        s = trim(s);
        while (!s.empty() && isHex(s.front())) {
          unsigned b = 0;
          int digits = 0;
          while (!s.empty() && isHex(s.front()) && digits < 3) {
            b = b * 16 + hexVal(s.front());
            s.remove_prefix(1);
            ++digits;
          }
          if (digits > 2) {
            error(n, "malformed hex data");
            return;
          }
          bytes += static_cast<char>(b);
          s = trim(s);
          if (!s.empty() && s.front() == u',') s = trim(s.substr(1));
        }
        if (!s.empty() && s.front() == u'\\' && trim(s.substr(1)).empty()) {
          if (i + 1 >= all.size()) {
            error(n, "hex data continues past the end of the file");
            return;
          }
          s = all[++i];
          continue;
        }
        if (!onlyComment(s)) {
          error(n, "malformed hex data");
          return;
        }
        break;
      }
      if (!unicode && (type == regtype::ExpandSz || type == regtype::MultiSz)) {
        // REGEDIT4 writes these as ANSI bytes; the registry holds them as UTF-16.
        bytes = regtext::toLeBytes(regtext::fromAnsi(bytes));
      }
      v = {type, bytes};
    } else {
      error(n, "unknown value type");
      return;
    }
    if (reg.writeValue(root, path, aname, v)) {
      ++result.valuesWritten;
    } else {
      error(n, "cannot write value \"" + aname + "\"");
    }
  }

  void run(std::string_view bytes) {
    u16string text = decode(bytes, unicode);
    auto all = lines(text);
    std::size_t i = 0;
    while (i < all.size() && trim(all[i]).empty()) ++i;
    if (i >= all.size()) return;
    u16string_view first = trim(all[i]);
    if (first == u"REGEDIT4") {
      unicode = false;
    } else if (first != u"Windows Registry Editor Version 5.00") {
      return;
    }
    result.recognised = true;
    for (++i; i < all.size(); ++i) {
      u16string_view s = trim(all[i]);
      std::size_t n = i + 1;
      if (s.empty() || s.front() == u';' || s.front() == u'#') continue;
      if (s.front() == u'[') {
        keyLine(n, s);
      } else if (s.front() == u'@' || s.front() == u'"') {
        valueLine(n, all, i);
      } else {
        error(n, "unrecognised line");
      }
    }
  }
};

}  // namespace

RegImportResult importRegText(Registry& registry, std::string_view fileBytes) {
  Importer imp{registry, {}};
  imp.run(fileBytes);
  return imp.result;
}

RegImportResult importRegFile(Registry& registry, const std::filesystem::path& file) {
  int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    RegImportResult r;
    r.errors.push_back("cannot open " + file.string());
    return r;
  }
  std::string bytes;
  char buf[65536];
  for (;;) {
    ssize_t n = ::read(fd, buf, sizeof buf);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      if (n < 0) {
        ::close(fd);
        RegImportResult r;
        r.errors.push_back("cannot read " + file.string());
        return r;
      }
      break;
    }
    bytes.append(buf, static_cast<std::size_t>(n));
  }
  ::close(fd);
  return importRegText(registry, bytes);
}

}  // namespace platform

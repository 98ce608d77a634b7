#include "platform/fs/windows_path.h"

#include "platform/text/ansi.h"

#include <array>

namespace platform::winpath {
namespace {

bool isLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
char upperLetter(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

std::vector<std::string> split(std::string_view s) {
  std::vector<std::string> out;
  std::size_t i = 0;
  while (i <= s.size()) {
    std::size_t j = s.find('\\', i);
    if (j == std::string_view::npos) j = s.size();
    if (j > i) out.emplace_back(s.substr(i, j - i));
    i = j + 1;
  }
  return out;
}

// Windows drops trailing dots and spaces from a name ("a.txt." opens "a.txt").
std::string trimName(std::string_view c) {
  std::size_t n = c.size();
  while (n > 0 && (c[n - 1] == '.' || c[n - 1] == ' ')) --n;
  return std::string(c.substr(0, n));
}

}  // namespace

std::optional<Parsed> parse(std::string_view in) {
  if (in.empty() || in.size() > kMaxPath) return std::nullopt;
  if (in.find('\0') != std::string_view::npos) return std::nullopt;
  std::string s(in);
  for (char& c : s) {
    if (c == '/') c = '\\';
  }
  Parsed p;
  std::string_view rest = s;
  if (rest.starts_with("\\\\?\\")) {
    // Long-path prefix: only "\\?\X:\..." and "\\?\UNC\server\share\..." reach files.
    rest.remove_prefix(4);
    if (rest.size() >= 3 && isLetter(rest[0]) && rest[1] == ':' && rest[2] == '\\') {
      p.anchor = Anchor::Drive;
      p.drive = upperLetter(rest[0]);
      p.components = split(rest.substr(3));
      return p;
    }
    if (rest.size() >= 4 && equalsIgnoreCase(rest.substr(0, 4), "UNC\\")) {
      rest.remove_prefix(4);
    } else {
      return std::nullopt;
    }
    // fall through to the UNC parse below with rest = "server\share\..."
  } else if (rest.starts_with("\\\\")) {
    if (rest.size() >= 3 && (rest[2] == '.' || rest[2] == '?') && (rest.size() == 3 || rest[3] == '\\')) {
      return std::nullopt;  // "\\.\" device namespace, "\\?" alone
    }
    rest.remove_prefix(2);
  } else if (rest.size() >= 2 && isLetter(rest[0]) && rest[1] == ':') {
    p.drive = upperLetter(rest[0]);
    rest.remove_prefix(2);
    p.anchor = (!rest.empty() && rest[0] == '\\') ? Anchor::Drive : Anchor::DriveRelative;
    p.components = split(rest);
    return p;
  } else if (rest[0] == '\\') {
    p.anchor = Anchor::RootRelative;
    p.components = split(rest);
    return p;
  } else {
    p.anchor = Anchor::Relative;
    p.components = split(rest);
    return p;
  }
  // UNC: server and share must both be there and be names.
  std::size_t a = rest.find('\\');
  if (a == std::string_view::npos || a == 0) return std::nullopt;
  std::size_t b = rest.find('\\', a + 1);
  std::string_view server = rest.substr(0, a);
  std::string_view share = rest.substr(a + 1, b == std::string_view::npos ? std::string_view::npos : b - a - 1);
  if (share.empty()) return std::nullopt;
  std::string srv = trimName(server), shr = trimName(share);
  if (!isValidName(srv) || !isValidName(shr)) return std::nullopt;
  p.anchor = Anchor::Unc;
  p.server = srv;
  p.share = shr;
  if (b != std::string_view::npos) p.components = split(rest.substr(b + 1));
  return p;
}

std::optional<Absolute> absolute(const Parsed& p, const Absolute& current) {
  Absolute out;
  switch (p.anchor) {
    case Anchor::Drive:
      out.drive = p.drive;
      break;
    case Anchor::Unc:
      out.unc = true;
      out.server = p.server;
      out.share = p.share;
      break;
    case Anchor::DriveRelative:
      if (!current.unc && current.drive == p.drive) {
        out = current;
      } else {
        out.drive = p.drive;
      }
      break;
    case Anchor::RootRelative:
      out = current;
      out.components.clear();
      break;
    case Anchor::Relative:
      out = current;
      break;
  }
  for (const std::string& raw : p.components) {
    if (raw == ".") continue;
    if (raw == "..") {
      if (!out.components.empty()) out.components.pop_back();
      continue;
    }
    std::string name = trimName(raw);
    if (!isValidName(name)) return std::nullopt;
    out.components.push_back(std::move(name));
  }
  std::size_t length = out.str().size();
  if (length > kMaxPath) return std::nullopt;
  return out;
}

std::string Absolute::str() const {
  std::string s;
  if (unc) {
    s = "\\\\" + server + "\\" + share;
    for (const auto& c : components) s += "\\" + c;
    return s;
  }
  s = std::string(1, drive) + ":";
  if (components.empty()) return s + "\\";
  for (const auto& c : components) s += "\\" + c;
  return s;
}

bool isDeviceName(std::string_view c) {
  std::string_view base = c.substr(0, c.find('.'));
  while (!base.empty() && base.back() == ' ') base.remove_suffix(1);
  std::string up = toUpperAnsi(base);
  static constexpr std::array<std::string_view, 6> kFixed = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"};
  for (auto d : kFixed) {
    if (up == d) return true;
  }
  if (up.size() == 4 && (up.starts_with("COM") || up.starts_with("LPT"))) {
    unsigned char digit = static_cast<unsigned char>(up[3]);
    // 1-9 and the code page's superscript one, two and three.
    if ((digit >= '1' && digit <= '9') || digit == 0xB9 || digit == 0xB2 || digit == 0xB3) return true;
  }
  return false;
}

bool isValidName(std::string_view c) {
  if (c.empty() || c == "." || c == "..") return false;
  for (char ch : c) {
    unsigned char u = static_cast<unsigned char>(ch);
    if (u < 0x20) return false;
    switch (ch) {
      case '<': case '>': case ':': case '"': case '/': case '\\': case '|': case '?': case '*':
        return false;
      default:
        break;
    }
  }
  if (ansiToUtf8(c).size() > 255) return false;
  return !isDeviceName(c);
}

}  // namespace platform::winpath

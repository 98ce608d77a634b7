// Text inside the kit is 8-bit Windows ANSI (code page 1252), as scripts, logs and MIB files are.
// It turns into UTF-8 only where it meets the host: file names and the Qt widgets.
#pragma once

#include <string>
#include <string_view>

namespace platform {

std::string ansiToUtf8(std::string_view ansi);
// Characters outside code page 1252 become '?'; malformed UTF-8 bytes are taken as Latin-1.
std::string utf8ToAnsi(std::string_view utf8);

// Case folding as Windows does it for the ANSI code page (A-Z and the accented Latin letters).
char upperAnsi(char c);
char lowerAnsi(char c);
std::string toUpperAnsi(std::string_view s);
std::string toLowerAnsi(std::string_view s);
bool equalsIgnoreCase(std::string_view a, std::string_view b);
// Three-way comparison without regard to case: <0, 0, >0.
int compareIgnoreCase(std::string_view a, std::string_view b);

// Hash and equality for unordered containers keyed without regard to case.
struct IgnoreCaseHash {
  std::size_t operator()(std::string_view s) const;
};
struct IgnoreCaseEqual {
  bool operator()(std::string_view a, std::string_view b) const { return equalsIgnoreCase(a, b); }
};
struct IgnoreCaseLess {
  bool operator()(std::string_view a, std::string_view b) const { return compareIgnoreCase(a, b) < 0; }
};

}  // namespace platform

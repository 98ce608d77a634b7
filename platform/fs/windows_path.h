// Parsing of Windows paths into a root (drive or UNC share) and clean components, with the checks
// that keep a path inside the mapped drives: no device names, no stream or wildcard characters,
// "." and ".." resolved lexically without ever climbing above the root.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform::winpath {

enum class Anchor {
  Drive,         // "C:\a"
  Unc,           // "\\SERVER\SHARE\a"
  DriveRelative, // "C:a" (relative to the current folder when it is on that drive)
  RootRelative,  // "\a" (on the current drive)
  Relative,      // "a\b"
};

struct Parsed {
  Anchor anchor = Anchor::Relative;
  char drive = 0;  // upper-case, for Drive and DriveRelative
  std::string server, share;  // for Unc
  // Raw components, "." and ".." still in, empty ones (doubled separators) dropped.
  std::vector<std::string> components;
};

// Splits a path; nothing for a syntactically impossible or forbidden path (empty, NUL inside,
// longer than kMaxPath, "\\.\" devices, "\\?\" forms other than a drive or UNC, incomplete UNC).
std::optional<Parsed> parse(std::string_view path);

// A clean absolute path: a root and components without "." or "..", each one a valid name.
struct Absolute {
  bool unc = false;
  char drive = 0;
  std::string server, share;
  std::vector<std::string> components;

  // "C:\a\b", "C:\" for the root, "\\SERVER\SHARE\a".
  std::string str() const;
};

// Resolves a parsed path against the current folder (an absolute path) and cleans every component:
// trailing dots and spaces are dropped as Windows drops them, "." and ".." applied lexically (".."
// at the root stays at the root). Nothing when a component is not a valid name.
std::optional<Absolute> absolute(const Parsed& p, const Absolute& current);

// True for a name Windows reserves for a device, with or without an extension: CON, PRN, AUX, NUL,
// COM1-9, LPT1-9 (also with the superscript digits 1, 2, 3), CONIN$, CONOUT$.
bool isDeviceName(std::string_view component);
// True when the component may name a file: not empty, at most 255 bytes once in UTF-8, no control
// characters or < > : " / \ | ? *, and not a device name. "." and ".." are not names.
bool isValidName(std::string_view component);

inline constexpr std::size_t kMaxPath = 32767;

}  // namespace platform::winpath

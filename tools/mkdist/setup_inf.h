// setup.inf as the installer reads it, for the packer: finds keys the same way and rewrites
// single values while keeping every other byte of the script.
//
// Reading rules: ANSI text, lines ended by CR LF (a bare LF is accepted too); each line counts
// up to 255 characters; a line "[name]" starts a section; lines before the first section and
// lines made only of the end-of-file character 26 are ignored; key = text before the first "=",
// no trimming; section and key names compare without regard to case; the first match wins.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace mkdist {

class SetupInf {
 public:
  static SetupInf Parse(std::string_view bytes);

  // The value of section/key as the installer would read it (cut at 255 characters per line).
  std::optional<std::string> Value(std::string_view section, std::string_view key) const;
  // 1-based number of the line that holds section/key; nothing when it is missing.
  std::optional<std::size_t> LineOf(std::string_view section, std::string_view key) const;
  // Number of section headers with this name.
  std::size_t SectionCount(std::string_view section) const;
  // The length of a line before the installer's cut (for reporting lines that are too long).
  std::size_t LineLength(std::size_t lineNumber) const { return lines_[lineNumber - 1].size(); }

  // Replaces the value of an existing key, or adds "key=value" after the line of `after` (or at
  // the end of the section when `after` is missing). The section must exist.
  void Set(std::string_view section, std::string_view key, std::string_view value,
           std::string_view after);

  // The script with CR LF line ends.
  std::string Serialize() const;

 private:
  struct Span {
    std::size_t header;  // index of the section line
    std::size_t end;     // one past the section's last line
  };
  std::optional<Span> FindSection(std::string_view section) const;
  std::optional<std::size_t> FindKey(const Span& s, std::string_view key) const;

  std::vector<std::string> lines_;
  bool trailingNewline_ = false;
};

}  // namespace mkdist

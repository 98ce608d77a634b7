// The INI-file class the installer reads its script with and writes its uninstall log with.
//
// Reading rules (the format as the installer's scripts use it):
//  - 8-bit ANSI text; lines end in CR LF, a bare LF is accepted as well (a lone CR is text).
//  - Each line is read up to 255 characters; the rest of a longer line is ignored for reading.
//  - Empty lines and a line made only of the end-of-file character (26) are ignored.
//  - A line that begins with "[" and ends with "]" starts a section named by the text between.
//  - Lines before the first section header are ignored.
//  - No comments, no trimming: a key line is name=value with the name before the first "=",
//    so blanks next to "=" belong to the name or the value.
//  - Section and key names compare without regard to case (code page 1252); the first match wins,
//    for keys within a section and for sections of the same name within the file.
//  - A line without "=" inside a section is kept (and written back) but is never a key.
//
// Writing keeps sections and keys in first-written order, with one empty line after each section
// and CR LF line ends. An existing file is loaded and updated in place: keys keep their place and
// get the new value, new keys are appended to their section, lines this class does not understand
// are written back unchanged. Empty lines of a loaded file are not kept: each section is
// followed by exactly one. CR and LF inside a written name or value become blanks, so a value
// can never start a line of its own. A value longer than 255 characters is written whole but
// reads back cut, as any long line does.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

class IniFile {
 public:
  // Opens `file`. An existing file is loaded; a missing one gives an empty INI that save()
  // creates. Throws std::system_error when the file exists but cannot be read.
  explicit IniFile(std::filesystem::path file);
  // An INI parsed from bytes in memory, bound to no file (save() then throws std::logic_error
  // unless setFileName() gave it one).
  static IniFile fromText(std::string_view bytes);

  IniFile(IniFile&& other) noexcept;
  IniFile& operator=(IniFile&& other) noexcept;
  IniFile(const IniFile&) = delete;
  IniFile& operator=(const IniFile&) = delete;
  // Saves when modified and auto-save is on ("save when released"); errors are swallowed here,
  // so a caller that must learn of them calls close() or save() first.
  ~IniFile();

  const std::filesystem::path& fileName() const;
  void setFileName(std::filesystem::path file);

  // --- reading -----------------------------------------------------------------------------
  // The value, or `def` when the section or key is missing.
  std::string readString(std::string_view section, std::string_view key, std::string_view def) const;
  // Decimal, or hexadecimal after "0x"/"0X"; an optional leading '-' for both. Empty, non-numeric
  // or out-of-range (32-bit) text gives `def`.
  std::int32_t readInteger(std::string_view section, std::string_view key, std::int32_t def) const;
  // Read as an integer with default 1/0: 0 is false, any other number true, words give `def`.
  bool readBool(std::string_view section, std::string_view key, bool def) const;

  bool sectionExists(std::string_view section) const;
  bool valueExists(std::string_view section, std::string_view key) const;
  // Section names in file order, each name once (the first spelling).
  std::vector<std::string> sectionNames() const;
  // Key names of the (first) section, in file order, each name once (the first spelling).
  std::vector<std::string> keyNames(std::string_view section) const;

  // --- writing -----------------------------------------------------------------------------
  // Replaces the value of the first matching key in place, or appends the key to the end of the
  // section; a missing section is appended to the file.
  void writeString(std::string_view section, std::string_view key, std::string_view value);
  void writeInteger(std::string_view section, std::string_view key, std::int32_t value);  // decimal
  void writeBool(std::string_view section, std::string_view key, bool value);             // "1"/"0"
  // Removes every section of that name with all its lines.
  void eraseSection(std::string_view section);
  // Removes every line of that key name from the (first) section.
  void deleteKey(std::string_view section, std::string_view key);

  bool modified() const;
  // Whether the destructor saves a modified file; on by default.
  void setAutoSave(bool on);

  // The file's bytes as save() writes them.
  std::string toText() const;
  // Writes the file (through a temporary file beside it, then rename). Throws std::system_error.
  void save();
  // Saves when modified, then stops the destructor from saving again. Throws like save().
  void close();

 private:
  struct Data;
  std::unique_ptr<Data> d_;
  IniFile();
};

}  // namespace platform

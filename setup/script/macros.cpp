#include "setup/script/macros.h"

#include <array>

#include "platform/text/ansi.h"
#include "setup/script/backslash.h"

namespace setup {
namespace {

enum class Kind {
  Install,
  Windows,
  System,
  Ini,
  Reg,
  Fonts,
  WinVer,
  SetupVer,
  UserName,
  Software,
  SetupDrive,
  SetupDir,
  CdDir,
  CarriageReturn
};

struct Match {
  Kind kind;
  int index;           // 1 ... 9 for Ini and Reg
  std::size_t length;  // characters of the macro name including both percent signs
};

struct NamedMacro {
  std::string_view name;
  Kind kind;
};

// Names in the order they are tried; the nine-variable macros come between the two lists.
constexpr std::array<NamedMacro, 3> kLeading = {{
    {"%install%", Kind::Install},
    {"%windows%", Kind::Windows},
    {"%system%", Kind::System},
}};
constexpr std::array<NamedMacro, 8> kTrailing = {{
    {"%fonts%", Kind::Fonts},
    {"%winver%", Kind::WinVer},
    {"%setupver%", Kind::SetupVer},
    {"%username%", Kind::UserName},
    {"%software%", Kind::Software},
    {"%setupdrive%", Kind::SetupDrive},
    {"%setupdir%", Kind::SetupDir},
    {"%cddir%", Kind::CdDir},
}};

bool startsWithIgnoreCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && platform::equalsIgnoreCase(text.substr(0, prefix.size()), prefix);
}

// %ini-0N% or %reg-0N% with N one digit 1 ... 9.
bool matchVariable(std::string_view text, std::string_view stem, int& index) {
  if (text.size() < stem.size() + 2 || !startsWithIgnoreCase(text, stem)) return false;
  char digit = text[stem.size()];
  if (digit < '1' || digit > '9' || text[stem.size() + 1] != '%') return false;
  index = digit - '0';
  return true;
}

bool findMacro(std::string_view text, Match& match) {
  for (const auto& m : kLeading) {
    if (startsWithIgnoreCase(text, m.name)) {
      match = {m.kind, 0, m.name.size()};
      return true;
    }
  }
  int index = 0;
  if (matchVariable(text, "%ini-0", index)) {
    match = {Kind::Ini, index, 8};
    return true;
  }
  if (matchVariable(text, "%reg-0", index)) {
    match = {Kind::Reg, index, 8};
    return true;
  }
  for (const auto& m : kTrailing) {
    if (startsWithIgnoreCase(text, m.name)) {
      match = {m.kind, 0, m.name.size()};
      return true;
    }
  }
  if (text.substr(0, 5) == "%#13%") {
    match = {Kind::CarriageReturn, 0, 5};
    return true;
  }
  return false;
}

std::string valueOf(const MacroSource& source, const Match& match) {
  switch (match.kind) {
    case Kind::Install:
      return source.installDir();
    case Kind::Windows:
      return source.windowsDir();
    case Kind::System:
      return source.systemDir();
    case Kind::Ini:
      return source.iniVar(match.index);
    case Kind::Reg:
      return source.regVar(match.index);
    case Kind::Fonts:
      return source.fontsDir();
    case Kind::WinVer:
      return source.winVerText();
    case Kind::SetupVer:
      return source.setupVerText();
    case Kind::UserName:
      return source.userName();
    case Kind::Software:
      return source.softwareName();
    case Kind::SetupDrive:
      return StripTrailingBackslash(DrivePart(source.sourceDir()));
    case Kind::SetupDir:
      return StripTrailingBackslash(source.sourceDir());
    case Kind::CdDir:
      return CdDirFor(source.programFile(), source.exeDirPos());
    case Kind::CarriageReturn:
      return "\r";
  }
  return {};
}

}  // namespace

std::string CdDirFor(std::string_view programFile, std::int32_t exeDirPos) {
  std::string path(programFile);
  if (exeDirPos < 0) return path;
  // exedirpos + 1 steps up; once the path no longer changes (a bare drive, or nothing left),
  // further steps change nothing, so a huge exedirpos costs no more than the path is deep.
  const std::int64_t steps = static_cast<std::int64_t>(exeDirPos) + 1;
  for (std::int64_t i = 0; i < steps; ++i) {
    std::string up = StripTrailingBackslash(FolderPartWithDelimiter(path));
    if (up == path) break;
    path = std::move(up);
  }
  return StripTrailingBackslash(path);
}

std::string ExpandMacros(const MacroSource& source, std::string_view text) {
  std::string s(text);
  // Everything before the macro just replaced holds no percent sign, so scanning again from
  // the replacement's start is the same as scanning the whole new text from its beginning.
  std::size_t from = 0;
  for (std::size_t replacements = 0; replacements < kMacroMaxReplacements; ++replacements) {
    std::size_t p = s.find('%', from);
    if (p == std::string::npos) return s;
    Match match{};
    if (!findMacro(std::string_view(s).substr(p), match)) return s;
    std::string value = valueOf(source, match);
    if (s.size() - match.length + value.size() > kMacroMaxLength) return s;
    s.replace(p, match.length, value);
    from = p;
  }
  return s;
}

}  // namespace setup

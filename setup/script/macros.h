// Macro expansion of script values: %install%, %windows%, %system%, %ini-01% ... %ini-09%,
// %reg-01% ... %reg-09%, %fonts%, %winver%, %setupver%, %username%, %software%, %setupdrive%,
// %setupdir%, %cddir% and %#13%.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "setup/script/macro_source.h"

namespace setup {

// A value that contains its own macro would be expanded for ever: every replacement puts the
// macro back. The expander therefore stops after this many replacements, or before a
// replacement that would make the text longer than kMacroMaxLength characters, and returns the
// text as it stands then. Honest scripts stay far below both: their values have at most 255
// characters and nest a few levels deep.
inline constexpr std::size_t kMacroMaxReplacements = 1024;
inline constexpr std::size_t kMacroMaxLength = 65536;

// Replaces the macro at the first percent sign, then scans the whole new text again from its
// start. Macro names are matched without regard to case (%#13% exactly). Expansion ends at the
// first percent sign that opens no known macro; everything from there on stays as it is.
std::string ExpandMacros(const MacroSource& source, std::string_view text);

// The value of %cddir% for a program file and an exedirpos: the full name itself when exedirpos
// is negative, else the folder exedirpos + 1 levels up, without trailing backslash.
std::string CdDirFor(std::string_view programFile, std::int32_t exeDirPos);

}  // namespace setup

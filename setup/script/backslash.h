// The two path rules every folder value of the installer follows: folders kept "with" a trailing
// backslash (exeDir, sourceDir, folders read from the registry) and folders kept "without" one
// (the Windows and system folders, the wizard's folder field and every folder macro).
#pragma once

#include <string>
#include <string_view>

namespace setup {

// Empty stays empty. A leading double quote is dropped together with everything past the next
// 255 characters, then a trailing double quote is dropped; a backslash is added when missing.
// A text that is nothing but quotes gives the empty text, not a lone backslash (which would
// name the root of whatever drive is current).
std::string EnsureTrailingBackslash(std::string_view text);

// Removes exactly one trailing backslash, so the drive root C:\ becomes C: .
std::string StripTrailingBackslash(std::string_view text);

// The folder part of a path: everything up to and including its last backslash or colon;
// empty when it has neither.
std::string FolderPartWithDelimiter(std::string_view path);

// The drive part of a path: "C:" for a drive path, "\\server\share" for a UNC path, otherwise
// empty.
std::string DrivePart(std::string_view path);

}  // namespace setup

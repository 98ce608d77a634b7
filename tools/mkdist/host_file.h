// Product files on the host: lookup without regard to case, contents, date and attributes.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "tools/mkdist/archive_writer.h"

namespace mkdist {

// Follows ANSI path components below `base`, matching each without regard to case when no
// exact match exists. Nothing when a component is missing, or is "." or "..".
std::optional<std::filesystem::path> FindBelow(const std::filesystem::path& base,
                                               const std::vector<std::string>& ansiComponents);

// Reads a host file into an entry named `ansiName`: its modification time as DOS local date and
// time, read-only from the owner's write permission, hidden/system/archive from the
// user.DOSATTRIB extended attribute when present (archive alone otherwise). Throws PackError.
EntryInput LoadHostFile(const std::filesystem::path& hostPath, std::string ansiName);

// The ANSI form of a host (UTF-8) file name; nothing when it has characters outside code page 1252.
std::optional<std::string> AnsiFileName(const std::string& utf8Name);

}  // namespace mkdist

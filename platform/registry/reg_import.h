// regedit's import of ".reg" files into a Registry: "REGEDIT4" (ANSI) and
// "Windows Registry Editor Version 5.00" (UTF-16LE with its byte-order mark, or UTF-8/ANSI text).
//   [HKEY_...\path]        open (create) a key; [-HKEY_...\path] deletes it with its subkeys
//   "name"="text"  @="text" string values; "name"=- deletes a value
//   "name"=dword:0000001f  "name"=hex:01,02  "name"=hex(2):...  (hex data may continue over
//   lines ending in "\"); lines beginning with ";" are comments
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

class Registry;

struct RegImportResult {
  // False when the file is no .reg file at all (no known first line) or cannot be read;
  // nothing is imported then.
  bool recognised = false;
  int keysOpened = 0;
  int valuesWritten = 0;
  int deletions = 0;
  // One plain-English line per entry that could not be imported (line number and reason);
  // the import goes on after each.
  std::vector<std::string> errors;
};

// Applies the file to `registry` (without saving it).
RegImportResult importRegText(Registry& registry, std::string_view fileBytes);
RegImportResult importRegFile(Registry& registry, const std::filesystem::path& file);

}  // namespace platform

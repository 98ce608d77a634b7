// The installer's command line on this host.
//
//   setup [--root DIR] [--program-dir DIR] [--headless] [--dump FILE] [--screenshot FILE] [SOURCE]
//
//   SOURCE             the source folder (the installation medium), as the first argument of the
//                      installer always was; a host folder is mapped as a drive of its own,
//                      anything else is handed on as a Windows path (D:\disk1).
//   --root DIR         the system root (a Wine-like prefix); default the per-user root, made from
//                      the template when it does not exist.
//   --program-dir DIR  the folder taken as the installer's own (where setup.inf and the
//                      distribution files lie); default the folder of this executable.
//   --headless         no windows: message boxes are written to standard output and answered
//                      with their first button (for tests and unattended runs).
//   --dump FILE        writes a text picture of the loading screen once its gauge is full.
//   --screenshot FILE  writes a PNG of the loading screen once its gauge is full (windows only).
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace setup {

struct CommandLine {
  std::optional<std::string> root;
  std::optional<std::string> programDir;
  bool headless = false;
  std::optional<std::string> dump;
  std::optional<std::string> screenshot;
  std::string source;  // empty when none
  bool help = false;
};

// Parses the arguments after the program name; nothing (and the reason in `error`) when they are
// not understood. Arguments that Qt takes (-platform ...) must have been removed already.
std::optional<CommandLine> ParseCommandLine(const std::vector<std::string>& args, std::string& error);
extern const char* const kUsage;

}  // namespace setup

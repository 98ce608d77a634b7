// The start-up work the loading screen does when it is created: find and open setup.inf beside
// the program file and fill the start-up fields of SetupState (folders, version texts, product
// name, the nine registry and nine INI variables), then expand them.
#pragma once

#include <string>
#include <string_view>

#include "platform/ui/message_box.h"
#include "setup/script/setup_context.h"

namespace setup {

// The fatal message for a missing script, shown with the error icon before the process ends
// with exit code 0. '\r' is a carriage return.
inline constexpr std::string_view kMissingScriptText =
    "File setup.inf not found.\rAsk your software-distributor for help.";
inline constexpr std::string_view kMissingScriptCaption = "Error";
// The longest path the script reader is handed (the script and the INI-variable files).
inline constexpr std::size_t kMaxReaderPath = 255;

struct LoadingOutcome {
  bool scriptFound = false;
  std::string label;  // text for the loading label: message 1
  explicit operator bool() const { return scriptFound; }
};

// Runs the loading work for the installer's program file (its full Windows name) and its first
// command-line argument (empty when there is none). When setup.inf is not beside the program
// file, only exeDir, sourceDir and phase are set and scriptFound is false: the caller then shows
// the missing-script box and ends the process. A script path longer than kMaxReaderPath cannot
// be handed to the reader and counts as missing too, rather than reading a cut-off name.
// A script that exists but cannot be read throws std::system_error (an input/output error of the
// platform, reported as such by the caller).
LoadingOutcome RunLoadingWork(SetupContext& context, std::string_view programFile, std::string_view argument);

// Shows the missing-script box through the given service.
void ShowMissingScriptMessage(platform::MessageBoxService& boxes);

// The last step of the loading work, which the installation run repeats when it starts: expands
// in place setupVerText, winVerText, softwareName, the nine regVars and the nine iniVars, in that
// order.
void ExpandStartupTexts(SetupContext& context);

// The steps of the loading work one by one, for callers and tests that need a single one.
std::string ProgramFolder(std::string_view programFile);  // exeDir of a program file
std::string ClassifyWinVerText(const SetupContext& context);
void ReadRegistryVariables(SetupContext& context);
void ReadIniVariables(SetupContext& context);

}  // namespace setup

// SetupState: the installer's one record of state, shared by the loading screen, the start
// screen, the wizard and the installation run. It starts empty (false, 0, empty texts) and is
// reached through a SetupContext, so a test makes a fresh one whenever it likes.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/ini/ini_file.h"

namespace setup {

inline constexpr int kOptionCount = 9;
inline constexpr int kVariableCount = 9;

using OptionFlags = std::array<bool, kOptionCount>;

struct SetupState {
  // --- start-up (loading screen) ---------------------------------------------------------------
  std::unique_ptr<platform::IniFile> script;  // the open setup.inf, read only
  std::string programFile;                    // full Windows name of the installer's program file
  std::string exeDir;                         // its folder, trailing backslash
  std::string sourceDir;                      // first argument or exeDir, trailing backslash
  std::string windowsDir;                     // no trailing backslash
  std::string systemDir;                      // no trailing backslash
  std::string fontsDir;                       // as the registry gives it, else systemDir
  std::string winVerText;
  std::string softwareName;
  std::string setupVerText;
  std::array<std::string, kVariableCount> regVars;  // %reg-01% ... %reg-09%
  std::array<std::string, kVariableCount> iniVars;  // %ini-01% ... %ini-09%
  std::int32_t phase = 0;                           // -1 after start-up, 5 while the run copies

  // --- folder, group and user ------------------------------------------------------------------
  std::string installDir;
  std::string programGroup;
  std::string userName;

  // --- wizard ----------------------------------------------------------------------------------
  std::uint8_t page = 0;  // 1 ... 9
  bool folderEdited = false;
  bool groupPageApplies = false;
  bool uninstallEnabled = false;
  bool exitRequested = false;
  bool installRunning = false;
  bool rollbackOnExit = false;

  // --- setup types and options -----------------------------------------------------------------
  bool typeStandardAvailable = false;
  bool typeMinimumAvailable = false;
  bool typeCustomAvailable = false;
  std::array<std::int32_t, kOptionCount> optionSpace{};
  OptionFlags optionHasItems{};
  OptionFlags presetStandard{};
  OptionFlags presetMinimum{};
  OptionFlags presetCustom{};
  OptionFlags selected{};
  std::int32_t requiredBytes = 0;
  std::int32_t totalStandard = 0;
  std::int32_t totalMinimum = 0;
  std::int32_t totalCustom = 0;
  std::int32_t compressionSize = 0;
  bool option1Locked = false;

  // --- versions --------------------------------------------------------------------------------
  std::int32_t setupVersionNumber = 0;
  std::int32_t installedVersionNumber = 0;

  // --- installation run ------------------------------------------------------------------------
  std::string uninstallDir;
  std::string compressTmpPath;
  std::string currentTarget;
  std::string currentEntryName;
  std::int32_t currentFileSize = 0;
  std::int32_t bytesDone = 0;
  std::unique_ptr<platform::IniFile> uninstallLog;  // the uninstall log being written
  std::int32_t logFileCount = 0;
  std::int32_t restartNeeded = 0;  // 0 nothing, 1 restart, 2 log off
};

}  // namespace setup

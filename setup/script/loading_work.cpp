#include "setup/script/loading_work.h"

#include <exception>
#include <optional>

#include "setup/script/backslash.h"
#include "setup/script/macros.h"
#include "setup/script/registry_string.h"
#include "setup/script/script_message.h"

namespace setup {
namespace {

constexpr std::string_view kShellFolders =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

std::string numbered(std::string_view letter, int i) {
  return std::string(letter) + std::to_string(i);
}

// Opens an INI file by its Windows path with the script reader; nothing when the path cannot be
// handed to the reader or the file cannot be read.
std::optional<platform::IniFile> openReader(const platform::FileSystem& fs, std::string_view winPath) {
  if (winPath.size() > kMaxReaderPath) return std::nullopt;
  std::optional<std::filesystem::path> host = fs.toHost(winPath);
  if (!host) return std::nullopt;
  try {
    platform::IniFile file(*host);
    file.setAutoSave(false);
    return file;
  } catch (const std::exception&) {
    return std::nullopt;
  }
}

}  // namespace

std::string ProgramFolder(std::string_view programFile) {
  // The folder part keeps its backslash only for a drive root; either way the rule below gives
  // the folder with exactly one trailing backslash.
  return EnsureTrailingBackslash(StripTrailingBackslash(FolderPartWithDelimiter(programFile)));
}

std::string ClassifyWinVerText(const SetupContext& context) {
  const platform::WindowsVersion& version = context.root().version();
  const bool nt = version.isNt();
  const std::uint32_t major = version.packed() & 0xFFu;
  std::string text = context.scriptString("WinVer", "no", "");
  if (nt && major < 4) text = context.scriptString("WinVer", "nt", "");
  if (!nt && major >= 4) text = context.scriptString("WinVer", "gui", "");
  if (nt && major >= 4) text = context.scriptString("WinVer", "nt_gui", "");
  return text;
}

void ReadRegistryVariables(SetupContext& context) {
  for (int i = 1; i <= kVariableCount; ++i) {
    const int code = context.scriptInteger("varReg", numbered("k", i), 0);
    const std::string path = context.scriptString("varReg", numbered("p", i), "");
    const std::string name = context.scriptString("varReg", numbered("b", i), "");
    const std::string def = context.scriptString("varReg", numbered("d", i), "");
    context.state.regVars[static_cast<std::size_t>(i - 1)] =
        ReadRegistryString(context, code, path, name, def);
  }
}

void ReadIniVariables(SetupContext& context) {
  for (int i = 1; i <= kVariableCount; ++i) {
    std::string& variable = context.state.iniVars[static_cast<std::size_t>(i - 1)];
    const std::string file = ExpandMacros(context, context.scriptString("varIni", std::to_string(i), ""));
    const std::string def = context.scriptString("varIni", numbered("d", i), "");
    if (!context.fs().isFile(file)) {
      variable = def;
      continue;
    }
    std::optional<platform::IniFile> reader = openReader(context.fs(), file);
    if (!reader) {
      variable.clear();
      continue;
    }
    variable = reader->readString(context.scriptString("varIni", numbered("k", i), ""),
                                  context.scriptString("varIni", numbered("v", i), ""), def);
  }
}

void ExpandStartupTexts(SetupContext& context) {
  SetupState& s = context.state;
  s.setupVerText = ExpandMacros(context, s.setupVerText);
  s.winVerText = ExpandMacros(context, s.winVerText);
  s.softwareName = ExpandMacros(context, s.softwareName);
  for (auto& v : s.regVars) v = ExpandMacros(context, v);
  for (auto& v : s.iniVars) v = ExpandMacros(context, v);
}

LoadingOutcome RunLoadingWork(SetupContext& context, std::string_view programFile,
                              std::string_view argument) {
  SetupState& s = context.state;
  s.phase = -1;
  s.programFile = std::string(programFile);
  s.exeDir = ProgramFolder(programFile);
  s.sourceDir = s.exeDir;
  if (!argument.empty()) {
    // An argument that is nothing but quotes names no folder; the program's own folder stays.
    std::string source = EnsureTrailingBackslash(argument);
    if (!source.empty()) s.sourceDir = std::move(source);
  }

  const std::string scriptPath = s.exeDir + "setup.inf";
  if (scriptPath.size() > kMaxReaderPath || !context.fs().isFile(scriptPath)) return {};
  std::optional<std::filesystem::path> host = context.fs().toHost(scriptPath);
  if (!host) return {};
  auto script = std::make_unique<platform::IniFile>(*host);  // throws when unreadable
  script->setAutoSave(false);                                // the installer never writes it
  s.script = std::move(script);

  s.windowsDir = StripTrailingBackslash(context.root().windowsDir());
  s.systemDir = StripTrailingBackslash(context.root().systemDir());
  s.fontsDir = ReadRegistryString(context, 3, kShellFolders, "Fonts", "_");
  if (s.fontsDir == "_") s.fontsDir = s.systemDir;

  s.winVerText = ClassifyWinVerText(context);
  s.softwareName = context.scriptString("software", "name_display", "");
  s.setupVerText = context.scriptString("StpVer", "32", "");

  ReadRegistryVariables(context);
  ReadIniVariables(context);
  ExpandStartupTexts(context);

  return {true, ScriptMessage(context, 1)};
}

void ShowMissingScriptMessage(platform::MessageBoxService& boxes) {
  boxes.messageBox(std::string(kMissingScriptText), std::string(kMissingScriptCaption),
                   platform::MessageButtons::Ok, platform::MessageIcon::Error);
}

}  // namespace setup

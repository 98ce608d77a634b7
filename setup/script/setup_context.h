// SetupContext: everything an installer step works with. It holds the SetupState and refers to
// the platform services of one system root (files, registry), which it does not own. Tests make
// a fresh context over a fresh root; the program makes one for its whole run.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/fs/file_system.h"
#include "platform/registry/registry.h"
#include "setup/script/macro_source.h"
#include "setup/script/setup_state.h"

namespace setup {

class SetupContext final : public MacroSource {
 public:
  SetupContext(platform::FileSystem& fileSystem, platform::Registry& registry)
      : fs_(fileSystem), registry_(registry) {}
  SetupContext(const SetupContext&) = delete;
  SetupContext& operator=(const SetupContext&) = delete;

  SetupState state;

  platform::FileSystem& fs() const { return fs_; }
  platform::Registry& registry() const { return registry_; }
  platform::SystemRoot& root() const { return fs_.root(); }

  // Reads of the open script; before the script is open every read gives its default.
  std::string scriptString(std::string_view section, std::string_view key, std::string_view def = {}) const;
  std::int32_t scriptInteger(std::string_view section, std::string_view key, std::int32_t def) const;
  bool scriptBool(std::string_view section, std::string_view key, bool def) const;

  // MacroSource: the values of SetupState, and exedirpos from the script.
  std::string installDir() const override { return state.installDir; }
  std::string windowsDir() const override { return state.windowsDir; }
  std::string systemDir() const override { return state.systemDir; }
  std::string iniVar(int index) const override;
  std::string regVar(int index) const override;
  std::string fontsDir() const override { return state.fontsDir; }
  std::string winVerText() const override { return state.winVerText; }
  std::string setupVerText() const override { return state.setupVerText; }
  std::string userName() const override { return state.userName; }
  std::string softwareName() const override { return state.softwareName; }
  std::string sourceDir() const override { return state.sourceDir; }
  std::string programFile() const override { return state.programFile; }
  std::int32_t exeDirPos() const override { return scriptInteger("software", "exedirpos", 0); }

 private:
  platform::FileSystem& fs_;
  platform::Registry& registry_;
};

}  // namespace setup

// A macro source made of plain fields, for tests of the expander alone.
#pragma once

#include <array>
#include <string>

#include "setup/script/macro_source.h"

namespace setup::testing {

struct FakeMacroSource final : MacroSource {
  std::string install, windows, system, fonts, winVer, setupVer, user, software, source, program;
  std::array<std::string, 9> ini{}, reg{};
  std::int32_t exeDirPosValue = 0;
  mutable int exeDirPosReads = 0;

  std::string installDir() const override { return install; }
  std::string windowsDir() const override { return windows; }
  std::string systemDir() const override { return system; }
  std::string iniVar(int i) const override { return ini.at(static_cast<std::size_t>(i - 1)); }
  std::string regVar(int i) const override { return reg.at(static_cast<std::size_t>(i - 1)); }
  std::string fontsDir() const override { return fonts; }
  std::string winVerText() const override { return winVer; }
  std::string setupVerText() const override { return setupVer; }
  std::string userName() const override { return user; }
  std::string softwareName() const override { return software; }
  std::string sourceDir() const override { return source; }
  std::string programFile() const override { return program; }
  std::int32_t exeDirPos() const override {
    ++exeDirPosReads;
    return exeDirPosValue;
  }
};

}  // namespace setup::testing

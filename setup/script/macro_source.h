// Where the macro expander takes its values from. SetupContext answers from SetupState and the
// open script; tests and tools can answer from anything.
#pragma once

#include <cstdint>
#include <string>

namespace setup {

class MacroSource {
 public:
  virtual ~MacroSource() = default;

  virtual std::string installDir() const = 0;
  virtual std::string windowsDir() const = 0;
  virtual std::string systemDir() const = 0;
  // index 1 ... 9
  virtual std::string iniVar(int index) const = 0;
  virtual std::string regVar(int index) const = 0;
  virtual std::string fontsDir() const = 0;
  virtual std::string winVerText() const = 0;
  virtual std::string setupVerText() const = 0;
  virtual std::string userName() const = 0;
  virtual std::string softwareName() const = 0;
  // Source folder with its trailing backslash.
  virtual std::string sourceDir() const = 0;
  // Full Windows name of the installer's program file.
  virtual std::string programFile() const = 0;
  // Section software, key exedirpos, read afresh for every %cddir%.
  virtual std::int32_t exeDirPos() const = 0;
};

}  // namespace setup

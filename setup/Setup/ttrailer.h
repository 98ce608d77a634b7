// The loading screen: a small fixed window that does the installer's start-up work when it is
// created and shows the progress of building the other windows.
#pragma once

#include <string>

#include "platform/ui/controls.h"
#include "platform/ui/form.h"
#include "setup/script/setup_context.h"

namespace setup {

// Ends the program from inside a window's handler with the given exit code.
struct SetupExit {
  int code = 0;
};

class Ttrailer : public platform::ui::Form {
 public:
  // `programFile` is the installer's full Windows name, `argument` its first command-line
  // argument (empty when none).
  Ttrailer(platform::ui::Application& app, SetupContext& context, std::string programFile, std::string argument);

  platform::ui::Picture img_sp{*this, "img_sp", {8, 6, 32, 32}};
  platform::ui::Label Lbl{*this, "Lbl", {46, 6, 233, 41}};
  platform::ui::ProgressBar pr_load16{*this, "pr_load16", {46, 49, 212, 16}};

  // The loading work. Without a script it shows the missing-script box and throws SetupExit{0}.
  void FormCreate();

 private:
  SetupContext& context_;
  std::string programFile_;
  std::string argument_;
};

}  // namespace setup

#include "setup/Setup/ttrailer.h"

#include "platform/ui/application.h"
#include "setup/Setup/setup_icon.h"
#include "setup/script/loading_work.h"

namespace setup {

using namespace platform::ui;

Ttrailer::Ttrailer(Application& app, SetupContext& context, std::string programFile, std::string argument)
    : Form(app, "Ttrailer"), context_(context), programFile_(std::move(programFile)), argument_(std::move(argument)) {
  setCaption("Setup");
  setBorderStyle(BorderStyle::Single);
  setBorderIcons({false, false, false});
  setPosition(FormPosition::ScreenCenter);
  setClientSize({283, 77});
  Font system;  // the 8-point system font
  system.name = "MS Sans Serif";
  system.pointSize = 8;
  setFont(system);
  img_sp.setBitmap(MakeSetupIcon());
  Lbl.setWordWrap(true);
  Lbl.setAutoSize(false);
  pr_load16.setShowText(false);
  pr_load16.setBarColor(colors::activeCaption);
  pr_load16.setColor(colors::window);
  pr_load16.setPosition(0);
  onCreate = bind(this, &Ttrailer::FormCreate);
}

void Ttrailer::FormCreate() {
  LoadingOutcome outcome = RunLoadingWork(context_, programFile_, argument_);
  if (!outcome) {
    ShowMissingScriptMessage(app());
    throw SetupExit{0};
  }
  Lbl.setText(outcome.label);
}

}  // namespace setup

#include "setup/Setup/program_start.h"

namespace setup {

using namespace platform::ui;

int RunProgramStart(Application& app, SetupContext& context, const std::string& programFile,
                    const std::string& argument, const StartWindows& windows, const StartObserver& observer) {
  auto notify = [&](StartStep step, Ttrailer& t) {
    if (observer) observer(step, t);
  };
  FormPtr<Form> startScreen, folderDialog, wizard;
  try {
    // 1. The loading screen; its creation does the start-up work. It belongs to the program
    //    but is not registered, so it never becomes the main form.
    FormPtr<Ttrailer> trailer = app.createForm<Ttrailer>(context, programFile, argument);
    // 2. Visible at once, while the other windows are built.
    trailer->show();
    trailer->repaint();
    notify(StartStep::LoadingScreenShown, *trailer);
    // 3. The start screen, the first window registered: closing it ends the program.
    if (windows.startScreen) {
      startScreen = windows.startScreen(app, context);
      app.registerForm(*startScreen);
    }
    notify(StartStep::StartScreenCreated, *trailer);
    // 4. The folder dialog.
    if (windows.folderDialog) folderDialog = windows.folderDialog(app, context);
    trailer->pr_load16.setPosition(20);
    trailer->repaint();
    notify(StartStep::FolderDialogCreated, *trailer);
    // 5.
    trailer->pr_load16.setPosition(60);
    trailer->repaint();
    trailer->pr_load16.setPosition(100);
    trailer->repaint();
    notify(StartStep::GaugeFull, *trailer);
    // 6. The wizard.
    if (windows.wizard) wizard = windows.wizard(app, context);
    notify(StartStep::WizardCreated, *trailer);
    // 7. The loading screen goes (also when a step above failed: the pointer owns it).
    trailer->close();
  } catch (const SetupExit& e) {
    return e.code;
  }
  // 8.
  app.setTitle("Setup");
  try {
    app.run();
  } catch (const SetupExit& e) {
    return e.code;
  }
  return 0;
}

}  // namespace setup

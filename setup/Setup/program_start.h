// The installer's program start: the order in which its windows come into being.
//
//   loading screen (does the start-up work) -> shown and painted -> start screen (main form)
//   -> folder dialog, gauge 20 -> gauge 60, 100 -> wizard -> loading screen destroyed
//   -> title "Setup", message loop until the start screen closes.
//
// The start screen, the folder dialog and the wizard are made by the factories in StartWindows;
// a factory left empty is a window the program does not have (yet), and its step is passed over.
#pragma once

#include <functional>
#include <string>

#include "platform/ui/application.h"
#include "platform/ui/form.h"
#include "setup/Setup/ttrailer.h"
#include "setup/script/setup_context.h"

namespace setup {

using FormFactory = std::function<platform::ui::FormPtr<platform::ui::Form>(platform::ui::Application&, SetupContext&)>;

struct StartWindows {
  FormFactory startScreen;   // Tmain: registered with the application, so it is the main form
  FormFactory folderDialog;  // Tdlg_folder
  FormFactory wizard;        // Tleader: visible from creation, on top
};

// Steps of the start after which the observer is called, with the loading screen as it stands.
enum class StartStep { LoadingScreenShown = 2, StartScreenCreated = 3, FolderDialogCreated = 4, GaugeFull = 5,
                       WizardCreated = 6 };
using StartObserver = std::function<void(StartStep, Ttrailer&)>;

// Runs the program start and the message loop; returns the process's exit code. A missing
// script ends it with 0 after its message box, before any window is shown.
int RunProgramStart(platform::ui::Application& app, SetupContext& context, const std::string& programFile,
                    const std::string& argument, const StartWindows& windows = {},
                    const StartObserver& observer = {});

}  // namespace setup

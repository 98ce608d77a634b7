// The installer's program entry on this host: the system root and the program's own folder,
// then the window system (Qt, or headless), then the program start.
#include <unistd.h>

#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>

#include "platform/clock/clock.h"
#include "platform/system/system.h"
#include "platform/text/ansi.h"
#include "platform/ui/application.h"
#include "platform/ui/dump.h"
#include "platform/ui/headless.h"
#include "setup/Setup/command_line.h"
#include "setup/Setup/program_start.h"
#include "setup/script/backslash.h"
#include "setup/script/loading_work.h"
#ifdef KIT_HAVE_QT
#include "platform/ui/qt/qt_backend.h"
#endif

namespace fs = std::filesystem;
using namespace platform::ui;

namespace {

fs::path executablePath(const char* argv0) {
  std::error_code ec;
  fs::path p = fs::read_symlink("/proc/self/exe", ec);
  if (ec) p = fs::absolute(argv0, ec);
  return p;
}

// The script is looked for beside the program file only, with the name matched without regard
// to case as the file system of the installer matches it.
bool scriptBeside(const fs::path& dir) {
  std::error_code ec;
  for (const auto& e : fs::directory_iterator(dir, ec)) {
    if (platform::equalsIgnoreCase(e.path().filename().string(), "setup.inf") && e.is_regular_file(ec)) return true;
  }
  return false;
}

struct Ui {
  platform::RealClock clock;
  std::unique_ptr<Backend> backend;
  HeadlessBackend* headless = nullptr;
#ifdef KIT_HAVE_QT
  QtBackend* qt = nullptr;
#endif
};

std::unique_ptr<Ui> makeUi(bool headless, int& argc, char** argv) {
  auto ui = std::make_unique<Ui>();
#ifdef KIT_HAVE_QT
  if (!headless) {
    auto qt = std::make_unique<QtBackend>(argc, argv);
    ui->qt = qt.get();
    ui->backend = std::move(qt);
    return ui;
  }
#else
  (void)argc;
  (void)argv;
  if (!headless) std::cerr << "setup: built without windows; running headless\n";
#endif
  auto h = std::make_unique<HeadlessBackend>(ui->clock);
  h->responder().setStrict(false);
  h->responder().setLog(&std::cout);
  ui->headless = h.get();
  ui->backend = std::move(h);
  return ui;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  std::string error;
  auto cl = setup::ParseCommandLine(args, error);
  if (!cl) {
    std::cerr << "setup: " << error << '\n' << setup::kUsage;
    return 2;
  }
  if (cl->help) {
    std::cout << setup::kUsage;
    return 0;
  }
  try {
    const fs::path exe = executablePath(argv[0]);
    const fs::path programDir = fs::absolute(cl->programDir ? fs::path(*cl->programDir) : exe.parent_path());
    auto ui = makeUi(cl->headless, argc, argv);
    Application app(*ui->backend, ui->clock);

    // Without a script nothing else happens: no root is opened or made, no window is shown.
    if (!scriptBeside(programDir)) {
      setup::ShowMissingScriptMessage(app);
      return 0;
    }

    const fs::path rootDir = cl->root ? fs::path(*cl->root) : platform::System::defaultRootDir();
    auto system = platform::System::openOrCreate(rootDir);
    const std::string programWin = system->fs().mapMedium(programDir);
    if (programWin.empty()) {
      std::cerr << "setup: cannot reach " << programDir << " as a drive of the system root\n";
      return 1;
    }
    const std::string programFile =
        setup::EnsureTrailingBackslash(programWin) + platform::utf8ToAnsi(exe.filename().string());
    // A source folder that exists on this host becomes a drive of its own, like a second medium.
    std::string source = cl->source;
    std::error_code ec;
    if (!source.empty() && fs::is_directory(source, ec)) source = system->fs().mapMedium(fs::absolute(source));

    setup::SetupContext context(system->fs(), system->registry());
    setup::StartObserver observer = [&](setup::StartStep step, setup::Ttrailer& trailer) {
      if (step != setup::StartStep::GaugeFull) return;
      if (cl->dump) std::ofstream(*cl->dump) << dumpForm(trailer);
#ifdef KIT_HAVE_QT
      if (cl->screenshot && ui->qt && !ui->qt->saveScreenshot(trailer, *cl->screenshot))
        std::cerr << "setup: cannot write " << *cl->screenshot << '\n';
#endif
    };
    return setup::RunProgramStart(app, context, programFile, source, {}, observer);
  } catch (const std::exception& e) {
    // Input/output errors outside the archive reader end the program with the platform's report.
    std::cerr << "setup: " << e.what() << '\n';
    return 1;
  }
}

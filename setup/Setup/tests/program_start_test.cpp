// The program start on the headless backend: the missing-script box and nothing else, the
// loading screen as it is laid out, the gauge steps, the order of the windows and their end.
#include "setup/Setup/program_start.h"

#include <gtest/gtest.h>

#include "platform/clock/clock.h"
#include "platform/ui/dump.h"
#include "platform/ui/headless.h"
#include "setup/Setup/tests/temp_root.h"
#include "setup/script/loading_work.h"

using namespace platform;
using namespace platform::ui;
using namespace setup;
using namespace setup::testing;

namespace {

constexpr const char* kProgram = "C:\\CD\\SETUP.EXE";

struct ProgramStart : ::testing::Test {
  TempDir temp;
  std::unique_ptr<System> system = System::create(temp.path() / "root");
  SetupContext context{system->fs(), system->registry()};
  VirtualClock clock;
  HeadlessBackend ui{clock};
  Application app{ui, clock};

  void writeScript(const std::string& text) { writeFile(*system->fs().toHost("C:\\CD\\setup.inf"), text); }
  void expectNoMessage() {
    for (const auto& m : ui.responder().shown()) ADD_FAILURE() << describeBox(m.text, m.caption, m.buttons, m.icon);
  }
};

const std::string kScript = crlf({"[software]", "name_display=Demo Product", "[StpVer]", "32=3.5",
                                  "[language]", "l1=Loading %software% %setupver%, please wait ..."});

TEST_F(ProgramStart, MissingScriptShowsOnlyItsBoxAndEndsWithZero) {
  const auto before = snapshot(system->root().hostDir());
  ui.responder().expectMessage({.text = "File setup.inf not found.\rAsk your software-distributor for help.",
                                .caption = "Error",
                                .icon = MessageIcon::Error,
                                .buttons = MessageButtons::Ok,
                                .exactText = true});
  bool anyWindowMade = false;
  StartWindows windows;
  windows.startScreen = [&](Application&, SetupContext&) -> FormPtr<Form> {
    anyWindowMade = true;
    return nullptr;
  };
  int observed = 0;
  EXPECT_EQ(RunProgramStart(app, context, kProgram, "", windows, [&](StartStep, Ttrailer&) { ++observed; }), 0);
  EXPECT_TRUE(ui.responder().unmet().empty());
  ASSERT_EQ(ui.responder().shown().size(), 1u);
  EXPECT_TRUE(ui.responder().shown()[0].visibleForms.empty()) << "no window is shown before the box";
  EXPECT_EQ(observed, 0);
  EXPECT_FALSE(anyWindowMade);
  EXPECT_TRUE(app.forms().empty());
  EXPECT_EQ(snapshot(system->root().hostDir()), before) << "nothing is written";
}

TEST_F(ProgramStart, LoadingScreenLayoutLabelAndGaugeSteps) {
  writeScript(kScript);
  std::vector<std::pair<StartStep, int>> gauge;
  std::string dumpShown, dumpFull;
  auto observer = [&](StartStep step, Ttrailer& t) {
    gauge.push_back({step, t.pr_load16.position()});
    if (step == StartStep::LoadingScreenShown) dumpShown = dumpForm(t);
    if (step == StartStep::GaugeFull) {
      dumpFull = dumpForm(t);
      ASSERT_NE(ui.lastPaint(t), nullptr) << "painted at once";
    }
  };
  EXPECT_EQ(RunProgramStart(app, context, kProgram, "", {}, observer), 0);
  expectNoMessage();
  EXPECT_EQ(gauge, (std::vector<std::pair<StartStep, int>>{{StartStep::LoadingScreenShown, 0},
                                                           {StartStep::StartScreenCreated, 0},
                                                           {StartStep::FolderDialogCreated, 20},
                                                           {StartStep::GaugeFull, 100},
                                                           {StartStep::WizardCreated, 100}}));
  // Single border without title-bar buttons, centred on the 1024 x 768 screen, 283 x 77 inside.
  EXPECT_EQ(dumpShown,
            "Form Ttrailer \"Setup\" client 283x77 at 367,333 border=single icons=none centred visible\n"
            "  Picture img_sp 8,6 32x32 bitmap=32x32\n"
            "  Label Lbl 46,6 233x41 \"Loading Demo Product 3.5, please wait ...\" wordwrap\n"
            "  ProgressBar pr_load16 46,49 212x16 pos=0 range=0..100 notext\n");
  EXPECT_NE(dumpFull.find("pr_load16 46,49 212x16 pos=100"), std::string::npos) << dumpFull;
  EXPECT_TRUE(app.forms().empty()) << "the loading screen is destroyed";
  EXPECT_EQ(app.title(), "Setup");
  // The start-up fields of the state.
  EXPECT_EQ(context.state.phase, -1);
  EXPECT_EQ(context.state.exeDir, "C:\\CD\\");
  EXPECT_EQ(context.state.sourceDir, "C:\\CD\\");
  EXPECT_EQ(context.state.softwareName, "Demo Product");
  EXPECT_EQ(context.state.setupVerText, "3.5");
  EXPECT_EQ(context.state.windowsDir, "C:\\windows");
  EXPECT_TRUE(context.state.script);
}

TEST_F(ProgramStart, TheGaugeUsesTheActiveCaptionColourAndTheFormIsCentredOnAnyScreen) {
  writeScript(kScript);
  ui.setScreen({640, 480, 8});
  Ttrailer* seen = nullptr;
  RunProgramStart(app, context, kProgram, "", {}, [&](StartStep step, Ttrailer& t) {
    if (step != StartStep::GaugeFull) return;
    seen = &t;
    EXPECT_EQ(t.left(), (640 - t.width()) / 2);
    EXPECT_EQ(t.top(), (480 - t.height()) / 2);
    EXPECT_EQ(t.pr_load16.barColor(), colors::activeCaption);
    EXPECT_EQ(t.pr_load16.color(), colors::window);
    EXPECT_FALSE(t.pr_load16.showText());
    EXPECT_TRUE(t.Lbl.wordWrap());
    EXPECT_FALSE(t.Lbl.autoSize());
    EXPECT_EQ(app.mainForm(), nullptr) << "the loading screen is never the main form";
  });
  EXPECT_NE(seen, nullptr);
}

TEST_F(ProgramStart, SourceArgumentReachesTheState) {
  writeScript(kScript);
  RunProgramStart(app, context, kProgram, "\"D:\\disk1\"");
  EXPECT_EQ(context.state.sourceDir, "D:\\disk1\\");
}

// Stand-ins for the windows of later steps, recording what they saw.
struct Recorder {
  std::vector<std::string> log;
  Ttrailer* trailer = nullptr;
};

class Stub : public Form {
 public:
  Stub(Application& a, std::string name, Recorder& r) : Form(a, std::move(name)), rec_(r) {
    onCreate = [this] { rec_.log.push_back("create " + this->name()); };
    onDestroy = [this] { rec_.log.push_back("destroy " + this->name()); };
  }

 private:
  Recorder& rec_;
};

TEST_F(ProgramStart, WindowsComeInOrderTheStartScreenIsMainAndTheLoopEndsWithIt) {
  writeScript(kScript);
  Recorder rec;
  Form* startScreen = nullptr;
  StartWindows w;
  w.startScreen = [&](Application& a, SetupContext&) -> FormPtr<Form> {
    auto f = a.createForm<Stub>("Tmain", rec);
    f->show();
    startScreen = f.get();
    return f;
  };
  w.folderDialog = [&](Application& a, SetupContext&) -> FormPtr<Form> { return a.createForm<Stub>("Tdlg_folder", rec); };
  w.wizard = [&](Application& a, SetupContext& ctx) -> FormPtr<Form> {
    rec.log.push_back("wizard sees " + ctx.state.softwareName);
    auto f = a.createForm<Stub>("Tleader", rec);
    f->show();
    // The user leaves: the wizard closes the start screen once the loop runs.
    a.post([&] { startScreen->close(); });
    return f;
  };
  auto observer = [&](StartStep step, Ttrailer& t) {
    rec.log.push_back("step " + std::to_string(static_cast<int>(step)) + " gauge " + std::to_string(t.pr_load16.position()));
    if (step == StartStep::StartScreenCreated) {
      EXPECT_EQ(app.mainForm(), startScreen);
    }
  };
  EXPECT_EQ(RunProgramStart(app, context, kProgram, "", w, observer), 0);
  EXPECT_EQ(rec.log, (std::vector<std::string>{"step 2 gauge 0", "create Tmain", "step 3 gauge 0", "create Tdlg_folder",
                                               "step 4 gauge 20", "step 5 gauge 100", "wizard sees Demo Product",
                                               "create Tleader", "step 6 gauge 100", "destroy Tleader",
                                               "destroy Tdlg_folder", "destroy Tmain"}));
  EXPECT_TRUE(app.terminated());
  EXPECT_TRUE(app.forms().empty());
}

TEST_F(ProgramStart, AFailingStepDestroysTheLoadingScreenAndWhatWasMade) {
  writeScript(kScript);
  Recorder rec;
  StartWindows w;
  w.startScreen = [&](Application& a, SetupContext&) -> FormPtr<Form> { return a.createForm<Stub>("Tmain", rec); };
  w.wizard = [&](Application&, SetupContext&) -> FormPtr<Form> { throw std::runtime_error("opt.dat is torn"); };
  EXPECT_THROW(RunProgramStart(app, context, kProgram, "", w), std::runtime_error);
  EXPECT_TRUE(app.forms().empty());
  EXPECT_EQ(rec.log, (std::vector<std::string>{"create Tmain", "destroy Tmain"}));
}

}  // namespace

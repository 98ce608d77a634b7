// The application's loops on virtual time: modal results, nested modal loops, timers, message
// boxes answered by the responder.
#include <gtest/gtest.h>

#include <sstream>

#include "platform/ui/application.h"
#include "platform/ui/controls.h"
#include "platform/ui/headless.h"

using namespace platform;
using namespace platform::ui;

namespace {

struct Loop : ::testing::Test {
  VirtualClock clock{1000};
  HeadlessBackend ui{clock};
  Application app{ui, clock};
};

class OkCancelForm : public Form {
 public:
  explicit OkCancelForm(Application& a, std::string name = "TOkCancel") : Form(a, std::move(name)) {
    setCaption("Question");
    setClientSize({200, 80});
    Btn_ok.setModalResult(modal::ok);
    Btn_ok.setDefault(true);
    Btn_cancel.setModalResult(modal::cancel);
    Btn_cancel.setCancel(true);
  }
  Button Btn_ok{*this, "Btn_ok", {10, 40, 80, 25}, "OK"};
  Button Btn_cancel{*this, "Btn_cancel", {100, 40, 80, 25}, "Cancel"};
};

TEST_F(Loop, ModalResultComesFromTheButtonTheScriptPresses) {
  struct Case {
    const char* button;
    int result;
  } cases[] = {{"Btn_ok", modal::ok}, {"Btn_cancel", modal::cancel}};
  for (const auto& c : cases) {
    auto f = app.createForm<OkCancelForm>();
    ui.responder().onModal("TOkCancel", [&](Form& form) { form.find<Button>(c.button).click(); });
    EXPECT_EQ(f->showModal(), c.result) << c.button;
    EXPECT_FALSE(f->visible());
    EXPECT_FALSE(f->isModal());
  }
}

TEST_F(Loop, KeysEndAModalFormThroughItsDefaultAndCancelButtons) {
  struct Case {
    Key key;
    int result;
  } cases[] = {{Key::Return, modal::ok}, {Key::Escape, modal::cancel}};
  for (const auto& c : cases) {
    auto f = app.createForm<OkCancelForm>();
    ui.responder().onModal("TOkCancel", [&](Form& form) {
      // The focus is on the first focusable control (OK); Return there clicks it, and Escape
      // goes to the cancel button.
      EXPECT_EQ(form.focusedControl(), &form.find<Button>("Btn_ok"));
      EXPECT_TRUE(form.focusedControl()->pressKey(c.key));
    });
    EXPECT_EQ(f->showModal(), c.result) << keyName(c.key);
  }
}

TEST_F(Loop, ClosingAModalFormGivesCancelAndOtherFormsAreDisabledMeanwhile) {
  auto main = app.createForm<OkCancelForm>("TMain");
  app.registerForm(*main);
  main->show();
  auto dlg = app.createForm<OkCancelForm>();
  bool mainEnabledInside = true;
  ui.responder().onModal("TOkCancel", [&](Form& form) {
    mainEnabledInside = main->enabled();
    EXPECT_EQ(app.activeForm(), &form);
    // A click on the disabled main form's button does nothing.
    EXPECT_FALSE(main->Btn_ok.click());
    form.close();
  });
  EXPECT_EQ(dlg->showModal(), modal::cancel);
  EXPECT_FALSE(mainEnabledInside);
  EXPECT_TRUE(main->enabled());
  EXPECT_EQ(app.activeForm(), main.get());
}

TEST_F(Loop, TimersFireInTimeOrderWithTiesInStartOrder) {
  auto f = app.createForm<OkCancelForm>("TMain");
  std::vector<std::pair<Millis, int>> fired;
  f->onTimer = [&](int id) {
    fired.push_back({clock.now() - 1000, id});
    if (fired.size() == 6) f->close();
  };
  app.registerForm(*f);
  f->show();
  f->setTimer(7, 300);
  f->setTimer(3, 200);
  f->setTimer(5, 300);
  app.run();
  // At 600 all three are due again; they come in the order their periods were last restarted.
  std::vector<std::pair<Millis, int>> want = {{200, 3}, {300, 7}, {300, 5}, {400, 3}, {600, 7}, {600, 5}};
  EXPECT_EQ(fired, want);
}

TEST_F(Loop, KilledTimerStopsAndRestartedTimerTakesTheNewInterval) {
  auto f = app.createForm<OkCancelForm>("TMain");
  std::vector<Millis> at;
  f->onTimer = [&](int id) {
    at.push_back(clock.now() - 1000);
    if (id == 1 && at.size() == 2) f->setTimer(1, 50);
    if (at.size() == 4) f->killTimer(1);
  };
  f->show();
  f->setTimer(1, 100);
  ui.advance(1000);
  EXPECT_EQ(at, (std::vector<Millis>{100, 200, 250, 300}));
  EXPECT_FALSE(f->hasTimer(1));
}

TEST_F(Loop, NestedModalLoopKeepsTheOuterFormsTimerFiring) {
  // The main form runs a discovery timer; a modal splash opened by another timer closes itself
  // after 4 s, and an inner modal question is answered inside it.
  auto main = app.createForm<OkCancelForm>("TMain");
  app.registerForm(*main);
  auto splash = app.createForm<OkCancelForm>("TSplash");
  auto inner = app.createForm<OkCancelForm>("TInner");
  std::vector<std::string> log;
  int ticks = 0;
  int innerResult = -1;
  main->onTimer = [&](int id) {
    if (id == 101) {
      ++ticks;
      log.push_back("tick " + std::to_string(clock.now() - 1000) + (splash->isModal() ? " in splash" : ""));
      if (ticks == 4) main->killTimer(101);
    } else if (id == 102) {
      main->killTimer(102);
      log.push_back("splash " + std::to_string(splash->showModal()));
      main->close();
    }
  };
  splash->onTimer = [&](int id) {
    if (id == 111) {
      innerResult = inner->showModal();
      splash->killTimer(111);
      splash->setModalResult(modal::ok);
    }
  };
  splash->onShow = [&] { splash->setTimer(111, 4000); };
  ui.responder().onModal("TInner", [](Form& f) { f.find<Button>("Btn_cancel").click(); });
  main->show();
  main->setTimer(101, 1000);
  main->setTimer(102, 1000);
  app.run();
  EXPECT_EQ(log, (std::vector<std::string>{"tick 1000", "tick 2000 in splash", "tick 3000 in splash",
                                           "tick 4000 in splash", "splash 1"}));
  EXPECT_EQ(innerResult, modal::cancel);
  EXPECT_EQ(clock.now() - 1000, 5000);
}

TEST_F(Loop, ALoopThatCanNeverEndIsReportedWithTheFormsOnScreen) {
  auto f = app.createForm<OkCancelForm>();
  try {
    f->showModal();
    FAIL() << "the modal loop returned";
  } catch (const LoopStalled& e) {
    EXPECT_NE(std::string(e.what()).find("Form TOkCancel \"Question\""), std::string::npos) << e.what();
  }
  EXPECT_FALSE(f->visible());
  EXPECT_TRUE(app.modalStack().empty());
}

TEST_F(Loop, EndlessTimerLoopStopsAtTheLimit) {
  auto f = app.createForm<OkCancelForm>();
  f->setTimer(1, 10);
  ui.setLoopLimit(60 * 1000);
  EXPECT_THROW(f->showModal(), LoopStalled);
  EXPECT_LE(clock.now() - 1000, 60 * 1000 + 10);
}

TEST_F(Loop, ProcessMessagesRunsWhatIsDueWithoutMovingTime) {
  auto f = app.createForm<OkCancelForm>();
  int timer = 0, posted = 0;
  f->onTimer = [&](int) { ++timer; };
  f->setTimer(1, 100);
  app.post([&] { ++posted; });
  app.processMessages();
  EXPECT_EQ(posted, 1);
  EXPECT_EQ(timer, 0);
  EXPECT_EQ(clock.now(), 1000);
  clock.advance(250);  // long work that does not pump: the periods missed are not made up
  app.processMessages();
  EXPECT_EQ(timer, 1);
  app.processMessages();
  EXPECT_EQ(timer, 1);
}

TEST_F(Loop, MessageBoxesAreAnsweredInTheOrderExpected) {
  ui.responder()
      .expectMessage({.text = "first", .caption = "Setup", .answer = MessageResult::Yes})
      .expectMessage({.text = "File setup.inf not found.\rAsk your software-distributor for help.",
                      .caption = "Error",
                      .icon = MessageIcon::Error,
                      .answer = MessageResult::Ok,
                      .exactText = true});
  EXPECT_EQ(app.messageBox("the first question", "Setup", MessageButtons::YesNo, MessageIcon::Question),
            MessageResult::Yes);
  EXPECT_EQ(app.messageBox("File setup.inf not found.\rAsk your software-distributor for help.", "Error",
                           MessageButtons::Ok, MessageIcon::Error),
            MessageResult::Ok);
  EXPECT_TRUE(ui.responder().unmet().empty());
  ASSERT_EQ(ui.responder().shown().size(), 2u);
  EXPECT_EQ(ui.responder().shown()[1].caption, "Error");
}

TEST_F(Loop, UnexpectedMessageBoxFailsWithItsText) {
  struct Case {
    const char* what;
    MessageExpectation expected;
  } cases[] = {
      {"nothing expected", {}},
      {"other caption", {.text = "disk", .caption = "Setup"}},
      {"other icon", {.text = "disk", .icon = MessageIcon::Question}},
      {"text not contained", {.text = "floppy"}},
  };
  for (const auto& c : cases) {
    ui.responder().clear();
    if (!c.expected.text.empty()) ui.responder().expectMessage(c.expected);
    try {
      app.messageBox("Insert disk 2\rthen press OK", "Error", MessageButtons::OkCancel, MessageIcon::Error);
      ADD_FAILURE() << c.what << ": no failure";
    } catch (const UnexpectedDialog& e) {
      std::string m = e.what();
      EXPECT_NE(m.find("caption \"Error\""), std::string::npos) << m;
      EXPECT_NE(m.find("\"Insert disk 2\\rthen press OK\""), std::string::npos) << m;
      EXPECT_NE(m.find("icon error"), std::string::npos) << m;
      EXPECT_NE(m.find("on screen:\n(no visible form)"), std::string::npos) << m;
    }
  }
}

TEST_F(Loop, StandingAnswersAndTheLoggingMode) {
  ui.responder().alwaysAnswer({.caption = "SAVE CHANGE", .answer = MessageResult::No});
  EXPECT_EQ(app.messageBox("Do you want to save the change?", "SAVE CHANGE", MessageButtons::YesNo), MessageResult::No);
  EXPECT_EQ(app.messageBox("Do you want to save the change?", "SAVE CHANGE", MessageButtons::YesNo), MessageResult::No);
  std::ostringstream log;
  ui.responder().setStrict(false);
  ui.responder().setLog(&log);
  EXPECT_EQ(app.messageBox("Retry?", "Disk", MessageButtons::RetryCancel, MessageIcon::Warning), MessageResult::Retry);
  EXPECT_EQ(log.str(), "message box caption \"Disk\", icon warning, buttons retry-cancel: \"Retry?\" -> retry\n");
}

TEST_F(Loop, ActivationEventsFollowShowAndHide) {
  std::vector<std::string> log;  // outlives the forms, whose destruction activates the other
  auto a = app.createForm<OkCancelForm>("TA");
  auto b = app.createForm<OkCancelForm>("TB");
  a->onActivate = [&] { log.push_back("A+"); };
  a->onDeactivate = [&] { log.push_back("A-"); };
  b->onActivate = [&] { log.push_back("B+"); };
  b->onDeactivate = [&] { log.push_back("B-"); };
  a->show();
  b->show();
  b->hide();
  app.setForeground(*a);
  EXPECT_EQ(log, (std::vector<std::string>{"A+", "A-", "B+", "B-", "A+"}));
}

TEST_F(Loop, RunShowsTheMainFormAndClosingItEndsRunWhileHidingDoesNot) {
  int destroyed = 0;
  {
    auto f = app.createForm<OkCancelForm>("TMain");
    auto other = app.createForm<OkCancelForm>("TOther");
    f->onDestroy = [&] { ++destroyed; };
    app.registerForm(*f);
    app.registerForm(*other);  // the first registered stays the main form
    EXPECT_EQ(app.mainForm(), f.get());
    std::vector<std::string> seen;
    app.post([&] {
      seen.push_back(f->visible() ? "shown by run" : "hidden");
      f->hide();
      app.post([&] {
        seen.push_back(app.terminated() ? "ended" : "still running");
        f->close();
      });
    });
    app.run();
    EXPECT_TRUE(app.terminated());
    EXPECT_EQ(seen, (std::vector<std::string>{"shown by run", "still running"}));
  }
  EXPECT_EQ(destroyed, 1);
  EXPECT_EQ(app.mainForm(), nullptr);
}

TEST_F(Loop, CreationHandlerThatThrowsLeavesNoFormBehind) {
  struct Failing : Form {
    explicit Failing(Application& a) : Form(a, "TFailing") {
      onCreate = [] { throw std::runtime_error("script missing"); };
    }
  };
  EXPECT_THROW(app.createForm<Failing>(), std::runtime_error);
  EXPECT_TRUE(app.forms().empty());
}

TEST_F(Loop, PaintHandlerDrawsOnTheBackgroundAtEveryRepaint) {
  auto f = app.createForm<OkCancelForm>("TMain");
  f->setClientSize({64, 63});
  f->setColor(colors::navy);
  int band = 0;
  f->onPaint = [&](Canvas& c) {
    // One band more each time, so a stale picture shows.
    for (int i = 0; i <= band; ++i) c.fillRect({0, i * 3, c.width(), 3}, Color::rgb(0, 0, 255 - 4 * i));
  };
  EXPECT_EQ(ui.lastPaint(*f), nullptr) << "nothing is painted before the form shows";
  f->show();
  ASSERT_NE(ui.lastPaint(*f), nullptr);
  EXPECT_EQ(ui.lastPaint(*f)->pixel(10, 1), Color::rgb(0, 0, 255));
  EXPECT_EQ(ui.lastPaint(*f)->pixel(10, 4), colors::navy);
  band = 1;
  f->repaint();
  EXPECT_EQ(ui.lastPaint(*f)->pixel(10, 4), Color::rgb(0, 0, 251));
  EXPECT_EQ(ui.lastPaint(*f)->width(), 64);
}

TEST_F(Loop, BusyCursorIsRestored) {
  {
    BusyCursor busy(app);
    EXPECT_EQ(ui.cursor(), Cursor::Busy);
  }
  EXPECT_EQ(ui.cursor(), Cursor::Default);
}

}  // namespace

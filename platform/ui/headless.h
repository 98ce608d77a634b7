// The headless backend: no pixels, time from the clock (virtual in tests), and a responder that
// answers message boxes and modal forms from a script.
//
//   platform::VirtualClock clock;
//   HeadlessBackend ui(clock);
//   Application app(ui, clock);
//   ui.responder().expectMessage({.text = "not found", .caption = "Error", .answer = MessageResult::Ok});
//   ui.responder().onModal("CInputPasswordDlg", [](Form& f) { ...; f.setModalResult(modal::ok); });
//
// A message box that nobody expected throws UnexpectedDialog carrying its caption and text (or,
// in logging mode, is written to a stream and answered with its first button).
#pragma once

#include <functional>
#include <iosfwd>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "platform/clock/clock.h"
#include "platform/ui/backend.h"
#include "platform/ui/bitmap.h"

namespace platform::ui {

class UnexpectedDialog : public std::logic_error {
 public:
  using std::logic_error::logic_error;
};

// The loop can never end: nothing is queued, no timer runs and nothing is scheduled on the clock,
// or it ran longer than the backend's limit of virtual time.
class LoopStalled : public std::logic_error {
 public:
  using std::logic_error::logic_error;
};

struct MessageBoxRecord {
  std::string text;
  std::string caption;
  MessageButtons buttons = MessageButtons::Ok;
  MessageIcon icon = MessageIcon::None;
  MessageResult answer = MessageResult::Ok;
  std::vector<std::string> visibleForms;  // names of the forms on screen when it came up
};

struct MessageExpectation {
  std::string text;                      // contained in the box's text; empty matches any
  std::optional<std::string> caption;    // equal to the caption
  std::optional<MessageIcon> icon;
  std::optional<MessageButtons> buttons;
  MessageResult answer = MessageResult::Ok;
  bool exactText = false;                // the text must equal `text`
};

class Responder {
 public:
  // The next box must match this one (expectations are used in the order given).
  Responder& expectMessage(MessageExpectation e);
  Responder& expectMessage(std::string textContains, MessageResult answer = MessageResult::Ok);
  // Any number of boxes matching `e` are answered with its answer (checked after the queue).
  Responder& alwaysAnswer(MessageExpectation e);
  // When a modal form whose name or caption equals `form` starts, `fn` runs inside its modal loop
  // (`times` uses; 0 = every time). A modal form without a script runs on its own (its timers may
  // close it); if it can never end, the loop reports a stall.
  Responder& onModal(std::string form, std::function<void(Form&)> fn, int times = 1);

  // Unexpected boxes throw (the default) or, when not strict, are written to `log` (if any) and
  // answered with the box's first button.
  void setStrict(bool s) { strict_ = s; }
  void setLog(std::ostream* log) { log_ = log; }

  const std::vector<MessageBoxRecord>& shown() const { return shown_; }
  // Descriptions of the expectations and one-shot modal scripts not used yet.
  std::vector<std::string> unmet() const;
  void clear();

  // Used by the backend.
  MessageResult answer(const std::string& text, const std::string& caption, MessageButtons buttons, MessageIcon icon);
  std::function<void(Form&)> modalScript(const Form& f);
  void noteVisibleForms(std::vector<std::string> names);

 private:
  struct ModalRule {
    std::string form;
    std::function<void(Form&)> fn;
    int times;
  };
  std::vector<MessageExpectation> queue_;
  std::vector<MessageExpectation> standing_;
  std::vector<ModalRule> modal_;
  std::vector<MessageBoxRecord> shown_;
  bool strict_ = true;
  std::ostream* log_ = nullptr;
};

std::string describeBox(const std::string& text, const std::string& caption, MessageButtons buttons, MessageIcon icon);

class HeadlessBackend final : public Backend {
 public:
  // With a VirtualClock the loop moves time on to the next timer whenever it is idle; with a
  // real clock it sleeps until then.
  explicit HeadlessBackend(Clock& clock);

  Responder& responder() { return responder_; }
  void setScreen(ScreenMetrics m) { screen_ = m; }
  // The most virtual time one loop may run before it is reported as stalled (default one hour).
  void setLoopLimit(Millis ms) { loopLimit_ = ms; }

  // Runs the message loop for `ms` of clock time (timers fire as it passes), then returns.
  void advance(Millis ms);
  int beeps() const { return beeps_; }
  Cursor cursor() const { return cursor_; }
  int flashes() const { return flashes_; }
  // The pixels of the form's last paint (its background and what onPaint drew), if it painted.
  const Bitmap* lastPaint(const Form& f) const;
  // When the timer is next due, if it runs.
  std::optional<Millis> timerDue(const Form& f, int id) const;

  void attach(Application& app) override { app_ = &app; }
  void formShown(Form& f) override;
  void formHidden(Form&) override {}
  void formDestroyed(Form& f) override;
  void formActivated(Form&) override {}
  void repaint(Form& f) override;
  void runLoop(const std::function<bool()>& done) override;
  void processMessages() override;
  void modalStarting(Form& f) override { pendingModal_.push_back(&f); }
  void startTimer(Form& f, int id, Millis interval) override;
  void stopTimer(Form& f, int id) override;
  MessageResult messageBox(const std::string& text, const std::string& caption, MessageButtons buttons,
                           MessageIcon icon) override;
  void beep() override { ++beeps_; }
  ScreenMetrics screen() const override { return screen_; }
  void setCursor(Cursor c) override { cursor_ = c; }
  void flash(Form&) override { ++flashes_; }

 private:
  struct Timer {
    Millis interval;
    Millis due;
    std::uint64_t seq;
  };
  using TimerKey = std::pair<const Form*, int>;
  // Handles queued work, scripted modal forms and due timers; true when it did something.
  bool step();
  bool fireOneDueTimer();
  std::optional<Millis> nextWake() const;
  void moveTimeTo(Millis t);

  Clock& clock_;
  VirtualClock* virtual_;
  Application* app_ = nullptr;
  Responder responder_;
  ScreenMetrics screen_;
  Millis loopLimit_ = 3600 * 1000;
  std::map<TimerKey, Timer> timers_;
  std::uint64_t seq_ = 0;
  std::vector<Form*> pendingModal_;
  std::map<const Form*, Bitmap> paints_;
  int beeps_ = 0;
  int flashes_ = 0;
  Cursor cursor_ = Cursor::Default;
};

}  // namespace platform::ui

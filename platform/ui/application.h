// The application object: the message loop and what programs ask of the window system. It
// implements the two narrow services of message_box.h, so logic that needs only message boxes
// or pumping takes those, not the whole application.
#pragma once

#include <deque>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "platform/clock/clock.h"
#include "platform/ui/backend.h"
#include "platform/ui/form.h"
#include "platform/ui/message_box.h"

namespace platform::ui {

class Application final : public MessageBoxService, public MessagePump {
 public:
  Application(Backend& backend, Clock& clock);
  ~Application() override;
  Application(const Application&) = delete;
  Application& operator=(const Application&) = delete;

  Backend& backend() const { return backend_; }
  Clock& clock() const { return clock_; }

  // Constructs a form (T's constructor takes the application first), runs its creation handler
  // and hands it back owned. When the creation handler throws, the form is destroyed again and
  // the exception goes on.
  template <class T, class... Args>
  FormPtr<T> createForm(Args&&... args) {
    FormPtr<T> f(new T(*this, std::forward<Args>(args)...));
    f->create();
    return f;
  }

  // The first form registered becomes the main form: closing it ends the program.
  void registerForm(Form& f);
  Form* mainForm() const { return mainForm_; }
  const std::string& title() const { return title_; }
  void setTitle(const std::string& t) { title_ = t; }

  // Shows the main form if it is hidden and runs the message loop until terminate() (which closing
  // the main form calls) or until the main form is destroyed. Returns at once when there is no
  // main form.
  void run();
  void terminate();
  bool terminated() const { return terminated_; }
  void processMessages() override;
  // Queues work to run on the loop, after what is waiting now.
  void post(std::function<void()> fn);
  // Runs the queued work; true when there was some. Used by the backends' loops.
  bool dispatchPosted();

  MessageResult messageBox(const std::string& text, const std::string& caption,
                           MessageButtons buttons = MessageButtons::Ok, MessageIcon icon = MessageIcon::None) override;
  void beep() { backend_.beep(); }

  Cursor cursor() const { return cursor_; }
  void setCursor(Cursor c);
  ScreenMetrics screen() const { return backend_.screen(); }

  Form* activeForm() const { return active_; }
  // Brings a visible form to the front and makes it the active one.
  void setForeground(Form& f);
  Control* focusedControl() const;
  void flash(Form& f) { backend_.flash(f); }

  // The forms alive now, in creation order, and the modal ones, innermost last.
  const std::vector<Form*>& forms() const { return forms_; }
  const std::vector<Form*>& modalStack() const { return modalStack_; }

  // Used by Form.
  void formConstructed(Form& f);
  void formDestroyed(Form& f);
  void formShown(Form& f);
  void formHidden(Form& f);
  int runModal(Form& f);
  void timerFired(Form& f, int id);

 private:
  void activate(Form* f);

  Backend& backend_;
  Clock& clock_;
  std::string title_;
  Form* mainForm_ = nullptr;
  Form* active_ = nullptr;
  bool terminated_ = false;
  Cursor cursor_ = Cursor::Default;
  std::vector<Form*> forms_;
  std::vector<Form*> modalStack_;
  std::deque<std::function<void()>> posted_;
};

// Shows the busy cursor for as long as it lives.
class BusyCursor {
 public:
  explicit BusyCursor(Application& app) : app_(app), before_(app.cursor()) { app_.setCursor(Cursor::Busy); }
  ~BusyCursor() { app_.setCursor(before_); }
  BusyCursor(const BusyCursor&) = delete;
  BusyCursor& operator=(const BusyCursor&) = delete;

 private:
  Application& app_;
  Cursor before_;
};

}  // namespace platform::ui

// What the application object needs from a window system. Two implementations: the headless
// backend (tests, unattended runs) and the Qt renderer (platform/ui/qt).
#pragma once

#include <functional>
#include <string>

#include "platform/clock/clock.h"
#include "platform/ui/geometry.h"
#include "platform/ui/message_box.h"

namespace platform::ui {

class Application;
class Form;

struct ScreenMetrics {
  int width = 1024;
  int height = 768;
  int bitsPerPixel = 24;
};

enum class Cursor { Default, Busy };

class Backend {
 public:
  virtual ~Backend() = default;

  virtual void attach(Application& app) = 0;

  // Windows. A backend makes its live window when a form is first shown.
  virtual void formShown(Form& f) = 0;
  virtual void formHidden(Form& f) = 0;
  virtual void formDestroyed(Form& f) = 0;
  virtual void formActivated(Form& f) = 0;
  virtual void repaint(Form& f) = 0;
  // Outer size minus client size for the form's border style.
  virtual Size frameExtra(const Form& f) const;

  // Runs the message loop until `done` holds; returns when it does. Timers, posted messages and
  // user input are handled meanwhile.
  virtual void runLoop(const std::function<bool()>& done) = 0;
  // Handles what is waiting now, then returns.
  virtual void processMessages() = 0;
  // Something that a running loop's `done` looks at may have changed.
  virtual void wake() {}
  // A form's modal loop is about to run.
  virtual void modalStarting(Form&) {}

  virtual void startTimer(Form& f, int id, Millis interval) = 0;
  virtual void stopTimer(Form& f, int id) = 0;

  virtual MessageResult messageBox(const std::string& text, const std::string& caption, MessageButtons buttons,
                                   MessageIcon icon) = 0;
  virtual void beep() = 0;
  virtual ScreenMetrics screen() const = 0;
  virtual void setCursor(Cursor c) = 0;
  // Size of a text in a font; the headless backend estimates it from the font height.
  virtual Size textExtent(const Font& font, const std::string& text) const;
  // Draws attention to a form that is not active (the taskbar flash).
  virtual void flash(Form&) {}
};

}  // namespace platform::ui

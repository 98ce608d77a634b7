// The narrow services every program's logic needs from the window system: message boxes and
// pumping the message queue during long work. The application object of platform/ui implements
// both; logic that needs only these takes them, not the whole application.
#pragma once

#include <string>

namespace platform {

enum class MessageButtons { Ok, OkCancel, AbortRetryIgnore, YesNoCancel, YesNo, RetryCancel };
enum class MessageIcon { None, Error, Question, Warning, Information };
// Values as Windows numbers them (IDOK = 1 ... IDNO = 7).
enum class MessageResult { Ok = 1, Cancel = 2, Abort = 3, Retry = 4, Ignore = 5, Yes = 6, No = 7 };

class MessageBoxService {
 public:
  virtual ~MessageBoxService() = default;
  // Text and caption are ANSI text; '\r' and '\n' break lines.
  virtual MessageResult messageBox(const std::string& text, const std::string& caption,
                                   MessageButtons buttons = MessageButtons::Ok,
                                   MessageIcon icon = MessageIcon::None) = 0;
};

class MessagePump {
 public:
  virtual ~MessagePump() = default;
  // Handles every message waiting now (paints, clicks, due timers), then returns.
  virtual void processMessages() = 0;
};

}  // namespace platform

// Message boxes of the access layer as lines on a stream (standard error in apctl).
#pragma once

#include <ostream>
#include <string>

#include "platform/text/ansi.h"
#include "platform/ui/message_box.h"

namespace apctl {

class PrintingMessages final : public platform::MessageBoxService {
 public:
  // Boxes whose caption is `applicationTitle` print only their text.
  PrintingMessages(std::ostream& out, std::string applicationTitle)
      : out_(out), title_(std::move(applicationTitle)) {}

  platform::MessageResult messageBox(const std::string& text, const std::string& caption,
                                     platform::MessageButtons buttons, platform::MessageIcon) override {
    std::string line = text;
    for (char& c : line) {
      if (c == '\r' || c == '\n') c = ' ';
    }
    out_ << "apctl: ";
    if (caption != title_) out_ << platform::ansiToUtf8(caption) << ": ";
    out_ << platform::ansiToUtf8(line) << '\n';
    ++shown_;
    // Nobody is there to answer: questions take their affirmative answer.
    switch (buttons) {
      case platform::MessageButtons::YesNo:
      case platform::MessageButtons::YesNoCancel: return platform::MessageResult::Yes;
      case platform::MessageButtons::RetryCancel: return platform::MessageResult::Cancel;
      case platform::MessageButtons::AbortRetryIgnore: return platform::MessageResult::Abort;
      default: return platform::MessageResult::Ok;
    }
  }
  int shown() const { return shown_; }

 private:
  std::ostream& out_;
  std::string title_;
  int shown_ = 0;
};

}  // namespace apctl

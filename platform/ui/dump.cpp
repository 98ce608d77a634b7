#include "platform/ui/dump.h"

#include <sstream>

#include "platform/ui/application.h"
#include "platform/ui/form.h"

namespace platform::ui {

namespace {
void dumpChildren(const Container& c, std::ostringstream& out, int depth) {
  for (const Control* ctl : c.children()) {
    out << std::string(static_cast<std::size_t>(depth) * 2, ' ');
    std::ostringstream line;
    ctl->describe(line);
    // Continuation lines of a control keep its indentation.
    std::string s = line.str();
    for (char ch : s) {
      out << ch;
      if (ch == '\n') out << std::string(static_cast<std::size_t>(depth) * 2, ' ');
    }
    out << '\n';
    if (auto* sub = dynamic_cast<const Container*>(ctl)) dumpChildren(*sub, out, depth + 1);
  }
}

const char* borderName(BorderStyle b) {
  switch (b) {
    case BorderStyle::None: return "none";
    case BorderStyle::Single: return "single";
    case BorderStyle::Dialog: return "dialog";
    case BorderStyle::Sizeable: return "sizeable";
    case BorderStyle::ToolWindow: return "toolwindow";
  }
  return "?";
}
}  // namespace

std::string dumpForm(const Form& f) {
  std::ostringstream out;
  out << "Form " << f.name() << ' ' << quoted(f.caption()) << " client " << f.clientWidth() << 'x' << f.clientHeight()
      << " at " << f.left() << ',' << f.top() << " border=" << borderName(f.borderStyle());
  const BorderIcons& icons = f.borderIcons();
  if (!icons.any()) out << " icons=none";
  else {
    out << " icons=";
    if (icons.systemMenu) out << 's';
    if (icons.minimize) out << 'n';
    if (icons.maximize) out << 'x';
  }
  if (f.position() == FormPosition::ScreenCenter) out << " centred";
  if (f.stayOnTop()) out << " ontop";
  if (f.windowState() == WindowState::Maximized) out << " maximised";
  out << (f.visible() ? " visible" : " hidden");
  if (f.isModal()) out << " modal";
  if (!f.enabled()) out << " disabled";
  out << '\n';
  dumpChildren(f, out, 1);
  return out.str();
}

std::string dumpVisibleForms(const Application& app) {
  std::string out;
  for (const Form* f : app.forms())
    if (f->visible()) out += dumpForm(*f);
  return out.empty() ? std::string("(no visible form)\n") : out;
}

const char* iconName(int icon) {
  switch (static_cast<MessageIcon>(icon)) {
    case MessageIcon::None: return "none";
    case MessageIcon::Error: return "error";
    case MessageIcon::Question: return "question";
    case MessageIcon::Warning: return "warning";
    case MessageIcon::Information: return "information";
  }
  return "?";
}

const char* buttonsName(int buttons) {
  switch (static_cast<MessageButtons>(buttons)) {
    case MessageButtons::Ok: return "ok";
    case MessageButtons::OkCancel: return "ok-cancel";
    case MessageButtons::AbortRetryIgnore: return "abort-retry-ignore";
    case MessageButtons::YesNoCancel: return "yes-no-cancel";
    case MessageButtons::YesNo: return "yes-no";
    case MessageButtons::RetryCancel: return "retry-cancel";
  }
  return "?";
}

const char* resultName(int result) {
  switch (static_cast<MessageResult>(result)) {
    case MessageResult::Ok: return "ok";
    case MessageResult::Cancel: return "cancel";
    case MessageResult::Abort: return "abort";
    case MessageResult::Retry: return "retry";
    case MessageResult::Ignore: return "ignore";
    case MessageResult::Yes: return "yes";
    case MessageResult::No: return "no";
  }
  return "?";
}

}  // namespace platform::ui

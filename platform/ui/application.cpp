#include "platform/ui/application.h"

#include <algorithm>
#include <stdexcept>

namespace platform::ui {

Size Backend::frameExtra(const Form& f) const {
  // The frame of the classic window look: a 3-pixel border and an 18-pixel caption bar plus its
  // 1-pixel line; no frame without a border.
  switch (f.borderStyle()) {
    case BorderStyle::None: return {0, 0};
    case BorderStyle::ToolWindow: return {6, 6 + 16};
    case BorderStyle::Sizeable: return {8, 8 + 19};
    case BorderStyle::Single:
    case BorderStyle::Dialog: break;
  }
  return {6, 6 + 19};
}

Size Backend::textExtent(const Font& font, const std::string& text) const {
  // Without a window system: an average character is a little over half the line height.
  const int line = font.lineHeight();
  const int avg = std::max(1, (line * 6 + 6) / 13);
  int lines = 1, longest = 0, run = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c == '\r' || c == '\n') {
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      longest = std::max(longest, run);
      run = 0;
      ++lines;
    } else {
      ++run;
    }
  }
  longest = std::max(longest, run);
  return {longest * avg, lines * line};
}

Application::Application(Backend& backend, Clock& clock) : backend_(backend), clock_(clock) { backend_.attach(*this); }

Application::~Application() {
  // Forms still alive belong to their owners; they must not call back into a dead application.
  if (!forms_.empty()) std::terminate();
}

void Application::registerForm(Form& f) {
  if (!mainForm_) mainForm_ = &f;
}

void Application::run() {
  if (!mainForm_ || terminated_) return;
  // The main form shows when the loop starts; closing it terminates, hiding it does not.
  if (!mainForm_->visible()) mainForm_->show();
  backend_.runLoop([this] { return terminated_ || !mainForm_; });
}

void Application::terminate() {
  terminated_ = true;
  backend_.wake();
}

void Application::processMessages() { backend_.processMessages(); }

void Application::post(std::function<void()> fn) {
  posted_.push_back(std::move(fn));
  backend_.wake();
}

bool Application::dispatchPosted() {
  if (posted_.empty()) return false;
  // Only what was queued before this call; work queued by it runs on the next round.
  std::size_t n = posted_.size();
  while (n-- && !posted_.empty()) {
    auto fn = std::move(posted_.front());
    posted_.pop_front();
    fn();
  }
  return true;
}

MessageResult Application::messageBox(const std::string& text, const std::string& caption, MessageButtons buttons,
                                      MessageIcon icon) {
  Form* before = active_;
  MessageResult r = backend_.messageBox(text, caption, buttons, icon);
  if (before && before->visible() && active_ == before) backend_.formActivated(*before);
  return r;
}

void Application::setCursor(Cursor c) {
  cursor_ = c;
  backend_.setCursor(c);
}

void Application::setForeground(Form& f) {
  if (!f.visible()) return;
  activate(&f);
}

Control* Application::focusedControl() const { return active_ ? active_->focusedControl() : nullptr; }

void Application::activate(Form* f) {
  if (f == active_) return;
  Form* old = active_;
  active_ = f;
  if (old) old->deactivated();
  if (f && active_ == f) {
    backend_.formActivated(*f);
    f->activated();
  }
}

void Application::formConstructed(Form& f) { forms_.push_back(&f); }

void Application::formDestroyed(Form& f) {
  forms_.erase(std::remove(forms_.begin(), forms_.end(), &f), forms_.end());
  modalStack_.erase(std::remove(modalStack_.begin(), modalStack_.end(), &f), modalStack_.end());
  if (active_ == &f) active_ = nullptr;
  if (mainForm_ == &f) {
    mainForm_ = nullptr;
    backend_.wake();
  }
}

void Application::formShown(Form& f) {
  backend_.formShown(f);
  activate(&f);
}

void Application::formHidden(Form& f) {
  backend_.formHidden(f);
  if (active_ == &f) {
    active_ = nullptr;
    f.deactivated();
    // The innermost modal form, else the most recently created visible form, takes over.
    Form* next = nullptr;
    for (auto it = modalStack_.rbegin(); it != modalStack_.rend() && !next; ++it)
      if (*it != &f && (*it)->visible()) next = *it;
    for (auto it = forms_.rbegin(); it != forms_.rend() && !next; ++it)
      if (*it != &f && (*it)->visible() && (*it)->enabled()) next = *it;
    if (next) activate(next);
  }
  backend_.wake();
}

int Application::runModal(Form& f) {
  if (f.visible()) throw std::logic_error("showModal on a visible form: " + f.name());
  if (f.destroyed()) throw std::logic_error("showModal on a destroyed form: " + f.name());
  // The other visible forms are disabled while the modal one runs, and enabled again afterwards.
  std::vector<Form*> disabled;
  f.setEnabled(true);
  for (Form* other : forms_)
    if (other != &f && other->visible() && other->enabled()) {
      other->setEnabled(false);
      disabled.push_back(other);
    }
  Form* before = active_;
  f.setModal(true);
  f.setModalResult(modal::none);
  modalStack_.push_back(&f);
  int result = modal::none;
  auto restore = [&] {
    modalStack_.erase(std::remove(modalStack_.begin(), modalStack_.end(), &f), modalStack_.end());
    for (Form* other : disabled)
      if (std::find(forms_.begin(), forms_.end(), other) != forms_.end()) other->setEnabled(true);
    f.setModal(false);
    if (f.visible()) f.hide();
    if (before && before->visible() && std::find(forms_.begin(), forms_.end(), before) != forms_.end())
      activate(before);
  };
  try {
    f.show();
    backend_.modalStarting(f);
    backend_.runLoop([&] { return f.modalResult() != modal::none || !f.visible() || terminated_ || f.destroyed(); });
    result = f.modalResult();
    if (result == modal::none) result = modal::cancel;
  } catch (...) {
    restore();
    throw;
  }
  restore();
  return result;
}

void Application::timerFired(Form& f, int id) {
  if (std::find(forms_.begin(), forms_.end(), &f) == forms_.end()) return;
  f.timerFired(id);
}

}  // namespace platform::ui

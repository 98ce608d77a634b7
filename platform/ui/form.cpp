#include "platform/ui/form.h"

#include <algorithm>
#include <stdexcept>

#include "platform/ui/application.h"
#include "platform/ui/controls.h"

namespace platform::ui {

Form::Form(Application& app, std::string name) : app_(app), name_(std::move(name)) { app_.formConstructed(*this); }

Form::~Form() {
  if (!destroyed_) {
    // The derived form is gone already, so its destruction handler cannot run any more; only the
    // window system's side is cleaned up.
    onDestroy = nullptr;
    onHide = nullptr;
    onDeactivate = nullptr;
    onActivate = nullptr;
    onTimer = nullptr;
    onPaint = nullptr;
    destroy();
  }
  app_.formDestroyed(*this);
}

void FormDeleter::operator()(Form* f) const {
  if (!f) return;
  f->destroy();
  delete f;
}

void Form::create() {
  if (created_) return;
  created_ = true;
  if (onCreate) {
    try {
      onCreate();
    } catch (...) {
      destroy();
      throw;
    }
  }
}

void Form::destroy() {
  if (destroyed_) return;
  destroyed_ = true;
  if (visible_) hide();
  for (int id : std::vector<int>(timers_)) killTimer(id);
  if (onDestroy) {
    auto fn = onDestroy;
    fn();
  }
  focused_ = nullptr;
  app_.backend().formDestroyed(*this);
  peer_ = nullptr;
}

void Form::changed() {
  if (peer_) peer_->sync();
}

void Form::setCaption(const std::string& c) {
  if (c == caption_) return;
  caption_ = c;
  changed();
}

void Form::setBorderStyle(BorderStyle b) {
  borderStyle_ = b;
  changed();
}

void Form::setBorderIcons(BorderIcons b) {
  borderIcons_ = b;
  changed();
}

void Form::setStayOnTop(bool s) {
  stayOnTop_ = s;
  changed();
}

void Form::setWindowState(WindowState s) {
  windowState_ = s;
  if (s == WindowState::Maximized) {
    ScreenMetrics m = app_.screen();
    pos_ = {0, 0};
    Size extra = app_.backend().frameExtra(*this);
    clientSize_ = {m.width - extra.width, m.height - extra.height};
  }
  changed();
}

void Form::setColor(Color c) {
  color_ = c;
  changed();
}

void Form::setFont(const Font& f) {
  const Font old = font_;
  font_ = f;
  for (Control* c : allControls())
    if (c->font() == old) c->setFont(f);
  changed();
}

void Form::setClientSize(Size s) {
  clientSize_ = {std::max(s.width, 0), std::max(s.height, 0)};
  changed();
}

int Form::width() const { return clientSize_.width + app_.backend().frameExtra(*this).width; }
int Form::height() const { return clientSize_.height + app_.backend().frameExtra(*this).height; }

void Form::setLeft(int x) {
  pos_.x = x;
  changed();
}

void Form::setTop(int y) {
  pos_.y = y;
  changed();
}

void Form::setWidth(int w) { setClientSize({w - app_.backend().frameExtra(*this).width, clientSize_.height}); }
void Form::setHeight(int h) { setClientSize({clientSize_.width, h - app_.backend().frameExtra(*this).height}); }

void Form::centre() {
  ScreenMetrics m = app_.screen();
  // As the form placement of the system does it: (screen - window) div 2.
  pos_ = {(m.width - width()) / 2, (m.height - height()) / 2};
  changed();
}

void Form::show() {
  if (destroyed_) throw std::logic_error("showing a destroyed form: " + name_);
  if (visible_) {
    app_.setForeground(*this);
    return;
  }
  if (position_ == FormPosition::ScreenCenter && windowState_ != WindowState::Maximized) centre();
  visible_ = true;
  if (!focused_) setFocusedControl(activeControl_ ? activeControl_ : firstFocusable());
  app_.formShown(*this);
  if (onShow) onShow();
}

void Form::hide() {
  if (!visible_) return;
  visible_ = false;
  app_.formHidden(*this);
  if (onHide) onHide();
}

void Form::close() {
  bool canClose = true;
  if (onCloseQuery) onCloseQuery(canClose);
  if (!canClose) return;
  if (modal_) {
    if (modalResult_ == modal::none) setModalResult(modal::cancel);
    return;
  }
  CloseAction action = CloseAction::Hide;
  if (onClose) onClose(action);
  if (action == CloseAction::None) return;
  hide();
  if (app_.mainForm() == this) app_.terminate();
}

int Form::showModal() { return app_.runModal(*this); }

void Form::setModalResult(int r) {
  modalResult_ = r;
  if (modal_ && r != modal::none) app_.backend().wake();
}

void Form::setEnabled(bool e) {
  if (e == enabled_) return;
  enabled_ = e;
  changed();
}

void Form::repaint() {
  if (visible_) app_.backend().repaint(*this);
}

void Form::paintTo(Canvas& canvas) {
  canvas.fillRect({0, 0, canvas.width(), canvas.height()}, color_);
  if (onPaint) onPaint(canvas);
}

void Form::setTimer(int id, Millis interval) {
  if (destroyed_) return;
  if (!hasTimer(id)) timers_.push_back(id);
  app_.backend().startTimer(*this, id, interval);
}

void Form::killTimer(int id) {
  auto it = std::find(timers_.begin(), timers_.end(), id);
  if (it == timers_.end()) return;
  timers_.erase(it);
  app_.backend().stopTimer(*this, id);
}

bool Form::hasTimer(int id) const { return std::find(timers_.begin(), timers_.end(), id) != timers_.end(); }

void Form::timerFired(int id) {
  if (!hasTimer(id) || destroyed_) return;
  if (onTimer) {
    auto fn = onTimer;
    fn(id);
  }
}

void Form::setActiveControl(Control* c) {
  activeControl_ = c;
  if (visible_ && c) setFocusedControl(c);
}

void Form::setFocusedControl(Control* c) {
  if (c == focused_) return;
  Control* old = focused_;
  focused_ = c;
  if (old) {
    old->changed();
    old->fire(Notify::KillFocus);
  }
  if (c && focused_ == c) {
    c->changed();
    c->fire(Notify::SetFocus);
  }
}

namespace {
void collect(const Container& c, std::vector<Control*>& out) {
  for (Control* ctl : c.children()) {
    out.push_back(ctl);
    if (auto* sub = dynamic_cast<const Container*>(ctl)) collect(*sub, out);
  }
}
}  // namespace

std::vector<Control*> Form::allControls() const {
  std::vector<Control*> out;
  collect(*this, out);
  return out;
}

Control* Form::findControl(const std::string& name) const {
  for (Control* c : allControls())
    if (c->name() == name) return c;
  return nullptr;
}

Control* Form::controlById(int id) const {
  for (Control* c : allControls())
    if (c->id() == id) return c;
  return nullptr;
}

Control* Form::need(Control* c, const std::string& name) {
  if (!c) throw std::out_of_range("no control named " + name);
  return c;
}

Control* Form::firstFocusable() const {
  for (Control* c : allControls())
    if (c->canFocus() && c->showing() && c->effectivelyEnabled() && c->kind() != ControlKind::Label) return c;
  return nullptr;
}

Button* Form::defaultButton() const {
  for (Control* c : allControls())
    if (auto* b = dynamic_cast<Button*>(c); b && b->isDefault()) return b;
  return nullptr;
}

Button* Form::cancelButton() const {
  for (Control* c : allControls())
    if (auto* b = dynamic_cast<Button*>(c); b && b->isCancel()) return b;
  return nullptr;
}

bool Form::handleKey(Control* target, Key k, ShiftState s) {
  if (!visible_ || !enabled_) return false;
  if (keyPreview_ && onKeyDown) {
    onKeyDown(k, s);
    if (k == Key::None) return true;
  }
  if (target && target->onKeyDown && target->acceptsInput()) {
    KeyEvent fn = target->onKeyDown;
    fn(*target, k, s);
    if (k == Key::None) return true;
  }
  return defaultKeyHandling(k, s);
}

bool Form::focusNext(bool forward) {
  std::vector<Control*> order;
  for (Control* c : allControls())
    if (c->canFocus() && c->showing() && c->effectivelyEnabled()) order.push_back(c);
  if (order.empty()) return false;
  auto it = std::find(order.begin(), order.end(), focused_);
  std::ptrdiff_t at = it == order.end() ? (forward ? -1 : 0) : it - order.begin();
  const auto n = static_cast<std::ptrdiff_t>(order.size());
  at = ((at + (forward ? 1 : -1)) % n + n) % n;
  setFocusedControl(order[static_cast<std::size_t>(at)]);
  return true;
}

bool Form::defaultKeyHandling(Key k, ShiftState s) {
  if (k == Key::Tab) return focusNext(!s.shift);
  if (k == Key::Escape) {
    if (Button* b = cancelButton(); b && b->click()) return true;
    return false;
  }
  if (k == Key::Return) {
    // A focused button takes Return itself; otherwise the default button.
    if (auto* b = dynamic_cast<Button*>(focused_); b && b->click()) return true;
    if (Button* b = defaultButton(); b && b->click()) return true;
  }
  return false;
}

void Form::notify(Control&, Notify) {}

void Form::activated() {
  if (onActivate) onActivate();
}

void Form::deactivated() {
  if (onDeactivate) onDeactivate();
}

void Form::controlAdded(Control& c) {
  if (peer_) {
    // The control is not fully built yet: the peer hears of it on the loop, if it still exists.
    app_.post([this, ctl = &c] {
      if (!peer_) return;
      auto all = allControls();
      if (std::find(all.begin(), all.end(), ctl) != all.end()) peer_->controlAdded(*ctl);
    });
  }
}

void Form::controlRemoved(Control& c) {
  if (peer_) peer_->controlRemoved(c);
  if (focused_ == &c) focused_ = nullptr;
  if (activeControl_ == &c) activeControl_ = nullptr;
}

}  // namespace platform::ui

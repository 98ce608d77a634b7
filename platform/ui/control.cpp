#include "platform/ui/control.h"

#include <algorithm>
#include <cstdio>
#include <ostream>

#include "platform/ui/application.h"
#include "platform/ui/form.h"

namespace platform::ui {

const char* kindName(ControlKind k) {
  switch (k) {
    case ControlKind::Label: return "Label";
    case ControlKind::Button: return "Button";
    case ControlKind::Edit: return "Edit";
    case ControlKind::Memo: return "Memo";
    case ControlKind::CheckBox: return "CheckBox";
    case ControlKind::RadioButton: return "RadioButton";
    case ControlKind::Panel: return "Panel";
    case ControlKind::GroupBox: return "GroupBox";
    case ControlKind::Bevel: return "Bevel";
    case ControlKind::Picture: return "Picture";
    case ControlKind::ProgressBar: return "ProgressBar";
    case ControlKind::ListBox: return "ListBox";
    case ControlKind::ComboBox: return "ComboBox";
    case ControlKind::ListView: return "ListView";
    case ControlKind::IpAddress: return "IpAddress";
    case ControlKind::UpDown: return "UpDown";
    case ControlKind::DirectoryList: return "DirectoryList";
    case ControlKind::DriveList: return "DriveList";
  }
  return "?";
}

std::string keyName(Key k) {
  auto v = static_cast<unsigned>(k);
  if (v >= static_cast<unsigned>(Key::F1) && v <= static_cast<unsigned>(Key::F12))
    return "F" + std::to_string(v - static_cast<unsigned>(Key::F1) + 1);
  switch (k) {
    case Key::None: return "None";
    case Key::Back: return "Back";
    case Key::Tab: return "Tab";
    case Key::Return: return "Return";
    case Key::Escape: return "Escape";
    case Key::Space: return "Space";
    case Key::Up: return "Up";
    case Key::Down: return "Down";
    case Key::Left: return "Left";
    case Key::Right: return "Right";
    case Key::Delete: return "Delete";
    default: break;
  }
  if ((v >= '0' && v <= '9') || (v >= 'A' && v <= 'Z')) return std::string(1, static_cast<char>(v));
  char buf[16];
  std::snprintf(buf, sizeof buf, "0x%02X", v);
  return buf;
}

std::ostream& operator<<(std::ostream& out, const Rect& r) {
  return out << r.left << ',' << r.top << ' ' << r.width << 'x' << r.height;
}

std::string quoted(const std::string& s) {
  std::string out = "\"";
  for (char ch : s) {
    auto c = static_cast<unsigned char>(ch);
    if (c == '\r') out += "\\r";
    else if (c == '\n') out += "\\n";
    else if (c == '\t') out += "\\t";
    else if (c == '"') out += "\\\"";
    else if (c == '\\') out += "\\\\";
    else if (c < 0x20) {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\x%02X", c);
      out += buf;
    } else out += ch;
  }
  return out + "\"";
}

Container::~Container() {
  // Children outliving their container (a control created with `new` and never deleted) must
  // not point back at it.
  for (Control* c : children_) c->parent_ = nullptr;
}

void Container::adopt(Control* c) { children_.push_back(c); }

void Container::release(Control* c) {
  children_.erase(std::remove(children_.begin(), children_.end(), c), children_.end());
}

Control::Control(Container& parent, ControlKind kind, std::string name, Rect bounds)
    : parent_(&parent), kind_(kind), name_(std::move(name)), bounds_(bounds), font_(parent.containerFont()) {
  parent_->adopt(this);
  parent_->form().controlAdded(*this);
}

Control::~Control() {
  if (!parent_) return;
  parent_->form().controlRemoved(*this);
  parent_->release(this);
}

void Control::setBounds(const Rect& r) {
  if (r == bounds_) return;
  bounds_ = r;
  changed();
}

Rect Control::rectInForm() const {
  Point o = parent_->clientOriginInForm();
  return {o.x + bounds_.left, o.y + bounds_.top, bounds_.width, bounds_.height};
}

void Control::setText(const std::string& t) {
  if (t == text_) return;
  text_ = t;
  changed();
}

void Control::setVisible(bool v) {
  if (v == visible_) return;
  visible_ = v;
  if (!v && focused()) form().setFocusedControl(nullptr);
  changed();
}

bool Control::showing() const { return visible_ && parent_->containerShowing(); }

void Control::setEnabled(bool e) {
  if (e == enabled_) return;
  enabled_ = e;
  changed();
}

bool Control::effectivelyEnabled() const { return enabled_ && parent_->containerEnabled(); }

void Control::setFont(const Font& f) {
  if (f == font_) return;
  font_ = f;
  changed();
}

Color Control::color() const { return ownColor_ ? color_ : parent_->containerColor(); }

void Control::setColor(Color c) {
  if (ownColor_ && c == color_) return;
  color_ = c;
  ownColor_ = true;
  changed();
}

void Control::setHint(const std::string& h) {
  if (h == hint_) return;
  hint_ = h;
  changed();
}

bool Control::focused() const { return form().focusedControl() == this; }

void Control::setFocus() { form().setFocusedControl(this); }

bool Control::click() {
  if (!acceptsInput()) return false;
  fire(Notify::Click);
  return true;
}

bool Control::doubleClick() {
  if (!acceptsInput()) return false;
  fire(Notify::DoubleClick);
  return true;
}

bool Control::pressKey(Key k, ShiftState s) { return form().handleKey(this, k, s); }

void Control::describe(std::ostream& out) const {
  out << kindName(kind_) << ' ' << name_;
  if (id_) out << " #" << id_;
  out << ' ' << bounds_;
  if (!text_.empty()) out << ' ' << quoted(text_);
  if (!visible_) out << " hidden";
  if (!enabled_) out << " disabled";
  if (focused()) out << " focused";
  if (!hint_.empty()) out << " hint=" << quoted(hint_);
}

void Control::changed() {
  if (peer_) peer_->sync();
}

void Control::fire(Notify n) {
  NotifyEvent* h = nullptr;
  switch (n) {
    case Notify::Click: h = &onClick; break;
    case Notify::DoubleClick: h = &onDoubleClick; break;
    case Notify::Change: h = &onChange; break;
    case Notify::SetFocus: h = &onEnter; break;
    case Notify::KillFocus: h = &onExit; break;
  }
  // A copy, so that a handler may replace itself.
  if (h && *h) {
    NotifyEvent fn = *h;
    fn(*this);
  }
  form().notify(*this, n);
}

}  // namespace platform::ui

// The base of every control of the window model, and the containers that hold them.
// Controls are plain objects owned by the form that declares them (as members or, for dialogs
// built from resource tables, by the form itself). Position and size are 96-dpi pixels relative
// to the parent's client area; texts are ANSI.
#pragma once

#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

#include "platform/ui/geometry.h"

namespace platform::ui {

class Control;
class Form;

enum class ControlKind {
  Label, Button, Edit, Memo, CheckBox, RadioButton, Panel, GroupBox, Bevel, Picture, ProgressBar,
  ListBox, ComboBox, ListView, IpAddress, UpDown, DirectoryList, DriveList,
};
const char* kindName(ControlKind k);

// What happened to a control; every event of every control is also reported to its form as one
// of these (dialogs route them to command handlers by control ID).
enum class Notify { Click, DoubleClick, Change, SetFocus, KillFocus };

using NotifyEvent = std::function<void(Control& sender)>;
// `key` may be set to Key::None by the handler to swallow the key.
using KeyEvent = std::function<void(Control& sender, Key& key, ShiftState shift)>;

// Adapters so that a form can bind its published methods: Btn_ok.onClick = bind(this, &T::Btn_okClick).
template <class T>
NotifyEvent bind(T* self, void (T::*fn)(Control&)) {
  return [self, fn](Control& c) { (self->*fn)(c); };
}
// A method without arguments fits both control events and the form's own (onCreate = bind(...)).
template <class T>
struct BoundMethod {
  T* self;
  void (T::*fn)();
  void operator()() const { (self->*fn)(); }
  void operator()(Control&) const { (self->*fn)(); }
};
template <class T>
BoundMethod<T> bind(T* self, void (T::*fn)()) {
  return {self, fn};
}
template <class T>
KeyEvent bind(T* self, void (T::*fn)(Control&, Key&, ShiftState)) {
  return [self, fn](Control& c, Key& k, ShiftState s) { (self->*fn)(c, k, s); };
}

// A backend's live counterpart of a control (a widget); told to re-read the control after changes.
class ControlPeer {
 public:
  virtual ~ControlPeer() = default;
  virtual void sync() = 0;
};

// Something that holds controls: a form, a panel, a group box.
class Container {
 public:
  virtual ~Container();
  Container() = default;
  Container(const Container&) = delete;
  Container& operator=(const Container&) = delete;

  const std::vector<Control*>& children() const { return children_; }
  virtual Form& form() = 0;
  virtual const Form& form() const = 0;
  // Offset of this container's client area inside the form's client area.
  virtual Point clientOriginInForm() const = 0;
  virtual bool containerShowing() const = 0;
  virtual bool containerEnabled() const = 0;
  virtual const Font& containerFont() const = 0;
  virtual Color containerColor() const = 0;

 private:
  friend class Control;
  void adopt(Control* c);
  void release(Control* c);
  std::vector<Control*> children_;
};

class Control {
 public:
  Control(Container& parent, ControlKind kind, std::string name, Rect bounds);
  virtual ~Control();
  Control(const Control&) = delete;
  Control& operator=(const Control&) = delete;

  ControlKind kind() const { return kind_; }
  const std::string& name() const { return name_; }
  int id() const { return id_; }
  void setId(int id) { id_ = id; }
  Container& parent() const { return *parent_; }
  Form& form() const { return parent_->form(); }

  const Rect& bounds() const { return bounds_; }
  void setBounds(const Rect& r);
  void setLeft(int v) { setBounds({v, bounds_.top, bounds_.width, bounds_.height}); }
  void setTop(int v) { setBounds({bounds_.left, v, bounds_.width, bounds_.height}); }
  void setWidth(int v) { setBounds({bounds_.left, bounds_.top, v, bounds_.height}); }
  void setHeight(int v) { setBounds({bounds_.left, bounds_.top, bounds_.width, v}); }
  int left() const { return bounds_.left; }
  int top() const { return bounds_.top; }
  int width() const { return bounds_.width; }
  int height() const { return bounds_.height; }
  // The control's rectangle in the form's client coordinates.
  Rect rectInForm() const;

  // Caption of labels, buttons, check boxes, group boxes; text of edits and memos.
  const std::string& text() const { return text_; }
  virtual void setText(const std::string& t);

  bool visible() const { return visible_; }
  void setVisible(bool v);
  void show() { setVisible(true); }
  void hide() { setVisible(false); }
  // Visible and every parent visible, the form included.
  bool showing() const;
  bool enabled() const { return enabled_; }
  void setEnabled(bool e);
  // Enabled and every parent enabled: what decides whether user input reaches it.
  bool effectivelyEnabled() const;

  const Font& font() const { return font_; }
  void setFont(const Font& f);
  // Background colour; a control without one of its own takes its parent's.
  Color color() const;
  void setColor(Color c);
  bool hasOwnColor() const { return ownColor_; }
  const std::string& hint() const { return hint_; }
  void setHint(const std::string& h);
  bool tabStop() const { return tabStop_; }
  void setTabStop(bool t) { tabStop_ = t; }
  virtual bool canFocus() const { return tabStop_; }

  bool focused() const;
  // Moves the focus here (fires exit on the old and enter on the new control).
  void setFocus();

  NotifyEvent onClick;
  NotifyEvent onDoubleClick;
  NotifyEvent onChange;
  NotifyEvent onEnter;
  NotifyEvent onExit;
  KeyEvent onKeyDown;

  // User actions, as the backends and the tests perform them; ignored on a control that is hidden
  // or disabled. Return whether the action reached the control.
  virtual bool click();
  virtual bool doubleClick();
  // A key pressed while this control has the focus: goes to the form (key preview), the control,
  // and the form's default handling (Escape, Return). False when nobody took it.
  bool pressKey(Key k, ShiftState s = {});

  // Lines describing the control's state for the form dump.
  virtual void describe(std::ostream& out) const;

  void setPeer(ControlPeer* p) { peer_ = p; }
  ControlPeer* peer() const { return peer_; }

 protected:
  // Tells the peer to re-read the control.
  void changed();
  // Runs the handler that belongs to `n`, then reports `n` to the form.
  void fire(Notify n);
  bool acceptsInput() const { return showing() && effectivelyEnabled(); }

 private:
  friend class Form;
  friend class Container;
  Container* parent_;
  ControlKind kind_;
  std::string name_;
  int id_ = 0;
  Rect bounds_;
  std::string text_;
  bool visible_ = true;
  bool enabled_ = true;
  Font font_;
  Color color_{};
  bool ownColor_ = false;
  std::string hint_;
  bool tabStop_ = false;
  ControlPeer* peer_ = nullptr;
};

std::ostream& operator<<(std::ostream& out, const Rect& r);
// Quotes ANSI text for dumps and messages: "a\rb" with control characters escaped.
std::string quoted(const std::string& s);

}  // namespace platform::ui

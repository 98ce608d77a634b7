// A top-level window of the model: a form of the installer or a dialog of the manager.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/clock/clock.h"
#include "platform/ui/canvas.h"
#include "platform/ui/control.h"

namespace platform::ui {

class Application;
class Button;

// Modal results, numbered as the dialog results of the system (IDOK = 1 ...).
namespace modal {
inline constexpr int none = 0;
inline constexpr int ok = 1;
inline constexpr int cancel = 2;
inline constexpr int abort = 3;
inline constexpr int retry = 4;
inline constexpr int ignore = 5;
inline constexpr int yes = 6;
inline constexpr int no = 7;
}  // namespace modal

enum class BorderStyle { None, Single, Dialog, Sizeable, ToolWindow };
enum class FormPosition { Designed, ScreenCenter };
enum class WindowState { Normal, Maximized, Minimized };
enum class CloseAction { None, Hide, Free };

struct BorderIcons {
  bool systemMenu = true;
  bool minimize = true;
  bool maximize = true;
  bool any() const { return systemMenu || minimize || maximize; }
  friend bool operator==(const BorderIcons&, const BorderIcons&) = default;
};

// A backend's live counterpart of a form (a top-level widget).
class FormPeer {
 public:
  virtual ~FormPeer() = default;
  virtual void sync() = 0;                     // caption, geometry, flags changed
  virtual void controlAdded(Control& c) = 0;   // a control appeared after the peer was made
  virtual void controlRemoved(Control& c) = 0; // a control is going away
};

class Form : public Container {
 public:
  Form(Application& app, std::string name);
  ~Form() override;

  Application& app() const { return app_; }
  const std::string& name() const { return name_; }

  // Runs the creation handler once (Application::createForm does it right after construction).
  void create();
  bool created() const { return created_; }
  // Runs the destruction handler once, stops the form's timers and removes its window. Called by
  // FormPtr before the object is deleted, while the derived form still exists.
  void destroy();
  bool destroyed() const { return destroyed_; }

  const std::string& caption() const { return caption_; }
  void setCaption(const std::string& c);
  BorderStyle borderStyle() const { return borderStyle_; }
  void setBorderStyle(BorderStyle b);
  const BorderIcons& borderIcons() const { return borderIcons_; }
  void setBorderIcons(BorderIcons b);
  bool stayOnTop() const { return stayOnTop_; }
  void setStayOnTop(bool s);
  FormPosition position() const { return position_; }
  void setPosition(FormPosition p) { position_ = p; }
  WindowState windowState() const { return windowState_; }
  void setWindowState(WindowState s);
  bool keyPreview() const { return keyPreview_; }
  void setKeyPreview(bool k) { keyPreview_ = k; }
  Color color() const { return color_; }
  void setColor(Color c);
  const Font& font() const { return font_; }
  // Controls that still have the form's old font take the new one too (the parent-font rule).
  void setFont(const Font& f);

  // Client area size; the outer size adds the frame of the border style.
  Size clientSize() const { return clientSize_; }
  void setClientSize(Size s);
  int clientWidth() const { return clientSize_.width; }
  int clientHeight() const { return clientSize_.height; }
  // Outer window position and size on the screen.
  int left() const { return pos_.x; }
  int top() const { return pos_.y; }
  int width() const;
  int height() const;
  void setLeft(int x);
  void setTop(int y);
  void setWidth(int w);   // outer width
  void setHeight(int h);  // outer height
  // Centres the outer window on the screen (done on every show with FormPosition::ScreenCenter).
  void centre();

  bool visible() const { return visible_; }
  void show();
  void hide();
  // Asks to close: the close query, then the modal result (cancel) for a modal form, or the close
  // action for a modeless one. Closing the application's main form ends the program.
  void close();
  // Shows the form modally and returns its modal result; the other forms are disabled meanwhile.
  int showModal();
  bool isModal() const { return modal_; }
  int modalResult() const { return modalResult_; }
  // Setting a result other than none ends a running modal loop of this form.
  void setModalResult(int r);
  bool enabled() const { return enabled_; }
  void setEnabled(bool e);

  // Paints now (the backend calls onPaint with a canvas of the client size).
  void repaint();
  void invalidate() { repaint(); }

  // Timers by id: a timer fires every `interval` ms while messages are handled, until killed.
  // Setting an id that runs already restarts it with the new interval.
  void setTimer(int id, Millis interval);
  void killTimer(int id);
  bool hasTimer(int id) const;

  Control* focusedControl() const { return focused_; }
  // The control that gets the focus when the form is shown (the first focusable one by default).
  void setActiveControl(Control* c);
  Control* findControl(const std::string& name) const;
  Control* controlById(int id) const;
  template <class T>
  T& find(const std::string& name) const {
    return dynamic_cast<T&>(*need(findControl(name), name));
  }
  // Every control of the form, depth first in creation order.
  std::vector<Control*> allControls() const;
  Button* defaultButton() const;
  Button* cancelButton() const;

  // A key pressed in the form while `target` (or nothing) has the focus; see Control::pressKey.
  bool handleKey(Control* target, Key k, ShiftState s);

  std::function<void()> onCreate;
  std::function<void()> onDestroy;
  std::function<void()> onShow;
  std::function<void()> onHide;
  std::function<void()> onActivate;
  std::function<void()> onDeactivate;
  std::function<void(Canvas&)> onPaint;
  std::function<void(bool& canClose)> onCloseQuery;
  std::function<void(CloseAction& action)> onClose;
  std::function<void(Key& key, ShiftState shift)> onKeyDown;  // only with keyPreview
  std::function<void(int id)> onTimer;

  // The text a tooltip shows for a control, asked when the tooltip is about to appear; the
  // control's hint unless the form supplies texts itself. Empty shows none.
  virtual std::string tooltipFor(const Control& c) const { return c.hint(); }
  // Every control event, after the control's own handler. Dialogs route these by control ID.
  virtual void notify(Control& sender, Notify what);
  // What the form does with a key nobody took: Escape presses the cancel button, Return the
  // default button, Tab (Shift+Tab) moves the focus to the next (previous) control that takes
  // it, in creation order. True when the key was used.
  virtual bool defaultKeyHandling(Key k, ShiftState s);
  // Moves the focus along the tab order; false when no control takes it.
  bool focusNext(bool forward = true);

  // Container
  Form& form() override { return *this; }
  const Form& form() const override { return *this; }
  Point clientOriginInForm() const override { return {0, 0}; }
  bool containerShowing() const override { return visible_; }
  bool containerEnabled() const override { return enabled_; }
  const Font& containerFont() const override { return font_; }
  Color containerColor() const override { return color_; }

  void setPeer(FormPeer* p) { peer_ = p; }
  FormPeer* peer() const { return peer_; }

  // Used by Application and the backends.
  void setFocusedControl(Control* c);
  void activated();
  void deactivated();
  void timerFired(int id);
  void setModal(bool m) { modal_ = m; }
  void paintTo(Canvas& canvas);
  void controlAdded(Control& c);
  void controlRemoved(Control& c);
  // The form's position as a backend reports it after the user moved the window.
  void movedTo(Point p) { pos_ = p; }

 private:
  static Control* need(Control* c, const std::string& name);
  void changed();
  Control* firstFocusable() const;

  Application& app_;
  std::string name_;
  std::string caption_;
  BorderStyle borderStyle_ = BorderStyle::Sizeable;
  BorderIcons borderIcons_;
  bool stayOnTop_ = false;
  FormPosition position_ = FormPosition::Designed;
  WindowState windowState_ = WindowState::Normal;
  bool keyPreview_ = false;
  Color color_ = colors::buttonFace;
  Font font_;
  Size clientSize_{300, 200};
  Point pos_{0, 0};
  bool visible_ = false;
  bool enabled_ = true;
  bool modal_ = false;
  int modalResult_ = modal::none;
  bool created_ = false;
  bool destroyed_ = false;
  Control* focused_ = nullptr;
  Control* activeControl_ = nullptr;
  std::vector<int> timers_;
  FormPeer* peer_ = nullptr;
};

// Owns a form and runs its destruction handler before deleting it.
struct FormDeleter {
  void operator()(Form* f) const;
};
template <class T>
using FormPtr = std::unique_ptr<T, FormDeleter>;

}  // namespace platform::ui

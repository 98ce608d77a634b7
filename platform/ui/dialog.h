// Dialogs declared as resource tables: each item has an ID, a kind, a text and a rectangle in
// dialog units; the dialog builds the controls, reaches them by ID and exchanges their contents
// with its members.
//
//   static const DialogTemplate kInputPassword{132, "Input PassWord", {0, 0, 186, 62}, {
//       {1054, ItemKind::Edit, "", {7, 20, 172, 14}, style::password | style::autoHScroll},
//       {1, ItemKind::DefButton, "OK", {7, 41, 50, 14}},
//       {2, ItemKind::Button, "Cancel", {129, 41, 50, 14}}}};
//   class CInputPasswordDlg : public Dialog {
//     void doDataExchange(DataExchange& dx) override { dx.text(1054, password); }
//   };
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/ui/form.h"

namespace platform::ui {

enum class ItemKind {
  Static, Button, DefButton, BitmapButton, Edit, CheckBox, Radio, GroupBox, ComboList, ListBox, ListView,
  IpAddress, Spin, Picture, Progress, Memo,
};

namespace style {
inline constexpr unsigned group = 1u << 0;        // starts a group of radio buttons
inline constexpr unsigned hidden = 1u << 1;
inline constexpr unsigned disabled = 1u << 2;
inline constexpr unsigned readOnly = 1u << 3;
inline constexpr unsigned password = 1u << 4;
inline constexpr unsigned number = 1u << 5;       // digits only
inline constexpr unsigned sorted = 1u << 6;
inline constexpr unsigned autoHScroll = 1u << 7;
inline constexpr unsigned fullRow = 1u << 8;      // list view: full-row selection
inline constexpr unsigned multiSel = 1u << 9;     // list view / list box: multiple selection
inline constexpr unsigned centre = 1u << 10;      // static: centred text
inline constexpr unsigned right = 1u << 11;       // static: right-aligned text
inline constexpr unsigned autoRadio = 1u << 12;   // radio buttons that check themselves
inline constexpr unsigned noWrap = 1u << 13;      // static: one line
}  // namespace style

// A rectangle in dialog units.
struct DluRect {
  int x = 0;
  int y = 0;
  int cx = 0;
  int cy = 0;
};

struct DialogItem {
  int id = 0;
  ItemKind kind = ItemKind::Static;
  std::string text;
  DluRect rect;
  unsigned flags = 0;
};

struct DialogTemplate {
  int resourceId = 0;
  std::string caption;
  DluRect rect;  // size of the client area in dialog units (x, y are ignored: dialogs centre)
  std::vector<DialogItem> items;
  std::string fontName = "MS Sans Serif";
  int fontSize = 8;
  bool popup = false;   // a popup without caption and border
};

// Dialog base units: the average character width and height of the dialog's font. MS Sans Serif
// 8 at 96 dpi gives 6 x 13, which is what the templates here are drawn with.
struct BaseUnits {
  int x = 6;
  int y = 13;
};
BaseUnits baseUnitsFor(const std::string& fontName, int pointSize);
// x * base.x / 4 and y * base.y / 8, rounded as the system's MulDiv rounds (halves away from 0).
Rect dluToPixels(const DluRect& r, BaseUnits base);
int mulDiv(int a, int b, int c);

class Dialog;

// Moves values between a dialog's controls and its members: load (members to controls) or save
// (controls to members). A value that cannot be taken stops the exchange with a message box and
// the focus on the control; `failed()` tells.
class DataExchange {
 public:
  DataExchange(Dialog& d, bool saving) : dialog_(d), saving_(saving) {}
  bool saving() const { return saving_; }
  bool failed() const { return failed_; }

  void text(int id, std::string& value);
  // Decimal number; saving a text that is not one fails with "Please enter an integer.".
  void number(int id, int& value);
  void check(int id, bool& value);
  // The index of the checked radio button of the group that starts at `firstId` (-1: none).
  void radio(int firstId, int& index);
  // Selected index of a drop-down list or list box.
  void listIndex(int id, int& index);
  // The edit's length limit, applied when loading (as the text exchange with a limit does).
  void maxChars(int id, std::size_t n);

 private:
  bool fail(Control& c, const std::string& message);
  Dialog& dialog_;
  bool saving_;
  bool failed_ = false;
};

class Dialog : public Form {
 public:
  Dialog(Application& app, const DialogTemplate& t, Form* parent = nullptr, std::string name = {});
  ~Dialog() override;

  const DialogTemplate& dialogTemplate() const { return template_; }
  Form* parentForm() const { return parent_; }
  BaseUnits baseUnits() const { return base_; }

  // Runs the dialog modally: initialisation, then the modal loop; returns the end result.
  int doModal();
  void endDialog(int result);

  // The control with that ID; throws std::out_of_range when there is none or it is of another kind.
  Control& item(int id) const;
  template <class T>
  T& item(int id) const {
    auto* c = dynamic_cast<T*>(&item(id));
    if (!c) throw std::out_of_range("dialog item " + std::to_string(id) + " is of another kind");
    return *c;
  }
  // Text of an item (static, edit, button) by ID.
  std::string itemText(int id) const { return item(id).text(); }
  void setItemText(int id, const std::string& t) { item(id).setText(t); }
  void enableItem(int id, bool e) { item(id).setEnabled(e); }
  void showItem(int id, bool v) { item(id).setVisible(v); }
  void focusItem(int id) { item(id).setFocus(); }

  // Members to controls (save = false) or controls to members (save = true); false on a failure.
  bool updateData(bool save = true);

  // Handlers by control ID: onCommand for a click (buttons, check boxes, radio buttons; it
  // replaces the default OK and Cancel handling of IDs 1 and 2), onChange for a change of an
  // edit, a list or an address, onNotification for every notification with its code.
  void onCommand(int id, std::function<void()> fn) { commands_[id] = std::move(fn); }
  void onChange(int id, std::function<void()> fn) { changes_[id] = std::move(fn); }
  void onNotification(int id, std::function<void(Notify)> fn) { notifications_[id] = std::move(fn); }

  // Overridables, as the dialog framework of the manager names them.
  virtual bool onInitDialog();
  virtual void doDataExchange(DataExchange&) {}
  virtual void onOK();
  virtual void onCancel();
  // Text a tooltip asks for, by the control's ID; the item's hint by default.
  virtual std::string tooltipText(int id) const;
  std::string tooltipFor(const Control& c) const override { return tooltipText(c.id()); }

  void notify(Control& sender, Notify what) override;
  bool defaultKeyHandling(Key k, ShiftState s) override;

 private:
  void build();
  DialogTemplate template_;
  Form* parent_;
  BaseUnits base_;
  std::vector<std::unique_ptr<Control>> owned_;
  std::map<int, std::function<void()>> commands_;
  std::map<int, std::function<void()>> changes_;
  std::map<int, std::function<void(Notify)>> notifications_;
};

}  // namespace platform::ui

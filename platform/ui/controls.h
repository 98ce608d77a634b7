// The basic controls: static texts, buttons, edits, check and radio buttons, panels, pictures,
// the progress gauge.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/ui/bitmap.h"
#include "platform/ui/control.h"
#include "platform/ui/form.h"

namespace platform::ui {

class Label : public Control {
 public:
  Label(Container& parent, std::string name, Rect r, std::string caption = {});
  bool wordWrap() const { return wordWrap_; }
  void setWordWrap(bool w);
  // With automatic size the label takes the size of its text whenever the text or font changes.
  bool autoSize() const { return autoSize_; }
  void setAutoSize(bool a);
  Alignment alignment() const { return alignment_; }
  void setAlignment(Alignment a);
  // A transparent label shows what lies behind it instead of its own background.
  bool transparent() const { return transparent_; }
  void setTransparent(bool t);
  void setText(const std::string& t) override;
  void setFontAndFit(const Font& f);
  // The text split into its lines ('\r', '\n' and "\r\n" break), without word wrapping.
  std::vector<std::string> lines() const;
  void describe(std::ostream& out) const override;

 private:
  void fit();
  bool wordWrap_ = false;
  bool autoSize_ = false;
  Alignment alignment_ = Alignment::Left;
  bool transparent_ = false;
};

class Button : public Control {
 public:
  Button(Container& parent, std::string name, Rect r, std::string caption = {});
  // The default button is pressed by Return, the cancel button by Escape.
  bool isDefault() const { return default_; }
  void setDefault(bool d);
  bool isCancel() const { return cancel_; }
  void setCancel(bool c) { cancel_ = c; }
  // A button with a modal result sets it on its form when clicked.
  int modalResult() const { return modalResult_; }
  void setModalResult(int r) { modalResult_ = r; }
  // A bitmap button shows a picture (and its caption beside it when there is room).
  const std::optional<Bitmap>& bitmap() const { return bitmap_; }
  void setBitmap(Bitmap b);
  bool click() override;
  void describe(std::ostream& out) const override;

 private:
  bool default_ = false;
  bool cancel_ = false;
  int modalResult_ = modal::none;
  std::optional<Bitmap> bitmap_;
};

class Edit : public Control {
 public:
  Edit(Container& parent, std::string name, Rect r, std::string text = {});
  // Programmatic change: not limited by the length limit or the digit rule (as on the system);
  // fires change when the text differs.
  void setText(const std::string& t) override;
  // 0 = no limit.
  std::size_t maxLength() const { return maxLength_; }
  void setMaxLength(std::size_t n) { maxLength_ = n; }
  // The character shown instead of each typed one; 0 shows the text.
  char passwordChar() const { return passwordChar_; }
  void setPasswordChar(char c);
  bool readOnly() const { return readOnly_; }
  void setReadOnly(bool r);
  bool digitsOnly() const { return digitsOnly_; }
  void setDigitsOnly(bool d) { digitsOnly_ = d; }

  // The user types characters at the end of the text: characters the edit refuses (read-only,
  // past the length limit, a non-digit in a digits-only edit) are dropped with a beep. Returns
  // whether every character went in.
  bool type(std::string_view chars);
  void backspace();
  // The user replaced the whole text (what a widget reports); the same rules apply, the text that
  // results is kept. Returns whether it was taken unchanged.
  bool userReplace(const std::string& t);
  void describe(std::ostream& out) const override;

 private:
  bool accepts(char c, std::size_t lengthSoFar) const;
  std::size_t maxLength_ = 0;
  char passwordChar_ = 0;
  bool readOnly_ = false;
  bool digitsOnly_ = false;
};

enum class ScrollBars { None, Horizontal, Vertical, Both };

class Memo : public Control {
 public:
  Memo(Container& parent, std::string name, Rect r);
  // The text joined with "\r\n"; setting it splits at "\r\n", '\r' or '\n'.
  void setText(const std::string& t) override;
  const std::vector<std::string>& lines() const { return lines_; }
  std::size_t lineCount() const { return lines_.size(); }
  void addLine(const std::string& line);
  void clear();
  bool readOnly() const { return readOnly_; }
  void setReadOnly(bool r);
  bool wordWrap() const { return wordWrap_; }
  void setWordWrap(bool w);
  ScrollBars scrollBars() const { return scrollBars_; }
  void setScrollBars(ScrollBars s);
  bool userReplace(const std::string& t);
  void describe(std::ostream& out) const override;

 private:
  void rebuildText();
  std::vector<std::string> lines_;
  bool readOnly_ = false;
  bool wordWrap_ = true;
  ScrollBars scrollBars_ = ScrollBars::None;
};

class CheckBox : public Control {
 public:
  CheckBox(Container& parent, std::string name, Rect r, std::string caption = {});
  bool checked() const { return checked_; }
  // Programmatic: fires nothing.
  void setChecked(bool c);
  // The user clicks: toggles, then fires click.
  bool click() override;
  void describe(std::ostream& out) const override;

 private:
  bool checked_ = false;
};

// Radio buttons with the same parent and the same group number exclude each other.
class RadioButton : public Control {
 public:
  RadioButton(Container& parent, std::string name, Rect r, std::string caption = {}, int group = 0);
  bool checked() const { return checked_; }
  // Checking one unchecks the others of its group; fires nothing.
  void setChecked(bool c);
  int group() const { return group_; }
  void setGroup(int g) { group_ = g; }
  // Off for radio buttons whose program checks and unchecks them itself.
  bool autoExclusive() const { return autoExclusive_; }
  void setAutoExclusive(bool a) { autoExclusive_ = a; }
  // The user clicks: checks this one (unchecking its group), then fires click, also when it was
  // checked already, as the system reports every click.
  bool click() override;
  std::vector<RadioButton*> groupMembers() const;
  void describe(std::ostream& out) const override;

 private:
  bool checked_ = false;
  int group_ = 0;
  bool autoExclusive_ = true;
};

enum class BevelKind { None, Raised, Lowered };

class Panel : public Control, public Container {
 public:
  Panel(Container& parent, std::string name, Rect r, std::string caption = {});
  BevelKind bevelOuter() const { return bevelOuter_; }
  void setBevelOuter(BevelKind b);
  BevelKind bevelInner() const { return bevelInner_; }
  void setBevelInner(BevelKind b);
  bool singleBorder() const { return singleBorder_; }
  void setSingleBorder(bool s);
  void describe(std::ostream& out) const override;

  Form& form() override { return Control::form(); }
  const Form& form() const override { return Control::form(); }
  Point clientOriginInForm() const override;
  bool containerShowing() const override { return showing(); }
  bool containerEnabled() const override { return effectivelyEnabled(); }
  const Font& containerFont() const override { return font(); }
  Color containerColor() const override { return color(); }

 private:
  BevelKind bevelOuter_ = BevelKind::Raised;
  BevelKind bevelInner_ = BevelKind::None;
  bool singleBorder_ = false;
};

class GroupBox : public Control, public Container {
 public:
  GroupBox(Container& parent, std::string name, Rect r, std::string caption = {});
  Form& form() override { return Control::form(); }
  const Form& form() const override { return Control::form(); }
  Point clientOriginInForm() const override;
  bool containerShowing() const override { return showing(); }
  bool containerEnabled() const override { return effectivelyEnabled(); }
  const Font& containerFont() const override { return font(); }
  Color containerColor() const override { return color(); }
};

enum class BevelShape { Box, Frame, TopLine, BottomLine, LeftLine, RightLine, Spacer };

class Bevel : public Control {
 public:
  Bevel(Container& parent, std::string name, Rect r, BevelShape shape = BevelShape::Box,
        BevelKind style = BevelKind::Lowered);
  BevelShape shape() const { return shape_; }
  void setShape(BevelShape s);
  BevelKind style() const { return style_; }
  void setStyle(BevelKind s);
  void describe(std::ostream& out) const override;

 private:
  BevelShape shape_;
  BevelKind style_;
};

class Picture : public Control {
 public:
  Picture(Container& parent, std::string name, Rect r);
  const std::optional<Bitmap>& bitmap() const { return bitmap_; }
  void setBitmap(Bitmap b);
  void clearBitmap();
  bool center() const { return center_; }
  void setCenter(bool c);
  bool stretch() const { return stretch_; }
  void setStretch(bool s);
  // Where the picture lands inside the control (for centred, stretched or plain placement).
  Rect pictureRect() const;
  void describe(std::ostream& out) const override;

 private:
  std::optional<Bitmap> bitmap_;
  bool center_ = false;
  bool stretch_ = false;
};

class ProgressBar : public Control {
 public:
  ProgressBar(Container& parent, std::string name, Rect r);
  int minimum() const { return min_; }
  int maximum() const { return max_; }
  void setRange(int lo, int hi);
  int position() const { return pos_; }
  // Clamped to the range.
  void setPosition(int p);
  bool showText() const { return showText_; }
  void setShowText(bool s);
  Color barColor() const { return barColor_; }
  void setBarColor(Color c);
  // Share of the range filled, 0 to 1.
  double fraction() const;
  void describe(std::ostream& out) const override;

 private:
  int min_ = 0;
  int max_ = 100;
  int pos_ = 0;
  bool showText_ = true;
  Color barColor_ = colors::activeCaption;
};

}  // namespace platform::ui

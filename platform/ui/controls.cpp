#include "platform/ui/controls.h"

#include <algorithm>
#include <ostream>

#include "platform/ui/application.h"

namespace platform::ui {

namespace {
std::vector<std::string> splitLines(const std::string& t) {
  std::vector<std::string> out;
  std::string cur;
  for (std::size_t i = 0; i < t.size(); ++i) {
    char c = t[i];
    if (c == '\r' || c == '\n') {
      if (c == '\r' && i + 1 < t.size() && t[i + 1] == '\n') ++i;
      out.push_back(cur);
      cur.clear();
    } else {
      cur += c;
    }
  }
  out.push_back(cur);
  return out;
}

const char* bevelName(BevelKind b) {
  switch (b) {
    case BevelKind::None: return "none";
    case BevelKind::Raised: return "raised";
    case BevelKind::Lowered: return "lowered";
  }
  return "?";
}
}  // namespace

// ---- Label

Label::Label(Container& parent, std::string name, Rect r, std::string caption)
    : Control(parent, ControlKind::Label, std::move(name), r) {
  Control::setText(caption);
}

void Label::setWordWrap(bool w) {
  wordWrap_ = w;
  fit();
  changed();
}

void Label::setAutoSize(bool a) {
  autoSize_ = a;
  fit();
  changed();
}

void Label::setAlignment(Alignment a) {
  alignment_ = a;
  changed();
}

void Label::setTransparent(bool t) {
  transparent_ = t;
  changed();
}

void Label::setText(const std::string& t) {
  Control::setText(t);
  fit();
}

void Label::setFontAndFit(const Font& f) {
  setFont(f);
  fit();
}

std::vector<std::string> Label::lines() const { return splitLines(text()); }

void Label::fit() {
  if (!autoSize_) return;
  Size s = form().app().backend().textExtent(font(), text().empty() ? std::string(" ") : text());
  if (wordWrap_) setHeight(s.height);  // a wrapped label keeps its width
  else setBounds({left(), top(), s.width, s.height});
}

void Label::describe(std::ostream& out) const {
  Control::describe(out);
  if (wordWrap_) out << " wordwrap";
  if (autoSize_) out << " autosize";
  if (alignment_ == Alignment::Center) out << " centred";
  if (alignment_ == Alignment::Right) out << " right";
  if (transparent_) out << " transparent";
}

// ---- Button

Button::Button(Container& parent, std::string name, Rect r, std::string caption)
    : Control(parent, ControlKind::Button, std::move(name), r) {
  Control::setText(caption);
  setTabStop(true);
}

void Button::setDefault(bool d) {
  default_ = d;
  changed();
}

void Button::setBitmap(Bitmap b) {
  bitmap_ = std::move(b);
  changed();
}

bool Button::click() {
  if (!acceptsInput()) return false;
  // The modal result first, then the handler, which may still change it.
  if (modalResult_ != modal::none) form().setModalResult(modalResult_);
  fire(Notify::Click);
  return true;
}

void Button::describe(std::ostream& out) const {
  Control::describe(out);
  if (default_) out << " default";
  if (cancel_) out << " cancel";
  if (modalResult_) out << " result=" << modalResult_;
  if (bitmap_) out << " bitmap=" << bitmap_->width() << 'x' << bitmap_->height();
}

// ---- Edit

Edit::Edit(Container& parent, std::string name, Rect r, std::string text)
    : Control(parent, ControlKind::Edit, std::move(name), r) {
  Control::setText(text);
  setTabStop(true);
  setColor(colors::window);
}

void Edit::setText(const std::string& t) {
  if (t == text()) return;
  Control::setText(t);
  fire(Notify::Change);
}

void Edit::setPasswordChar(char c) {
  passwordChar_ = c;
  changed();
}

void Edit::setReadOnly(bool r) {
  readOnly_ = r;
  changed();
}

bool Edit::accepts(char c, std::size_t lengthSoFar) const {
  if (readOnly_) return false;
  if (maxLength_ && lengthSoFar >= maxLength_) return false;
  if (digitsOnly_ && (c < '0' || c > '9')) return false;
  return true;
}

bool Edit::type(std::string_view chars) {
  if (!acceptsInput()) return false;
  std::string t = text();
  bool all = true;
  for (char c : chars) {
    if (accepts(c, t.size())) {
      t += c;
      // Every keystroke that changes the text is one change, as the system reports it.
      Control::setText(t);
      fire(Notify::Change);
    } else {
      all = false;
      form().app().beep();
    }
  }
  return all;
}

void Edit::backspace() {
  if (!acceptsInput() || readOnly_ || text().empty()) return;
  std::string t = text();
  t.pop_back();
  Control::setText(t);
  fire(Notify::Change);
}

bool Edit::userReplace(const std::string& t) {
  if (!acceptsInput()) return false;
  if (readOnly_) {
    changed();  // the widget must show the old text again
    return false;
  }
  std::string kept;
  for (char c : t)
    if (accepts(c, kept.size())) kept += c;
  bool same = kept == t;
  if (!same) form().app().beep();
  if (kept != text()) {
    Control::setText(kept);
    fire(Notify::Change);
  } else if (!same) {
    changed();
  }
  return same;
}

void Edit::describe(std::ostream& out) const {
  if (passwordChar_) {
    // Never print what was typed into a password field.
    std::string saved = text();
    out << "Edit " << name();
    if (id()) out << " #" << id();
    out << ' ' << bounds() << " password(" << saved.size() << " chars)";
    if (!visible()) out << " hidden";
    if (!enabled()) out << " disabled";
    if (focused()) out << " focused";
  } else {
    Control::describe(out);
  }
  if (maxLength_) out << " max=" << maxLength_;
  if (readOnly_) out << " readonly";
  if (digitsOnly_) out << " digits";
}

// ---- Memo

Memo::Memo(Container& parent, std::string name, Rect r) : Control(parent, ControlKind::Memo, std::move(name), r) {
  setTabStop(true);
  setColor(colors::window);
}

void Memo::setText(const std::string& t) {
  if (t.empty()) lines_.clear();
  else {
    lines_ = splitLines(t);
    // A final line break ends the last line; it does not start a new one.
    if (lines_.size() > 1 && lines_.back().empty()) lines_.pop_back();
  }
  rebuildText();
}

void Memo::addLine(const std::string& line) {
  lines_.push_back(line);
  rebuildText();
}

void Memo::clear() {
  lines_.clear();
  rebuildText();
}

void Memo::rebuildText() {
  std::string t;
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    if (i) t += "\r\n";
    t += lines_[i];
  }
  if (t == text()) return;
  Control::setText(t);
  fire(Notify::Change);
}

void Memo::setReadOnly(bool r) {
  readOnly_ = r;
  changed();
}

void Memo::setWordWrap(bool w) {
  wordWrap_ = w;
  changed();
}

void Memo::setScrollBars(ScrollBars s) {
  scrollBars_ = s;
  changed();
}

bool Memo::userReplace(const std::string& t) {
  if (!acceptsInput()) return false;
  if (readOnly_) {
    changed();
    return false;
  }
  setText(t);
  return true;
}

void Memo::describe(std::ostream& out) const {
  out << "Memo " << name();
  if (id()) out << " #" << id();
  out << ' ' << bounds() << ' ' << lines_.size() << " lines";
  if (!visible()) out << " hidden";
  if (!enabled()) out << " disabled";
  if (readOnly_) out << " readonly";
  if (!wordWrap_) out << " nowrap";
  if (scrollBars_ == ScrollBars::Vertical || scrollBars_ == ScrollBars::Both) out << " vscroll";
  for (const auto& l : lines_) out << "\n    | " << quoted(l);
}

// ---- CheckBox

CheckBox::CheckBox(Container& parent, std::string name, Rect r, std::string caption)
    : Control(parent, ControlKind::CheckBox, std::move(name), r) {
  Control::setText(caption);
  setTabStop(true);
}

void CheckBox::setChecked(bool c) {
  if (c == checked_) return;
  checked_ = c;
  changed();
}

bool CheckBox::click() {
  if (!acceptsInput()) return false;
  checked_ = !checked_;
  changed();
  fire(Notify::Click);
  return true;
}

void CheckBox::describe(std::ostream& out) const {
  Control::describe(out);
  out << (checked_ ? " [x]" : " [ ]");
}

// ---- RadioButton

RadioButton::RadioButton(Container& parent, std::string name, Rect r, std::string caption, int group)
    : Control(parent, ControlKind::RadioButton, std::move(name), r), group_(group) {
  Control::setText(caption);
  setTabStop(true);
}

std::vector<RadioButton*> RadioButton::groupMembers() const {
  std::vector<RadioButton*> out;
  for (Control* c : parent().children())
    if (auto* r = dynamic_cast<RadioButton*>(c); r && r->group_ == group_) out.push_back(r);
  return out;
}

void RadioButton::setChecked(bool c) {
  if (c && autoExclusive_)
    for (RadioButton* other : groupMembers())
      if (other != this && other->checked_) {
        other->checked_ = false;
        other->changed();
      }
  if (c == checked_) return;
  checked_ = c;
  changed();
}

bool RadioButton::click() {
  if (!acceptsInput()) return false;
  setChecked(true);
  fire(Notify::Click);
  return true;
}

void RadioButton::describe(std::ostream& out) const {
  Control::describe(out);
  out << (checked_ ? " (o)" : " ( )");
  if (group_) out << " group=" << group_;
}

// ---- Panel, GroupBox, Bevel

Panel::Panel(Container& parent, std::string name, Rect r, std::string caption)
    : Control(parent, ControlKind::Panel, std::move(name), r) {
  Control::setText(caption);
}

void Panel::setBevelOuter(BevelKind b) {
  bevelOuter_ = b;
  changed();
}

void Panel::setBevelInner(BevelKind b) {
  bevelInner_ = b;
  changed();
}

void Panel::setSingleBorder(bool s) {
  singleBorder_ = s;
  changed();
}

Point Panel::clientOriginInForm() const {
  Rect r = rectInForm();
  return {r.left, r.top};
}

void Panel::describe(std::ostream& out) const {
  Control::describe(out);
  if (bevelOuter_ != BevelKind::Raised) out << " outer=" << bevelName(bevelOuter_);
  if (bevelInner_ != BevelKind::None) out << " inner=" << bevelName(bevelInner_);
  if (singleBorder_) out << " border";
}

GroupBox::GroupBox(Container& parent, std::string name, Rect r, std::string caption)
    : Control(parent, ControlKind::GroupBox, std::move(name), r) {
  Control::setText(caption);
}

Point GroupBox::clientOriginInForm() const {
  Rect r = rectInForm();
  return {r.left, r.top};
}

Bevel::Bevel(Container& parent, std::string name, Rect r, BevelShape shape, BevelKind style)
    : Control(parent, ControlKind::Bevel, std::move(name), r), shape_(shape), style_(style) {}

void Bevel::setShape(BevelShape s) {
  shape_ = s;
  changed();
}

void Bevel::setStyle(BevelKind s) {
  style_ = s;
  changed();
}

void Bevel::describe(std::ostream& out) const {
  static const char* shapes[] = {"box", "frame", "topline", "bottomline", "leftline", "rightline", "spacer"};
  Control::describe(out);
  out << ' ' << shapes[static_cast<int>(shape_)] << ' ' << bevelName(style_);
}

// ---- Picture

Picture::Picture(Container& parent, std::string name, Rect r) : Control(parent, ControlKind::Picture, std::move(name), r) {}

void Picture::setBitmap(Bitmap b) {
  bitmap_ = std::move(b);
  changed();
}

void Picture::clearBitmap() {
  bitmap_.reset();
  changed();
}

void Picture::setCenter(bool c) {
  center_ = c;
  changed();
}

void Picture::setStretch(bool s) {
  stretch_ = s;
  changed();
}

Rect Picture::pictureRect() const {
  if (!bitmap_) return {0, 0, 0, 0};
  if (stretch_) return {0, 0, width(), height()};
  if (center_) return {(width() - bitmap_->width()) / 2, (height() - bitmap_->height()) / 2, bitmap_->width(), bitmap_->height()};
  return {0, 0, bitmap_->width(), bitmap_->height()};
}

void Picture::describe(std::ostream& out) const {
  Control::describe(out);
  if (bitmap_) out << " bitmap=" << bitmap_->width() << 'x' << bitmap_->height();
  else out << " empty";
  if (center_) out << " centred";
  if (stretch_) out << " stretched";
}

// ---- ProgressBar

ProgressBar::ProgressBar(Container& parent, std::string name, Rect r)
    : Control(parent, ControlKind::ProgressBar, std::move(name), r) {}

void ProgressBar::setRange(int lo, int hi) {
  min_ = lo;
  max_ = std::max(lo, hi);
  pos_ = std::clamp(pos_, min_, max_);
  changed();
}

void ProgressBar::setPosition(int p) {
  p = std::clamp(p, min_, max_);
  if (p == pos_) return;
  pos_ = p;
  changed();
}

void ProgressBar::setShowText(bool s) {
  showText_ = s;
  changed();
}

void ProgressBar::setBarColor(Color c) {
  barColor_ = c;
  changed();
}

double ProgressBar::fraction() const {
  return max_ == min_ ? 0.0 : static_cast<double>(pos_ - min_) / (max_ - min_);
}

void ProgressBar::describe(std::ostream& out) const {
  Control::describe(out);
  out << " pos=" << pos_ << " range=" << min_ << ".." << max_;
  if (!showText_) out << " notext";
}

}  // namespace platform::ui

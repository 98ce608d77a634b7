#include "platform/ui/dialog.h"

#include <charconv>
#include <cstdlib>

#include "platform/text/ansi.h"
#include "platform/ui/application.h"
#include "platform/ui/common_controls.h"
#include "platform/ui/controls.h"
#include "platform/ui/list_controls.h"

namespace platform::ui {

int mulDiv(int a, int b, int c) {
  if (c == 0) return -1;
  long long p = static_cast<long long>(a) * b;
  long long half = std::llabs(c) / 2;
  long long q = (p >= 0) == (c > 0) ? (std::llabs(p) + half) / std::llabs(c) : -((std::llabs(p) + half) / std::llabs(c));
  return static_cast<int>(q);
}

BaseUnits baseUnitsFor(const std::string& fontName, int pointSize) {
  // Average width of the 52 letters and the cell height of the font at 96 dpi.
  if (equalsIgnoreCase(fontName, "MS Sans Serif") || equalsIgnoreCase(fontName, "MS Shell Dlg")) {
    switch (pointSize) {
      case 8: return {6, 13};
      case 10: return {7, 16};
      case 12: return {9, 20};
      default: break;
    }
  }
  int h = (pointSize * 96 + 36) / 72 + 2;
  return {(h * 6 + 6) / 13, h};
}

Rect dluToPixels(const DluRect& r, BaseUnits base) {
  return {mulDiv(r.x, base.x, 4), mulDiv(r.y, base.y, 8), mulDiv(r.cx, base.x, 4), mulDiv(r.cy, base.y, 8)};
}

// ---- DataExchange

bool DataExchange::fail(Control& c, const std::string& message) {
  Application& app = dialog_.app();
  app.messageBox(message, app.title(), MessageButtons::Ok, MessageIcon::Warning);
  c.setFocus();
  failed_ = true;
  return false;
}

void DataExchange::text(int id, std::string& value) {
  if (failed_) return;
  Control& c = dialog_.item(id);
  if (saving_) value = c.text();
  else c.setText(value);
}

void DataExchange::number(int id, int& value) {
  if (failed_) return;
  Control& c = dialog_.item(id);
  if (!saving_) {
    c.setText(std::to_string(value));
    return;
  }
  std::string t = c.text();
  std::size_t a = t.find_first_not_of(" \t");
  std::size_t b = t.find_last_not_of(" \t");
  std::string core = a == std::string::npos ? std::string() : t.substr(a, b - a + 1);
  const char* begin = core.data();
  if (!core.empty() && core[0] == '+') ++begin;
  long long v = 0;
  auto [p, ec] = std::from_chars(begin, core.data() + core.size(), v);
  if (core.empty() || ec != std::errc() || p != core.data() + core.size() || v < INT32_MIN || v > INT32_MAX) {
    fail(c, "Please enter an integer.");
    return;
  }
  value = static_cast<int>(v);
}

void DataExchange::check(int id, bool& value) {
  if (failed_) return;
  Control& c = dialog_.item(id);
  if (auto* cb = dynamic_cast<CheckBox*>(&c)) {
    if (saving_) value = cb->checked();
    else cb->setChecked(value);
  } else if (auto* rb = dynamic_cast<RadioButton*>(&c)) {
    if (saving_) value = rb->checked();
    else rb->setChecked(value);
  } else {
    throw std::out_of_range("dialog item " + std::to_string(id) + " is not a check box");
  }
}

void DataExchange::radio(int firstId, int& index) {
  if (failed_) return;
  const auto& items = dialog_.dialogTemplate().items;
  std::size_t at = 0;
  while (at < items.size() && items[at].id != firstId) ++at;
  if (at == items.size()) throw std::out_of_range("no dialog item " + std::to_string(firstId));
  std::vector<RadioButton*> group;
  for (std::size_t i = at; i < items.size(); ++i) {
    if (i > at && (items[i].flags & style::group)) break;
    if (items[i].kind == ItemKind::Radio) group.push_back(&dialog_.item<RadioButton>(items[i].id));
  }
  if (saving_) {
    index = -1;
    for (std::size_t i = 0; i < group.size(); ++i)
      if (group[i]->checked()) index = static_cast<int>(i);
  } else {
    for (std::size_t i = 0; i < group.size(); ++i) group[i]->setChecked(static_cast<int>(i) == index);
  }
}

void DataExchange::listIndex(int id, int& index) {
  if (failed_) return;
  Control& c = dialog_.item(id);
  if (auto* cb = dynamic_cast<ComboBox*>(&c)) {
    if (saving_) index = cb->itemIndex();
    else cb->setItemIndex(index);
  } else if (auto* lb = dynamic_cast<ListBox*>(&c)) {
    if (saving_) index = lb->itemIndex();
    else lb->setItemIndex(index);
  } else {
    throw std::out_of_range("dialog item " + std::to_string(id) + " is not a list");
  }
}

void DataExchange::maxChars(int id, std::size_t n) {
  if (failed_ || saving_) return;
  dialog_.item<Edit>(id).setMaxLength(n);
}

// ---- Dialog

Dialog::Dialog(Application& app, const DialogTemplate& t, Form* parent, std::string name)
    : Form(app, name.empty() ? "dialog" + std::to_string(t.resourceId) : std::move(name)),
      template_(t), parent_(parent), base_(baseUnitsFor(t.fontName, t.fontSize)) {
  Font f;
  f.name = t.fontName;
  f.pointSize = t.fontSize;
  setFont(f);
  setCaption(t.caption);
  Rect client = dluToPixels(template_.rect, base_);
  setClientSize({client.width, client.height});
  setPosition(FormPosition::ScreenCenter);
  if (t.popup) {
    setBorderStyle(BorderStyle::None);
    setBorderIcons({false, false, false});
  } else {
    setBorderStyle(BorderStyle::Dialog);
    setBorderIcons({true, false, false});
  }
  build();
}

Dialog::~Dialog() {
  // The controls go before the form's own parts.
  owned_.clear();
}

void Dialog::build() {
  int group = 0;
  for (const DialogItem& it : template_.items) {
    if (it.flags & style::group) ++group;
    Rect r = dluToPixels(it.rect, base_);
    std::string name = "id" + std::to_string(it.id);
    std::unique_ptr<Control> c;
    switch (it.kind) {
      case ItemKind::Static: {
        auto l = std::make_unique<Label>(*this, name, r, it.text);
        l->setWordWrap(!(it.flags & style::noWrap));
        if (it.flags & style::centre) l->setAlignment(Alignment::Center);
        if (it.flags & style::right) l->setAlignment(Alignment::Right);
        c = std::move(l);
        break;
      }
      case ItemKind::Button:
      case ItemKind::DefButton:
      case ItemKind::BitmapButton: {
        auto b = std::make_unique<Button>(*this, name, r, it.text);
        b->setDefault(it.kind == ItemKind::DefButton);
        c = std::move(b);
        break;
      }
      case ItemKind::Edit: {
        auto e = std::make_unique<Edit>(*this, name, r, it.text);
        if (it.flags & style::password) e->setPasswordChar('*');
        if (it.flags & style::readOnly) e->setReadOnly(true);
        if (it.flags & style::number) e->setDigitsOnly(true);
        c = std::move(e);
        break;
      }
      case ItemKind::Memo: {
        auto m = std::make_unique<Memo>(*this, name, r);
        m->setReadOnly(it.flags & style::readOnly);
        c = std::move(m);
        break;
      }
      case ItemKind::CheckBox: c = std::make_unique<CheckBox>(*this, name, r, it.text); break;
      case ItemKind::Radio: {
        auto rb = std::make_unique<RadioButton>(*this, name, r, it.text, group);
        rb->setAutoExclusive(it.flags & style::autoRadio);
        c = std::move(rb);
        break;
      }
      case ItemKind::GroupBox: c = std::make_unique<GroupBox>(*this, name, r, it.text); break;
      case ItemKind::ComboList: c = std::make_unique<ComboBox>(*this, name, r); break;
      case ItemKind::ListBox: {
        auto lb = std::make_unique<ListBox>(*this, name, r);
        lb->setSorted(it.flags & style::sorted);
        c = std::move(lb);
        break;
      }
      case ItemKind::ListView: {
        auto lv = std::make_unique<ListView>(*this, name, r);
        lv->setFullRowSelect(it.flags & style::fullRow);
        lv->setMultiSelect(it.flags & style::multiSel);
        c = std::move(lv);
        break;
      }
      case ItemKind::IpAddress: c = std::make_unique<IpAddress>(*this, name, r); break;
      case ItemKind::Spin: c = std::make_unique<UpDown>(*this, name, r); break;
      case ItemKind::Picture: c = std::make_unique<Picture>(*this, name, r); break;
      case ItemKind::Progress: c = std::make_unique<ProgressBar>(*this, name, r); break;
    }
    c->setId(it.id);
    if (it.flags & style::hidden) c->setVisible(false);
    if (it.flags & style::disabled) c->setEnabled(false);
    owned_.push_back(std::move(c));
  }
}

Control& Dialog::item(int id) const {
  for (const auto& c : owned_)
    if (c->id() == id) return *c;
  if (Control* c = controlById(id)) return *c;
  throw std::out_of_range("no dialog item " + std::to_string(id) + " in " + name());
}

int Dialog::doModal() {
  create();
  setModalResult(modal::none);
  onInitDialog();
  return showModal();
}

void Dialog::endDialog(int result) { setModalResult(result); }

bool Dialog::updateData(bool save) {
  DataExchange dx(*this, save);
  doDataExchange(dx);
  return !dx.failed();
}

bool Dialog::onInitDialog() {
  updateData(false);
  return true;
}

void Dialog::onOK() {
  if (updateData(true)) endDialog(modal::ok);
}

void Dialog::onCancel() { endDialog(modal::cancel); }

std::string Dialog::tooltipText(int id) const {
  for (const auto& c : owned_)
    if (c->id() == id) return c->hint();
  return {};
}

void Dialog::notify(Control& sender, Notify what) {
  const int id = sender.id();
  if (auto it = notifications_.find(id); it != notifications_.end()) {
    auto fn = it->second;
    fn(what);
  }
  if (what == Notify::Click && (sender.kind() == ControlKind::Button || sender.kind() == ControlKind::CheckBox ||
                                sender.kind() == ControlKind::RadioButton)) {
    if (auto it = commands_.find(id); it != commands_.end()) {
      auto fn = it->second;
      fn();
    } else if (id == modal::ok && sender.kind() == ControlKind::Button) {
      onOK();
    } else if (id == modal::cancel && sender.kind() == ControlKind::Button) {
      onCancel();
    }
  } else if (what == Notify::Change) {
    if (auto it = changes_.find(id); it != changes_.end()) {
      auto fn = it->second;
      fn();
    }
  }
}

bool Dialog::defaultKeyHandling(Key k, ShiftState s) {
  if (k == Key::Tab) return Form::defaultKeyHandling(k, s);
  if (k == Key::Escape) {
    // IDCANCEL, unless the dialog's Cancel button is there and disabled.
    Control* cancel = nullptr;
    for (const auto& c : owned_)
      if (c->id() == modal::cancel) cancel = c.get();
    if (cancel && !cancel->effectivelyEnabled()) return false;
    if (cancel) {
      notify(*cancel, Notify::Click);
      return true;
    }
    onCancel();
    return true;
  }
  if (k == Key::Return) {
    if (auto* b = dynamic_cast<Button*>(focusedControl()); b && b->click()) return true;
    if (Button* b = defaultButton(); b && b->effectivelyEnabled()) return b->click();
    for (const auto& c : owned_)
      if (c->id() == modal::ok) return c->click();
    onOK();
    return true;
  }
  return false;
}

}  // namespace platform::ui

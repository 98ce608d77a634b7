#include "platform/ui/list_controls.h"

#include <algorithm>
#include <ostream>

#include "platform/text/ansi.h"

namespace platform::ui {

// ---- ListBox

ListBox::ListBox(Container& parent, std::string name, Rect r) : Control(parent, ControlKind::ListBox, std::move(name), r) {
  setTabStop(true);
  setColor(colors::window);
}

void ListBox::setSorted(bool s) {
  sorted_ = s;
  if (s) {
    std::string sel = index_ >= 0 ? items_[static_cast<std::size_t>(index_)] : std::string();
    std::stable_sort(items_.begin(), items_.end(),
                     [](const std::string& a, const std::string& b) { return compareIgnoreCase(a, b) < 0; });
    if (index_ >= 0) index_ = indexOf(sel);
  }
  changed();
}

int ListBox::addItem(const std::string& s) {
  std::size_t at = items_.size();
  if (sorted_)
    at = static_cast<std::size_t>(
        std::upper_bound(items_.begin(), items_.end(), s,
                         [](const std::string& a, const std::string& b) { return compareIgnoreCase(a, b) < 0; }) -
        items_.begin());
  items_.insert(items_.begin() + static_cast<std::ptrdiff_t>(at), s);
  if (index_ >= static_cast<int>(at)) ++index_;
  changed();
  return static_cast<int>(at);
}

void ListBox::deleteItem(int index) {
  if (index < 0 || index >= count()) return;
  items_.erase(items_.begin() + index);
  if (index_ == index) index_ = -1;
  else if (index_ > index) --index_;
  changed();
}

void ListBox::clear() {
  items_.clear();
  index_ = -1;
  changed();
}

int ListBox::indexOf(const std::string& s) const {
  for (std::size_t i = 0; i < items_.size(); ++i)
    if (equalsIgnoreCase(items_[i], s)) return static_cast<int>(i);
  return -1;
}

void ListBox::setItemIndex(int i) {
  if (i < -1 || i >= count()) i = -1;
  if (i == index_) return;
  index_ = i;
  changed();
}

bool ListBox::clickItem(int i) {
  if (!acceptsInput() || i < 0 || i >= count()) return false;
  setItemIndex(i);
  fire(Notify::Click);
  return true;
}

bool ListBox::doubleClickItem(int i) {
  if (!clickItem(i)) return false;
  fire(Notify::DoubleClick);
  return true;
}

void ListBox::describe(std::ostream& out) const {
  Control::describe(out);
  if (sorted_) out << " sorted";
  out << ' ' << items_.size() << " items";
  for (std::size_t i = 0; i < items_.size(); ++i)
    out << "\n    " << (static_cast<int>(i) == index_ ? "> " : "  ") << quoted(items_[i]);
}

// ---- ComboBox

ComboBox::ComboBox(Container& parent, std::string name, Rect r)
    : Control(parent, ControlKind::ComboBox, std::move(name), r) {
  setTabStop(true);
  setColor(colors::window);
}

int ComboBox::addItem(const std::string& s) {
  items_.push_back(s);
  changed();
  return count() - 1;
}

void ComboBox::clear() {
  items_.clear();
  index_ = -1;
  changed();
}

int ComboBox::indexOf(const std::string& s) const {
  for (std::size_t i = 0; i < items_.size(); ++i)
    if (equalsIgnoreCase(items_[i], s)) return static_cast<int>(i);
  return -1;
}

void ComboBox::setItemIndex(int i) {
  if (i < -1 || i >= count()) i = -1;
  if (i == index_) return;
  index_ = i;
  changed();
}

std::string ComboBox::selectedText() const { return index_ >= 0 ? items_[static_cast<std::size_t>(index_)] : std::string(); }

bool ComboBox::select(int i) {
  if (!acceptsInput() || i < 0 || i >= count()) return false;
  if (i == index_) return true;
  setItemIndex(i);
  fire(Notify::Change);
  return true;
}

void ComboBox::describe(std::ostream& out) const {
  Control::describe(out);
  out << " selected=" << index_;
  for (std::size_t i = 0; i < items_.size(); ++i)
    out << "\n    " << (static_cast<int>(i) == index_ ? "> " : "  ") << quoted(items_[i]);
}

// ---- ListView

ListView::ListView(Container& parent, std::string name, Rect r)
    : Control(parent, ControlKind::ListView, std::move(name), r) {
  setTabStop(true);
  setColor(colors::window);
}

int ListView::addColumn(const std::string& header, int width, Alignment a) {
  columns_.push_back({header, width, a});
  changed();
  return columnCount() - 1;
}

void ListView::setFullRowSelect(bool f) {
  fullRowSelect_ = f;
  changed();
}

void ListView::setMultiSelect(bool m) {
  multiSelect_ = m;
  if (!m) {
    // Keep only the first selected row.
    int first = nextSelected();
    for (int i = 0; i < rowCount(); ++i) setState(i, i == first);
  }
  if (pending_) {
    pending_ = false;
    changed();
    fire(Notify::Change);
  }
}

int ListView::addRow(const std::vector<std::string>& cells) { return insertRow(rowCount(), cells); }

int ListView::insertRow(int index, const std::vector<std::string>& cells) {
  if (index < 0 || index > rowCount()) index = rowCount();
  rows_.insert(rows_.begin() + index, Row{cells, false, 0});
  if (focused_ >= index) ++focused_;
  if (anchor_ >= index) ++anchor_;
  changed();
  return index;
}

void ListView::deleteRow(int index) {
  if (index < 0 || index >= rowCount()) return;
  bool wasSelected = rows_[static_cast<std::size_t>(index)].selected;
  rows_.erase(rows_.begin() + index);
  // The focus does not move to another row when its row goes.
  if (focused_ == index) focused_ = -1;
  else if (focused_ > index) --focused_;
  if (anchor_ == index) anchor_ = -1;
  else if (anchor_ > index) --anchor_;
  changed();
  if (wasSelected) fire(Notify::Change);
}

void ListView::clear() {
  bool any = selectedCount() > 0 || focused_ >= 0;
  rows_.clear();
  focused_ = anchor_ = -1;
  changed();
  if (any) fire(Notify::Change);
}

std::string ListView::cell(int row, int col) const {
  const auto& cells = rows_.at(static_cast<std::size_t>(row)).cells;
  return col >= 0 && col < static_cast<int>(cells.size()) ? cells[static_cast<std::size_t>(col)] : std::string();
}

void ListView::setCell(int row, int col, const std::string& text) {
  if (col < 0) return;
  auto& cells = rows_.at(static_cast<std::size_t>(row)).cells;
  if (static_cast<int>(cells.size()) <= col) cells.resize(static_cast<std::size_t>(col) + 1);
  if (cells[static_cast<std::size_t>(col)] == text) return;
  cells[static_cast<std::size_t>(col)] = text;
  changed();
}

bool ListView::isSelected(int row) const {
  return row >= 0 && row < rowCount() && rows_[static_cast<std::size_t>(row)].selected;
}

void ListView::setState(int row, bool selected) {
  auto& r = rows_[static_cast<std::size_t>(row)];
  if (r.selected == selected) return;
  r.selected = selected;
  pending_ = true;
}

void ListView::setSelected(int row, bool s) {
  if (row < 0 || row >= rowCount()) return;
  if (s && !multiSelect_)
    for (int i = 0; i < rowCount(); ++i)
      if (i != row) setState(i, false);
  setState(row, s);
  if (pending_) {
    pending_ = false;
    changed();
    fire(Notify::Change);
  }
}

void ListView::selectNone() {
  for (int i = 0; i < rowCount(); ++i) setState(i, false);
  if (pending_) {
    pending_ = false;
    changed();
    fire(Notify::Change);
  }
}

std::vector<int> ListView::selectedRows() const {
  std::vector<int> out;
  for (int i = 0; i < rowCount(); ++i)
    if (rows_[static_cast<std::size_t>(i)].selected) out.push_back(i);
  return out;
}

int ListView::selectedCount() const { return static_cast<int>(selectedRows().size()); }

int ListView::nextSelected(int after) const {
  for (int i = std::max(after + 1, 0); i < rowCount(); ++i)
    if (rows_[static_cast<std::size_t>(i)].selected) return i;
  return -1;
}

void ListView::setFocusedRow(int row) {
  if (row < -1 || row >= rowCount()) row = -1;
  if (row == focused_) return;
  focused_ = row;
  changed();
  fire(Notify::Change);
}

int ListView::focusedSelectedRow() const { return isSelected(focused_) ? focused_ : -1; }

bool ListView::clickRow(int row, ShiftState s) {
  if (!acceptsInput()) return false;
  if (row < -1 || row >= rowCount()) return false;
  if (row == -1) {
    // A click below the rows clears the selection (Ctrl keeps it) and leaves the focus.
    if (!s.ctrl)
      for (int i = 0; i < rowCount(); ++i) setState(i, false);
  } else if (multiSelect_ && s.shift) {
    int from = anchor_ >= 0 ? anchor_ : row;
    int lo = std::min(from, row), hi = std::max(from, row);
    for (int i = 0; i < rowCount(); ++i)
      if (i >= lo && i <= hi) setState(i, true);
      else if (!s.ctrl) setState(i, false);
  } else if (multiSelect_ && s.ctrl) {
    setState(row, !isSelected(row));
    anchor_ = row;
  } else {
    for (int i = 0; i < rowCount(); ++i) setState(i, i == row);
    anchor_ = row;
  }
  bool focusMoved = row >= 0 && focused_ != row;
  if (row >= 0) focused_ = row;
  if (pending_ || focusMoved) {
    pending_ = false;
    changed();
    fire(Notify::Change);
  }
  fire(Notify::Click);
  return true;
}

bool ListView::doubleClickRow(int row) {
  if (!clickRow(row)) return false;
  fire(Notify::DoubleClick);
  return true;
}

void ListView::describe(std::ostream& out) const {
  Control::describe(out);
  if (fullRowSelect_) out << " fullrow";
  if (multiSelect_) out << " multiselect";
  out << " focused=" << focused_;
  out << "\n    columns:";
  for (const auto& c : columns_) out << ' ' << quoted(c.header) << '/' << c.width;
  for (int i = 0; i < rowCount(); ++i) {
    out << "\n    " << (isSelected(i) ? '*' : ' ') << (i == focused_ ? '>' : ' ') << ' ' << i << ':';
    for (const auto& t : rows_[static_cast<std::size_t>(i)].cells) out << ' ' << quoted(t);
  }
}

}  // namespace platform::ui

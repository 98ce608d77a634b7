// Controls that show lists: the list box, the drop-down list and the report list view.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/ui/control.h"

namespace platform::ui {

class ListBox : public Control {
 public:
  ListBox(Container& parent, std::string name, Rect r);
  // A sorted list keeps its items in order without regard to case, as the system sorts them.
  bool sorted() const { return sorted_; }
  void setSorted(bool s);
  // Adds an item and returns where it went.
  int addItem(const std::string& s);
  void deleteItem(int index);
  void clear();
  int count() const { return static_cast<int>(items_.size()); }
  const std::string& item(int index) const { return items_.at(static_cast<std::size_t>(index)); }
  const std::vector<std::string>& items() const { return items_; }
  // The first item equal to `s` without regard to case, or -1.
  int indexOf(const std::string& s) const;
  int itemIndex() const { return index_; }
  // Programmatic selection; fires nothing. -1 selects nothing.
  void setItemIndex(int i);
  // The user clicks an item: selects it and fires click.
  bool clickItem(int i);
  bool doubleClickItem(int i);
  void describe(std::ostream& out) const override;

 private:
  std::vector<std::string> items_;
  bool sorted_ = false;
  int index_ = -1;
};

// A drop-down list: the user picks one of its items, nothing can be typed.
class ComboBox : public Control {
 public:
  ComboBox(Container& parent, std::string name, Rect r);
  int addItem(const std::string& s);
  void clear();
  int count() const { return static_cast<int>(items_.size()); }
  const std::string& item(int index) const { return items_.at(static_cast<std::size_t>(index)); }
  const std::vector<std::string>& items() const { return items_; }
  int indexOf(const std::string& s) const;
  int itemIndex() const { return index_; }
  // Programmatic selection; fires nothing.
  void setItemIndex(int i);
  // The selected item's text, or empty.
  std::string selectedText() const;
  // The user picks an item: fires change when the selection moved.
  bool select(int i);
  void describe(std::ostream& out) const override;

 private:
  std::vector<std::string> items_;
  int index_ = -1;
};

struct ListColumn {
  std::string header;
  int width = 50;
  Alignment alignment = Alignment::Left;
};

// A report list: columns with headers, rows of texts, selection and a focused row.
// Changes of selection or focus, whether made by the user or the program, fire change (the
// system reports both).
class ListView : public Control {
 public:
  ListView(Container& parent, std::string name, Rect r);
  int addColumn(const std::string& header, int width, Alignment a = Alignment::Left);
  int columnCount() const { return static_cast<int>(columns_.size()); }
  const ListColumn& column(int i) const { return columns_.at(static_cast<std::size_t>(i)); }

  bool fullRowSelect() const { return fullRowSelect_; }
  void setFullRowSelect(bool f);
  bool multiSelect() const { return multiSelect_; }
  void setMultiSelect(bool m);

  // Adds a row at the end (texts per column; missing ones are empty) and returns its index.
  int addRow(const std::vector<std::string>& cells);
  // Inserts before `index` (at the end when it is past the last row).
  int insertRow(int index, const std::vector<std::string>& cells);
  void deleteRow(int index);
  void clear();
  int rowCount() const { return static_cast<int>(rows_.size()); }
  std::string cell(int row, int col) const;
  void setCell(int row, int col, const std::string& text);
  std::uintptr_t rowData(int row) const { return rows_.at(static_cast<std::size_t>(row)).data; }
  void setRowData(int row, std::uintptr_t d) { rows_.at(static_cast<std::size_t>(row)).data = d; }

  bool isSelected(int row) const;
  // Programmatic; in a single-selection list selecting a row deselects the others.
  void setSelected(int row, bool s);
  void selectNone();
  std::vector<int> selectedRows() const;
  int selectedCount() const;
  // The first selected row after `after` (-1 starts at the top), or -1.
  int nextSelected(int after = -1) const;
  int focusedRow() const { return focused_; }
  void setFocusedRow(int row);
  // The row that is both focused and selected, or -1.
  int focusedSelectedRow() const;

  // The user clicks a row (-1: the empty area below the rows). Plain click selects only that row;
  // with Ctrl (multiple selection) it toggles the row; with Shift it selects the range from the
  // last plain click. The clicked row gets the focus. Fires change for state changes, then click.
  bool clickRow(int row, ShiftState s = {});
  bool doubleClickRow(int row);
  void describe(std::ostream& out) const override;

 private:
  struct Row {
    std::vector<std::string> cells;
    bool selected = false;
    std::uintptr_t data = 0;
  };
  void setState(int row, bool selected);
  std::vector<ListColumn> columns_;
  std::vector<Row> rows_;
  bool fullRowSelect_ = false;
  bool multiSelect_ = false;
  int focused_ = -1;
  int anchor_ = -1;
  bool pending_ = false;  // a state change happened that has not been reported yet
};

}  // namespace platform::ui

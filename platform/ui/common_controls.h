// The IP address control and the up-down control with its buddy edit.
#pragma once

#include <array>
#include <optional>
#include <string>

#include "platform/ui/control.h"

namespace platform::ui {

class Edit;

// Four fields of 0 to 255, each with its own range and each possibly blank.
class IpAddress : public Control {
 public:
  IpAddress(Container& parent, std::string name, Rect r);
  // Programmatic: puts the four bytes in (each taken modulo 256), none blank; ranges are not
  // applied, as the system does not apply them to a program's values.
  void setAddress(int a, int b, int c, int d);
  void setField(int index, std::optional<int> value);
  // Every field blank.
  void clearAddress();
  bool isBlank() const;
  std::optional<int> field(int index) const { return fields_.at(static_cast<std::size_t>(index)); }
  // The four values (blank ones as 0); returns how many fields are not blank.
  int address(std::array<int, 4>& out) const;
  // "a.b.c.d" with blank fields as 0.
  std::string dotted() const;
  void setRange(int index, int lo, int hi);
  std::pair<int, int> range(int index) const { return ranges_.at(static_cast<std::size_t>(index)); }

  // The user types a field (digits only, at most three). A value outside the field's range is
  // replaced by the nearer end of the range with a beep, as the control does when the user
  // leaves the field. An empty text blanks the field. Returns whether the text was taken as is.
  bool typeField(int index, const std::string& text);
  void describe(std::ostream& out) const override;

 private:
  std::array<std::optional<int>, 4> fields_{};
  std::array<std::pair<int, int>, 4> ranges_{{{0, 255}, {0, 255}, {0, 255}, {0, 255}}};
};

// Arrows that step a number in a range; with a buddy edit the number lives in the edit's text.
class UpDown : public Control {
 public:
  UpDown(Container& parent, std::string name, Rect r);
  void setRange(int lo, int hi);
  int minimum() const { return min_; }
  int maximum() const { return max_; }
  // Without a buddy the stored position; with one, the buddy's number (clamped to the range;
  // a buddy text that is not a number gives the last position set).
  int position() const;
  // Clamped to the range; writes the decimal number into the buddy.
  void setPosition(int p);
  Edit* buddy() const { return buddy_; }
  void setBuddy(Edit* e);
  // The user presses an arrow: one step towards the maximum (up) or the minimum (down), stopping
  // at the range's ends. Fires change when the position moved.
  bool up();
  bool down();
  void describe(std::ostream& out) const override;

 private:
  bool step(int delta);
  int min_ = 0;
  int max_ = 100;
  int pos_ = 0;
  Edit* buddy_ = nullptr;
};

}  // namespace platform::ui

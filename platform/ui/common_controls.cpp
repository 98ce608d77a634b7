#include "platform/ui/common_controls.h"

#include <algorithm>
#include <charconv>
#include <ostream>

#include "platform/ui/application.h"
#include "platform/ui/controls.h"

namespace platform::ui {

// ---- IpAddress

IpAddress::IpAddress(Container& parent, std::string name, Rect r)
    : Control(parent, ControlKind::IpAddress, std::move(name), r) {
  setTabStop(true);
  setColor(colors::window);
}

void IpAddress::setAddress(int a, int b, int c, int d) {
  const int v[4] = {a, b, c, d};
  for (int i = 0; i < 4; ++i) fields_[static_cast<std::size_t>(i)] = ((v[i] % 256) + 256) % 256;
  changed();
}

void IpAddress::setField(int index, std::optional<int> value) {
  if (index < 0 || index > 3) return;
  if (value) value = ((*value % 256) + 256) % 256;
  fields_[static_cast<std::size_t>(index)] = value;
  changed();
}

void IpAddress::clearAddress() {
  fields_ = {};
  changed();
}

bool IpAddress::isBlank() const {
  return std::all_of(fields_.begin(), fields_.end(), [](const auto& f) { return !f; });
}

int IpAddress::address(std::array<int, 4>& out) const {
  int n = 0;
  for (std::size_t i = 0; i < 4; ++i) {
    out[i] = fields_[i].value_or(0);
    if (fields_[i]) ++n;
  }
  return n;
}

std::string IpAddress::dotted() const {
  std::array<int, 4> v{};
  address(v);
  return std::to_string(v[0]) + "." + std::to_string(v[1]) + "." + std::to_string(v[2]) + "." + std::to_string(v[3]);
}

void IpAddress::setRange(int index, int lo, int hi) {
  if (index < 0 || index > 3) return;
  lo = std::clamp(lo, 0, 255);
  hi = std::clamp(hi, 0, 255);
  if (lo > hi) std::swap(lo, hi);
  ranges_[static_cast<std::size_t>(index)] = {lo, hi};
}

bool IpAddress::typeField(int index, const std::string& text) {
  if (!acceptsInput() || index < 0 || index > 3) return false;
  std::string digits;
  bool asIs = true;
  for (char c : text) {
    if (c >= '0' && c <= '9' && digits.size() < 3) digits += c;
    else asIs = false;
  }
  std::optional<int> value;
  if (!digits.empty()) {
    int v = 0;
    std::from_chars(digits.data(), digits.data() + digits.size(), v);
    auto [lo, hi] = ranges_[static_cast<std::size_t>(index)];
    if (v < lo || v > hi) {
      v = std::clamp(v, lo, hi);
      asIs = false;
    }
    value = v;
  }
  if (!asIs) form().app().beep();
  if (value != fields_[static_cast<std::size_t>(index)]) {
    fields_[static_cast<std::size_t>(index)] = value;
    changed();
    fire(Notify::Change);
  } else if (!asIs) {
    changed();
  }
  return asIs;
}

void IpAddress::describe(std::ostream& out) const {
  Control::describe(out);
  out << ' ';
  for (std::size_t i = 0; i < 4; ++i) {
    if (i) out << '.';
    if (fields_[i]) out << *fields_[i];
    else out << '_';
  }
  out << " ranges";
  for (const auto& [lo, hi] : ranges_) out << ' ' << lo << '-' << hi;
}

// ---- UpDown

UpDown::UpDown(Container& parent, std::string name, Rect r) : Control(parent, ControlKind::UpDown, std::move(name), r) {}

void UpDown::setRange(int lo, int hi) {
  min_ = lo;
  max_ = hi;
  changed();
}

namespace {
int clampRange(int v, int a, int b) { return std::clamp(v, std::min(a, b), std::max(a, b)); }
}  // namespace

int UpDown::position() const {
  if (!buddy_) return pos_;
  const std::string& t = buddy_->text();
  int v = 0;
  auto [p, ec] = std::from_chars(t.data(), t.data() + t.size(), v);
  if (ec != std::errc() || p != t.data() + t.size() || t.empty()) return pos_;
  return clampRange(v, min_, max_);
}

void UpDown::setPosition(int p) {
  pos_ = clampRange(p, min_, max_);
  if (buddy_) buddy_->setText(std::to_string(pos_));
  changed();
}

void UpDown::setBuddy(Edit* e) {
  buddy_ = e;
  changed();
}

bool UpDown::step(int delta) {
  if (!acceptsInput()) return false;
  int before = position();
  // Up moves towards the maximum even when the range runs downwards.
  int dir = max_ >= min_ ? delta : -delta;
  int after = clampRange(before + dir, min_, max_);
  if (after == before) return true;
  setPosition(after);
  fire(Notify::Change);
  return true;
}

bool UpDown::up() { return step(1); }
bool UpDown::down() { return step(-1); }

void UpDown::describe(std::ostream& out) const {
  Control::describe(out);
  out << " pos=" << position() << " range=" << min_ << ".." << max_;
  if (buddy_) out << " buddy=" << buddy_->name();
}

}  // namespace platform::ui

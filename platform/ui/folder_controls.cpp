#include "platform/ui/folder_controls.h"

#include <algorithm>
#include <ostream>

#include "platform/text/ansi.h"

namespace platform::ui {

namespace {
// "c:\a\b\" -> "C:\a\b"; "c:" -> "C:\".
std::string normalise(const std::string& p) {
  std::string s = p;
  for (char& c : s)
    if (c == '/') c = '\\';
  while (s.size() > 3 && s.back() == '\\') s.pop_back();
  if (s.size() >= 2 && s[1] == ':') {
    s[0] = upperAnsi(s[0]);
    if (s.size() == 2) s += '\\';
  }
  return s;
}
}  // namespace

DirectoryList::DirectoryList(Container& parent, std::string name, Rect r)
    : Control(parent, ControlKind::DirectoryList, std::move(name), r) {
  setTabStop(true);
  setColor(colors::window);
}

void DirectoryList::setSource(const FolderSource* s) {
  source_ = s;
  refresh();
}

bool DirectoryList::setDirectory(const std::string& windowsPath) {
  std::string p = normalise(windowsPath);
  if (p.size() < 3 || p[1] != ':' || !source_ || !source_->folderExists(p)) return false;
  bool moved = p != directory_;
  directory_ = p;
  refresh();
  if (moved) fire(Notify::Change);
  return true;
}

void DirectoryList::refresh() {
  items_.clear();
  depth_ = 0;
  if (directory_.empty()) {
    changed();
    return;
  }
  items_.push_back(directory_.substr(0, 3));
  std::size_t at = 3;
  while (at < directory_.size()) {
    std::size_t next = directory_.find('\\', at);
    if (next == std::string::npos) next = directory_.size();
    items_.push_back(directory_.substr(at, next - at));
    at = next + 1;
  }
  depth_ = static_cast<int>(items_.size());
  if (source_) {
    auto subs = source_->subfolders(directory_);
    std::sort(subs.begin(), subs.end(), [](const std::string& a, const std::string& b) { return compareIgnoreCase(a, b) < 0; });
    items_.insert(items_.end(), subs.begin(), subs.end());
  }
  changed();
}

std::string DirectoryList::pathOf(int index) const {
  if (index < 0 || index >= static_cast<int>(items_.size())) return {};
  if (index == 0) return items_[0];
  std::string p = items_[0];
  int last = index < depth_ ? index : depth_ - 1;
  for (int i = 1; i <= last; ++i) {
    if (p.back() != '\\') p += '\\';
    p += items_[static_cast<std::size_t>(i)];
  }
  if (index >= depth_) {
    if (p.back() != '\\') p += '\\';
    p += items_[static_cast<std::size_t>(index)];
  }
  return p;
}

bool DirectoryList::openItem(int index) {
  if (!acceptsInput() || index < 0 || index >= static_cast<int>(items_.size())) return false;
  bool ok = setDirectory(pathOf(index));
  fire(Notify::DoubleClick);
  return ok;
}

void DirectoryList::describe(std::ostream& out) const {
  Control::describe(out);
  out << " dir=" << quoted(directory_);
  for (std::size_t i = 0; i < items_.size(); ++i)
    out << "\n    " << (static_cast<int>(i) == currentIndex() ? "> " : "  ")
        << std::string(static_cast<std::size_t>(std::min<int>(static_cast<int>(i), depth_)), ' ') << quoted(items_[i]);
}

DriveList::DriveList(Container& parent, std::string name, Rect r)
    : Control(parent, ControlKind::DriveList, std::move(name), r) {
  setTabStop(true);
  setColor(colors::window);
}

void DriveList::setSource(const FolderSource* s) {
  source_ = s;
  refresh();
}

void DriveList::refresh() {
  drives_ = source_ ? source_->drives() : std::vector<char>{};
  std::sort(drives_.begin(), drives_.end());
  changed();
}

std::string DriveList::itemText(int index) const {
  if (index < 0 || index >= static_cast<int>(drives_.size())) return {};
  return std::string(1, lowerAnsi(drives_[static_cast<std::size_t>(index)])) + ":";
}

bool DriveList::setDrive(char letter) {
  letter = upperAnsi(letter);
  if (std::find(drives_.begin(), drives_.end(), letter) == drives_.end()) return false;
  bool moved = letter != drive_;
  drive_ = letter;
  if (dirList_ && dirList_->drive() != letter) dirList_->setDirectory(std::string(1, letter) + ":\\");
  changed();
  if (moved) fire(Notify::Change);
  return true;
}

void DriveList::describe(std::ostream& out) const {
  Control::describe(out);
  out << " drive=" << (drive_ ? std::string(1, drive_) : std::string("none")) << " drives=";
  for (char d : drives_) out << d;
}

}  // namespace platform::ui

#include "tools/mkdist/setup_inf.h"

#include <stdexcept>

#include "platform/text/ansi.h"

namespace mkdist {

namespace {

constexpr std::size_t kLineLimit = 255;

std::string_view Cut(std::string_view line) { return line.substr(0, std::min(line.size(), kLineLimit)); }

bool IsHeader(std::string_view line) {
  line = Cut(line);
  return line.size() >= 2 && line.front() == '[' && line.back() == ']';
}

bool Ignored(std::string_view line) { return line.empty() || line == "\x1a"; }

}  // namespace

SetupInf SetupInf::Parse(std::string_view bytes) {
  SetupInf inf;
  inf.trailingNewline_ = !bytes.empty() && bytes.back() == '\n';
  std::size_t pos = 0;
  while (pos < bytes.size()) {
    std::size_t nl = bytes.find('\n', pos);
    std::string_view line = bytes.substr(pos, nl == std::string_view::npos ? std::string_view::npos : nl - pos);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    inf.lines_.emplace_back(line);
    if (nl == std::string_view::npos) break;
    pos = nl + 1;
  }
  return inf;
}

std::optional<SetupInf::Span> SetupInf::FindSection(std::string_view section) const {
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    if (!IsHeader(lines_[i])) continue;
    std::string_view cut = Cut(lines_[i]);
    if (!platform::equalsIgnoreCase(cut.substr(1, cut.size() - 2), section)) continue;
    std::size_t end = i + 1;
    while (end < lines_.size() && !IsHeader(lines_[end])) ++end;
    return Span{i, end};
  }
  return std::nullopt;
}

std::optional<std::size_t> SetupInf::FindKey(const Span& s, std::string_view key) const {
  for (std::size_t i = s.header + 1; i < s.end; ++i) {
    std::string_view line = Cut(lines_[i]);
    if (Ignored(line)) continue;
    std::size_t eq = line.find('=');
    std::string_view name = line.substr(0, eq);
    if (eq != std::string_view::npos && platform::equalsIgnoreCase(name, key)) return i;
  }
  return std::nullopt;
}

std::optional<std::string> SetupInf::Value(std::string_view section, std::string_view key) const {
  auto s = FindSection(section);
  if (!s) return std::nullopt;
  auto i = FindKey(*s, key);
  if (!i) return std::nullopt;
  std::string_view line = Cut(lines_[*i]);
  return std::string(line.substr(line.find('=') + 1));
}

std::optional<std::size_t> SetupInf::LineOf(std::string_view section, std::string_view key) const {
  auto s = FindSection(section);
  if (!s) return std::nullopt;
  auto i = FindKey(*s, key);
  if (!i) return std::nullopt;
  return *i + 1;
}

std::size_t SetupInf::SectionCount(std::string_view section) const {
  std::size_t n = 0;
  for (const std::string& line : lines_) {
    if (!IsHeader(line)) continue;
    std::string_view cut = Cut(line);
    if (platform::equalsIgnoreCase(cut.substr(1, cut.size() - 2), section)) ++n;
  }
  return n;
}

void SetupInf::Set(std::string_view section, std::string_view key, std::string_view value,
                   std::string_view after) {
  auto s = FindSection(section);
  if (!s) throw std::logic_error("SetupInf::Set: no section " + std::string(section));
  std::string line = std::string(key) + "=" + std::string(value);
  if (auto i = FindKey(*s, key)) {
    // Keep the key's spelling as the script writes it.
    std::string& old = lines_[*i];
    old = old.substr(0, old.find('=') + 1) + std::string(value);
    return;
  }
  std::size_t at = s->end;
  if (auto a = FindKey(*s, after)) {
    at = *a + 1;
  } else {
    // After the last non-empty line of the section, so blank separator lines stay last.
    while (at > s->header + 1 && Ignored(lines_[at - 1])) --at;
  }
  lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(at), line);
}

std::string SetupInf::Serialize() const {
  std::string out;
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    out += lines_[i];
    if (i + 1 < lines_.size() || trailingNewline_) out += "\r\n";
  }
  return out;
}

}  // namespace mkdist

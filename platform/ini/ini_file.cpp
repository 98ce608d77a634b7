#include "platform/ini/ini_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <stdexcept>
#include <system_error>
#include <unordered_map>
#include <unordered_set>
#include <utility>

#include "platform/text/ansi.h"

namespace platform {
namespace {

constexpr std::size_t kMaxLine = 255;
constexpr char kEofChar = 26;

struct NameHash : IgnoreCaseHash {
  using is_transparent = void;
};
struct NameEqual : IgnoreCaseEqual {
  using is_transparent = void;
};
template <class V>
using NameMap = std::unordered_map<std::string, V, NameHash, NameEqual>;

// One line inside a section. `raw` holds the bytes as loaded (the whole line, even beyond the
// 255 characters that reading looks at) and is written back as long as the line is unchanged.
struct Line {
  std::string raw;
  bool isKey = false;
  bool rewritten = false;  // written by this object: emit name=value instead of raw
  std::string name;
  std::string value;
};

struct Section {
  std::string name;
  std::string rawHeader;  // as loaded; empty for a section this object created
  std::vector<Line> lines;
  NameMap<std::size_t> keys;  // first line of each key name

  void reindex() {
    keys.clear();
    for (std::size_t i = 0; i < lines.size(); ++i) {
      if (lines[i].isKey) keys.try_emplace(lines[i].name, i);
    }
  }
};

std::system_error ioError(int err, const std::filesystem::path& file, const char* what) {
  return std::system_error(err, std::generic_category(), std::string(what) + " " + file.string());
}

bool parseInteger(std::string_view s, std::int32_t& out) {
  if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
    std::string_view digits = s.substr(2);
    if (digits.size() > 8) return false;
    std::uint32_t v = 0;
    auto [p, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), v, 16);
    if (ec != std::errc() || p != digits.data() + digits.size()) return false;
    out = static_cast<std::int32_t>(v);  // 0xFFFFFFFF reads as -1, as a 32-bit register would
    return true;
  }
  if (!s.empty() && s[0] == '+') {
    s.remove_prefix(1);
    if (s.empty() || s[0] == '+' || s[0] == '-') return false;
  }
  std::int32_t v = 0;
  auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), v, 10);
  if (ec != std::errc() || p != s.data() + s.size()) return false;
  out = v;
  return true;
}

// A name or value must stay on its line: line ends written into one would start new lines
// (and new keys or sections) when the file is read again, so they become blanks.
std::string oneLine(std::string_view s) {
  std::string out(s);
  for (char& c : out) {
    if (c == '\r' || c == '\n') c = ' ';
  }
  return out;
}

}  // namespace

struct IniFile::Data {
  std::filesystem::path file;
  std::vector<std::string> preamble;  // lines before the first section: never read, kept
  std::vector<Section> sections;
  NameMap<std::size_t> index;  // first section of each name
  bool modified = false;
  bool autoSave = true;

  void reindex() {
    index.clear();
    for (std::size_t i = 0; i < sections.size(); ++i) index.try_emplace(sections[i].name, i);
  }

  const Section* find(std::string_view name) const {
    auto it = index.find(name);
    return it == index.end() ? nullptr : &sections[it->second];
  }
  Section* find(std::string_view name) {
    auto it = index.find(name);
    return it == index.end() ? nullptr : &sections[it->second];
  }

  const Line* findKey(std::string_view section, std::string_view key) const {
    const Section* s = find(section);
    if (!s) return nullptr;
    auto it = s->keys.find(key);
    return it == s->keys.end() ? nullptr : &s->lines[it->second];
  }

  void parse(std::string_view text) {
    std::size_t pos = 0;
    Section* current = nullptr;
    while (pos < text.size()) {
      std::size_t end = text.find('\n', pos);
      std::size_t next = end == std::string_view::npos ? text.size() : end + 1;
      std::string_view raw = text.substr(pos, (end == std::string_view::npos ? text.size() : end) - pos);
      pos = next;
      if (!raw.empty() && raw.back() == '\r') raw.remove_suffix(1);  // also a last line cut after its CR
      if (raw.empty() || (raw.size() == 1 && raw[0] == kEofChar)) continue;
      std::string_view line = raw.substr(0, kMaxLine);
      if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
        Section s;
        s.name = std::string(line.substr(1, line.size() - 2));
        s.rawHeader = std::string(raw);
        sections.push_back(std::move(s));
        current = &sections.back();
        continue;
      }
      if (!current) {
        preamble.emplace_back(raw);
        continue;
      }
      Line l;
      l.raw = std::string(raw);
      std::size_t eq = line.find('=');
      if (eq != std::string_view::npos) {
        l.isKey = true;
        l.name = std::string(line.substr(0, eq));
        l.value = std::string(line.substr(eq + 1));
      }
      current->lines.push_back(std::move(l));
    }
    for (auto& s : sections) s.reindex();
    reindex();
  }
};

IniFile::IniFile() : d_(std::make_unique<Data>()) {}

IniFile::IniFile(std::filesystem::path file) : IniFile() {
  d_->file = std::move(file);
  int fd = ::open(d_->file.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    if (errno == ENOENT) return;  // a new file, created by the first save
    throw ioError(errno, d_->file, "cannot open");
  }
  std::string text;
  char buf[65536];
  for (;;) {
    ssize_t n = ::read(fd, buf, sizeof buf);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      int err = errno;
      ::close(fd);
      throw ioError(err, d_->file, "cannot read");
    }
    if (n == 0) break;
    text.append(buf, static_cast<std::size_t>(n));
  }
  ::close(fd);
  d_->parse(text);
}

IniFile IniFile::fromText(std::string_view bytes) {
  IniFile f;
  f.d_->parse(bytes);
  return f;
}

IniFile::IniFile(IniFile&& other) noexcept = default;

IniFile& IniFile::operator=(IniFile&& other) noexcept {
  if (this != &other) {
    if (d_ && d_->modified && d_->autoSave && !d_->file.empty()) {
      try {
        save();
      } catch (...) {
      }
    }
    d_ = std::move(other.d_);
  }
  return *this;
}

IniFile::~IniFile() {
  if (!d_ || !d_->modified || !d_->autoSave || d_->file.empty()) return;
  try {
    save();
  } catch (...) {
    // Released without close(): nobody is left to tell.
  }
}

const std::filesystem::path& IniFile::fileName() const {
  return d_->file;
}
void IniFile::setFileName(std::filesystem::path file) {
  d_->file = std::move(file);
}

std::string IniFile::readString(std::string_view section, std::string_view key, std::string_view def) const {
  const Line* l = d_->findKey(section, key);
  return l ? l->value : std::string(def);
}

std::int32_t IniFile::readInteger(std::string_view section, std::string_view key, std::int32_t def) const {
  const Line* l = d_->findKey(section, key);
  std::int32_t v = def;
  if (l && parseInteger(l->value, v)) return v;
  return def;
}

bool IniFile::readBool(std::string_view section, std::string_view key, bool def) const {
  return readInteger(section, key, def ? 1 : 0) != 0;
}

bool IniFile::sectionExists(std::string_view section) const {
  return d_->find(section) != nullptr;
}

bool IniFile::valueExists(std::string_view section, std::string_view key) const {
  return d_->findKey(section, key) != nullptr;
}

std::vector<std::string> IniFile::sectionNames() const {
  std::vector<std::string> out;
  for (std::size_t i = 0; i < d_->sections.size(); ++i) {
    if (d_->index.at(d_->sections[i].name) == i) out.push_back(d_->sections[i].name);
  }
  return out;
}

std::vector<std::string> IniFile::keyNames(std::string_view section) const {
  std::vector<std::string> out;
  const Section* s = d_->find(section);
  if (!s) return out;
  for (std::size_t i = 0; i < s->lines.size(); ++i) {
    if (s->lines[i].isKey && s->keys.at(s->lines[i].name) == i) out.push_back(s->lines[i].name);
  }
  return out;
}

void IniFile::writeString(std::string_view sectionIn, std::string_view keyIn, std::string_view valueIn) {
  const std::string section = oneLine(sectionIn), key = oneLine(keyIn), value = oneLine(valueIn);
  Section* s = d_->find(section);
  if (!s) {
    Section fresh;
    fresh.name = section;
    d_->sections.push_back(std::move(fresh));
    d_->index.try_emplace(d_->sections.back().name, d_->sections.size() - 1);
    s = &d_->sections.back();
  }
  auto it = s->keys.find(key);
  if (it != s->keys.end()) {
    Line& l = s->lines[it->second];
    if (l.value == value && !l.rewritten) {
      // Same value: nothing changes on disk, so leave the loaded line as it was.
      return;
    }
    l.value = value;
    l.rewritten = true;
  } else {
    Line l;
    l.isKey = true;
    l.rewritten = true;
    l.name = key;
    l.value = value;
    s->lines.push_back(std::move(l));
    s->keys.try_emplace(s->lines.back().name, s->lines.size() - 1);
  }
  d_->modified = true;
}

void IniFile::writeInteger(std::string_view section, std::string_view key, std::int32_t value) {
  writeString(section, key, std::to_string(value));
}

void IniFile::writeBool(std::string_view section, std::string_view key, bool value) {
  writeString(section, key, value ? "1" : "0");
}

void IniFile::eraseSection(std::string_view section) {
  if (!d_->find(section)) return;
  std::erase_if(d_->sections, [&](const Section& s) { return equalsIgnoreCase(s.name, section); });
  d_->reindex();
  d_->modified = true;
}

void IniFile::deleteKey(std::string_view section, std::string_view key) {
  Section* s = d_->find(section);
  if (!s || !s->keys.contains(key)) return;
  std::erase_if(s->lines, [&](const Line& l) { return l.isKey && equalsIgnoreCase(l.name, key); });
  s->reindex();
  d_->modified = true;
}

bool IniFile::modified() const {
  return d_->modified;
}
void IniFile::setAutoSave(bool on) {
  d_->autoSave = on;
}

std::string IniFile::toText() const {
  std::string out;
  for (const auto& p : d_->preamble) out.append(p).append("\r\n");
  for (const auto& s : d_->sections) {
    if (s.rawHeader.empty()) {
      out.append("[").append(s.name).append("]\r\n");
    } else {
      out.append(s.rawHeader).append("\r\n");
    }
    for (const auto& l : s.lines) {
      if (l.rewritten) {
        out.append(l.name).append("=").append(l.value).append("\r\n");
      } else {
        out.append(l.raw).append("\r\n");
      }
    }
    out.append("\r\n");
  }
  return out;
}

void IniFile::save() {
  if (d_->file.empty()) throw std::logic_error("IniFile::save: no file name");
  const std::string text = toText();
  std::filesystem::path tmp = d_->file;
  tmp += ".tmp" + std::to_string(::getpid());
  int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) throw ioError(errno, d_->file, "cannot write");
  struct stat old {};
  if (::stat(d_->file.c_str(), &old) == 0) ::fchmod(fd, old.st_mode & 07777);  // the file keeps its mode
  std::size_t done = 0;
  while (done < text.size()) {
    ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      int err = n < 0 ? errno : EIO;
      ::close(fd);
      ::unlink(tmp.c_str());
      throw ioError(err, d_->file, "cannot write");
    }
    done += static_cast<std::size_t>(n);
  }
  if (::fsync(fd) != 0 || ::close(fd) != 0) {
    int err = errno;
    ::unlink(tmp.c_str());
    throw ioError(err, d_->file, "cannot write");
  }
  if (::rename(tmp.c_str(), d_->file.c_str()) != 0) {
    int err = errno;
    ::unlink(tmp.c_str());
    throw ioError(err, d_->file, "cannot replace");
  }
  // Written lines are now what the file holds; later saves keep producing the same bytes.
  for (auto& s : d_->sections) {
    if (s.rawHeader.empty()) s.rawHeader = "[" + s.name + "]";
    for (auto& l : s.lines) {
      if (l.rewritten) {
        l.raw = l.name + "=" + l.value;
        l.rewritten = false;
      }
    }
  }
  d_->modified = false;
}

void IniFile::close() {
  if (d_->modified) save();
  d_->autoSave = false;
}

}  // namespace platform

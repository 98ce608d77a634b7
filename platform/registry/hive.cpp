#include "platform/registry/hive.h"

#include <algorithm>
#include <cstdio>

#include "platform/registry/wide_text.h"

namespace platform::reghive {
namespace {

constexpr std::uint64_t kTicksPerSecond = 10000000ull;
constexpr std::int64_t kSeconds1601To1970 = 11644473600ll;
constexpr int kMaxLinkDepth = 16;
constexpr std::string_view kHeaderLine = "WINE REGISTRY Version 2";
constexpr std::string_view kRelativeTo = ";; All keys relative to ";

bool isSpace(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}
bool isHex(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}
int hexVal(char c) {
  return c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10;
}

std::string_view skipSpaces(std::string_view s) {
  while (!s.empty() && isSpace(s.front())) s.remove_prefix(1);
  return s;
}

std::vector<std::string_view> splitLines(std::string_view text) {
  std::vector<std::string_view> lines;
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t end = text.find('\n', pos);
    std::string_view line = text.substr(pos, (end == std::string_view::npos ? text.size() : end) - pos);
    while (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.push_back(line);
    if (end == std::string_view::npos) break;
    pos = end + 1;
  }
  return lines;
}

WPath splitPath(std::u16string_view p) {
  WPath out;
  std::size_t pos = 0;
  while (pos <= p.size()) {
    std::size_t end = p.find(u'\\', pos);
    if (end == std::u16string_view::npos) end = p.size();
    if (end > pos) out.emplace_back(p.substr(pos, end - pos));
    pos = end + 1;
  }
  return out;
}

std::string hex8(std::uint32_t v) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%08x", v);
  return buf;
}

// The "dword:"/"hex:" and string forms of Wine's writer.
std::string dumpValue(const Value& v) {
  std::string out;
  std::size_t count;
  if (!v.name.empty()) {
    out = "\"" + dumpEscaped(v.name, '"', '"') + "\"=";
  } else {
    out = "@=";
  }
  count = out.size();
  const std::string& d = v.data.data;
  const std::uint32_t t = v.data.type;
  if ((t == regtype::Sz || t == regtype::ExpandSz || t == regtype::MultiSz) && d.size() >= 2 &&
      d.size() % 2 == 0 && d[d.size() - 1] == 0 && d[d.size() - 2] == 0) {
    if (t != regtype::Sz) {
      char buf[24];
      std::snprintf(buf, sizeof buf, "str(%x):", t);
      out += buf;
    }
    std::u16string w = regtext::fromLeBytes(d);
    w.pop_back();  // the terminating NUL is implied
    out += "\"" + dumpEscaped(w, '"', '"') + "\"";
    return out;
  }
  if (t == regtype::Dword && d.size() == 4) {
    std::uint32_t x = static_cast<unsigned char>(d[0]) | (static_cast<unsigned char>(d[1]) << 8) |
                      (static_cast<unsigned char>(d[2]) << 16) |
                      (static_cast<std::uint32_t>(static_cast<unsigned char>(d[3])) << 24);
    return out + "dword:" + hex8(x);
  }
  if (t == regtype::Binary) {
    out += "hex:";
  } else {
    char buf[24];
    std::snprintf(buf, sizeof buf, "hex(%x):", t);
    out += buf;
  }
  count = out.size();
  for (std::size_t i = 0; i < d.size(); ++i) {
    char buf[4];
    std::snprintf(buf, sizeof buf, "%02x", static_cast<unsigned char>(d[i]));
    out += buf;
    count += 2;
    if (i + 1 < d.size()) {
      out += ',';
      if (++count > 76) {
        out += "\\\n  ";
        count = 2;
      }
    }
  }
  return out;
}

std::string dumpPath(const Key& key) {
  if (!key.parent) return "";
  std::string parent = dumpPath(*key.parent);
  std::string me = dumpEscaped(key.name, '[', ']');
  return parent.empty() ? me : parent + "\\\\" + me;
}

void touch(Key& key, std::uint64_t now) {
  key.modif = now;
  key.header.clear();
}

// A data type tag: the type, the way the data is written, and the tag's length.
enum class Form { String, Dword, Hex };
struct Tag {
  std::uint32_t type;
  Form form;
  std::size_t length;
};

std::optional<Tag> dataTag(std::string_view s) {
  if (s.starts_with("\"")) return Tag{regtype::Sz, Form::String, 1};
  if (s.starts_with("str:\"")) return Tag{regtype::Sz, Form::String, 5};
  if (s.starts_with("str(2):\"")) return Tag{regtype::ExpandSz, Form::String, 8};
  if (s.starts_with("str(7):\"")) return Tag{regtype::MultiSz, Form::String, 8};
  if (s.starts_with("hex:")) return Tag{regtype::Binary, Form::Hex, 4};
  if (s.starts_with("dword:")) return Tag{regtype::Dword, Form::Dword, 6};
  if (s.starts_with("hex(")) {
    std::size_t i = 4;
    std::uint64_t type = 0;
    while (i < s.size() && isHex(s[i]) && i < 12) type = type * 16 + hexVal(s[i++]);
    if (i == 4 || s.substr(i, 2) != "):" || type > 0xFFFFFFFFull) return std::nullopt;
    return Tag{static_cast<std::uint32_t>(type), Form::Hex, i + 2};
  }
  return std::nullopt;
}

// Comma-separated hex bytes; returns false on a byte above 0xff. `s` is advanced.
bool parseHexBytes(std::string_view& s, std::string& out) {
  while (!s.empty() && isHex(s.front())) {
    unsigned v = 0;
    while (!s.empty() && isHex(s.front())) {
      v = v * 16 + hexVal(s.front());
      if (v > 0xff) return false;
      s.remove_prefix(1);
    }
    out += static_cast<char>(v);
    s = skipSpaces(s);
    if (!s.empty() && s.front() == ',') s.remove_prefix(1);
    s = skipSpaces(s);
  }
  return true;
}

// Parses the value starting at lines[i] (already trimmed at the front into `first`);
// `i` moves past continuation lines on success.
std::optional<Value> parseValue(const std::vector<std::string_view>& lines, std::size_t& i,
                                std::string_view first) {
  Value v;
  std::string_view s = first;
  if (s.front() == '@') {
    s.remove_prefix(1);
  } else {
    auto name = parseEscaped(s.substr(1), '"');
    if (!name) return std::nullopt;
    v.name = std::move(name->first);
    s.remove_prefix(1 + name->second);
  }
  s = skipSpaces(s);
  if (s.empty() || s.front() != '=') return std::nullopt;
  s = skipSpaces(s.substr(1));
  auto tag = dataTag(s);
  if (!tag) return std::nullopt;
  s.remove_prefix(tag->length);
  v.data.type = tag->type;
  std::size_t last = i;
  switch (tag->form) {
    case Form::String: {
      auto str = parseEscaped(s, '"');
      if (!str) return std::nullopt;
      v.data.data = regtext::toLeBytes(str->first) + std::string(2, '\0');
      break;
    }
    case Form::Dword: {
      std::uint64_t x = 0;
      std::size_t k = 0;
      while (k < s.size() && isHex(s[k])) {
        x = x * 16 + hexVal(s[k++]);
        if (x > 0xFFFFFFFFull) x = 0xFFFFFFFFull;
      }
      if (k == 0) return std::nullopt;
      std::uint32_t d = static_cast<std::uint32_t>(x);
      v.data.data = std::string{static_cast<char>(d & 0xFF), static_cast<char>((d >> 8) & 0xFF),
                                static_cast<char>((d >> 16) & 0xFF), static_cast<char>(d >> 24)};
      break;
    }
    case Form::Hex: {
      for (;;) {
        if (!parseHexBytes(s, v.data.data)) return std::nullopt;
        s = skipSpaces(s);
        if (s.empty()) break;
        // The backslash must end the line, and the data goes on in a line of its own: anything
        // else is no value this reader would write back the same way, so it stays a kept line.
        if (s.front() != '\\' || !skipSpaces(s.substr(1)).empty() || last + 1 >= lines.size())
          return std::nullopt;
        s = skipSpaces(lines[++last]);
        if (s.empty()) return std::nullopt;
      }
      break;
    }
  }
  for (std::size_t k = i; k <= last; ++k) {
    if (k > i) v.raw += '\n';
    v.raw += lines[k];
  }
  i = last;
  return v;
}

Key* addChild(Key& parent, std::u16string name, bool sorted) {
  auto key = std::make_unique<Key>();
  key->name = std::move(name);
  key->parent = &parent;
  Key* raw = key.get();
  parent.index.emplace(regtext::fold(raw->name), raw);
  if (sorted) {
    auto it = std::find_if(parent.children.begin(), parent.children.end(),
                           [&](const auto& c) { return regtext::compareFolded(c->name, raw->name) > 0; });
    parent.children.insert(it, std::move(key));
  } else {
    parent.children.push_back(std::move(key));
  }
  return raw;
}

bool emitted(const Key& k) {
  if (!k.parent) return k.fromFile || !k.entries.empty();
  if (k.fromFile || !k.entries.empty() || k.children.empty()) return true;
  return std::any_of(k.options.begin(), k.options.end(),
                     [](const std::string& o) { return !o.starts_with("#time="); });
}

void serializeKey(const Key& k, std::string& out) {
  if (emitted(k)) {
    out += '\n';
    if (!k.header.empty()) {
      out += k.header;
      out += '\n';
      for (const auto& o : k.options) out.append(o).append("\n");
    } else {
      out += "[" + dumpPath(k) + "] " + std::to_string(unixFromFileTime(k.modif)) + "\n";
      char buf[40];
      std::snprintf(buf, sizeof buf, "#time=%x%08x", static_cast<unsigned>(k.modif >> 32),
                    static_cast<unsigned>(k.modif & 0xFFFFFFFFu));
      out.append(buf).append("\n");
      for (const auto& o : k.options) {
        if (!o.starts_with("#time=")) out.append(o).append("\n");
      }
    }
    for (const auto& e : k.entries) {
      if (!e.isValue) {
        out.append(e.line).append("\n");
      } else if (!e.value.raw.empty()) {
        out.append(e.value.raw).append("\n");
      } else {
        out.append(dumpValue(e.value)).append("\n");
      }
    }
  }
  for (const auto& c : k.children) serializeKey(*c, out);
}

}  // namespace

std::uint64_t fileTimeFromUnix(std::int64_t seconds) {
  std::int64_t s = seconds + kSeconds1601To1970;
  return s < 0 ? 0 : static_cast<std::uint64_t>(s) * kTicksPerSecond;
}

std::int64_t unixFromFileTime(std::uint64_t ticks) {
  return static_cast<std::int64_t>(ticks / kTicksPerSecond) - kSeconds1601To1970;
}

std::optional<std::pair<std::u16string, std::size_t>> parseEscaped(std::string_view src, char end) {
  std::u16string out;
  std::string pending;  // plain bytes, decoded together so UTF-8 sequences stay whole
  auto flush = [&] {
    out += regtext::fromUtf8Lenient(pending);
    pending.clear();
  };
  std::size_t i = 0;
  while (i < src.size() && src[i] != end) {
    if (src[i] != '\\') {
      pending += src[i++];
      continue;
    }
    flush();
    if (++i >= src.size()) return std::nullopt;
    char c = src[i];
    switch (c) {
      case 'a':
        out += u'\a';
        ++i;
        break;
      case 'b':
        out += u'\b';
        ++i;
        break;
      case 'e':
        out += u'\x1b';
        ++i;
        break;
      case 'f':
        out += u'\f';
        ++i;
        break;
      case 'n':
        out += u'\n';
        ++i;
        break;
      case 'r':
        out += u'\r';
        ++i;
        break;
      case 't':
        out += u'\t';
        ++i;
        break;
      case 'v':
        out += u'\v';
        ++i;
        break;
      case 'x': {
        ++i;
        if (i >= src.size() || !isHex(src[i])) {
          out += u'x';
          break;
        }
        unsigned v = 0;
        for (int k = 0; k < 4 && i < src.size() && isHex(src[i]); ++k) v = v * 16 + hexVal(src[i++]);
        out += static_cast<char16_t>(v);
        break;
      }
      case '0':
      case '1':
      case '2':
      case '3':
      case '4':
      case '5':
      case '6':
      case '7': {
        unsigned v = 0;
        for (int k = 0; k < 3 && i < src.size() && src[i] >= '0' && src[i] <= '7'; ++k)
          v = v * 8 + (src[i++] - '0');
        out += static_cast<char16_t>(v);
        break;
      }
      default:
        pending += src[i++];  // the character itself (\\, \", \[ ...)
        break;
    }
  }
  flush();
  if (i >= src.size()) return std::nullopt;
  return std::make_pair(std::move(out), i + 1);
}

std::string dumpEscaped(std::u16string_view s, char quote1, char quote2) {
  static const char escapes[33] = ".......abtnvfr.............e....";
  std::string out;
  for (std::size_t i = 0; i < s.size(); ++i) {
    char16_t c = s[i];
    char buf[16];
    if (c > 127) {
      bool hexNext = i + 1 < s.size() && s[i + 1] < 128 && isHex(static_cast<char>(s[i + 1]));
      std::snprintf(buf, sizeof buf, hexNext ? "\\x%04x" : "\\x%x", static_cast<unsigned>(c));
      out += buf;
    } else if (c < 32) {
      if (escapes[c] != '.') {
        out += '\\';
        out += escapes[c];
      } else {
        bool octNext = i + 1 < s.size() && s[i + 1] >= '0' && s[i + 1] <= '7';
        std::snprintf(buf, sizeof buf, octNext ? "\\%03o" : "\\%o", static_cast<unsigned>(c));
        out += buf;
      }
    } else {
      if (c == '\\' || c == quote1 || c == quote2) out += '\\';
      out += static_cast<char>(c);
    }
  }
  return out;
}

Key* Key::child(std::u16string_view n) const {
  auto it = index.find(regtext::fold(n));
  return it == index.end() ? nullptr : it->second;
}

Value* Key::findValue(std::u16string_view n) {
  for (auto& e : entries) {
    if (e.isValue && regtext::equalFolded(e.value.name, n)) return &e.value;
  }
  return nullptr;
}

const Value* Key::findValue(std::u16string_view n) const {
  return const_cast<Key*>(this)->findValue(n);
}

bool Key::isLink() const {
  return std::any_of(options.begin(), options.end(),
                     [](const std::string& o) { return o.starts_with("#link"); });
}

Hive::Hive(std::vector<std::string> preamble)
    : preamble_(std::move(preamble)), root_(std::make_unique<Key>()) {}
Hive::Hive(Hive&&) noexcept = default;
Hive& Hive::operator=(Hive&&) noexcept = default;
Hive::~Hive() = default;

std::vector<std::string> Hive::defaultPreamble(std::u16string_view base) {
  std::string rel;
  for (const auto& c : splitPath(base)) rel += "\\\\" + dumpEscaped(c, '[', ']');
  return {std::string(kHeaderLine), std::string(kRelativeTo) + rel, "", "#arch=win32"};
}

WPath Hive::base() const {
  for (const auto& line : preamble_) {
    if (!line.starts_with(kRelativeTo)) continue;
    std::string rest = line.substr(kRelativeTo.size());
    auto parsed = parseEscaped(rest + '\n', '\n');
    if (!parsed) continue;
    // Wine 8 writes "REGISTRY\\Machine", earlier versions "\\Machine".
    WPath b = splitPath(parsed->first);
    if (!b.empty() && regtext::equalFolded(b.front(), u"REGISTRY")) b.erase(b.begin());
    return b;
  }
  return {};
}

bool Hive::empty() const {
  return root_->children.empty() && root_->entries.empty();
}

Hive Hive::parse(std::string_view text) {
  Hive h;
  const auto lines = splitLines(text);
  Key* cur = nullptr;
  std::uint64_t stamp = 0;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    std::string_view line = lines[i];
    std::string_view p = skipSpaces(line);
    if (p.empty()) {
      if (!cur) h.preamble_.emplace_back(line);
      continue;
    }
    auto keep = [&] {
      if (cur) {
        Entry e;
        e.line = std::string(line);
        cur->entries.push_back(std::move(e));
      } else {
        h.preamble_.emplace_back(line);
      }
    };
    switch (p.front()) {
      case '[': {
        auto path = parseEscaped(p.substr(1), ']');
        if (!path) {
          keep();
          break;
        }
        Key* k = h.root_.get();
        for (auto& comp : splitPath(path->first)) {
          Key* c = k->child(comp);
          k = c ? c : addChild(*k, comp, false);
        }
        std::string_view rest = skipSpaces(p.substr(1 + path->second));
        std::uint64_t secs = 0;
        bool haveSecs = false;
        while (!rest.empty() && rest.front() >= '0' && rest.front() <= '9' && secs < (1ull << 40)) {
          secs = secs * 10 + (rest.front() - '0');
          rest.remove_prefix(1);
          haveSecs = true;
        }
        stamp = haveSecs ? fileTimeFromUnix(static_cast<std::int64_t>(secs)) : 0;
        if (!k->fromFile) {
          k->fromFile = true;
          k->header = std::string(line);
          if (!k->modif) k->modif = stamp;
        }
        cur = k;
        break;
      }
      case '@':
      case '"': {
        if (!cur) {
          keep();
          break;
        }
        std::size_t at = i;
        auto v = parseValue(lines, at, p);
        if (!v) {
          keep();
          break;
        }
        i = at;
        if (Value* old = cur->findValue(v->name)) {
          *old = std::move(*v);  // the later line wins, as in Wine
        } else {
          Entry e;
          e.isValue = true;
          e.value = std::move(*v);
          cur->entries.push_back(std::move(e));
        }
        break;
      }
      case '#': {
        if (!cur) {
          keep();
          break;
        }
        if (p.starts_with("#time=")) {
          std::uint64_t t = 0;
          for (char c : p.substr(6)) {
            if (!isHex(c)) break;
            t = (t << 4) | static_cast<unsigned>(hexVal(c));
          }
          cur->modif = t;
        }
        cur->options.emplace_back(line);
        break;
      }
      default:
        keep();
        break;
    }
  }
  // The empty line before the first key belongs to the key (the writer puts one before each).
  while (!h.preamble_.empty() && skipSpaces(h.preamble_.back()).empty()) h.preamble_.pop_back();
  return h;
}

std::string Hive::serialize() const {
  std::string out;
  if (preamble_.empty() || preamble_.front() != kHeaderLine) out.append(kHeaderLine).append("\n");
  for (const auto& p : preamble_) out.append(p).append("\n");
  serializeKey(*root_, out);
  return out;
}

Key* Hive::resolve(const WPath& path, bool create, bool followLast, std::uint64_t now, int depth) const {
  if (depth > kMaxLinkDepth) return nullptr;
  Key* k = root_.get();
  for (std::size_t i = 0; i < path.size(); ++i) {
    Key* c = k->child(path[i]);
    if (!c) {
      if (!create) return nullptr;
      c = addChild(*k, path[i], true);
      touch(*k, now);
      touch(*c, now);
    }
    k = c;
    if (!k->isLink() || (!followLast && i + 1 == path.size())) continue;
    const Value* target = k->findValue(u"SymbolicLinkValue");
    if (!target || target->data.type != regtype::Link) continue;
    // "\Registry\<base>\rest" names a key of this hive; other targets are not followed.
    WPath t = splitPath(regtext::fromLeBytes(target->data.data));
    WPath b = base();
    if (t.size() < b.size() + 1 || !regtext::equalFolded(t[0], u"Registry")) continue;
    bool inside = true;
    for (std::size_t j = 0; j < b.size(); ++j) inside = inside && regtext::equalFolded(t[j + 1], b[j]);
    if (!inside) continue;
    WPath rest(t.begin() + 1 + static_cast<std::ptrdiff_t>(b.size()), t.end());
    if (!rest.empty() && !rest.back().empty() && rest.back().back() == u'\0') rest.back().pop_back();
    rest.insert(rest.end(), path.begin() + static_cast<std::ptrdiff_t>(i) + 1, path.end());
    return resolve(rest, create, followLast, now, depth + 1);
  }
  return k;
}

Key* Hive::find(const WPath& path, bool followLast) const {
  return resolve(path, false, followLast, 0, 0);
}

Key* Hive::create(const WPath& path, std::uint64_t now) {
  return resolve(path, true, true, now, 0);
}

bool Hive::remove(const WPath& path, std::uint64_t now) {
  if (path.empty()) return false;
  Key* k = resolve(path, false, false, now, 0);
  if (!k || !k->parent) return false;
  Key* parent = k->parent;
  parent->index.erase(regtext::fold(k->name));
  std::erase_if(parent->children, [&](const auto& c) { return c.get() == k; });
  touch(*parent, now);
  return true;
}

void Hive::setValue(Key& key, std::u16string_view name, const RegistryValue& value, std::uint64_t now) {
  if (Value* v = key.findValue(name)) {
    if (v->data == value) return;  // unchanged: leave the loaded line alone
    v->data = value;
    v->raw.clear();
  } else {
    Entry e;
    e.isValue = true;
    e.value.name = std::u16string(name);
    e.value.data = value;
    auto it = std::find_if(key.entries.begin(), key.entries.end(), [&](const Entry& x) {
      return x.isValue && regtext::compareFolded(x.value.name, name) > 0;
    });
    key.entries.insert(it, std::move(e));
  }
  touch(key, now);
}

bool Hive::deleteValue(Key& key, std::u16string_view name, std::uint64_t now) {
  auto it = std::find_if(key.entries.begin(), key.entries.end(), [&](const Entry& x) {
    return x.isValue && regtext::equalFolded(x.value.name, name);
  });
  if (it == key.entries.end()) return false;
  key.entries.erase(it);
  touch(key, now);
  return true;
}

}  // namespace platform::reghive

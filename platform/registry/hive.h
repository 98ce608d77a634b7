// One registry hive in Wine's text format ("WINE REGISTRY Version 2"), held as a key tree.
//
// What the tree does not understand is kept as text: the lines before the first key (header,
// ";; All keys relative to", "#arch=" and anything else), key option lines ("#time=", "#class=",
// "#link" ...), comments and malformed lines inside a key. Keys and values that were loaded and
// not changed are written back as the very lines they came from, so a load and save of an
// unchanged hive gives the same bytes. Changed keys and values are written as Wine writes them.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/registry/registry.h"

namespace platform::reghive {

using WPath = std::vector<std::u16string>;

// Seconds since 1970 to Windows FILETIME ticks and back.
std::uint64_t fileTimeFromUnix(std::int64_t seconds);
std::int64_t unixFromFileTime(std::uint64_t ticks);

struct Value {
  std::u16string name;
  RegistryValue data;
  std::string raw;  // the lines it was loaded from; empty once changed
};

struct Entry {
  bool isValue = false;
  Value value;
  std::string line;  // a line kept as it was (comment, malformed value)
};

struct Key {
  std::u16string name;
  Key* parent = nullptr;
  std::vector<std::unique_ptr<Key>> children;
  std::unordered_map<std::u16string, Key*> index;  // folded name -> child
  std::string header;                              // "[path] stamp" as loaded; empty once changed
  std::vector<std::string> options;                // "#..." lines
  std::vector<Entry> entries;
  bool fromFile = false;
  std::uint64_t modif = 0;

  Key* child(std::u16string_view name) const;
  Value* findValue(std::u16string_view name);
  const Value* findValue(std::u16string_view name) const;
  bool isLink() const;
};

class Hive {
 public:
  // An empty hive written with these lines before its keys (see defaultPreamble()).
  explicit Hive(std::vector<std::string> preamble = {});
  Hive(Hive&&) noexcept;
  Hive& operator=(Hive&&) noexcept;
  ~Hive();

  // Never throws on content: lines it cannot read are kept as they are.
  static Hive parse(std::string_view text);
  std::string serialize() const;

  // The preamble of a new hive relative to `base` ("\Machine", "\User\S-1-5-...").
  static std::vector<std::string> defaultPreamble(std::u16string_view base);
  // Components of the ";; All keys relative to" path (for example {"User", "S-1-5-21-..."}).
  WPath base() const;
  bool empty() const;

  Key& root() { return *root_; }
  const Key& root() const { return *root_; }

  // Path lookups follow Wine's symbolic-link keys ("#link" with a REG_LINK SymbolicLinkValue
  // into this hive) for every component, or for all but the last with followLast false.
  Key* find(const WPath& path, bool followLast = true) const;
  // Creates missing keys; nullptr only for a link loop.
  Key* create(const WPath& path, std::uint64_t now);
  // Removes the key (not following a link at the last component); false when missing or root.
  bool remove(const WPath& path, std::uint64_t now);

  static void setValue(Key& key, std::u16string_view name, const RegistryValue& value, std::uint64_t now);
  static bool deleteValue(Key& key, std::u16string_view name, std::uint64_t now);

 private:
  std::vector<std::string> preamble_;
  std::unique_ptr<Key> root_;
  Key* resolve(const WPath& path, bool create, bool followLast, std::uint64_t now, int depth) const;
};

// Wine's string escapes: parse up to the unescaped `end` character (returns the text and the
// bytes consumed including `end`), and write with backslashes before "\\" and `quote1/2`.
std::optional<std::pair<std::u16string, std::size_t>> parseEscaped(std::string_view src, char end);
std::string dumpEscaped(std::u16string_view s, char quote1, char quote2);

}  // namespace platform::reghive

#include "tools/mkdist/file_list.h"

#include <algorithm>
#include <charconv>
#include <map>
#include <optional>

#include "tools/mkdist/host_file.h"

namespace mkdist {

namespace {

std::vector<std::string> SplitPath(std::string_view path, std::string_view separators) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  while (start <= path.size()) {
    std::size_t end = path.find_first_of(separators, start);
    if (end == std::string_view::npos) end = path.size();
    if (end > start) parts.emplace_back(path.substr(start, end - start));
    start = end + 1;
  }
  return parts;
}

// Decimal, or hexadecimal after "0x" (any case), as the installer reads integers.
std::optional<std::int64_t> ParseInteger(std::string_view s) {
  int base = 10;
  bool negative = false;
  if (!s.empty() && (s[0] == '-' || s[0] == '+')) {
    negative = s[0] == '-';
    s.remove_prefix(1);
  }
  if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
    base = 16;
    s.remove_prefix(2);
  }
  std::int64_t v = 0;
  auto [ptr, ec] = std::from_chars(s.data(), s.data() + s.size(), v, base);
  if (s.empty() || ec != std::errc() || ptr != s.data() + s.size()) return std::nullopt;
  return negative ? -v : v;
}

std::string Section(int option) { return "Option_" + std::to_string(option); }

}  // namespace

std::vector<DistFile> FilesFromSetupInf(const SetupInf& inf) {
  std::vector<DistFile> files;
  for (int n = 1; n <= 9; ++n) {
    const std::string section = Section(n);
    if (inf.SectionCount(section) > 1)
      throw PackError("setup.inf has more than one [" + section + "] section; the installer would read only one of them");
    for (int k = 1;; ++k) {
      const std::string fKey = "f" + std::to_string(k);
      std::optional<std::string> name = inf.Value(section, fKey);
      if (!name || name->empty()) break;
      DistFile f;
      f.option = n;
      f.key = k;
      f.origin = section + " / " + fKey;
      if (auto line = inf.LineOf(section, fKey); line && inf.LineLength(*line) > 255)
        throw PackError(f.origin + ": line " + std::to_string(*line) +
                        " is longer than 255 characters; the installer would cut the file name");
      f.name = *name;
      if (auto problem = EntryNameProblem(f.name))
        throw PackError(f.origin + ": the file name \"" + f.name + "\" cannot be used: " + *problem);
      std::string sub = inf.Value(section, "q" + std::to_string(k)).value_or("");
      f.sourcePath = SplitPath(sub, "\\/");
      for (const std::string& part : f.sourcePath)
        if (part == "..")
          throw PackError(f.origin + ": the subfolder q" + std::to_string(k) + " \"" + sub + "\" leaves the product folder");
      f.sourcePath.push_back(f.name);
      std::string dir = inf.Value(section, "d" + std::to_string(k)).value_or("");
      if (!dir.empty()) {
        auto v = ParseInteger(dir);
        if (!v || *v < 0 || *v > 0x7FFFFFFF)
          throw PackError(f.origin + ": the directory index d" + std::to_string(k) + "=\"" + dir +
                          "\" is not a number from 0 to 2147483647");
        f.directoryIndex = static_cast<std::int32_t>(*v);
      }
      files.push_back(std::move(f));
    }
  }
  return files;
}

void WriteLIndexes(SetupInf& inf, const std::vector<DistRecord>& records) {
  for (const DistRecord& r : records)
    inf.Set(Section(r.file.option), "l" + std::to_string(r.file.key), std::to_string(r.lIndex),
            "f" + std::to_string(r.file.key));
}

std::vector<DistFile> FilesFromManifest(std::string_view text) {
  std::vector<DistFile> files;
  std::map<int, int> keys;
  std::size_t lineNo = 0;
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t nl = text.find('\n', pos);
    std::string_view line = text.substr(pos, nl == std::string_view::npos ? std::string_view::npos : nl - pos);
    pos = nl == std::string_view::npos ? text.size() : nl + 1;
    ++lineNo;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    std::size_t first = line.find_first_not_of(" \t");
    if (first == std::string_view::npos || line[first] == '#') continue;
    line.remove_prefix(first);
    const std::string where = "manifest line " + std::to_string(lineNo);
    auto field = [&](std::string_view& rest) {
      std::size_t end = rest.find_first_of(" \t");
      std::string_view f = rest.substr(0, end);
      rest = end == std::string_view::npos ? std::string_view{} : rest.substr(end);
      std::size_t next = rest.find_first_not_of(" \t");
      rest = next == std::string_view::npos ? std::string_view{} : rest.substr(next);
      return f;
    };
    std::string_view rest = line;
    auto option = ParseInteger(field(rest));
    auto dir = ParseInteger(field(rest));
    while (!rest.empty() && (rest.back() == ' ' || rest.back() == '\t')) rest.remove_suffix(1);
    if (!option || *option < 1 || *option > 9 || !dir || *dir < 0 || *dir > 0x7FFFFFFF || rest.empty())
      throw PackError(where + ": expected \"OPTION DIRECTORY PATH\" with an option from 1 to 9 and a directory index from 0");
    DistFile f;
    f.option = static_cast<int>(*option);
    f.key = ++keys[f.option];
    f.directoryIndex = static_cast<std::int32_t>(*dir);
    f.origin = where;
    for (const std::string& part : SplitPath(rest, "/")) {
      auto ansi = AnsiFileName(part);
      if (!ansi) throw PackError(where + ": \"" + part + "\" has characters outside code page 1252");
      if (*ansi == "..") throw PackError(where + ": the path \"" + std::string(rest) + "\" leaves the product folder");
      f.sourcePath.push_back(*ansi);
    }
    if (f.sourcePath.empty()) throw PackError(where + ": the path is empty");
    f.name = f.sourcePath.back();
    files.push_back(std::move(f));
  }
  // The installer walks option 1 to 9; packing in that order keeps disk changes forward only.
  std::stable_sort(files.begin(), files.end(),
                   [](const DistFile& a, const DistFile& b) { return a.option < b.option; });
  return files;
}

std::string OptionSections(const std::vector<DistRecord>& records) {
  std::string out;
  int current = 0;
  for (const DistRecord& r : records) {
    if (r.file.option != current) {
      current = r.file.option;
      out += (out.empty() ? "" : "\r\n") + std::string("[") + Section(current) + "]\r\n";
    }
    std::string k = std::to_string(r.file.key);
    out += "f" + k + "=" + r.file.name + "\r\nl" + k + "=" + std::to_string(r.lIndex) + "\r\n";
  }
  return out;
}

}  // namespace mkdist

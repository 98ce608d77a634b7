// Path mapping between Windows paths and the host folders of the root's drives.
#include "platform/fs/file_system.h"

#include "platform/fs/file_system_internal.h"
#include "platform/fs/share_table.h"
#include "platform/fs/windows_path.h"
#include "platform/text/ansi.h"

#include <algorithm>
#include <fstream>
#include <system_error>

namespace platform {
namespace fs = std::filesystem;

FileSystem::FileSystem(SystemRoot& root) : root_(root), shares_(std::make_shared<ShareTable>()) {}
FileSystem::~FileSystem() = default;

std::optional<fs::path> FileSystem::driveTarget(char letter) const {
  if (letter >= 'a' && letter <= 'z') letter = static_cast<char>(letter - 'a' + 'A');
  if (letter < 'A' || letter > 'Z') return std::nullopt;
  std::string name{static_cast<char>(letter - 'A' + 'a'), ':'};
  std::error_code ec;
  fs::path link = root_.dosDevicesDir() / name;
  fs::path target = fs::canonical(link, ec);
  if (ec || !fs::is_directory(target, ec)) return std::nullopt;
  return target;
}

namespace {

// A folder entry spelled as the Windows name: the exact name if it exists, else the first one
// (in byte order) that matches without regard to case.
std::optional<std::string> findEntry(const fs::path& dir, std::string_view ansiName) {
  std::error_code ec;
  std::string exact = ansiToUtf8(ansiName);
  if (fs::exists(fs::symlink_status(dir / exact, ec))) return exact;
  std::optional<std::string> best;
  for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
    std::string host = it->path().filename().string();
    if (host.find('\\') != std::string::npos) continue;
    if (!equalsIgnoreCase(utf8ToAnsi(host), ansiName)) continue;
    if (!best || host < *best) best = host;
  }
  return best;
}

}  // namespace

std::optional<fs::path> FileSystem::uncTarget(std::string_view server, std::string_view share) const {
  fs::path unc = root_.dosDevicesDir() / "unc";
  auto srv = findEntry(unc, server);
  if (!srv) return std::nullopt;
  auto shr = findEntry(unc / *srv, share);
  if (!shr) return std::nullopt;
  std::error_code ec;
  fs::path target = fs::canonical(unc / *srv / *shr, ec);
  if (ec || !fs::is_directory(target, ec)) return std::nullopt;
  return target;
}

std::optional<FileSystem::Resolved> FileSystem::resolve(std::string_view winPath) const {
  auto parsed = winpath::parse(winPath);
  if (!parsed) return std::nullopt;
  auto cur = winpath::parse(currentDir_);
  winpath::Absolute current;
  if (cur) {
    if (auto a = winpath::absolute(*cur, winpath::Absolute{false, 'C', {}, {}, {}})) current = *a;
  }
  auto abs = winpath::absolute(*parsed, current);
  if (!abs) return std::nullopt;

  Resolved r;
  std::optional<fs::path> base;
  if (abs->unc) {
    base = uncTarget(abs->server, abs->share);
    if (base) {
      // Spell server and share as the folders are named.
      fs::path unc = root_.dosDevicesDir() / "unc";
      auto srv = findEntry(unc, abs->server);
      auto shr = findEntry(unc / *srv, abs->share);
      abs->server = utf8ToAnsi(*srv);
      abs->share = utf8ToAnsi(*shr);
    }
  } else {
    base = driveTarget(abs->drive);
  }
  if (!base) return std::nullopt;
  r.driveRoot = *base;
  r.host = *base;
  bool scanning = true;
  for (std::string& c : abs->components) {
    if (scanning) {
      if (auto found = findEntry(r.host, c)) {
        c = utf8ToAnsi(*found);
        r.host /= *found;
        std::error_code ec;
        // Only a folder can hold the next component.
        if (!fs::is_directory(r.host, ec)) scanning = false;
        continue;
      }
      scanning = false;
    }
    r.host /= ansiToUtf8(c);
  }
  r.win = abs->str();
  return r;
}

std::optional<fs::path> FileSystem::toHost(std::string_view winPath) const {
  auto r = resolve(winPath);
  if (!r) return std::nullopt;
  return r->host;
}

std::optional<std::string> FileSystem::normalize(std::string_view winPath) const {
  auto r = resolve(winPath);
  if (!r) return std::nullopt;
  return r->win;
}

std::vector<char> FileSystem::drives() const {
  std::vector<char> out;
  for (char c = 'A'; c <= 'Z'; ++c) {
    if (driveTarget(c)) out.push_back(c);
  }
  return out;
}

bool FileSystem::hasDrive(char letter) const { return driveTarget(letter).has_value(); }

std::string FileSystem::volumeLabel(char letter) const {
  auto target = driveTarget(letter);
  if (!target) return {};
  std::ifstream in(*target / ".windows-label", std::ios::binary);
  std::string line;
  std::getline(in, line);
  while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.pop_back();
  // A label is at most 32 characters; it is kept as text of the host (UTF-8).
  return utf8ToAnsi(line.substr(0, 128)).substr(0, 32);
}

namespace {

// Number of leading components of `path` matched by `prefix`, or -1 when prefix is not one.
int prefixDepth(const fs::path& prefix, const fs::path& path) {
  auto p = path.begin();
  int depth = 0;
  for (auto q = prefix.begin(); q != prefix.end(); ++q) {
    if (q->empty()) continue;  // the empty name a trailing separator leaves
    if (p == path.end() || *p != *q) return -1;
    ++p;
    ++depth;
  }
  return depth;
}

}  // namespace

std::optional<std::string> FileSystem::toWindows(const fs::path& hostPath) const {
  std::error_code ec;
  fs::path lexical = fs::absolute(hostPath, ec).lexically_normal();
  if (ec) return std::nullopt;

  struct Candidate {
    std::string root;  // "C:" or "\\SERVER\SHARE"
    fs::path target;
  };
  std::vector<Candidate> candidates;
  for (char c = 'A'; c <= 'Z'; ++c) {
    if (auto t = driveTarget(c)) {
      candidates.push_back({std::string{c, ':'}, *t});
      // The link itself holds the same files (ROOT/dosdevices/c:/windows).
      candidates.push_back({std::string{c, ':'}, root_.dosDevicesDir() / std::string{static_cast<char>(c - 'A' + 'a'), ':'}});
    }
  }
  fs::path unc = root_.dosDevicesDir() / "unc";
  for (fs::directory_iterator s(unc, ec), end; !ec && s != end; s.increment(ec)) {
    std::error_code ec2;
    for (fs::directory_iterator h(s->path(), ec2), end2; !ec2 && h != end2; h.increment(ec2)) {
      std::error_code ec3;
      fs::path t = fs::canonical(h->path(), ec3);
      if (ec3 || !fs::is_directory(t, ec3)) continue;
      std::string root = "\\\\" + utf8ToAnsi(s->path().filename().string()) + "\\" +
                         utf8ToAnsi(h->path().filename().string());
      candidates.push_back({root, t});
      candidates.push_back({root, h->path()});
    }
  }

  auto pick = [&](const fs::path& p) -> std::optional<std::string> {
    const Candidate* best = nullptr;
    int bestDepth = -1;
    for (const auto& c : candidates) {
      int d = prefixDepth(c.target, p);
      if (d > bestDepth) {
        bestDepth = d;
        best = &c;
      }
    }
    if (!best) return std::nullopt;
    std::string out = best->root;
    auto it = p.begin();
    for (int i = 0; i < bestDepth; ++i) ++it;
    bool any = false;
    for (; it != p.end(); ++it) {
      if (it->empty()) continue;
      out += "\\" + utf8ToAnsi(it->string());
      any = true;
    }
    if (!any && best->root.size() == 2) out += "\\";
    return out;
  };
  if (auto w = pick(lexical)) return w;
  fs::path real = fs::weakly_canonical(lexical, ec);
  if (ec) return std::nullopt;
  return pick(real);
}

std::string FileSystem::mapMedium(const fs::path& hostDir) {
  std::error_code ec;
  fs::path dir = fs::canonical(hostDir, ec);
  if (ec || !fs::is_directory(dir, ec)) return {};
  if (auto w = toWindows(dir)) return *w;
  for (char c = 'd'; c <= 'y'; ++c) {
    fs::path link = root_.dosDevicesDir() / std::string{c, ':'};
    auto st = fs::symlink_status(link, ec);
    if (fs::exists(st)) {
      // A letter whose folder has gone (a medium of an earlier run) is free again.
      if (!fs::is_symlink(st) || fs::exists(link, ec)) continue;
      fs::remove(link, ec);
      if (ec) continue;
    }
    fs::create_directory_symlink(dir, link, ec);
    if (ec) return {};
    return std::string{static_cast<char>(c - 'a' + 'A'), ':', '\\'};
  }
  return {};
}

bool FileSystem::setCurrentDirectory(std::string_view winPath) {
  auto r = resolve(winPath);
  if (!r) return false;
  std::error_code ec;
  if (!fs::is_directory(r->host, ec)) return false;
  currentDir_ = r->win;
  return true;
}

}  // namespace platform

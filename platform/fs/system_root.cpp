#include "platform/fs/system_root.h"

#include "platform/text/ansi.h"

#include <algorithm>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <system_error>

namespace platform {
namespace fs = std::filesystem;

std::uint32_t WindowsVersion::packed() const {
  std::uint32_t low = (major & 0xFF) | ((minor & 0xFF) << 8);
  if (isNt()) return low | ((build & 0x7FFF) << 16);
  return low | 0x80000000u;
}

RootTemplate RootTemplate::windows95() {
  RootTemplate t;
  t.version = {WindowsPlatform::Windows9x, 4, 0, 950};
  return t;
}
RootTemplate RootTemplate::nt351() {
  RootTemplate t;
  t.version = {WindowsPlatform::NT, 3, 51, 1057};
  return t;
}
RootTemplate RootTemplate::nt4() {
  RootTemplate t;
  t.version = {WindowsPlatform::NT, 4, 0, 1381};
  return t;
}
RootTemplate RootTemplate::modernNt() { return RootTemplate{}; }

namespace {

// "C:\a\b" -> ROOT/drive_c/a/b. Only for the template's own folders, which are all on C:.
fs::path onDriveC(const fs::path& root, std::string_view winPath) {
  fs::path p = root / "drive_c";
  std::string_view rest = winPath.substr(3);  // past "C:\"
  while (!rest.empty()) {
    std::size_t k = rest.find('\\');
    p /= ansiToUtf8(rest.substr(0, k));
    if (k == std::string_view::npos) break;
    rest.remove_prefix(k + 1);
  }
  return p;
}

void makeDirs(const fs::path& p) {
  std::error_code ec;
  fs::create_directories(p, ec);
  if (ec) throw SystemRootError("cannot create folder " + p.string() + ": " + ec.message());
}

std::map<std::string, std::string> readIni(const fs::path& file) {
  std::map<std::string, std::string> values;
  std::ifstream in(file, std::ios::binary);
  std::string line;
  bool inSection = false;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line[0] == ';') continue;
    if (line[0] == '[') {
      inSection = equalsIgnoreCase(line, "[System]");
      continue;
    }
    std::size_t eq = line.find('=');
    if (!inSection || eq == std::string::npos) continue;
    values[toLowerAnsi(line.substr(0, eq))] = line.substr(eq + 1);
  }
  return values;
}

std::optional<std::uint32_t> number(const std::map<std::string, std::string>& v, const char* key) {
  auto it = v.find(key);
  if (it == v.end()) return std::nullopt;
  try {
    std::size_t used = 0;
    unsigned long n = std::stoul(it->second, &used, 10);
    if (used != it->second.size()) return std::nullopt;
    return static_cast<std::uint32_t>(n);
  } catch (...) {
    return std::nullopt;
  }
}

// A folder of a Wine prefix found without regard to case, or the name as given.
std::string spelledAs(const fs::path& dir, std::string_view name) {
  std::error_code ec;
  for (const auto& e : fs::directory_iterator(dir, ec)) {
    std::string n = utf8ToAnsi(e.path().filename().string());
    if (n == name) return n;
  }
  for (const auto& e : fs::directory_iterator(dir, ec)) {
    std::string n = utf8ToAnsi(e.path().filename().string());
    if (equalsIgnoreCase(n, name)) return n;
  }
  return std::string(name);
}

}  // namespace

SystemRoot SystemRoot::create(const fs::path& hostDir, const RootTemplate& tpl) {
  if (tpl.userName.empty() || tpl.userName.find_first_of("\\/:*?\"<>|") != std::string::npos) {
    throw SystemRootError("invalid user name for a system root");
  }
  SystemRoot r;
  std::error_code ec;
  r.hostDir_ = fs::absolute(hostDir, ec);
  if (ec) throw SystemRootError("invalid root folder " + hostDir.string());
  r.hostDir_ = r.hostDir_.lexically_normal();
  if (r.hostDir_.has_filename() == false) r.hostDir_ = r.hostDir_.parent_path();
  r.version_ = tpl.version;
  r.userName_ = tpl.userName;
  r.windowsDir_ = "C:\\windows";
  r.systemDir_ = tpl.version.isNt() ? "C:\\windows\\system32" : "C:\\windows\\system";

  makeDirs(r.hostDir_ / "drive_c");
  makeDirs(r.dosDevicesDir());
  fs::path link = r.dosDevicesDir() / "c:";
  if (!fs::exists(fs::symlink_status(link, ec))) {
    fs::create_directory_symlink("../drive_c", link, ec);
    if (ec) throw SystemRootError("cannot create drive link " + link.string() + ": " + ec.message());
  }
  makeDirs(onDriveC(r.hostDir_, r.systemDir_));
  makeDirs(onDriveC(r.hostDir_, r.fontsDir()));
  makeDirs(onDriveC(r.hostDir_, r.tempDir()));
  makeDirs(onDriveC(r.hostDir_, "C:\\Program Files"));
  for (const auto& f : r.userShellFolders()) makeDirs(onDriveC(r.hostDir_, f.path));
  for (const auto& f : r.commonShellFolders()) makeDirs(onDriveC(r.hostDir_, f.path));
  r.save();
  return r;
}

SystemRoot SystemRoot::open(const fs::path& hostDir) {
  SystemRoot r;
  std::error_code ec;
  r.hostDir_ = fs::absolute(hostDir, ec).lexically_normal();
  if (ec) throw SystemRootError("invalid root folder " + hostDir.string());
  if (!r.hostDir_.has_filename()) r.hostDir_ = r.hostDir_.parent_path();
  if (!fs::is_directory(r.dosDevicesDir() / "c:", ec)) {
    throw SystemRootError("not a system root (no drive C:): " + r.hostDir_.string());
  }
  r.load();
  return r;
}

void SystemRoot::load() {
  fs::path driveC = dosDevicesDir() / "c:";
  // Defaults for a prefix without our file: what Wine sets up.
  windowsDir_ = "C:\\" + spelledAs(driveC, "windows");
  fs::path win = driveC / ansiToUtf8(windowsDir_.substr(3));
  std::error_code ec;
  if (fs::is_directory(win / "system32", ec) || !fs::is_directory(win / "system", ec)) {
    systemDir_ = windowsDir_ + "\\" + spelledAs(win, "system32");
  } else {
    systemDir_ = windowsDir_ + "\\" + spelledAs(win, "system");
  }
  std::vector<std::string> users;
  for (const auto& e : fs::directory_iterator(driveC / "users", ec)) {
    std::string n = utf8ToAnsi(e.path().filename().string());
    if (e.is_directory(ec) && !equalsIgnoreCase(n, "Public") && !equalsIgnoreCase(n, "Default")) {
      users.push_back(n);
    }
  }
  std::sort(users.begin(), users.end());
  if (!users.empty()) userName_ = users.front();

  auto v = readIni(hostDir_ / ".kit" / "system.ini");
  if (auto it = v.find("platform"); it != v.end()) {
    version_.platform = equalsIgnoreCase(it->second, "9x") ? WindowsPlatform::Windows9x : WindowsPlatform::NT;
  }
  if (auto n = number(v, "major")) version_.major = *n;
  if (auto n = number(v, "minor")) version_.minor = *n;
  if (auto n = number(v, "build")) version_.build = *n;
  if (auto it = v.find("user"); it != v.end() && !it->second.empty()) userName_ = it->second;
  if (auto it = v.find("windowsdir"); it != v.end() && it->second.size() > 3) windowsDir_ = it->second;
  if (auto it = v.find("systemdir"); it != v.end() && it->second.size() > 3) systemDir_ = it->second;
}

void SystemRoot::save() const {
  fs::path dir = hostDir_ / ".kit";
  makeDirs(dir);
  std::ostringstream out;
  out << "[System]\n"
      << "Platform=" << (version_.isNt() ? "NT" : "9x") << "\n"
      << "Major=" << version_.major << "\n"
      << "Minor=" << version_.minor << "\n"
      << "Build=" << version_.build << "\n"
      << "User=" << userName_ << "\n"
      << "WindowsDir=" << windowsDir_ << "\n"
      << "SystemDir=" << systemDir_ << "\n";
  // Written beside and renamed, so a reader never sees half a file.
  fs::path tmp = dir / "system.ini.new";
  {
    std::ofstream f(tmp, std::ios::binary | std::ios::trunc);
    f << out.str();
    f.close();
    if (!f) throw SystemRootError("cannot write " + tmp.string());
  }
  std::error_code ec;
  fs::rename(tmp, dir / "system.ini", ec);
  if (ec) throw SystemRootError("cannot write " + (dir / "system.ini").string() + ": " + ec.message());
}

void SystemRoot::setVersion(const WindowsVersion& v) {
  version_ = v;
  save();
}

std::string SystemRoot::fontsDir() const { return windowsDir_ + "\\Fonts"; }
std::string SystemRoot::userProfileDir() const { return "C:\\users\\" + userName_; }

std::vector<ShellFolder> SystemRoot::userShellFolders() const {
  const std::string u = userProfileDir();
  return {
      {"Desktop", u + "\\Desktop"},
      {"Programs", u + "\\Start Menu\\Programs"},
      {"Start Menu", u + "\\Start Menu"},
      {"Startup", u + "\\Start Menu\\Programs\\Startup"},
      {"Fonts", fontsDir()},
      {"Personal", u + "\\My Documents"},
      {"Favorites", u + "\\Favorites"},
      {"SendTo", u + "\\SendTo"},
      {"Recent", u + "\\Recent"},
      {"Templates", u + "\\Templates"},
      {"AppData", u + "\\Application Data"},
      {"NetHood", u + "\\NetHood"},
      {"PrintHood", u + "\\PrintHood"},
  };
}

std::vector<ShellFolder> SystemRoot::commonShellFolders() const {
  if (!version_.isNt()) return {};
  const std::string p = "C:\\users\\Public";
  return {
      {"Common Desktop", p + "\\Desktop"},
      {"Common Programs", p + "\\Start Menu\\Programs"},
      {"Common Start Menu", p + "\\Start Menu"},
      {"Common Startup", p + "\\Start Menu\\Programs\\Startup"},
  };
}

std::string SystemRoot::shellFolder(std::string_view name) const {
  for (const auto& f : userShellFolders()) {
    if (equalsIgnoreCase(f.name, name)) return f.path;
  }
  for (const auto& f : commonShellFolders()) {
    if (equalsIgnoreCase(f.name, name)) return f.path;
  }
  return {};
}

}  // namespace platform

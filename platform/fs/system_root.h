// The system root: one host folder laid out like a Wine prefix, which is the whole world the
// installer sees. Drive letters are symlinks in ROOT/dosdevices ("c:" -> "../drive_c"), UNC shares
// are folders ROOT/dosdevices/unc/SERVER/SHARE, and the Windows folder, temp folder and the user's
// shell folders live under ROOT/drive_c.
//
// What the root reports about itself (platform, version, user name, Windows and system folders) is
// kept in ROOT/.kit/system.ini, a small INI file of our own:
//
//   [System]
//   Platform=NT            NT or 9x
//   Major=4
//   Minor=0
//   Build=1381
//   User=user
//   WindowsDir=C:\windows
//   SystemDir=C:\windows\system32
//
// A real Wine prefix has no such file; it opens as a modern NT with the user found under
// drive_c/users (the registry hives would tell more, but this room does not read them).
#pragma once

#include <cstdint>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// Raised when a root cannot be created or opened.
class SystemRootError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

enum class WindowsPlatform { Windows9x, NT };

struct WindowsVersion {
  WindowsPlatform platform = WindowsPlatform::NT;
  std::uint32_t major = 10;
  std::uint32_t minor = 0;
  std::uint32_t build = 19045;

  // The packed form GetVersion returns: low byte major, next byte minor; on NT the high word is the
  // build number (15 bits), on the 9x platform the top bit is set and the build is not reported.
  std::uint32_t packed() const;
  bool isNt() const { return platform == WindowsPlatform::NT; }
  bool operator==(const WindowsVersion&) const = default;
};

// A shell folder: its value name under "...\Explorer\Shell Folders" and its Windows path.
struct ShellFolder {
  std::string name;  // "Desktop", "Programs", "Common Programs" ...
  std::string path;  // "C:\users\user\Desktop"
};

// What a fresh root looks like.
struct RootTemplate {
  WindowsVersion version;
  std::string userName = "user";

  // Windows 95 (4.0.950, 9x platform): the system folder is C:\windows\system.
  static RootTemplate windows95();
  // Windows NT 3.51 (3.51.1057): NT below 4, system folder C:\windows\system32.
  static RootTemplate nt351();
  // Windows NT 4.0 (4.0.1381).
  static RootTemplate nt4();
  // A modern NT (10.0.19045), the default.
  static RootTemplate modernNt();
};

class SystemRoot {
 public:
  // Makes a fresh root in hostDir (created if missing; an existing root there is overwritten only
  // in its .kit/system.ini and missing folders). Throws SystemRootError.
  static SystemRoot create(const std::filesystem::path& hostDir, const RootTemplate& tpl);
  // Opens an existing root (ours or a Wine prefix: it must have dosdevices/c:). Throws SystemRootError.
  static SystemRoot open(const std::filesystem::path& hostDir);

  // The root folder on the host (absolute).
  const std::filesystem::path& hostDir() const { return hostDir_; }
  std::filesystem::path dosDevicesDir() const { return hostDir_ / "dosdevices"; }
  // The registry hives beside the drives: system.reg (HKLM), user.reg (HKCU), userdef.reg (HKU\.Default).
  std::filesystem::path systemHive() const { return hostDir_ / "system.reg"; }
  std::filesystem::path userHive() const { return hostDir_ / "user.reg"; }
  std::filesystem::path userDefaultHive() const { return hostDir_ / "userdef.reg"; }

  const WindowsVersion& version() const { return version_; }
  // Changes the reported platform and version and writes them to .kit/system.ini. Changing the
  // platform does not move the system folder. Throws SystemRootError when the file cannot be written.
  void setVersion(const WindowsVersion& v);

  const std::string& userName() const { return userName_; }

  // Windows paths, no trailing backslash.
  const std::string& windowsDir() const { return windowsDir_; }  // "C:\windows"
  const std::string& systemDir() const { return systemDir_; }    // "C:\windows\system32" or "...\system"
  std::string fontsDir() const;                                  // "C:\windows\Fonts"
  std::string tempDir() const { return "C:\\temp"; }
  std::string userProfileDir() const;                            // "C:\users\<user>"

  // The per-user shell folders (HKCU ...\Explorer\Shell Folders): Desktop, Programs, Start Menu,
  // Startup, Fonts, Personal, Favorites, SendTo, Recent, Templates, AppData, NetHood, PrintHood.
  std::vector<ShellFolder> userShellFolders() const;
  // The all-users folders (HKLM ...\Explorer\Shell Folders: Common Desktop, Common Programs,
  // Common Start Menu, Common Startup); none on the 9x platform.
  std::vector<ShellFolder> commonShellFolders() const;
  // The path of a user or common shell folder by value name (case-insensitive); empty when unknown.
  std::string shellFolder(std::string_view name) const;

 private:
  SystemRoot() = default;
  void load();
  void save() const;

  std::filesystem::path hostDir_;
  WindowsVersion version_;
  std::string userName_ = "user";
  std::string windowsDir_ = "C:\\windows";
  std::string systemDir_ = "C:\\windows\\system32";
};

}  // namespace platform

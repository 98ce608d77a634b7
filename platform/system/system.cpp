#include "platform/system/system.h"

#include <cstdlib>
#include <string>

namespace platform {
namespace {

constexpr const char* kShellFolders = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
constexpr const char* kWindowsCurrentVersion = "Software\\Microsoft\\Windows\\CurrentVersion";
constexpr const char* kNtCurrentVersion = "Software\\Microsoft\\Windows NT\\CurrentVersion";

std::string productName(const WindowsVersion& v) {
  if (!v.isNt()) return v.minor >= 10 ? "Microsoft Windows 98" : "Microsoft Windows 95";
  if (v.major < 4) return "Microsoft Windows NT";
  if (v.major == 4) return "Microsoft Windows NT Workstation";
  return "Windows";
}

}  // namespace

void writeTemplateRegistry(const SystemRoot& root, Registry& registry) {
  for (const ShellFolder& f : root.userShellFolders())
    registry.writeString(RootKey::CurrentUser, kShellFolders, f.name, f.path);
  for (const ShellFolder& f : root.commonShellFolders())
    registry.writeString(RootKey::LocalMachine, kShellFolders, f.name, f.path);

  const WindowsVersion& v = root.version();
  registry.writeString(RootKey::LocalMachine, kWindowsCurrentVersion, "ProgramFilesDir", "C:\\Program Files");
  registry.writeString(RootKey::LocalMachine, kWindowsCurrentVersion, "CommonFilesDir",
                       "C:\\Program Files\\Common Files");
  registry.writeString(RootKey::LocalMachine, kWindowsCurrentVersion, "SystemRoot", root.windowsDir());
  if (v.isNt()) {
    registry.writeString(RootKey::LocalMachine, kNtCurrentVersion, "CurrentVersion",
                         std::to_string(v.major) + "." + std::to_string(v.minor));
    registry.writeString(RootKey::LocalMachine, kNtCurrentVersion, "CurrentBuildNumber", std::to_string(v.build));
    registry.writeString(RootKey::LocalMachine, kNtCurrentVersion, "ProductName", productName(v));
    registry.writeString(RootKey::LocalMachine, kNtCurrentVersion, "RegisteredOwner", root.userName());
    registry.writeString(RootKey::LocalMachine, kNtCurrentVersion, "SystemRoot", root.windowsDir());
  } else {
    registry.writeString(RootKey::LocalMachine, kWindowsCurrentVersion, "Version", productName(v).substr(10));
    registry.writeString(RootKey::LocalMachine, kWindowsCurrentVersion, "VersionNumber",
                         std::to_string(v.major) + "." + (v.minor < 10 ? "0" : "") + std::to_string(v.minor) +
                             "." + std::to_string(v.build));
    registry.writeString(RootKey::LocalMachine, kWindowsCurrentVersion, "ProductName", productName(v));
    registry.writeString(RootKey::LocalMachine, kWindowsCurrentVersion, "RegisteredOwner", root.userName());
  }
}

System::System(SystemRoot root)
    : root_(std::make_unique<SystemRoot>(std::move(root))),
      fs_(std::make_unique<FileSystem>(*root_)),
      registry_(std::make_unique<Registry>(root_->hostDir())) {}

std::unique_ptr<System> System::create(const std::filesystem::path& hostDir, const RootTemplate& tpl) {
  std::unique_ptr<System> system(new System(SystemRoot::create(hostDir, tpl)));
  writeTemplateRegistry(system->root(), system->registry());
  system->registry().save();
  return system;
}

std::unique_ptr<System> System::open(const std::filesystem::path& hostDir) {
  return std::unique_ptr<System>(new System(SystemRoot::open(hostDir)));
}

std::unique_ptr<System> System::openOrCreate(const std::filesystem::path& hostDir, const RootTemplate& tpl) {
  std::error_code ec;
  if (std::filesystem::exists(hostDir / "dosdevices" / "c:", ec)) return open(hostDir);
  return create(hostDir, tpl);
}

std::filesystem::path System::defaultRootDir() {
  if (const char* root = std::getenv("APKIT_ROOT"); root && *root) return root;
  if (const char* data = std::getenv("XDG_DATA_HOME"); data && *data) return std::filesystem::path(data) / "apkit/root";
  const char* home = std::getenv("HOME");
  return std::filesystem::path(home && *home ? home : "/tmp") / ".local/share/apkit/root";
}

}  // namespace platform

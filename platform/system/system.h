// One system root with the services over it: files and registry. Programs open theirs from
// --root DIR (or the per-user default); tests make a fresh one in a temporary folder.
#pragma once

#include <filesystem>
#include <memory>

#include "platform/fs/file_system.h"
#include "platform/fs/system_root.h"
#include "platform/registry/registry.h"

namespace platform {

class System {
 public:
  // Makes a fresh root in hostDir from the template: folders, and the registry values a fresh
  // Windows of that version holds (shell folders, version keys), saved to the hives.
  static std::unique_ptr<System> create(const std::filesystem::path& hostDir, const RootTemplate& tpl = {});
  // Opens an existing root (ours or a Wine prefix). Throws SystemRootError.
  static std::unique_ptr<System> open(const std::filesystem::path& hostDir);
  // Opens the root in hostDir, creating it from the template when it has no drive C: yet.
  static std::unique_ptr<System> openOrCreate(const std::filesystem::path& hostDir, const RootTemplate& tpl = {});

  // The per-user default root: $APKIT_ROOT, else $XDG_DATA_HOME/apkit/root, else
  // ~/.local/share/apkit/root.
  static std::filesystem::path defaultRootDir();

  SystemRoot& root() { return *root_; }
  FileSystem& fs() { return *fs_; }
  Registry& registry() { return *registry_; }

 private:
  explicit System(SystemRoot root);
  std::unique_ptr<SystemRoot> root_;
  std::unique_ptr<FileSystem> fs_;
  std::unique_ptr<Registry> registry_;
};

// Writes the values a fresh root's registry holds; existing values are overwritten.
void writeTemplateRegistry(const SystemRoot& root, Registry& registry);

}  // namespace platform

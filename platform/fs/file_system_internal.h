// Pieces shared by the files that implement FileSystem; not for callers.
#pragma once

#include "platform/fs/file_system.h"

#include <filesystem>
#include <string>

namespace platform {

struct FileSystem::Resolved {
  std::filesystem::path host;       // where the path lands on the host
  std::filesystem::path driveRoot;  // the host folder of its drive or share
  std::string win;                  // the clean Windows path, spelled as on disk where it exists
};

}  // namespace platform

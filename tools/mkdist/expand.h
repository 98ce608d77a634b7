// `mkdist expand`: the installer's own archive reader (TCompress) expands an archive into a
// host folder. A throw-away system root in a temporary folder maps the archive's folder and the
// target folder as drives, as the installer sees a medium.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace mkdist {

struct ExpandReport {
  std::vector<std::filesystem::path> targets;  // files the reader started to write, in order
  std::vector<std::filesystem::path> written;  // files it reported as written
  std::string error;                           // the reader's exception message, exactly
};

ExpandReport ExpandArchive(const std::filesystem::path& archive, const std::filesystem::path& targetDir);

}  // namespace mkdist

#include "tools/mkdist/expand.h"

#include <stdlib.h>

#include "platform/fs/file_system.h"
#include "platform/text/ansi.h"
#include "setup/Compress/compress.h"
#include "tools/mkdist/archive_writer.h"

namespace mkdist {

namespace fs = std::filesystem;

namespace {

struct ScratchRoot {
  fs::path dir;
  ScratchRoot() {
    std::string templ = (fs::temp_directory_path() / "mkdist-root-XXXXXX").string();
    if (!mkdtemp(templ.data())) throw PackError("cannot create a temporary folder");
    dir = templ;
  }
  ~ScratchRoot() {
    std::error_code ec;
    fs::remove_all(dir, ec);
  }
};

}  // namespace

ExpandReport ExpandArchive(const fs::path& archive, const fs::path& targetDir) {
  if (!fs::is_regular_file(archive)) throw PackError("the archive \"" + archive.string() + "\" does not exist");
  std::error_code ec;
  fs::create_directories(targetDir, ec);
  if (!fs::is_directory(targetDir)) throw PackError("cannot create the folder \"" + targetDir.string() + "\"");

  ScratchRoot scratch;
  platform::SystemRoot root = platform::SystemRoot::create(scratch.dir / "root", platform::RootTemplate::modernNt());
  platform::FileSystem files(root);
  const fs::path archiveDir = fs::absolute(archive).parent_path();
  std::string source = files.mapMedium(archiveDir);
  std::string target = files.mapMedium(fs::absolute(targetDir));
  auto ansiName = platform::utf8ToAnsi(archive.filename().string());
  if (source.empty() || target.empty()) throw PackError("cannot map the folders for the expander");
  if (source.back() != '\\') source += '\\';

  ExpandReport report;
  setup::TCompress reader(files);
  reader.SetTargetPath(target);
  reader.OnCheckFile = [&](std::string& path, setup::TCProcessMode) {
    if (auto host = files.toHost(path)) report.targets.push_back(*host);
  };
  try {
    setup::TEntryList entries;
    reader.ListEntries(source + ansiName, entries);
    std::vector<std::string> names;
    for (const auto& item : entries) names.push_back(item.Name);
    setup::TCompress::ReleaseEntryList(&entries);
    reader.ExpandEntries(source + ansiName, &names);
    for (const std::string& w : names)
      if (auto host = files.toHost(w)) report.written.push_back(*host);
  } catch (const std::exception& e) {
    report.error = e.what();
  }
  return report;
}

}  // namespace mkdist

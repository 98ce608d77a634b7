#include "platform/fs/file_system.h"
#include "platform/fs/system_root.h"
#include "platform/fs/tests/temp_dir.h"

#include <gtest/gtest.h>

namespace platform {
namespace {

namespace fs = std::filesystem;
using testing::TempDir;

struct TemplateRow {
  const char* label;
  RootTemplate tpl;
  bool nt;
  std::uint32_t packedLow;  // major | minor << 8
  const char* systemDir;
  bool commonFolders;
};

TEST(SystemRoot, FreshRootsFromTheTemplates) {
  const std::vector<TemplateRow> rows = {
      {"Windows 95", RootTemplate::windows95(), false, 0x0004, "C:\\windows\\system", false},
      {"NT 3.51", RootTemplate::nt351(), true, 0x3303, "C:\\windows\\system32", true},
      {"NT 4", RootTemplate::nt4(), true, 0x0004, "C:\\windows\\system32", true},
      {"modern NT", RootTemplate::modernNt(), true, 0x000A, "C:\\windows\\system32", true},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.label);
    TempDir tmp;
    SystemRoot root = SystemRoot::create(tmp / "root", row.tpl);
    EXPECT_EQ(root.version().isNt(), row.nt);
    EXPECT_EQ(root.version().packed() & 0xFFFF, row.packedLow);
    // The installer takes the major version from the low byte and the platform from the system.
    EXPECT_EQ(root.version().packed() & 0xFF, row.tpl.version.major);
    EXPECT_EQ(root.windowsDir(), "C:\\windows");
    EXPECT_EQ(root.systemDir(), row.systemDir);
    EXPECT_EQ(root.fontsDir(), "C:\\windows\\Fonts");
    EXPECT_EQ(root.tempDir(), "C:\\temp");
    EXPECT_EQ(root.commonShellFolders().empty(), !row.commonFolders);

    // Every folder the root reports exists, reached through the drive link.
    FileSystem files(root);
    EXPECT_TRUE(fs::is_symlink(root.dosDevicesDir() / "c:"));
    EXPECT_EQ(fs::read_symlink(root.dosDevicesDir() / "c:"), fs::path("../drive_c"));
    EXPECT_FALSE(fs::exists(fs::symlink_status(root.dosDevicesDir() / "z:")));
    for (const std::string& dir : {root.windowsDir(), root.systemDir(), root.fontsDir(), root.tempDir(),
                                   root.userProfileDir(), std::string("C:\\Program Files")}) {
      EXPECT_TRUE(files.isDirectory(dir)) << dir;
    }
    for (const auto& f : root.userShellFolders()) EXPECT_TRUE(files.isDirectory(f.path)) << f.name;
    for (const auto& f : root.commonShellFolders()) EXPECT_TRUE(files.isDirectory(f.path)) << f.name;

    // Opening it again gives back what was created.
    SystemRoot again = SystemRoot::open(tmp / "root");
    EXPECT_EQ(again.version(), row.tpl.version);
    EXPECT_EQ(again.systemDir(), row.systemDir);
    EXPECT_EQ(again.userName(), "user");
  }
}

TEST(SystemRoot, PackedVersionFollowsGetVersion) {
  // NT: build in the high word, top bit clear; 9x: top bit set.
  EXPECT_EQ((WindowsVersion{WindowsPlatform::NT, 4, 0, 1381}.packed()), 0x05650004u);
  EXPECT_EQ((WindowsVersion{WindowsPlatform::NT, 3, 51, 1057}.packed()), 0x04213303u);
  EXPECT_EQ((WindowsVersion{WindowsPlatform::Windows9x, 4, 10, 1998}.packed()), 0x80000A04u);
  EXPECT_EQ((WindowsVersion{WindowsPlatform::NT, 6, 2, 0x9FFF}.packed()) >> 31, 0u);
}

TEST(SystemRoot, VersionIsSettableAndPersisted) {
  TempDir tmp;
  SystemRoot root = SystemRoot::create(tmp / "root", RootTemplate::nt4());
  root.setVersion({WindowsPlatform::Windows9x, 4, 10, 2222});
  EXPECT_EQ(SystemRoot::open(tmp / "root").version(), (WindowsVersion{WindowsPlatform::Windows9x, 4, 10, 2222}));
  EXPECT_TRUE(fs::is_regular_file(tmp / "root" / ".kit" / "system.ini"));
  // The system folder is part of the layout and stays where it was made.
  EXPECT_EQ(SystemRoot::open(tmp / "root").systemDir(), "C:\\windows\\system32");
}

TEST(SystemRoot, ShellFoldersByNameWithoutRegardToCase) {
  TempDir tmp;
  RootTemplate tpl = RootTemplate::nt4();
  tpl.userName = "Bob";
  SystemRoot root = SystemRoot::create(tmp / "root", tpl);
  EXPECT_EQ(root.shellFolder("desktop"), "C:\\users\\Bob\\Desktop");
  EXPECT_EQ(root.shellFolder("Programs"), "C:\\users\\Bob\\Start Menu\\Programs");
  EXPECT_EQ(root.shellFolder("STARTUP"), "C:\\users\\Bob\\Start Menu\\Programs\\Startup");
  EXPECT_EQ(root.shellFolder("Start Menu"), "C:\\users\\Bob\\Start Menu");
  EXPECT_EQ(root.shellFolder("Fonts"), "C:\\windows\\Fonts");
  EXPECT_EQ(root.shellFolder("Common Programs"), "C:\\users\\Public\\Start Menu\\Programs");
  EXPECT_EQ(root.shellFolder("No Such Folder"), "");
  EXPECT_TRUE(fs::is_directory(tmp / "root" / "drive_c" / "users" / "Bob" / "Start Menu" / "Programs"));

  SystemRoot win95 = SystemRoot::create(tmp / "w95", RootTemplate::windows95());
  EXPECT_EQ(win95.shellFolder("Common Programs"), "");
}

TEST(SystemRoot, BadInputIsRefused) {
  TempDir tmp;
  RootTemplate tpl;
  tpl.userName = "a\\b";
  EXPECT_THROW(SystemRoot::create(tmp / "root", tpl), SystemRootError);
  tpl.userName = "";
  EXPECT_THROW(SystemRoot::create(tmp / "root", tpl), SystemRootError);
  testing::writeFile(tmp / "file", "");
  EXPECT_THROW(SystemRoot::create(tmp / "file" / "root", RootTemplate{}), SystemRootError);
}

TEST(SystemRoot, DamagedSettingsFallBackToDefaults) {
  TempDir tmp;
  SystemRoot::create(tmp / "root", RootTemplate::windows95());
  testing::writeFile(tmp / "root" / ".kit" / "system.ini",
                     "[System]\r\nPlatform=9x\r\nMajor=four\r\nMinor=10\r\n[Other]\r\nMajor=7\r\n");
  SystemRoot root = SystemRoot::open(tmp / "root");
  EXPECT_FALSE(root.version().isNt());
  EXPECT_EQ(root.version().major, WindowsVersion{}.major);  // unreadable: the default stays
  EXPECT_EQ(root.version().minor, 10u);
}

}  // namespace
}  // namespace platform

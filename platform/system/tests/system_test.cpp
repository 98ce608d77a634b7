#include "platform/system/system.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>
#include <sstream>

namespace platform {
namespace {

class SystemTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string tmpl = (std::filesystem::temp_directory_path() / "kit-system-XXXXXX").string();
    ASSERT_NE(::mkdtemp(tmpl.data()), nullptr);
    dir_ = tmpl;
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }
  std::filesystem::path dir_;
};

constexpr const char* kShellFolders = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

TEST_F(SystemTest, FreshRootHoldsShellFoldersAndVersionInItsHives) {
  struct Case {
    RootTemplate tpl;
    const char* versionKey;
    const char* versionValue;
    const char* expected;
  };
  const Case cases[] = {
      {RootTemplate::nt4(), "Software\\Microsoft\\Windows NT\\CurrentVersion", "CurrentVersion", "4.0"},
      {RootTemplate::modernNt(), "Software\\Microsoft\\Windows NT\\CurrentVersion", "CurrentBuildNumber", "19045"},
      {RootTemplate::windows95(), "Software\\Microsoft\\Windows\\CurrentVersion", "VersionNumber", "4.00.950"},
  };
  int n = 0;
  for (const Case& c : cases) {
    auto dir = dir_ / std::to_string(n++);
    { System::create(dir, c.tpl); }
    // A second process would see only what reached the hives: read them back from the files.
    Registry reread(dir);
    auto fonts = reread.readString(RootKey::CurrentUser, kShellFolders, "fonts");
    ASSERT_TRUE(fonts) << dir;
    EXPECT_EQ(*fonts, "C:\\windows\\Fonts");
    EXPECT_TRUE(reread.readString(RootKey::CurrentUser, kShellFolders, "Programs"));
    EXPECT_EQ(reread.readString(RootKey::LocalMachine, c.versionKey, c.versionValue), c.expected);
    EXPECT_EQ(reread.keyExists(RootKey::LocalMachine, kShellFolders), c.tpl.version.isNt())
        << "the 9x platform has no all-users folders";
  }
}

TEST_F(SystemTest, OpenOrCreateKeepsAnExistingRootAsItIs) {
  {
    auto system = System::openOrCreate(dir_, RootTemplate::nt4());
    system->registry().writeString(RootKey::CurrentUser, kShellFolders, "Fonts", "D:\\fonts");
    system->registry().save();
  }
  auto again = System::openOrCreate(dir_, RootTemplate::modernNt());
  EXPECT_EQ(again->root().version(), RootTemplate::nt4().version);
  EXPECT_EQ(again->registry().readString(RootKey::CurrentUser, kShellFolders, "Fonts"), "D:\\fonts");
  auto host = again->fs().toHost("C:\\WINDOWS\\fonts");
  ASSERT_TRUE(host);
  EXPECT_TRUE(std::filesystem::is_directory(*host));
}

TEST_F(SystemTest, OpeningAFolderThatIsNoRootFails) {
  EXPECT_THROW(System::open(dir_ / "nothing-here"), SystemRootError);
}

}  // namespace
}  // namespace platform

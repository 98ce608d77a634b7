#include "platform/fs/windows_path.h"

#include <gtest/gtest.h>

namespace platform::winpath {
namespace {

TEST(WindowsPath, DeviceNamesWithOrWithoutExtension) {
  for (std::string n : {"CON", "con", "Prn", "AUX", "nul", "COM1", "com9", "LPT1", "lpt9", "aux.txt",
                        "NUL.tar.gz", "CON ", "con .txt", "COM\xb9", "LPT\xb2", "conin$", "CONOUT$.x"}) {
    EXPECT_TRUE(isDeviceName(n)) << n;
    EXPECT_FALSE(isValidName(n)) << n;
  }
  for (std::string n : {"CONSOLE", "CON1", "COM", "COM0", "COM10", "LPT", "xnul", "nul_", "AUXI.txt", "a.con"}) {
    EXPECT_FALSE(isDeviceName(n)) << n;
    EXPECT_TRUE(isValidName(n)) << n;
  }
}

TEST(WindowsPath, ParseAnchors) {
  struct Row {
    std::string in;
    Anchor anchor;
    char drive;
    std::vector<std::string> components;
  };
  const std::vector<Row> rows = {
      {"c:\\a\\b", Anchor::Drive, 'C', {"a", "b"}},
      {"C:a/b", Anchor::DriveRelative, 'C', {"a", "b"}},
      {"C:", Anchor::DriveRelative, 'C', {}},
      {"\\a", Anchor::RootRelative, 0, {"a"}},
      {"a\\\\b\\", Anchor::Relative, 0, {"a", "b"}},
      {"\\\\?\\d:\\x", Anchor::Drive, 'D', {"x"}},
      {"\\\\srv\\shr\\..\\x", Anchor::Unc, 0, {"..", "x"}},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.in);
    auto p = parse(r.in);
    ASSERT_TRUE(p);
    EXPECT_EQ(p->anchor, r.anchor);
    EXPECT_EQ(p->drive, r.drive);
    EXPECT_EQ(p->components, r.components);
  }
  EXPECT_EQ(parse("\\\\srv\\shr")->server, "srv");
  EXPECT_EQ(parse("\\\\srv\\shr")->share, "shr");
}

TEST(WindowsPath, NamesAtTheLengthLimit) {
  EXPECT_TRUE(isValidName(std::string(255, 'a')));
  EXPECT_FALSE(isValidName(std::string(256, 'a')));
  // 128 accented letters take 256 bytes once in UTF-8: too long for the host.
  EXPECT_FALSE(isValidName(std::string(128, '\xe9')));
  EXPECT_TRUE(isValidName(std::string(127, '\xe9')));
}

}  // namespace
}  // namespace platform::winpath

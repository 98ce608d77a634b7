#include "setup/script/backslash.h"

#include <gtest/gtest.h>

namespace setup {
namespace {

struct Case {
  const char* in;
  const char* out;
};

TEST(EnsureTrailingBackslash, Table) {
  const Case cases[] = {
      {"", ""},
      {"D:\\disk1", "D:\\disk1\\"},
      {"D:\\disk1\\", "D:\\disk1\\"},
      {"\"D:\\\"", "D:\\"},  // "D:\" in quotes
      {"\"D:\\disk 1\"", "D:\\disk 1\\"},
      {"\"D:\\disk1", "D:\\disk1\\"},  // opening quote only
      {"D:\\disk1\"", "D:\\disk1\\"},  // closing quote only is dropped as well
      {"C:", "C:\\"},
      {"\"", ""},  // a lone quote names no folder
      {"\"\"", ""},
      {"\\\\server\\share", "\\\\server\\share\\"},
  };
  for (const auto& c : cases) EXPECT_EQ(EnsureTrailingBackslash(c.in), c.out) << "input [" << c.in << "]";
}

TEST(EnsureTrailingBackslash, QuotedTextKeepsAtMost255Characters) {
  std::string longFolder(300, 'a');
  std::string result = EnsureTrailingBackslash("\"" + longFolder + "\"");
  EXPECT_EQ(result, std::string(255, 'a') + "\\");
  // Without a leading quote nothing is cut.
  EXPECT_EQ(EnsureTrailingBackslash(longFolder), longFolder + "\\");
  // The 255 kept characters may end with the closing quote, which is then dropped.
  std::string exact(254, 'b');
  EXPECT_EQ(EnsureTrailingBackslash("\"" + exact + "\""), exact + "\\");
}

TEST(StripTrailingBackslash, RemovesExactlyOne) {
  const Case cases[] = {
      {"", ""},
      {"C:\\", "C:"},
      {"C:\\WINDOWS\\", "C:\\WINDOWS"},
      {"C:\\WINDOWS", "C:\\WINDOWS"},
      {"C:\\dir\\\\", "C:\\dir\\"},
      {"\\", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(StripTrailingBackslash(c.in), c.out) << "input [" << c.in << "]";
}

TEST(PathParts, FolderAndDrive) {
  const Case folders[] = {
      {"C:\\CD\\SETUP\\SETUP.EXE", "C:\\CD\\SETUP\\"},
      {"C:SETUP.EXE", "C:"},
      {"SETUP.EXE", ""},
      {"C:\\", "C:\\"},
  };
  for (const auto& c : folders) EXPECT_EQ(FolderPartWithDelimiter(c.in), c.out) << c.in;
  const Case drives[] = {
      {"D:\\disk1\\", "D:"},
      {"d:", "d:"},
      {"\\\\server\\share\\disk1\\", "\\\\server\\share"},
      {"\\\\server\\share", "\\\\server\\share"},
      {"\\\\server", "\\\\server"},
      {"\\relative\\", ""},
      {"disk1\\", ""},
      {"", ""},
  };
  for (const auto& c : drives) EXPECT_EQ(DrivePart(c.in), c.out) << c.in;
}

}  // namespace
}  // namespace setup

// setup.inf lookups follow the installer's reading rules; rewriting touches only the keys set.
#include <gtest/gtest.h>

#include "tools/mkdist/setup_inf.h"

namespace mkdist {
namespace {

TEST(SetupInf, FindsKeysTheWayTheInstallerDoes) {
  const std::string text =
      "f1=before any section\r\n"
      "[Software]\r\n"
      "fix = 1\r\n"
      "name=First\r\n"
      "NAME=Second\r\n"
      "empty=\r\n"
      "\x1a\r\n"
      "long=" + std::string(300, 'v') + "\r\n"
      "[option_1]\n"
      "F1=prog.exe\n"
      "path=a=b\n";
  SetupInf inf = SetupInf::Parse(text);
  struct Case {
    const char* section;
    const char* key;
    std::optional<std::string> value;
  };
  const std::vector<Case> cases = {
      {"software", "name", "First"},                  // section and key without regard to case; first wins
      {"software", "fix", std::nullopt},              // the key is "fix " with its blank
      {"software", "fix ", " 1"},                     // and the value keeps its blank
      {"software", "empty", ""},
      {"software", "long", std::string(250, 'v')},    // the line counts 255 characters
      {"Option_1", "f1", "prog.exe"},                 // a bare LF ends a line too
      {"Option_1", "path", "a=b"},                    // the name ends at the first "="
      {"Option_2", "f1", std::nullopt},
      {"nothing", "f1", std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.section) + " / " + c.key);
    EXPECT_EQ(inf.Value(c.section, c.key), c.value);
  }
  EXPECT_EQ(inf.LineOf("software", "long"), 8u);
  EXPECT_EQ(inf.LineLength(8), 305u);
  EXPECT_EQ(inf.SectionCount("OPTION_1"), 1u);
}

TEST(SetupInf, SetReplacesOrInsertsAndKeepsTheRest) {
  const std::string text = "; notes\r\n[Option_1]\r\nf1=a.exe\r\nL1=77\r\nf2=b.dll\r\n\r\n[Other]\r\nx=1\r\n";
  SetupInf inf = SetupInf::Parse(text);
  inf.Set("option_1", "l1", "0", "f1");  // replaced, spelling of the key kept
  inf.Set("option_1", "l2", "4", "f2");  // inserted after f2, before the blank line
  inf.Set("Other", "y", "2", "missing");  // appended to the section
  EXPECT_EQ(inf.Serialize(),
            "; notes\r\n[Option_1]\r\nf1=a.exe\r\nL1=0\r\nf2=b.dll\r\nl2=4\r\n\r\n[Other]\r\nx=1\r\ny=2\r\n");
  // Without a final line end none is added.
  EXPECT_EQ(SetupInf::Parse("[a]\r\nb=1").Serialize(), "[a]\r\nb=1");
}

}  // namespace
}  // namespace mkdist

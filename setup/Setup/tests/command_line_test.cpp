#include "setup/Setup/command_line.h"

#include <gtest/gtest.h>

using namespace setup;

TEST(CommandLine, OptionsAndTheSourceArgument) {
  struct Case {
    std::vector<std::string> args;
    bool ok;
    std::string root, programDir, source;
    bool headless;
  } cases[] = {
      {{}, true, "", "", "", false},
      {{"D:\\disk1"}, true, "", "", "D:\\disk1", false},
      {{"--root", "/r", "--headless", "\"D:\\\""}, true, "/r", "", "\"D:\\\"", true},
      {{"--program-dir", "dist", "first", "second"}, true, "", "dist", "first", false},
      {{"--root"}, false, "", "", "", false},
      {{"--fast"}, false, "", "", "", false},
  };
  for (const auto& c : cases) {
    std::string err;
    auto cl = ParseCommandLine(c.args, err);
    ASSERT_EQ(cl.has_value(), c.ok) << err;
    if (!cl) {
      EXPECT_FALSE(err.empty());
      continue;
    }
    EXPECT_EQ(cl->root.value_or(""), c.root);
    EXPECT_EQ(cl->programDir.value_or(""), c.programDir);
    EXPECT_EQ(cl->source, c.source);
    EXPECT_EQ(cl->headless, c.headless);
  }
}

// Reading the setup script through the context: the key syntax, the value types and the
// message table, and scripts that are not scripts at all.
#include <gtest/gtest.h>

#include <random>

#include "setup/script/loading_work.h"
#include "setup/script/script_message.h"
#include "setup/script/tests/script_fixture.h"

namespace setup {
namespace {

using testing::crlf;
using testing::ScriptFixture;

using ScriptReading = ScriptFixture;

TEST_F(ScriptReading, KeySyntaxAndValueTypes) {
  writeScript(crlf({
      "name_display=before any section",
      "[Software]",
      "fix = 1",
      "o_standard=yes",
      "o_min=2",
      "o_custom=0",
      "Opt1_locked=true",
      "exedirpos=0x10",
      "medium=0X1f",
      "reboot=-1",
      "Opt1_space=",
      "Opt2_space=12abc",
      "name= spaced =value ",
      "prggrp=first",
      "PRGGRP=second",
      "[language]",
      "l1=Loading",
      "l2=%WINDOWS%\\win.ini",
      "L3=100% %install%",
  }));
  ASSERT_TRUE(RunLoadingWork(*context, kProgram, ""));
  const SetupContext& c = *context;

  // "fix " with blanks is another key: a read of fix finds nothing.
  EXPECT_FALSE(c.scriptBool("software", "fix", false));
  EXPECT_EQ(c.scriptString("software", "fix ", "-"), " 1");
  // Words are no numbers: the default applies, whichever it is.
  EXPECT_FALSE(c.scriptBool("software", "o_standard", false));
  EXPECT_TRUE(c.scriptBool("software", "o_standard", true));
  EXPECT_FALSE(c.scriptBool("software", "Opt1_locked", false));
  EXPECT_TRUE(c.scriptBool("software", "o_min", false));
  EXPECT_FALSE(c.scriptBool("software", "o_custom", true));
  // Integers: decimal, hexadecimal after 0x in any case, defaults for empty and for junk.
  EXPECT_EQ(c.scriptInteger("software", "exedirpos", 0), 16);
  EXPECT_EQ(c.exeDirPos(), 16);
  EXPECT_EQ(c.scriptInteger("software", "medium", 1), 31);
  EXPECT_EQ(c.scriptInteger("software", "reboot", 0), -1);
  EXPECT_EQ(c.scriptInteger("software", "Opt1_space", 5), 5);
  EXPECT_EQ(c.scriptInteger("software", "Opt2_space", 5), 5);
  EXPECT_EQ(c.scriptInteger("software", "missing", 195), 195);
  // Texts keep their blanks; the name ends at the first equals sign.
  EXPECT_EQ(c.scriptString("software", "name", "-"), " spaced =value ");
  // The capital S section is found; of two equal keys the first wins; nothing before the first
  // section header is found.
  EXPECT_EQ(c.scriptString("SOFTWARE", "prggrp", "-"), "first");
  EXPECT_EQ(c.state.softwareName, "");

  EXPECT_EQ(ScriptMessage(c, 1), "Loading");
  EXPECT_EQ(ScriptMessage(c, 2), c.state.windowsDir + "\\win.ini");
  EXPECT_EQ(ScriptMessage(c, 3), "100% %install%");
  EXPECT_EQ(ScriptMessage(c, 4), "");
  EXPECT_EQ(ScriptMessage(c, 0), "");
  EXPECT_EQ(ScriptMessage(c, -1), "");
}

TEST_F(ScriptReading, CdDirFollowsExeDirPosOfTheScript) {
  struct Case {
    const char* exedirpos;  // nullptr: no key
    const char* cddir;
  };
  const Case cases[] = {
      {nullptr, "C:\\CD\\SETUP"},
      {"0", "C:\\CD\\SETUP"},
      {"1", "C:\\CD"},
      {"2", "C:"},
      {"0x10", "C:"},
      {"-1", "C:\\CD\\SETUP\\SETUP.EXE"},
      {"many", "C:\\CD\\SETUP"},
  };
  for (const auto& c : cases) {
    std::string script = "[language]\r\nl1=%cddir%\r\n[software]\r\n";
    if (c.exedirpos) script += std::string("exedirpos=") + c.exedirpos + "\r\n";
    writeScript(script);
    SetupContext& ctx = freshContext();
    LoadingOutcome outcome = RunLoadingWork(ctx, kProgram, "");
    ASSERT_TRUE(outcome);
    EXPECT_EQ(outcome.label, c.cddir) << (c.exedirpos ? c.exedirpos : "(none)");
  }
}

TEST_F(ScriptReading, LongLinesAreCut) {
  const std::string longName(10000, 'n');
  writeScript("[software]\r\nname_display=" + longName + "\r\n[" + std::string(9998, 's') + "]\r\n" +
              "[StpVer]\r\n32=" + std::string(10000, '9') + "\r\n[language]\r\nl1=after the long lines\r\n");
  LoadingOutcome outcome = RunLoadingWork(*context, kProgram, "");
  ASSERT_TRUE(outcome);
  EXPECT_EQ(context->state.softwareName, std::string(255 - 13, 'n'));
  EXPECT_EQ(context->state.setupVerText, std::string(255 - 3, '9'));
  EXPECT_EQ(outcome.label, "after the long lines");
}

TEST_F(ScriptReading, RandomBytesGiveDefaults) {
  for (unsigned seed = 1; seed <= 20; ++seed) {
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> byte(0, 255);
    std::string junk(20000, '\0');
    for (auto& ch : junk) ch = static_cast<char>(byte(random));
    writeScript(junk);
    SetupContext& ctx = freshContext();
    LoadingOutcome outcome = RunLoadingWork(ctx, kProgram, "D:\\");
    ASSERT_TRUE(outcome) << "seed " << seed;
    EXPECT_EQ(outcome.label, "") << "seed " << seed;
    EXPECT_EQ(ctx.state.winVerText, "");
    EXPECT_EQ(ctx.state.softwareName, "");
    EXPECT_EQ(ctx.state.setupVerText, "");
    for (int i = 0; i < kVariableCount; ++i) {
      EXPECT_EQ(ctx.state.regVars[static_cast<std::size_t>(i)], "");
      EXPECT_EQ(ctx.state.iniVars[static_cast<std::size_t>(i)], "");
    }
    EXPECT_EQ(ctx.exeDirPos(), 0);
    EXPECT_EQ(ctx.state.sourceDir, "D:\\");
  }
}

TEST_F(ScriptReading, ScriptStaysUnchangedOnDisk) {
  const std::string text = "junk\n[software]\nname_display=x\n\x1a\n";
  writeScript(text);
  {
    SetupContext& ctx = freshContext();
    ASSERT_TRUE(RunLoadingWork(ctx, kProgram, ""));
    EXPECT_EQ(ctx.state.softwareName, "x");
  }
  context.reset();  // releasing the reader must not write the file back
  std::ifstream in(*fs->toHost("C:\\CD\\SETUP\\setup.inf"), std::ios::binary);
  std::string onDisk((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(onDisk, text);
}

TEST_F(ScriptReading, ContextWithoutScriptGivesDefaults) {
  EXPECT_EQ(context->scriptString("software", "name", "def"), "def");
  EXPECT_EQ(context->scriptInteger("software", "medium", 1), 1);
  EXPECT_TRUE(context->scriptBool("uninst", "yes", true));
  EXPECT_EQ(ScriptMessage(*context, 1), "");
  EXPECT_EQ(context->exeDirPos(), 0);
}

}  // namespace
}  // namespace setup

#include "setup/script/macros.h"

#include <gtest/gtest.h>

#include <climits>

#include "setup/script/tests/fake_macro_source.h"

namespace setup {
namespace {

using testing::FakeMacroSource;

FakeMacroSource machine() {
  FakeMacroSource m;
  m.install = "C:\\Program Files\\Vq";
  m.windows = "C:\\WINDOWS";
  m.system = "C:\\WINDOWS\\SYSTEM32";
  m.fonts = "C:\\WINDOWS\\Fonts";
  m.winVer = "Windows NT";
  m.setupVer = "2.1";
  m.user = "Anna";
  m.software = "Vq Manager";
  m.source = "D:\\disk1\\";
  m.program = "C:\\CD\\SETUP\\SETUP.EXE";
  for (int i = 0; i < 9; ++i) {
    m.ini[static_cast<std::size_t>(i)] = "ini" + std::to_string(i + 1);
    m.reg[static_cast<std::size_t>(i)] = "reg" + std::to_string(i + 1);
  }
  return m;
}

struct Case {
  const char* in;
  const char* out;
};

TEST(ExpandMacros, EveryMacroAndItsSpellings) {
  const FakeMacroSource m = machine();
  const Case cases[] = {
      {"plain text, no macro", "plain text, no macro"},
      {"", ""},
      {"%install%\\prog.exe", "C:\\Program Files\\Vq\\prog.exe"},
      {"%WINDOWS%\\win.ini", "C:\\WINDOWS\\win.ini"},
      {"%Windows%%System%", "C:\\WINDOWSC:\\WINDOWS\\SYSTEM32"},
      {"%system%\\x.dll", "C:\\WINDOWS\\SYSTEM32\\x.dll"},
      {"%ini-01%/%ini-09%/%INI-05%", "ini1/ini9/ini5"},
      {"%reg-01%/%Reg-09%", "reg1/reg9"},
      {"%fonts%", "C:\\WINDOWS\\Fonts"},
      {"%WinVer% %SetupVer%", "Windows NT 2.1"},
      {"Hello %username%, welcome to %software%", "Hello Anna, welcome to Vq Manager"},
      {"%setupdir%\\vtu.reg", "D:\\disk1\\vtu.reg"},
      {"%SETUPDRIVE%\\", "D:\\"},
      {"%CDDir%", "C:\\CD\\SETUP"},
      {"one%#13%two", "one\rtwo"},
      {"%#13%%#13%", "\r\r"},
  };
  for (const auto& c : cases) EXPECT_EQ(ExpandMacros(m, c.in), c.out) << "input [" << c.in << "]";
}

TEST(ExpandMacros, ExpansionStopsAtTheFirstPercentSignThatOpensNoMacro) {
  const FakeMacroSource m = machine();
  const Case cases[] = {
      {"100% %install%", "100% %install%"},  // a plain percent sign before a macro
      {"100%%install%", "100%%install%"},
      {"%unknown%\\%install%", "%unknown%\\%install%"},  // unknown macro before a known one
      {"%install%\\100% %system%", "C:\\Program Files\\Vq\\100% %system%"},
      {"%install", "%install"},  // no closing percent sign
      {"%ini-1%", "%ini-1%"},    // one digit is not a variable macro
      {"%ini-10%", "%ini-10%"},  // nor is the number 10
      {"%ini-00%", "%ini-00%"},
      {"%reg-0a%", "%reg-0a%"},
      {"%ini-0", "%ini-0"},
      {"%ini-09", "%ini-09"},
      {"%", "%"},
      {"%#13", "%#13"},
      {"%setup%", "%setup%"},
  };
  for (const auto& c : cases) EXPECT_EQ(ExpandMacros(m, c.in), c.out) << "input [" << c.in << "]";
}

TEST(ExpandMacros, ValuesAreScannedAgain) {
  FakeMacroSource m = machine();
  m.reg[1] = "%system%\\x.dll";  // a value holding a macro is expanded too
  m.ini[0] = "50% off";          // a value with a stray percent sign ends the expansion
  m.ini[1] = "%win";             // the value and the text after it form a new macro
  EXPECT_EQ(ExpandMacros(m, "%reg-02%"), "C:\\WINDOWS\\SYSTEM32\\x.dll");
  EXPECT_EQ(ExpandMacros(m, "%ini-01% %install%"), "50% off %install%");
  EXPECT_EQ(ExpandMacros(m, "%ini-02%dows%"), "C:\\WINDOWS");
}

TEST(ExpandMacros, UnsetValuesExpandToNothing) {
  FakeMacroSource m;
  EXPECT_EQ(ExpandMacros(m, "[%install%][%username%][%ini-03%][%setupdir%][%setupdrive%][%cddir%]"),
            "[][][][][][]");
}

TEST(ExpandMacros, SourceFolderMacros) {
  struct SourceCase {
    const char* source;
    const char* dir;
    const char* drive;
  };
  const SourceCase cases[] = {
      {"D:\\", "D:", "D:"},
      {"D:\\disk1\\", "D:\\disk1", "D:"},
      {"\\\\server\\share\\disk1\\", "\\\\server\\share\\disk1", "\\\\server\\share"},
      {"\\\\server\\share\\", "\\\\server\\share", "\\\\server\\share"},
  };
  FakeMacroSource m = machine();
  for (const auto& c : cases) {
    m.source = c.source;
    EXPECT_EQ(ExpandMacros(m, "%setupdir%"), c.dir) << c.source;
    EXPECT_EQ(ExpandMacros(m, "%setupdrive%"), c.drive) << c.source;
  }
}

TEST(ExpandMacros, CdDirFollowsExeDirPosReadAtEveryExpansion) {
  struct CdCase {
    std::int32_t pos;
    const char* value;
  };
  const CdCase cases[] = {
      {0, "C:\\CD\\SETUP"},
      {1, "C:\\CD"},
      {2, "C:"},
      {3, "C:"},
      {40, "C:"},
      {INT_MAX, "C:"},                   // must not walk two billion steps
      {-1, "C:\\CD\\SETUP\\SETUP.EXE"},  // negative: the program's full name
      {INT_MIN, "C:\\CD\\SETUP\\SETUP.EXE"},
  };
  FakeMacroSource m = machine();
  for (const auto& c : cases) {
    m.exeDirPosValue = c.pos;
    EXPECT_EQ(ExpandMacros(m, "%cddir%"), c.value) << "exedirpos " << c.pos;
  }
  m.exeDirPosValue = 1;
  m.exeDirPosReads = 0;
  EXPECT_EQ(ExpandMacros(m, "%cddir%|%CDDIR%"), "C:\\CD|C:\\CD");
  EXPECT_EQ(m.exeDirPosReads, 2);
}

TEST(CdDirFor, UncAndRootPrograms) {
  EXPECT_EQ(CdDirFor("C:\\SETUP.EXE", 0), "C:");
  EXPECT_EQ(CdDirFor("\\\\srv\\share\\setup.exe", 0), "\\\\srv\\share");
  EXPECT_EQ(CdDirFor("\\\\srv\\share\\setup.exe", 1), "\\\\srv");
  EXPECT_EQ(CdDirFor("setup.exe", 0), "");
}

TEST(ExpandMacros, SelfReferencingValuesStop) {
  FakeMacroSource m = machine();
  m.ini[0] = "%ini-01%";  // its own macro: the text never changes
  EXPECT_EQ(ExpandMacros(m, "%ini-01%"), "%ini-01%");
  EXPECT_EQ(ExpandMacros(m, "x %ini-01% y"), "x %ini-01% y");

  m.ini[0] = "a%ini-01%";  // its own macro and more: the text grows with every replacement
  std::string grown = ExpandMacros(m, "%ini-01%\\tail");
  EXPECT_LE(grown.size(), kMacroMaxLength);
  EXPECT_EQ(grown, std::string(kMacroMaxReplacements, 'a') + "%ini-01%\\tail");

  m.ini[0] = "%ini-01%%ini-01%%ini-01%%ini-01%%ini-01%%ini-01%%ini-01%%ini-01%%ini-01%";
  std::string wide = ExpandMacros(m, "%ini-01%");
  EXPECT_LE(wide.size(), kMacroMaxLength);
  EXPECT_EQ(wide.find_first_not_of("%ini-01"), std::string::npos);

  m.ini[0] = "%reg-01%";  // two variables naming each other
  m.reg[0] = "<%ini-01%>";
  std::string pair = ExpandMacros(m, "%ini-01%");
  EXPECT_LE(pair.size(), kMacroMaxLength);
  EXPECT_EQ(pair.substr(0, 3), "<<<");
}

}  // namespace
}  // namespace setup

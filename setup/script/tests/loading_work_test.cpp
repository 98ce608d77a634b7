#include "setup/script/loading_work.h"

#include <gtest/gtest.h>

#include <vector>

#include "setup/script/macros.h"
#include "setup/script/registry_string.h"
#include "setup/script/script_message.h"
#include "setup/script/tests/script_fixture.h"

namespace setup {
namespace {

using testing::crlf;
using testing::ScriptFixture;

constexpr std::string_view kShellFolders =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

struct RecordedBox {
  std::string text, caption;
  platform::MessageButtons buttons;
  platform::MessageIcon icon;
};

class RecordingBoxes final : public platform::MessageBoxService {
 public:
  std::vector<RecordedBox> shown;
  platform::MessageResult messageBox(const std::string& text, const std::string& caption,
                                     platform::MessageButtons buttons, platform::MessageIcon icon) override {
    shown.push_back({text, caption, buttons, icon});
    return platform::MessageResult::Ok;
  }
};

using LoadingWork = ScriptFixture;

TEST_F(LoadingWork, ProgramAndSourceFolders) {
  struct Case {
    const char* program;
    const char* argument;
    const char* exeDir;
    const char* sourceDir;
  };
  const Case cases[] = {
      {kProgram, "", "C:\\CD\\SETUP\\", "C:\\CD\\SETUP\\"},
      {kProgram, "\"D:\\\"", "C:\\CD\\SETUP\\", "D:\\"},
      {kProgram, "D:\\disk1", "C:\\CD\\SETUP\\", "D:\\disk1\\"},
      {kProgram, "\"D:\\my disk\\\"", "C:\\CD\\SETUP\\", "D:\\my disk\\"},
      {kProgram, "\\\\server\\share\\disk1", "C:\\CD\\SETUP\\", "\\\\server\\share\\disk1\\"},
      {kProgram, "\"", "C:\\CD\\SETUP\\", "C:\\CD\\SETUP\\"},  // only a quote: no folder given
      {"C:\\SETUP.EXE", "", "C:\\", "C:\\"},                   // program in a drive root
  };
  writeScript(crlf({"[software]", "name_display=Beside the program"}));
  writeScript(crlf({"[software]", "name_display=In the drive root"}), "C:\\");
  for (const auto& c : cases) {
    SetupContext& ctx = freshContext();
    LoadingOutcome outcome = RunLoadingWork(ctx, c.program, c.argument);
    EXPECT_TRUE(outcome.scriptFound) << c.program;
    EXPECT_EQ(ctx.state.exeDir, c.exeDir) << c.program << " " << c.argument;
    EXPECT_EQ(ctx.state.sourceDir, c.sourceDir) << c.program << " " << c.argument;
    EXPECT_EQ(ctx.state.phase, -1);
    EXPECT_EQ(ctx.state.programFile, c.program);
  }
}

TEST_F(LoadingWork, ScriptIsReadBesideTheProgramNeverFromTheSourceFolder) {
  // The medium D: carries a setup.inf of its own; the one beside the program is the one read.
  std::filesystem::path medium = temp / "medium";
  std::filesystem::create_directories(medium);
  std::string drive = fs->mapMedium(medium);
  ASSERT_FALSE(drive.empty());
  writeScript(crlf({"[software]", "name_display=Other product"}), drive);
  writeScript(crlf({"[software]", "name_display=Own product"}));

  LoadingOutcome outcome = RunLoadingWork(*context, kProgram, drive);
  ASSERT_TRUE(outcome);
  EXPECT_EQ(context->state.sourceDir, drive);
  EXPECT_EQ(context->state.softwareName, "Own product");

  // With a script only on the medium, the script is missing.
  SetupContext& other = freshContext();
  EXPECT_FALSE(RunLoadingWork(other, "C:\\OTHER\\SETUP.EXE", drive));
}

TEST_F(LoadingWork, MissingScriptStopsBeforeAnythingIsRead) {
  ASSERT_TRUE(registry->writeString(platform::RootKey::LocalMachine, "Software\\Vq", "Path", "C:\\vq"));
  LoadingOutcome outcome = RunLoadingWork(*context, kProgram, "D:\\");
  EXPECT_FALSE(outcome.scriptFound);
  EXPECT_FALSE(context->state.script);
  EXPECT_TRUE(context->state.windowsDir.empty());
  EXPECT_TRUE(outcome.label.empty());

  RecordingBoxes boxes;
  ShowMissingScriptMessage(boxes);
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].text, "File setup.inf not found.\rAsk your software-distributor for help.");
  EXPECT_EQ(boxes.shown[0].caption, "Error");
  EXPECT_EQ(boxes.shown[0].icon, platform::MessageIcon::Error);
  EXPECT_EQ(boxes.shown[0].buttons, platform::MessageButtons::Ok);

  // A folder named setup.inf is not a script either.
  auto host = fs->toHost("C:\\CD\\SETUP\\setup.inf");
  ASSERT_TRUE(host);
  std::filesystem::create_directories(*host);
  EXPECT_FALSE(RunLoadingWork(freshContext(), kProgram, ""));
}

TEST_F(LoadingWork, ScriptPathLongerThanTheReaderTakesCountsAsMissing) {
  // exeDir of 247 characters + "setup.inf" = 256 characters.
  std::string folder = "C:\\";
  while (folder.size() < 247)
    folder += std::string(std::min<std::size_t>(60, 246 - folder.size()), 'f') + "\\";
  ASSERT_EQ(folder.size(), 247u);
  writeScript(crlf({"[software]", "name_display=Deep"}), folder);
  EXPECT_FALSE(RunLoadingWork(*context, folder + "SETUP.EXE", ""));

  std::string shorter = folder.substr(0, folder.size() - 2) + "\\";  // 246 + 9 = 255
  writeScript(crlf({"[software]", "name_display=Deep"}), shorter);
  LoadingOutcome outcome = RunLoadingWork(freshContext(), shorter + "SETUP.EXE", "");
  EXPECT_TRUE(outcome);
  EXPECT_EQ(context->state.softwareName, "Deep");
}

TEST_F(LoadingWork, SystemFoldersAndFonts) {
  writeScript(crlf({"[software]"}));
  ASSERT_TRUE(
      registry->writeString(platform::RootKey::CurrentUser, kShellFolders, "Fonts", "E:\\Schriften\\"));
  ASSERT_TRUE(RunLoadingWork(*context, kProgram, ""));
  EXPECT_EQ(context->state.windowsDir, root->windowsDir());
  EXPECT_EQ(context->state.systemDir, root->systemDir());
  EXPECT_NE(context->state.windowsDir.back(), '\\');
  EXPECT_NE(context->state.systemDir.back(), '\\');
  EXPECT_EQ(context->state.fontsDir, "E:\\Schriften\\");  // as the registry gives it

  ASSERT_TRUE(registry->deleteValue(platform::RootKey::CurrentUser, kShellFolders, "Fonts"));
  SetupContext& missing = freshContext();
  ASSERT_TRUE(RunLoadingWork(missing, kProgram, ""));
  EXPECT_EQ(missing.state.fontsDir, missing.state.systemDir);
  EXPECT_EQ(missing.state.fontsDir, root->systemDir());
}

TEST_F(LoadingWork, WinVerTextFollowsTheReportedSystem) {
  using platform::WindowsPlatform;
  struct Case {
    const char* name;
    platform::WindowsVersion version;
    std::vector<std::string_view> winVer;  // lines of section WinVer
    const char* expected;
  };
  const std::vector<std::string_view> all = {"no=Win32s", "nt=NT 3", "gui=Windows 95",
                                             "nt_gui=NT 4 or later"};
  const Case cases[] = {
      {"NT 4 with only no and gui", {WindowsPlatform::NT, 4, 0, 1381}, {"no=Win32s", "gui=Windows 95"}, ""},
      {"NT 4", {WindowsPlatform::NT, 4, 0, 1381}, all, "NT 4 or later"},
      {"NT 3.51", {WindowsPlatform::NT, 3, 51, 1057}, all, "NT 3"},
      {"Windows 95", {WindowsPlatform::Windows9x, 4, 0, 950}, all, "Windows 95"},
      {"modern NT", {WindowsPlatform::NT, 10, 0, 19045}, all, "NT 4 or later"},
      {"9x below 4 keeps no", {WindowsPlatform::Windows9x, 3, 95, 0}, all, "Win32s"},
      {"NT 3.51 with only no", {WindowsPlatform::NT, 3, 51, 1057}, {"no=Win32s"}, ""},
      {"no section", {WindowsPlatform::NT, 10, 0, 19045}, {}, ""},
  };
  for (const auto& c : cases) {
    std::string script = "[WinVer]\r\n";
    for (auto line : c.winVer) script += std::string(line) + "\r\n";
    writeScript(script);
    root->setVersion(c.version);
    SetupContext& ctx = freshContext();
    ASSERT_TRUE(RunLoadingWork(ctx, kProgram, "")) << c.name;
    EXPECT_EQ(ctx.state.winVerText, c.expected) << c.name;
  }
}

TEST_F(LoadingWork, TemplatesOfOldSystems) {
  struct Case {
    platform::RootTemplate tpl;
    const char* expected;
  };
  const Case cases[] = {
      {platform::RootTemplate::windows95(), "gui"},
      {platform::RootTemplate::nt351(), "nt"},
      {platform::RootTemplate::nt4(), "nt_gui"},
      {platform::RootTemplate::modernNt(), "nt_gui"},
  };
  for (const auto& c : cases) {
    makeRoot(c.tpl);
    writeScript(crlf({"[WinVer]", "no=no", "nt=nt", "gui=gui", "nt_gui=nt_gui"}));
    ASSERT_TRUE(RunLoadingWork(*context, kProgram, ""));
    EXPECT_EQ(context->state.winVerText, c.expected);
    EXPECT_EQ(context->state.systemDir, root->systemDir());
  }
}

TEST_F(LoadingWork, ProductTextsAndLoadingLabel) {
  writeScript(crlf({"[StpVer]", "32=3.%#13%1", "[software]", "name_display=Vq Manager on %winver%",
                    "[WinVer]", "nt_gui=NT", "[language]", "l1=Loading %software%, version %setupver% ..."}));
  LoadingOutcome outcome = RunLoadingWork(*context, kProgram, "");
  ASSERT_TRUE(outcome);
  EXPECT_EQ(context->state.setupVerText, "3.\r1");
  EXPECT_EQ(context->state.softwareName, "Vq Manager on NT");
  EXPECT_EQ(outcome.label, "Loading Vq Manager on NT, version 3.\r1 ...");
  EXPECT_EQ(ScriptMessage(*context, 1), outcome.label);
}

TEST_F(LoadingWork, RegistryVariables) {
  using platform::RootKey;
  ASSERT_TRUE(registry->writeString(RootKey::LocalMachine, "Software\\Vq\\Setup", "Path", "C:\\vq"));
  ASSERT_TRUE(registry->writeString(RootKey::CurrentUser, "Software\\Vq", "Owner", "Anna"));
  ASSERT_TRUE(registry->writeString(RootKey::ClassesRoot, ".vq", "", "VqFile"));
  ASSERT_TRUE(registry->writeDword(RootKey::LocalMachine, "Software\\Vq\\Setup", "Count", 7));
  writeScript(crlf({
      "[varReg]",
      "k1=4",
      "p1=Software\\Vq\\Setup",
      "b1=Path",
      "d1=none",
      "k2=4",
      "p2=Software\\Vq\\Missing",
      "b2=Path",
      "d2=%system%\\x.dll",
      "k3=3",
      "p3=\\Software\\Vq",
      "b3=Owner",
      "d3=nobody",
      "k4=2",
      "p4=.vq",
      "b4=",
      "d4=-",
      "k5=4",
      "p5=Software\\Vq\\Setup",
      "b5=Count",
      "d5=not a string",
      "k6=6",
      "p6=Software\\Vq\\Setup",
      "b6=Path",
      "d6=no such root",
      "p7=Software\\Vq\\Setup",
      "b7=Path",
      "d7=no root code",
      "k8=0x4",
      "p8=Software\\Vq\\Setup",
      "b8=Path",
      "k9=4",
      "p9=Software\\Vq\\Setup",
      "b9=Absent",
  }));
  registry->save();
  ASSERT_TRUE(RunLoadingWork(*context, kProgram, ""));
  const auto& v = context->state.regVars;
  EXPECT_EQ(v[0], "C:\\vq");
  EXPECT_EQ(v[1], root->systemDir() + "\\x.dll");  // the default's macro is expanded
  EXPECT_EQ(v[2], "Anna");
  EXPECT_EQ(v[3], "VqFile");
  EXPECT_EQ(v[4], "not a string");
  EXPECT_EQ(v[5], "no such root");
  EXPECT_EQ(v[6], "no root code");
  EXPECT_EQ(v[7], "C:\\vq");
  EXPECT_EQ(v[8], "");
  // Reading never creates a key.
  EXPECT_FALSE(registry->keyExists(RootKey::LocalMachine, "Software\\Vq\\Missing"));
  EXPECT_FALSE(registry->modified());
}

TEST_F(LoadingWork, IniVariableInTheWindowsFolder) {
  const std::string script = crlf(
      {"[varIni]", "3=%windows%\\vq.ini", "k3=Paths", "v3=Data", "d3=C:\\default", "d2=%system%\\x.dll"});
  struct Case {
    const char* name;
    const char* iniFile;  // nullptr: no file
    const char* expected;
  };
  const Case cases[] = {
      {"file present", "[Paths]\r\nData=E:\\data\r\n", "E:\\data"},
      {"key missing", "[Paths]\r\nOther=1\r\n", "C:\\default"},
      {"section spelt otherwise", "[PATHS]\r\ndata=F:\\x\r\n", "F:\\x"},
      {"file missing", nullptr, "C:\\default"},
  };
  writeScript(script);
  for (const auto& c : cases) {
    const std::string iniPath = root->windowsDir() + "\\vq.ini";
    if (c.iniFile) {
      writeFile(iniPath, c.iniFile);
    } else {
      std::filesystem::remove(*fs->toHost(iniPath));
    }
    SetupContext& ctx = freshContext();
    ASSERT_TRUE(RunLoadingWork(ctx, kProgram, ""));
    EXPECT_EQ(ctx.state.iniVars[2], c.expected) << c.name;
    EXPECT_EQ(ctx.state.iniVars[1], root->systemDir() + "\\x.dll");  // a default with a macro, expanded
  }
}

TEST_F(LoadingWork, IniVariableFilesAndDefaults) {
  using platform::RootKey;
  // Variable 1 names its file through a registry variable, which is read first.
  ASSERT_TRUE(registry->writeString(RootKey::LocalMachine, "Software\\Vq", "Ini", "C:\\data\\vq.ini"));
  writeFile("C:\\data\\vq.ini", "[a]\r\nb=from registry path\r\n");
  // Variable 2's file name, from the registry, is longer than the reader takes: an error while
  // opening.
  std::string deep = "C:\\" + std::string(125, 'd') + "\\" + std::string(125, 'e') + "\\long.ini";
  ASSERT_GT(deep.size(), 255u);
  writeFile(deep, "[a]\r\nb=never read\r\n");
  ASSERT_TRUE(registry->writeString(RootKey::LocalMachine, "Software\\Vq", "LongIni", deep));
  // Variable 4's file is a folder, which is no file.
  ASSERT_TRUE(fs->forceDirectories("C:\\folder.ini"));
  writeScript(crlf({
      "[varReg]",
      "k1=4",
      "p1=Software\\Vq",
      "b1=Ini",
      "k2=4",
      "p2=Software\\Vq",
      "b2=LongIni",
      "[varIni]",
      "1=%reg-01%",
      "k1=a",
      "v1=b",
      "d1=d1",
      "2=%reg-02%",
      "k2=a",
      "v2=b",
      "d2=d2",
      "4=C:\\folder.ini",
      "k4=a",
      "v4=b",
      "d4=d4",
      "5=%install%\\vq.ini",
      "k5=a",
      "v5=b",
      "d5=install is empty",
      "k6=a",
      "v6=b",
      "d6=no file key",
      "7=C:\\data\\vq.ini",
      "k7=a",
      "v7=b",
      "d7=%ini-07%",
  }));
  ASSERT_TRUE(RunLoadingWork(*context, kProgram, ""));
  const auto& v = context->state.iniVars;
  EXPECT_EQ(v[0], "from registry path");
  EXPECT_EQ(v[1], "");
  EXPECT_EQ(v[2], "");
  EXPECT_EQ(v[3], "d4");
  EXPECT_EQ(v[4], "install is empty");  // "\vq.ini" on drive C: does not exist
  EXPECT_EQ(v[5], "no file key");
  EXPECT_EQ(v[6], "from registry path");
  EXPECT_EQ(v[8], "");
}

TEST_F(LoadingWork, InstallFolderIsStillEmptyWhenIniFilesAreNamed) {
  // %install% is empty during the loading work, so "%install%\vq.ini" is "\vq.ini" on drive C:.
  writeFile("C:\\vq.ini", "[a]\r\nb=root of C\r\n");
  writeScript(crlf({"[varIni]", "1=%install%\\vq.ini", "k1=a", "v1=b", "d1=none"}));
  context->state.installDir = "C:\\Program Files\\Vq";  // set too early on purpose: it is used
  ASSERT_TRUE(RunLoadingWork(*context, kProgram, ""));
  EXPECT_EQ(context->state.iniVars[0], "none");

  SetupContext& fresh = freshContext();
  ASSERT_TRUE(RunLoadingWork(fresh, kProgram, ""));
  EXPECT_EQ(fresh.state.iniVars[0], "root of C");
}

TEST_F(LoadingWork, SelfReferencingVariablesEndTheirExpansion) {
  writeScript(crlf({"[varIni]", "d1=%ini-01%", "d2=x%ini-02%", "[varReg]", "d1=%ini-03%", "[language]",
                    "l1=%ini-01% and %reg-01%"}));
  // d3 of varIni is missing: variable 3 is empty, so %reg-01% expands to nothing.
  LoadingOutcome outcome = RunLoadingWork(*context, kProgram, "");
  ASSERT_TRUE(outcome);
  EXPECT_EQ(context->state.iniVars[0], "%ini-01%");
  EXPECT_LE(context->state.iniVars[1].size(), kMacroMaxLength);
  EXPECT_EQ(context->state.iniVars[1].substr(context->state.iniVars[1].size() - 9), "x%ini-02%");
  EXPECT_EQ(context->state.regVars[0], "");
  EXPECT_EQ(outcome.label, "%ini-01% and %reg-01%");  // stops at the first macro it cannot finish
}

TEST_F(LoadingWork, StartupTextsAreExpandedInOrder) {
  // Each text is expanded in place; a value holding another's macro gets that text expanded,
  // up to the stray percent sign where every expansion ends.
  writeScript(crlf({"[StpVer]", "32=v%winver%", "[WinVer]", "nt_gui=%software%", "[software]",
                    "name_display=50%", "[varReg]", "d1=%setupver%!", "[varIni]", "d9=%reg-01%?"}));
  ASSERT_TRUE(RunLoadingWork(*context, kProgram, ""));
  EXPECT_EQ(context->state.setupVerText, "v50%");
  EXPECT_EQ(context->state.winVerText, "50%");
  EXPECT_EQ(context->state.softwareName, "50%");
  EXPECT_EQ(context->state.regVars[0], "v50%!");
  EXPECT_EQ(context->state.iniVars[8], "v50%!?");

  // The run repeats the step with the folder known by then.
  context->state.regVars[1] = "%install%\\bin";
  context->state.installDir = "C:\\Vq";
  ExpandStartupTexts(*context);
  EXPECT_EQ(context->state.regVars[1], "C:\\Vq\\bin");
}

}  // namespace
}  // namespace setup

namespace setup {
namespace {

using RegistryString = testing::ScriptFixture;

TEST_F(RegistryString, EachRootCodeReadsItsOwnRoot) {
  using platform::RootKey;
  struct Case {
    int code;
    RootKey root;
    const char* path;
  };
  const Case cases[] = {
      {2, RootKey::ClassesRoot, "VqFile\\shell"},  {3, RootKey::CurrentUser, "Software\\Vq"},
      {4, RootKey::LocalMachine, "Software\\Vq"},  {5, RootKey::Users, ".Default\\Software\\Vq"},
      {7, RootKey::CurrentConfig, "Software\\Vq"}, {8, RootKey::DynData, "Vq"},
  };
  for (const auto& c : cases) {
    ASSERT_TRUE(registry->writeString(c.root, c.path, "Where", "root " + std::to_string(c.code))) << c.code;
  }
  for (const auto& c : cases) {
    EXPECT_EQ(ReadRegistryString(*registry, c.code, c.path, "Where", "-"), "root " + std::to_string(c.code));
    EXPECT_EQ(ReadRegistryString(*registry, c.code, std::string("\\") + c.path, "WHERE", "-"),
              "root " + std::to_string(c.code))
        << "leading backslash, value name in another case";
    EXPECT_EQ(ReadRegistryString(*registry, c.code, c.path, "Elsewhere", "-"), "-");
    EXPECT_EQ(ReadRegistryString(*registry, c.code, std::string(c.path) + "\\Sub", "Where", "-"), "-");
  }
  // HKEY_CLASSES_ROOT is a view of HKLM\Software\Classes.
  EXPECT_EQ(ReadRegistryString(*registry, 4, "Software\\Classes\\VqFile\\shell", "Where", "-"), "root 2");
  // Codes that name no root give the default.
  for (int code : {-1, 0, 1, 6, 9, 80000}) {
    EXPECT_EQ(ReadRegistryString(*registry, code, "Software\\Vq", "Where", "none"), "none") << code;
  }
  // Values of other types give the default; an expandable string comes as written.
  ASSERT_TRUE(registry->writeDword(RootKey::LocalMachine, "Software\\Vq", "Count", 3));
  ASSERT_TRUE(registry->writeValue(
      RootKey::LocalMachine, "Software\\Vq", "Dir",
      platform::RegistryValue::fromString("%SystemRoot%\\vq", platform::regtype::ExpandSz)));
  EXPECT_EQ(ReadRegistryString(*registry, 4, "Software\\Vq", "Count", "-"), "-");
  EXPECT_EQ(ReadRegistryString(*registry, 4, "Software\\Vq", "Dir", "-"), "%SystemRoot%\\vq");
}

TEST_F(RegistryString, HivesOnDiskAreReadAndNeverChanged) {
  ASSERT_TRUE(registry->writeString(platform::RootKey::LocalMachine, "Software\\Vq", "Path", "C:\\vq"));
  registry->save();
  const auto hive = root->systemHive();
  const auto before = std::filesystem::last_write_time(hive);
  platform::Registry fresh(root->hostDir());
  EXPECT_EQ(ReadRegistryString(fresh, 4, "Software\\Vq", "Path", "-"), "C:\\vq");
  EXPECT_EQ(ReadRegistryString(fresh, 4, "Software\\Vq\\Missing", "Path", "-"), "-");
  EXPECT_FALSE(fresh.keyExists(platform::RootKey::LocalMachine, "Software\\Vq\\Missing"));
  EXPECT_FALSE(fresh.modified());
  EXPECT_EQ(std::filesystem::last_write_time(hive), before);
}

}  // namespace
}  // namespace setup

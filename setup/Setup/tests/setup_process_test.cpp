// The built `setup` program run as a process, headless: the missing-script box on standard
// output with exit code 0 and the root left as it was; with a script, the loading screen.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <fstream>
#include <sstream>

#include "setup/Setup/tests/temp_root.h"

using namespace setup::testing;

namespace {

struct ProcessResult {
  int exitCode = -1;
  std::string out;
};

ProcessResult runSetup(const std::string& args) {
  std::string cmd = std::string(SETUP_EXE) + " " + args + " 2>&1";
  ProcessResult r;
  FILE* p = popen(cmd.c_str(), "r");
  if (!p) return r;
  std::array<char, 512> buf{};
  while (std::fgets(buf.data(), buf.size(), p)) r.out += buf.data();
  int status = pclose(p);
  r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return r;
}

TEST(SetupProcess, MissingScriptShowsTheBoxEndsWithZeroAndTouchesNothing) {
  TempDir temp;
  const auto rootDir = temp.path() / "root";
  const auto dist = temp.path() / "dist";
  std::filesystem::create_directories(dist);
  writeFile(dist / "setup.ini", "not the script\r\n");
  { platform::System::create(rootDir); }
  struct Case {
    const char* what;
    std::string root;
    bool rootExists;
  } cases[] = {
      {"existing root", rootDir.string(), true},
      {"root that does not exist yet", (temp.path() / "none").string(), false},
  };
  for (const auto& c : cases) {
    const auto before = snapshot(temp.path());
    ProcessResult r = runSetup("--headless --root " + c.root + " --program-dir " + dist.string() + " D:\\disk1");
    EXPECT_EQ(r.exitCode, 0) << c.what << '\n' << r.out;
    EXPECT_EQ(r.out,
              "message box caption \"Error\", icon error, buttons ok: \"File setup.inf not found.\\rAsk your "
              "software-distributor for help.\" -> ok\n")
        << c.what;
    EXPECT_EQ(snapshot(temp.path()), before) << c.what << ": nothing is written";
    EXPECT_EQ(std::filesystem::exists(c.root), c.rootExists) << c.what;
  }
}

TEST(SetupProcess, ScriptPresentShowsTheLoadingScreenWithMessageOneAndAFullGauge) {
  TempDir temp;
  const auto dist = temp.path() / "dist";
  // The script's name is matched without regard to case.
  writeFile(dist / "SETUP.INF", crlf({"[software]", "name_display=Demo", "[language]", "l1=Preparing %software% ..."}));
  const auto dump = temp.path() / "trailer.txt";
  ProcessResult r = runSetup("--headless --root " + (temp.path() / "root").string() + " --program-dir " + dist.string() +
                   " --dump " + dump.string());
  EXPECT_EQ(r.exitCode, 0) << r.out;
  EXPECT_EQ(r.out, "") << "no message box";
  std::ifstream in(dump);
  std::stringstream text;
  text << in.rdbuf();
  EXPECT_NE(text.str().find("Label Lbl 46,6 233x41 \"Preparing Demo ...\" wordwrap"), std::string::npos) << text.str();
  EXPECT_NE(text.str().find("ProgressBar pr_load16 46,49 212x16 pos=100"), std::string::npos) << text.str();
  // The root was made from the template and the program's folder became a drive of it.
  EXPECT_TRUE(std::filesystem::is_symlink(temp.path() / "root" / "dosdevices" / "d:"));
  EXPECT_EQ(std::filesystem::read_symlink(temp.path() / "root" / "dosdevices" / "d:"), dist);
}

TEST(SetupProcess, UnknownOptionIsRefused) {
  ProcessResult r = runSetup("--frobnicate");
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_NE(r.out.find("unknown option --frobnicate"), std::string::npos) << r.out;
}

}  // namespace

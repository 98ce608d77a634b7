// Wine itself as the peer: a real prefix's hives load and save back unchanged, Wine's reg.exe
// reads what we write, and we read what it writes.
#include <gtest/gtest.h>
#include <stdio.h>
#include <stdlib.h>

#include <array>
#include <string>

#include "platform/registry/hive.h"
#include "platform/registry/reg_import.h"
#include "platform/registry/registry.h"
#include "platform/registry/tests/temp_root.h"

namespace platform {
namespace {

using testing::TempRoot;

bool haveWine() {
  return std::system("command -v wine >/dev/null 2>&1 && command -v wineserver >/dev/null 2>&1") == 0;
}

class WinePeer : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    if (!haveWine()) return;
    prefix_ = new TempRoot();
    // Wine keeps its server socket folder under TMPDIR: inside the prefix, it goes with it.
    std::filesystem::create_directory(prefix_->path() / "tmp");
    ready_ = wine("wineboot -i") && server("-w");
  }
  static void TearDownTestSuite() {
    if (prefix_) {
      server("-k");
      delete prefix_;
      prefix_ = nullptr;
    }
  }
  void SetUp() override {
    if (!haveWine()) GTEST_SKIP() << "wine is not installed";
    ASSERT_TRUE(ready_) << "wineboot failed";
  }

  static std::string env() {
    return "WINEPREFIX='" + prefix_->path().string() + "' TMPDIR='" + (prefix_->path() / "tmp").string() +
           "' WINEDEBUG=-all WINEDLLOVERRIDES='mscoree,mshtml=' ";
  }
  // Runs a Wine program (bounded in time); the output goes to `out` when given.
  static bool wine(const std::string& args, std::string* out = nullptr) {
    std::string cmd = env() + "timeout 300 wine " + args + " 2>/dev/null";
    FILE* p = ::popen(cmd.c_str(), "r");
    if (!p) return false;
    std::array<char, 4096> buf{};
    std::string text;
    while (std::size_t n = std::fread(buf.data(), 1, buf.size(), p)) text.append(buf.data(), n);
    int rc = ::pclose(p);
    if (out) *out = text;
    return rc == 0;
  }
  // "-w": wait until the server has written the hives and ended; "-k": end it now.
  static bool server(const char* arg) {
    return std::system((env() + "timeout 120 wineserver " + arg).c_str()) == 0;
  }

  static TempRoot* prefix_;
  static bool ready_;
};

TempRoot* WinePeer::prefix_ = nullptr;
bool WinePeer::ready_ = false;

TEST_F(WinePeer, WineHivesLoadAndSaveBackByteForByte) {
  for (const char* file : {"system.reg", "user.reg", "userdef.reg"}) {
    SCOPED_TRACE(file);
    const std::string text = prefix_->read(file);
    ASSERT_GT(text.size(), 100u);
    EXPECT_EQ(reghive::Hive::parse(text).serialize(), text);
  }
  Registry reg(prefix_->path());
  // Wine 8 keeps the user's SID in user.reg's base line; HKCU and HKU\<sid> are the same hive.
  auto users = reg.subkeyNames(RootKey::Users, "");
  ASSERT_EQ(users.size(), 2u);
  EXPECT_TRUE(reg.keyExists(RootKey::Users, users[1] + "\\Software"));
  EXPECT_TRUE(reg.keyExists(RootKey::ClassesRoot, ".INI"));
  EXPECT_TRUE(reg.keyExists(RootKey::CurrentConfig, "Software\\Fonts"));
}

TEST_F(WinePeer, WineReadsWhatWeWrite) {
  {
    Registry reg(prefix_->path());
    const char* k = "Software\\Vantrel\\Demo";
    ASSERT_TRUE(reg.writeString(RootKey::LocalMachine, k, "Path", "C:\\Program Files\\Caf\xe9 \x80"));
    ASSERT_TRUE(reg.writeString(RootKey::LocalMachine, k, "", "Demo \"AP\" Manager\\"));
    ASSERT_TRUE(reg.writeDword(RootKey::LocalMachine, k, "Count", 31));
    ASSERT_TRUE(reg.writeValue(RootKey::LocalMachine, k, "Blob",
                               RegistryValue::fromBinary(std::string(100, '\x5a'))));
    ASSERT_TRUE(reg.writeValue(RootKey::LocalMachine, k, "Exp",
                               RegistryValue::fromString("%windir%\\x", regtype::ExpandSz)));
    ASSERT_TRUE(
        reg.writeValue(RootKey::LocalMachine, k, "Multi", RegistryValue::fromMultiString({"one", "two"})));
    ASSERT_TRUE(reg.writeString(RootKey::ClassesRoot, ".vtu", "", "vtufile"));
    ASSERT_TRUE(reg.writeString(RootKey::CurrentConfig, "Software\\Vantrel", "cc", "1"));
    ASSERT_TRUE(reg.writeString(RootKey::CurrentUser, "Software\\Vantrel", "User", "me"));
    reg.save();
  }
  std::string out;
  ASSERT_TRUE(wine("reg query 'HKLM\\Software\\Vantrel\\Demo' /v Count", &out));
  EXPECT_NE(out.find("0x1f"), std::string::npos) << out;
  ASSERT_TRUE(wine("reg query 'HKCR\\.vtu' /ve", &out));
  EXPECT_NE(out.find("vtufile"), std::string::npos) << out;
  ASSERT_TRUE(wine("reg query 'HKCC\\Software\\Vantrel' /v cc", &out));
  ASSERT_TRUE(wine("reg query 'HKCU\\Software\\Vantrel' /v User", &out));
  EXPECT_NE(out.find("me"), std::string::npos) << out;

  // Wine's export of the key, imported again by us, gives back every value we wrote.
  TempRoot other;
  const std::string exported = "Z:" + (prefix_->path() / "demo.reg").string();
  ASSERT_TRUE(wine("reg export 'HKLM\\Software\\Vantrel\\Demo' '" + exported + "' /y"));
  Registry fresh(other.path());
  RegImportResult r = importRegFile(fresh, prefix_->path() / "demo.reg");
  EXPECT_TRUE(r.recognised);
  EXPECT_TRUE(r.errors.empty()) << r.errors.front();
  Registry ours(prefix_->path());
  for (const auto& name : ours.valueNames(RootKey::LocalMachine, "Software\\Vantrel\\Demo")) {
    SCOPED_TRACE(name);
    EXPECT_EQ(fresh.readValue(RootKey::LocalMachine, "Software\\Vantrel\\Demo", name),
              ours.readValue(RootKey::LocalMachine, "Software\\Vantrel\\Demo", name));
  }
  EXPECT_EQ(fresh.valueNames(RootKey::LocalMachine, "Software\\Vantrel\\Demo").size(), 6u);
  ASSERT_TRUE(server("-w"));
}

TEST_F(WinePeer, WeReadWhatWineWrites) {
  const char* k = "'HKLM\\Software\\FromWine'";
  ASSERT_TRUE(wine(std::string("reg add ") + k + " /v S /t REG_SZ /d hello /f"));
  ASSERT_TRUE(wine(std::string("reg add ") + k + " /v D /t REG_DWORD /d 4660 /f"));
  ASSERT_TRUE(wine(std::string("reg add ") + k + " /v E /t REG_EXPAND_SZ /d '%SystemRoot%' /f"));
  ASSERT_TRUE(wine(std::string("reg add ") + k + " /v M /t REG_MULTI_SZ /d 'a\\0b' /f"));
  ASSERT_TRUE(wine(std::string("reg add ") + k + " /v B /t REG_BINARY /d 0102ff /f"));
  ASSERT_TRUE(wine("reg add 'HKCU\\Software\\FromWine' /ve /d user /f"));
  ASSERT_TRUE(server("-w"));  // the server writes the hives when it ends
  Registry reg(prefix_->path());
  EXPECT_EQ(reg.readString(RootKey::LocalMachine, "Software\\FromWine", "s"), "hello");
  EXPECT_EQ(reg.readDword(RootKey::LocalMachine, "Software\\FromWine", "D"), 4660u);
  EXPECT_EQ(reg.readString(RootKey::LocalMachine, "Software\\FromWine", "E"), "%SystemRoot%");
  EXPECT_EQ(reg.readValue(RootKey::LocalMachine, "Software\\FromWine", "E")->type, regtype::ExpandSz);
  EXPECT_EQ(reg.readValue(RootKey::LocalMachine, "Software\\FromWine", "M")->asMultiString(),
            (std::vector<std::string>{"a", "b"}));
  EXPECT_EQ(reg.readValue(RootKey::LocalMachine, "Software\\FromWine", "B")->data,
            std::string("\x01\x02\xff", 3));
  EXPECT_EQ(reg.readString(RootKey::CurrentUser, "Software\\FromWine", ""), "user");
}

}  // namespace
}  // namespace platform

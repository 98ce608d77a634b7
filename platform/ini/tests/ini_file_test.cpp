#include "platform/ini/ini_file.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <random>
#include <string>

namespace platform {
namespace {

class TempDir {
 public:
  TempDir() {
    std::string tmpl = (std::filesystem::temp_directory_path() / "initest.XXXXXX").string();
    if (!::mkdtemp(tmpl.data())) throw std::runtime_error("mkdtemp");
    path_ = tmpl;
  }
  ~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

std::string slurp(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void spit(const std::filesystem::path& p, const std::string& s) {
  std::ofstream out(p, std::ios::binary);
  out << s;
}

// --- reading: one script, many reads -----------------------------------------------------------

struct ReadCase {
  const char* what;
  std::string text;
  const char* section;
  const char* key;
  const char* expected;  // nullptr: the default is returned
};

const std::string kLong(300, 'v');
const std::string kHuge(10000, 'h');

std::vector<ReadCase> readCases() {
  return {
      {"plain key", "[software]\r\nname=Vantrel\r\n", "software", "name", "Vantrel"},
      {"section spelled with a capital", "[Software]\r\nname=x\r\n", "software", "name", "x"},
      {"key compared without case", "[s]\r\nNAME=x\r\n", "s", "name", "x"},
      {"accented names fold too", "[\xC9t\xE9]\r\n\xC4=1\r\n", "\xE9T\xC9", "\xE4", "1"},
      {"first of two keys wins", "[s]\r\nk=first\r\nk=second\r\n", "s", "k", "first"},
      {"first of two keys wins across case", "[s]\r\nK=first\r\nk=second\r\n", "s", "k", "first"},
      {"first of two sections wins", "[s]\r\nk=1\r\n[S]\r\nk=2\r\nj=3\r\n", "s", "k", "1"},
      {"second section of a name is not read", "[s]\r\nk=1\r\n[S]\r\nj=3\r\n", "s", "j", nullptr},
      {"blank before = belongs to the name", "[software]\r\nfix = 1\r\n", "software", "fix", nullptr},
      {"blank name is found with its blank", "[software]\r\nfix = 1\r\n", "software", "fix ", " 1"},
      {"blank after = belongs to the value", "[s]\r\nk= v \r\n", "s", "k", " v "},
      {"value is everything after the first =", "[s]\r\nk=a=b\r\n", "s", "k", "a=b"},
      {"empty value is a value", "[s]\r\nk=\r\n", "s", "k", ""},
      {"empty name", "[s]\r\n=v\r\n", "s", "", "v"},
      {"line of 300 cut at 255", "[s]\r\nk=" + kLong + "\r\n", "s", "k", nullptr /* checked below */},
      {"line of 10000 characters", "[s]\r\n" + kHuge + "\r\nk=after\r\n", "s", "k", "after"},
      {"key after a long line", "[s]\r\nk=" + kHuge + "\r\nj=2\r\n", "s", "j", "2"},
      {"EOF character line ignored", "[s]\r\n\x1a\r\nk=1\r\n\x1a", "s", "k", "1"},
      {"EOF character inside a value stays", "[s]\r\nk=a\x1a\r\n", "s", "k", "a\x1a"},
      {"lines before the first section", "k=0\r\n[s]\r\nj=1\r\n", "s", "k", nullptr},
      {"bare LF line ends", "[s]\nk=1\nj=2\n", "s", "j", "2"},
      {"mixed line ends", "[s]\r\nk=1\nj=2\r\n", "s", "k", "1"},
      {"last line without line end", "[s]\r\nk=1", "s", "k", "1"},
      {"last line ends in CR only", "[s]\r\nk=1\r", "s", "k", "1"},
      {"lone CR is part of the text", "[s]\r\nk=1\rj=2\r\n", "s", "k", "1\rj=2"},
      {"empty lines ignored", "\r\n\r\n[s]\r\n\r\n\r\nk=1\r\n", "s", "k", "1"},
      {"no comment syntax", "[s]\r\n;k=1\r\n", "s", ";k", "1"},
      {"header must end with ]", "[s]\r\n[t] \r\nk=1\r\n", "s", "k", "1"},
      {"header line inside keeps brackets", "[a]b]\r\nk=1\r\n", "a]b", "k", "1"},
      {"missing section", "[s]\r\nk=1\r\n", "t", "k", nullptr},
      {"missing key", "[s]\r\nk=1\r\n", "s", "j", nullptr},
      {"line without = is no key", "[s]\r\nk\r\n", "s", "k", nullptr},
  };
}

TEST(IniRead, TableOfCases) {
  for (const auto& c : readCases()) {
    SCOPED_TRACE(c.what);
    IniFile ini = IniFile::fromText(c.text);
    std::string got = ini.readString(c.section, c.key, "<default>");
    if (std::string(c.what) == "line of 300 cut at 255") {
      EXPECT_EQ(got, std::string(253, 'v'));  // 255 characters of the line, 2 of them "k="
      continue;
    }
    EXPECT_EQ(got, c.expected ? std::string(c.expected) : std::string("<default>"));
    EXPECT_EQ(ini.valueExists(c.section, c.key), c.expected != nullptr);
  }
}

TEST(IniRead, HeaderLongerThanTheLineLimitIsNoHeader) {
  // The 255 characters read from it do not end in "]", so it is an ordinary line of [s].
  std::string name(300, 'n');
  IniFile ini = IniFile::fromText("[s]\r\n[" + name + "]\r\nk=1\r\n");
  EXPECT_EQ(ini.readString("s", "k", "d"), "1");
  EXPECT_FALSE(ini.sectionExists(name));
}

struct NumberCase {
  const char* value;
  std::int32_t def;
  std::int32_t integer;
  bool boolDefTrue;   // readBool with default true
  bool boolDefFalse;  // readBool with default false
};

TEST(IniRead, IntegersAndBooleans) {
  const NumberCase cases[] = {
      {"16", 7, 16, true, true},
      {"0x10", 7, 16, true, true},
      {"0X1f", 7, 31, true, true},
      {"0xffffffff", 7, -1, true, true},
      {"0x", 7, 7, true, false},
      {"0x1g", 7, 7, true, false},
      {"0x123456789", 7, 7, true, false},
      {"-5", 7, -5, true, true},
      {"+5", 7, 5, true, true},
      {"0", 7, 0, false, false},
      {"00", 7, 0, false, false},
      {"2", 7, 2, true, true},
      {"", 7, 7, true, false},
      {"yes", 7, 7, true, false},
      {"true", 7, 7, true, false},
      {" 1", 7, 7, true, false},
      {"1 ", 7, 7, true, false},
      {"12abc", 7, 7, true, false},
      {"2147483647", 7, 2147483647, true, true},
      {"2147483648", 7, 7, true, false},
      {"-2147483648", 7, INT32_MIN, true, true},
      {"--1", 7, 7, true, false},
      {"+-1", 7, 7, true, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string("value '") + c.value + "'");
    IniFile ini = IniFile::fromText(std::string("[s]\r\nk=") + c.value + "\r\n");
    EXPECT_EQ(ini.readInteger("s", "k", c.def), c.integer);
    EXPECT_EQ(ini.readBool("s", "k", true), c.boolDefTrue);
    EXPECT_EQ(ini.readBool("s", "k", false), c.boolDefFalse);
  }
  IniFile empty = IniFile::fromText("");
  EXPECT_EQ(empty.readInteger("s", "k", -100), -100);
  EXPECT_TRUE(empty.readBool("s", "k", true));
  EXPECT_FALSE(empty.readBool("s", "k", false));
}

TEST(IniRead, ListsSectionsAndKeysOnceInFileOrder) {
  IniFile ini =
      IniFile::fromText("pre=1\r\n[B]\r\nz=1\r\nnote\r\nA=2\r\nz=3\r\n[a]\r\nq=1\r\n[b]\r\ny=1\r\n");
  EXPECT_EQ(ini.sectionNames(), (std::vector<std::string>{"B", "a"}));
  EXPECT_EQ(ini.keyNames("b"), (std::vector<std::string>{"z", "A"}));
  EXPECT_TRUE(ini.keyNames("missing").empty());
}

TEST(IniRead, RandomBytesNeverCrashAndGiveDefaults) {
  std::mt19937 rng(12345);
  for (int round = 0; round < 300; ++round) {
    std::string bytes(rng() % 4000, '\0');
    for (char& c : bytes) {
      // Lean towards the bytes that matter to the parser.
      static const char special[] = "[]=\r\n\x1a";
      c = (rng() % 3 == 0) ? special[rng() % 6] : static_cast<char>(rng());
    }
    IniFile ini = IniFile::fromText(bytes);
    EXPECT_EQ(ini.readString("no such section \x01", "k", "def"), "def");
    for (const auto& s : ini.sectionNames()) {
      EXPECT_LE(s.size(), 253u);
      for (const auto& k : ini.keyNames(s)) {
        EXPECT_LE(ini.readString(s, k, "").size() + k.size(), 254u);
        (void)ini.readInteger(s, k, 0);
      }
    }
    // Whatever was loaded reads the same after a save round trip.
    IniFile again = IniFile::fromText(ini.toText());
    EXPECT_EQ(again.sectionNames(), ini.sectionNames());
  }
}

// --- writing ----------------------------------------------------------------------------------

TEST(IniWrite, FreshFileKeepsFirstWrittenOrderWithEmptyLineAfterEachSection) {
  TempDir dir;
  auto file = dir.path() / "uninst.log";
  {
    IniFile log(file);
    log.writeString("info", "i", "This file is needed to uninstall Demo");
    log.writeInteger("info", "v", 300);
    log.writeString("files", "total", "0");
    log.writeString("info", "vtu", "1.0");
    log.writeBool("uninst", "komp", false);
    log.writeBool("fileset", "attr", true);
    log.writeInteger("files", "total", 3);  // existing key: keeps its place
    log.writeInteger("dirs_1", "total", -2);
    log.close();
  }
  EXPECT_EQ(slurp(file),
            "[info]\r\ni=This file is needed to uninstall Demo\r\nv=300\r\nvtu=1.0\r\n\r\n"
            "[files]\r\ntotal=3\r\n\r\n"
            "[uninst]\r\nkomp=0\r\n\r\n"
            "[fileset]\r\nattr=1\r\n\r\n"
            "[dirs_1]\r\ntotal=-2\r\n\r\n");
}

TEST(IniWrite, ExistingFileIsUpdatedInPlaceKeepingForeignLines) {
  TempDir dir;
  auto file = dir.path() / "uninst.log";
  const std::string before =
      "; written by hand\r\n"
      "[Info]\n"
      "I=old text\r\n"
      "a line without equals\r\n"
      "v=300\r\n"
      "\r\n"
      "\r\n"
      "[files]\r\n"
      "total=0\r\n"
      "keep=" +
      kHuge +
      "\r\n"
      "\x1a";
  spit(file, before);
  {
    IniFile log(file);
    EXPECT_EQ(log.readString("info", "i", ""), "old text");
    log.writeString("info", "i", "new text");
    log.writeString("INFO", "dir", "C:\\Demo");
    log.writeInteger("files", "total", 2);
    log.writeString("Option_1", "f1", "C:\\Demo\\a.exe");
  }  // saved when released
  EXPECT_EQ(slurp(file),
            "; written by hand\r\n"
            "[Info]\r\n"
            "I=new text\r\n"
            "a line without equals\r\n"
            "v=300\r\n"
            "dir=C:\\Demo\r\n"
            "\r\n"
            "[files]\r\n"
            "total=2\r\n"
            "keep=" +
                kHuge +
                "\r\n"
                "\r\n"
                "[Option_1]\r\n"
                "f1=C:\\Demo\\a.exe\r\n"
                "\r\n");
}

TEST(IniWrite, SaveOnReleaseOnlyWhenModified) {
  TempDir dir;
  auto file = dir.path() / "a.ini";
  spit(file, "[s]\nk=1\n");  // bare LF: an unmodified file is never rewritten
  {
    IniFile ini(file);
    EXPECT_EQ(ini.readString("s", "k", ""), "1");
  }
  EXPECT_EQ(slurp(file), "[s]\nk=1\n");
  {
    IniFile ini(file);
    ini.writeString("s", "k", "1");
    EXPECT_FALSE(ini.modified());
  }
  EXPECT_EQ(slurp(file), "[s]\nk=1\n");
  {
    IniFile ini(file);
    ini.writeString("s", "k", "2");
    EXPECT_TRUE(ini.modified());
  }
  EXPECT_EQ(slurp(file), "[s]\r\nk=2\r\n\r\n");
  {
    IniFile ini(file);
    ini.setAutoSave(false);
    ini.writeString("s", "k", "3");
  }
  EXPECT_EQ(slurp(file), "[s]\r\nk=2\r\n\r\n");
  // A file that was never there is created when released with changes, not without.
  auto fresh = dir.path() / "fresh.ini";
  { IniFile ini(fresh); }
  EXPECT_FALSE(std::filesystem::exists(fresh));
  {
    IniFile ini(fresh);
    ini.writeString("a", "b", "c");
  }
  EXPECT_EQ(slurp(fresh), "[a]\r\nb=c\r\n\r\n");
  // Moving hands the pending save to the new owner; it happens once.
  auto moved = dir.path() / "moved.ini";
  {
    IniFile a(moved);
    a.writeString("m", "k", "v");
    IniFile b(std::move(a));
    EXPECT_TRUE(b.modified());
  }
  EXPECT_EQ(slurp(moved), "[m]\r\nk=v\r\n\r\n");
}

TEST(IniWrite, SavingKeepsTheFileMode) {
  TempDir dir;
  auto file = dir.path() / "mode.ini";
  spit(file, "[s]\r\nk=1\r\n");
  std::filesystem::permissions(file, std::filesystem::perms::owner_read |
                                         std::filesystem::perms::owner_write |
                                         std::filesystem::perms::group_read);
  {
    IniFile ini(file);
    ini.writeString("s", "k", "2");
  }
  EXPECT_EQ(std::filesystem::status(file).permissions() & std::filesystem::perms::all,
            std::filesystem::perms::owner_read | std::filesystem::perms::owner_write |
                std::filesystem::perms::group_read);
  EXPECT_EQ(slurp(file), "[s]\r\nk=2\r\n\r\n");
}

TEST(IniWrite, EraseSectionAndDeleteKey) {
  IniFile ini = IniFile::fromText("[a]\r\nk=1\r\nK=2\r\nj=3\r\n[b]\r\nx=1\r\n[A]\r\nz=9\r\n");
  ini.deleteKey("a", "k");
  EXPECT_EQ(ini.readString("a", "k", "gone"), "gone");  // no older duplicate resurfaces
  EXPECT_EQ(ini.readString("a", "j", ""), "3");
  ini.eraseSection("A");
  EXPECT_FALSE(ini.sectionExists("a"));
  EXPECT_EQ(ini.readString("b", "x", ""), "1");
  EXPECT_EQ(ini.toText(), "[b]\r\nx=1\r\n\r\n");
  ini.writeString("a", "n", "new");  // the name is free again and is appended at the end
  EXPECT_EQ(ini.toText(), "[b]\r\nx=1\r\n\r\n[a]\r\nn=new\r\n\r\n");
  EXPECT_TRUE(ini.modified());
}

TEST(IniWrite, LineEndsInWrittenTextCannotInjectLines) {
  IniFile ini = IniFile::fromText("");
  ini.writeString("s", "k", "one\r\n[evil]\r\nx=1");
  IniFile back = IniFile::fromText(ini.toText());
  EXPECT_FALSE(back.sectionExists("evil"));
  EXPECT_EQ(back.readString("s", "k", ""), "one  [evil]  x=1");
}

TEST(IniWrite, WrittenValuesReadBackAfterReload) {
  TempDir dir;
  auto file = dir.path() / "x.ini";
  {
    IniFile ini(file);
    for (int i = 0; i < 50; ++i) ini.writeInteger("sec" + std::to_string(i % 7), "k" + std::to_string(i), i);
    ini.save();
    EXPECT_FALSE(ini.modified());
    ini.writeInteger("sec0", "k0", 1000);  // after a save, updates still land in place
  }
  IniFile ini(file);
  EXPECT_EQ(ini.readInteger("SEC0", "K0", -1), 1000);
  for (int i = 1; i < 50; ++i)
    EXPECT_EQ(ini.readInteger("sec" + std::to_string(i % 7), "k" + std::to_string(i), -1), i);
  EXPECT_EQ(ini.sectionNames().size(), 7u);
}

TEST(IniErrors, UnreadableAndUnwritableFiles) {
  TempDir dir;
  // A folder where the file should be cannot be read.
  std::filesystem::create_directory(dir.path() / "folder.ini");
  EXPECT_THROW(IniFile{dir.path() / "folder.ini"}, std::system_error);
  // A log whose folder does not exist (yet) cannot be saved; the changes stay pending.
  auto sub = dir.path() / "later";
  IniFile ini(sub / "log.ini");
  ini.writeString("a", "b", "c");
  EXPECT_THROW(ini.save(), std::system_error);
  EXPECT_THROW(ini.close(), std::system_error);
  EXPECT_TRUE(ini.modified());
  std::filesystem::create_directory(sub);
  ini.close();
  EXPECT_EQ(slurp(sub / "log.ini"), "[a]\r\nb=c\r\n\r\n");
  EXPECT_FALSE(ini.modified());
}

TEST(IniErrors, SaveWithoutFileNameIsALogicError) {
  IniFile ini = IniFile::fromText("[a]\r\n");
  ini.writeString("a", "b", "c");
  EXPECT_THROW(ini.save(), std::logic_error);
  ini.setAutoSave(false);
}

}  // namespace
}  // namespace platform

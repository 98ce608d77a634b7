#include "platform/fs/file_system.h"
#include "platform/fs/tests/temp_dir.h"

#include <gtest/gtest.h>

#include <unistd.h>

namespace platform {
namespace {

namespace fs = std::filesystem;
using testing::TempDir;
using testing::writeFile;

class PathMapping : public ::testing::Test {
 protected:
  PathMapping()
      : root_(SystemRoot::create(tmp_ / "root", RootTemplate::modernNt())), files_(root_) {
    writeFile(tmp_ / "outside" / "secret.txt", "outside");
    writeFile(root_.hostDir() / "drive_c" / "Data" / "File.TXT", "data");
    fs::create_directories(root_.dosDevicesDir() / "unc" / "Server" / "Share");
    writeFile(root_.dosDevicesDir() / "unc" / "Server" / "Share" / "x.txt", "unc");
  }

  fs::path driveC() const { return fs::canonical(root_.hostDir() / "drive_c"); }

  // True when the host path lies inside one of the given folders (lexically and after the host
  // resolved every link that exists).
  static bool inside(const fs::path& p, const std::vector<fs::path>& roots) {
    fs::path lexical = p.lexically_normal();
    std::error_code ec;
    fs::path real = fs::weakly_canonical(p, ec);
    if (ec) real = lexical;  // longer than the host can resolve: nothing there to follow
    for (const auto& r : roots) {
      auto under = [&](const fs::path& x) {
        auto rel = x.lexically_relative(r);
        return !rel.empty() && *rel.begin() != "..";
      };
      if (under(lexical) && under(real)) return true;
    }
    return false;
  }

  TempDir tmp_;
  SystemRoot root_;
  FileSystem files_;
};

struct Case {
  std::string in;
  std::optional<std::string> normalized;  // nothing: rejected
};

TEST_F(PathMapping, NothingMapsOutsideTheDrives) {
  fs::path media = tmp_ / "media";
  fs::create_directories(media);
  ASSERT_EQ(files_.mapMedium(media), "D:\\");
  const std::string longName(300, 'a');
  std::string deep = "C:";
  for (int i = 0; i < 100; ++i) deep += "\\" + std::string(100, 'd');
  std::string climbing = "C:\\windows";
  for (int i = 0; i < 3000; ++i) climbing += "\\x\\..\\..";
  climbing += "\\x";

  const std::vector<Case> cases = {
      {"C:\\..\\..\\..\\outside\\secret.txt", "C:\\outside\\secret.txt"},
      {"C:/windows/../../../../outside", "C:\\outside"},
      {"C:\\windows\\system32\\..\\..\\..\\..\\..\\..\\x", "C:\\x"},
      {"C:..\\..\\x", "C:\\x"},
      {"..\\..\\..\\x", "C:\\x"},
      {"\\..\\..\\x", "C:\\x"},
      {"/../../x", "C:\\x"},
      {"C:\\a\\.\\b\\..\\c", "C:\\a\\c"},
      {"C:\\\\windows//system32\\", "C:\\windows\\system32"},
      {"c:\\WINDOWS", "C:\\windows"},
      {"C:", "C:\\"},
      {"C:\\", "C:\\"},
      {"C:\\a.", "C:\\a"},
      {"C:\\a. . \\b", "C:\\a\\b"},
      {"\\\\?\\C:\\windows", "C:\\windows"},
      {"\\\\?\\c:\\..\\..\\x", "C:\\x"},
      {"\\\\?\\UNC\\server\\share\\x.txt", "\\\\Server\\Share\\x.txt"},
      {"\\\\SERVER\\SHARE\\..\\..\\..\\x", "\\\\Server\\Share\\x"},
      {"//server/share/x.txt", "\\\\Server\\Share\\x.txt"},
      {"D:..\\..\\x", "D:\\x"},
      {"d:\\..\\setup.inf", "D:\\setup.inf"},
      {climbing, "C:\\x"},
      {deep, deep},
      // rejected
      {"", std::nullopt},
      {"Q:\\x", std::nullopt},
      {"Z:\\etc\\passwd", std::nullopt},
      {"\\\\.\\C:", std::nullopt},
      {"\\\\.\\PhysicalDrive0", std::nullopt},
      {"\\\\?\\GLOBALROOT\\Device\\HarddiskVolume1", std::nullopt},
      {"\\\\?\\UNC\\nosuch\\share", std::nullopt},
      {"\\\\?\\", std::nullopt},
      {"\\??\\C:\\x", std::nullopt},
      {"\\\\server", std::nullopt},
      {"\\\\server\\", std::nullopt},
      {"\\\\nosuch\\share\\x", std::nullopt},
      {"\\\\server\\noshare\\x", std::nullopt},
      {"C:\\CON", std::nullopt},
      {"C:\\nul", std::nullopt},
      {"C:\\dir\\COM1", std::nullopt},
      {"C:\\LPT1.txt", std::nullopt},
      {"C:\\aux.txt", std::nullopt},
      {"C:\\Con .txt", std::nullopt},
      {"C:\\PRN.", std::nullopt},
      {"C:\\com\xb9", std::nullopt},
      {"C:\\CONOUT$", std::nullopt},
      {"CON", std::nullopt},
      {"nul\\x", std::nullopt},
      {std::string("C:\\a\0b", 6), std::nullopt},
      {std::string("C:\\a\0\\..\\..\\x", 13), std::nullopt},
      {"C:\\a:stream", std::nullopt},
      {"C:\\a\\b:$DATA", std::nullopt},
      {"C:\\a*b", std::nullopt},
      {"C:\\a?b", std::nullopt},
      {"C:\\a|b", std::nullopt},
      {"C:\\a\"b", std::nullopt},
      {"C:\\a<b>", std::nullopt},
      {"C:\\a\x01" "b", std::nullopt},
      {"C:\\...", std::nullopt},
      {"C:\\ ", std::nullopt},
      {"C:\\" + longName, std::nullopt},
      {"C:\\" + std::string(40000, 'b'), std::nullopt},
  };
  const std::vector<fs::path> roots = {driveC(), fs::canonical(media),
                                       fs::canonical(root_.dosDevicesDir() / "unc" / "Server" / "Share")};
  for (const auto& c : cases) {
    SCOPED_TRACE("path: " + c.in.substr(0, 80));
    auto host = files_.toHost(c.in);
    EXPECT_EQ(files_.normalize(c.in), c.normalized);
    EXPECT_EQ(host.has_value(), c.normalized.has_value());
    if (host) {
      EXPECT_TRUE(inside(*host, roots)) << host->string().substr(0, 200);
    }
  }
  // The secret outside the root is out of reach by any spelling tried above.
  EXPECT_FALSE(files_.exists("C:\\..\\..\\outside\\secret.txt"));
}

TEST_F(PathMapping, SymlinksTheOwnerPlacedInsideADriveAreFollowed) {
  fs::create_directory_symlink(tmp_ / "outside", root_.hostDir() / "drive_c" / "linked");
  EXPECT_TRUE(files_.isFile("C:\\Linked\\SECRET.txt"));
  File f = files_.openRead("C:\\linked\\secret.txt");
  ASSERT_TRUE(f);
  char buf[16] = {};
  EXPECT_EQ(f.read(buf, sizeof buf), 7u);
  EXPECT_EQ(std::string(buf, 7), "outside");
  // ".." after the link is still taken lexically: back on the drive, not beside the link's target.
  EXPECT_EQ(files_.normalize("C:\\linked\\..\\Data"), "C:\\Data");
}

TEST_F(PathMapping, ComponentsMatchWithoutRegardToCaseExactFirst) {
  fs::path c = root_.hostDir() / "drive_c";
  fs::create_directories(c / "Mixed" / "A");
  fs::create_directories(c / "Mixed" / "a");
  writeFile(c / "Mixed" / "A" / "upper.txt", "");
  writeFile(c / "Mixed" / "a" / "lower.txt", "");
  writeFile(c / "CAF\xc3\x89" / "x", "");  // "CAFÉ" on the host (UTF-8)

  struct Row {
    std::string in, host, win;
  };
  const std::vector<Row> rows = {
      {"c:\\data\\file.txt", "Data/File.TXT", "C:\\Data\\File.TXT"},
      {"C:\\DATA\\FILE.TXT", "Data/File.TXT", "C:\\Data\\File.TXT"},
      {"C:\\mixed\\A\\upper.txt", "Mixed/A/upper.txt", "C:\\Mixed\\A\\upper.txt"},
      {"C:\\mixed\\a\\LOWER.TXT", "Mixed/a/lower.txt", "C:\\Mixed\\a\\lower.txt"},
      {"C:\\data\\new1\\New2.txt", "Data/new1/New2.txt", "C:\\Data\\new1\\New2.txt"},
      {"C:\\caf\xe9\\X", "CAF\xc3\x89/x", "C:\\CAF\xc9\\x"},  // "café" in code page 1252
      {"C:\\Data\\File.TXT\\below", "Data/File.TXT/below", "C:\\Data\\File.TXT\\below"},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.in);
    EXPECT_EQ(files_.toHost(r.in), fs::canonical(c) / r.host);
    EXPECT_EQ(files_.normalize(r.in), r.win);
  }
}

TEST_F(PathMapping, HostToWindowsRoundTrip) {
  fs::path media = tmp_ / "media";
  writeFile(media / "Sub" / "setup.inf", "");
  ASSERT_EQ(files_.mapMedium(media), "D:\\");
  for (std::string p : {"C:\\", "C:\\Data\\File.TXT", "C:\\windows\\system32", "C:\\new\\file.txt",
                        "D:\\", "D:\\Sub\\setup.inf", "\\\\Server\\Share\\x.txt", "C:\\caf\xe9"}) {
    SCOPED_TRACE(p);
    auto host = files_.toHost(p);
    ASSERT_TRUE(host);
    EXPECT_EQ(files_.toWindows(*host), p);
  }
  // The drive link's own path names the same files.
  EXPECT_EQ(files_.toWindows(root_.dosDevicesDir() / "c:" / "windows"), "C:\\windows");
  // A relative host path is taken from the process's working folder.
  fs::path cwd = fs::current_path();
  fs::current_path(root_.hostDir() / "drive_c");
  auto rel = files_.toWindows("Data/./File.TXT");
  fs::current_path(cwd);
  EXPECT_EQ(rel, "C:\\Data\\File.TXT");
  EXPECT_EQ(files_.toWindows(tmp_ / "outside" / "secret.txt"), std::nullopt);
  EXPECT_EQ(files_.toWindows(root_.hostDir() / "drive_c" / ".." / ".." / "outside"), std::nullopt);
}

TEST_F(PathMapping, MediaGetTheirOwnLetterUnlessADriveHoldsThem) {
  fs::path cd = tmp_ / "cd", src = tmp_ / "src";
  fs::create_directories(cd);
  fs::create_directories(src);
  writeFile(cd / "setup.inf", "[x]");
  EXPECT_EQ(files_.mapMedium(cd), "D:\\");
  EXPECT_EQ(files_.mapMedium(cd / "."), "D:\\");  // the same folder again
  EXPECT_EQ(files_.mapMedium(src), "E:\\");
  EXPECT_EQ(files_.mapMedium(root_.hostDir() / "drive_c" / "windows"), "C:\\windows");
  EXPECT_EQ(files_.mapMedium(tmp_ / "missing"), "");
  EXPECT_EQ(files_.mapMedium(cd / "setup.inf"), "");  // not a folder
  EXPECT_EQ(files_.drives(), (std::vector<char>{'C', 'D', 'E'}));
  writeFile(cd / ".windows-label", "PRODUCT CD\n");
  EXPECT_EQ(files_.volumeLabel('d'), "PRODUCT CD");
  EXPECT_EQ(files_.volumeLabel('C'), "");
  EXPECT_EQ(files_.volumeLabel('Q'), "");
  // A medium that went away leaves a dangling letter, which is no drive.
  fs::path gone = tmp_ / "gone";
  fs::create_directories(gone);
  EXPECT_EQ(files_.mapMedium(gone), "F:\\");
  fs::remove(gone);
  EXPECT_FALSE(files_.hasDrive('F'));
  EXPECT_FALSE(files_.freeSpace("F:\\"));
  fs::path next = tmp_ / "next";
  fs::create_directories(next);
  EXPECT_EQ(files_.mapMedium(next), "F:\\");  // the letter is used again
  EXPECT_TRUE(files_.isFile("d:\\SETUP.INF"));
  EXPECT_EQ(files_.toWindows(cd / "setup.inf"), "D:\\setup.inf");

  // The letters stay in the root: a second file system over it sees them.
  FileSystem again(root_);
  EXPECT_TRUE(again.hasDrive('d'));
  EXPECT_EQ(again.mapMedium(src), "E:\\");
}

TEST_F(PathMapping, CurrentFolderServesPathsWithoutDrive) {
  ASSERT_TRUE(files_.setCurrentDirectory("c:\\data"));
  EXPECT_EQ(files_.currentDirectory(), "C:\\Data");
  EXPECT_EQ(files_.normalize("file.txt"), "C:\\Data\\File.TXT");
  EXPECT_EQ(files_.normalize("C:file.txt"), "C:\\Data\\File.TXT");
  EXPECT_EQ(files_.normalize("\\windows"), "C:\\windows");
  EXPECT_FALSE(files_.setCurrentDirectory("C:\\Data\\File.TXT"));
  EXPECT_FALSE(files_.setCurrentDirectory("C:\\nowhere"));
  EXPECT_EQ(files_.currentDirectory(), "C:\\Data");
}

TEST(WinePrefix, ZDriveReachesTheHostAndTheLongestDriveWins) {
  TempDir tmp;
  fs::path prefix = tmp / "prefix";
  // Laid out as Wine lays out a prefix: no .kit file, a user folder, z: for the host root.
  fs::create_directories(prefix / "drive_c" / "windows" / "system32");
  fs::create_directories(prefix / "drive_c" / "users" / "Public");
  fs::create_directories(prefix / "drive_c" / "users" / "alice");
  fs::create_directories(prefix / "dosdevices");
  fs::create_directory_symlink("../drive_c", prefix / "dosdevices" / "c:");
  fs::create_directory_symlink("/", prefix / "dosdevices" / "z:");

  SystemRoot root = SystemRoot::open(prefix);
  EXPECT_EQ(root.userName(), "alice");
  EXPECT_TRUE(root.version().isNt());
  EXPECT_EQ(root.systemDir(), "C:\\windows\\system32");
  FileSystem files(root);
  EXPECT_EQ(files.toHost("Z:\\etc"), fs::path("/etc"));
  EXPECT_EQ(files.toHost("z:\\..\\..\\etc"), fs::path("/etc"));
  EXPECT_EQ(files.toWindows("/etc"), "Z:\\etc");
  EXPECT_EQ(files.toWindows("/"), "Z:\\");
  EXPECT_EQ(files.toWindows(prefix / "drive_c" / "windows"), "C:\\windows");
  // A medium already reachable through Z: gets no letter of its own.
  std::string medium = files.mapMedium(tmp.path());
  EXPECT_EQ(medium, files.toWindows(fs::canonical(tmp.path())));
  EXPECT_EQ(medium.substr(0, 3), "Z:\\");
  EXPECT_EQ(files.drives(), (std::vector<char>{'C', 'Z'}));
}

TEST(WinePrefix, OpenRefusesAFolderWithoutDriveC) {
  TempDir tmp;
  EXPECT_THROW(SystemRoot::open(tmp.path()), SystemRootError);
  fs::create_directories(tmp / "dosdevices");
  fs::create_directory_symlink("../missing", tmp / "dosdevices" / "c:");
  EXPECT_THROW(SystemRoot::open(tmp.path()), SystemRootError);
}

}  // namespace
}  // namespace platform

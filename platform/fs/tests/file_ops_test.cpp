#include "platform/fs/file_system.h"
#include "platform/fs/tests/temp_dir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>

namespace platform {
namespace {

namespace fs = std::filesystem;
using testing::readFile;
using testing::TempDir;
using testing::writeFile;

class Files : public ::testing::Test {
 protected:
  Files() : root_(SystemRoot::create(tmp_ / "root", RootTemplate::nt4())), files_(root_) {}

  fs::path host(std::string_view win) { return *files_.toHost(win); }
  void put(std::string_view win, std::string_view content) { writeFile(host(win), content); }

  // Whether the host file system of the temporary folder keeps user extended attributes.
  bool hasXattrs() {
    fs::path probe = tmp_ / "xattr-probe";
    writeFile(probe, "");
    return ::setxattr(probe.c_str(), "user.probe", "1", 1, 0) == 0;
  }

  TempDir tmp_;
  SystemRoot root_;
  FileSystem files_;
};

TEST_F(Files, StreamsBlocksInAndOut) {
  std::string data;
  for (int i = 0; i < 3 * 8192 + 17; ++i) data += static_cast<char>(i * 7);
  {
    File out = files_.create("C:\\temp\\compress.tmp");
    ASSERT_TRUE(out);
    for (std::size_t at = 0; at < data.size(); at += 8192) {
      std::size_t n = std::min<std::size_t>(8192, data.size() - at);
      ASSERT_EQ(out.write(data.data() + at, n), n);
    }
    EXPECT_EQ(out.size(), static_cast<std::int64_t>(data.size()));
    EXPECT_TRUE(out.close());
  }
  EXPECT_EQ(readFile(host("C:\\temp\\compress.tmp")), data);
  EXPECT_EQ(files_.fileSize("c:\\TEMP\\Compress.TMP"), static_cast<std::int64_t>(data.size()));

  File in = files_.openRead("C:\\temp\\compress.tmp");
  ASSERT_TRUE(in);
  std::string back;
  char buf[8192];
  while (std::size_t n = in.read(buf, sizeof buf)) back.append(buf, n);
  EXPECT_FALSE(in.failed());
  EXPECT_EQ(back, data);
  ASSERT_TRUE(in.seek(8192));
  EXPECT_EQ(in.read(buf, 1), 1u);
  EXPECT_EQ(buf[0], data[8192]);
  EXPECT_EQ(in.position(), 8193);
  // Writing to a file opened for reading fails and says so.
  EXPECT_EQ(in.write("x", 1), 0u);
  EXPECT_TRUE(in.failed());
}

TEST_F(Files, DispositionsAndWhatCannotBeOpened) {
  put("C:\\a.txt", "old");
  EXPECT_FALSE(files_.open("C:\\a.txt", Access::Write, Share::None, Disposition::CreateNew));
  EXPECT_FALSE(files_.open("C:\\missing.txt", Access::Read, Share::ReadWrite, Disposition::OpenExisting));
  EXPECT_FALSE(files_.open("C:\\windows", Access::Read, Share::ReadWrite, Disposition::OpenExisting));
  EXPECT_FALSE(files_.create("C:\\no\\such\\folder\\x.txt"));
  EXPECT_FALSE(files_.create("C:\\CON"));
  {
    File f = files_.open("C:\\a.txt", Access::ReadWrite, Share::None, Disposition::OpenAlways);
    ASSERT_TRUE(f);
    EXPECT_EQ(f.size(), 3);  // kept
  }
  {
    File f = files_.open("C:\\b.txt", Access::Write, Share::None, Disposition::OpenAlways);
    EXPECT_TRUE(f);  // made
  }
  EXPECT_TRUE(files_.isFile("C:\\b.txt"));
  EXPECT_TRUE(files_.create("C:\\a.txt"));
  EXPECT_EQ(files_.fileSize("C:\\a.txt"), 0);  // truncated
}

struct ShareRow {
  Access heldAccess;
  Share heldShare;
  Access nextAccess;
  Share nextShare;
  bool allowed;
};

TEST_F(Files, SharingFollowsWindows) {
  put("C:\\s.bin", "1234");
  const std::vector<ShareRow> rows = {
      {Access::Read, Share::Read, Access::Read, Share::Read, true},
      {Access::Read, Share::Read, Access::Read, Share::ReadWrite, true},
      {Access::Read, Share::Read, Access::Write, Share::ReadWrite, false},  // held denies writing
      {Access::Read, Share::ReadWrite, Access::Write, Share::ReadWrite, true},
      {Access::Read, Share::ReadWrite, Access::Write, Share::Write, false},  // new one denies the held read
      {Access::Read, Share::None, Access::Read, Share::ReadWrite, false},   // exclusive
      {Access::Write, Share::Read, Access::Read, Share::Read, false},       // held writes, new denies writing
      {Access::Write, Share::Read, Access::Read, Share::ReadWrite, true},
      {Access::Write, Share::ReadWrite, Access::ReadWrite, Share::ReadWrite, true},
      {Access::ReadWrite, Share::Write, Access::Write, Share::ReadWrite, true},  // writing is shared...
      {Access::ReadWrite, Share::Write, Access::Read, Share::ReadWrite, false},  // ...reading is not
  };
  for (std::size_t i = 0; i < rows.size(); ++i) {
    SCOPED_TRACE("row " + std::to_string(i));
    const auto& r = rows[i];
    File held = files_.open("C:\\s.bin", r.heldAccess, r.heldShare, Disposition::OpenExisting);
    ASSERT_TRUE(held);
    File next = files_.open("c:\\S.BIN", r.nextAccess, r.nextShare, Disposition::OpenExisting);
    EXPECT_EQ(next.isOpen(), r.allowed);
  }
  // Once closed, nothing is held any more.
  EXPECT_TRUE(files_.open("C:\\s.bin", Access::ReadWrite, Share::None, Disposition::OpenExisting));
}

TEST_F(Files, HeldWithoutSharedWriteIsInUse) {
  put("C:\\u.dll", "MZ");
  EXPECT_FALSE(files_.isInUse("C:\\u.dll"));
  EXPECT_FALSE(files_.isInUse("C:\\missing.dll"));
  {
    File shared = files_.openRead("C:\\u.dll", Share::ReadWrite);
    ASSERT_TRUE(shared);
    EXPECT_FALSE(files_.isInUse("C:\\u.dll"));
    File held = files_.openRead("C:\\U.DLL", Share::Read);
    ASSERT_TRUE(held);
    EXPECT_TRUE(files_.isInUse("C:\\u.dll"));
    // The installer's own test: opening for writing fails while it is held.
    EXPECT_FALSE(files_.open("C:\\u.dll", Access::Write, Share::ReadWrite, Disposition::OpenExisting));
    EXPECT_FALSE(files_.deleteFile("C:\\u.dll"));
    EXPECT_FALSE(files_.rename("C:\\u.dll", "C:\\v.dll"));
    File moved = std::move(held);  // the hold goes with the object
    EXPECT_TRUE(files_.isInUse("C:\\u.dll"));
  }
  EXPECT_FALSE(files_.isInUse("C:\\u.dll"));
  EXPECT_TRUE(files_.open("C:\\u.dll", Access::Write, Share::None, Disposition::OpenExisting));
}

TEST_F(Files, ReadOnlyIsTheWriteBit) {
  put("C:\\ro.txt", "keep");
  ASSERT_TRUE(files_.setAttributes("C:\\ro.txt", kAttrReadOnly | kAttrArchive));
  struct stat st {};
  ASSERT_EQ(::stat(host("C:\\ro.txt").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0222, 0u);
  EXPECT_EQ(files_.attributes("C:\\ro.txt").value() & kAttrReadOnly, kAttrReadOnly);
  // Refused whoever the process runs as (tests often run as root, who could write anyway).
  EXPECT_FALSE(files_.open("C:\\ro.txt", Access::Write, Share::None, Disposition::OpenExisting));
  EXPECT_FALSE(files_.create("C:\\ro.txt"));
  EXPECT_FALSE(files_.deleteFile("C:\\ro.txt"));
  put("C:\\src.txt", "new");
  EXPECT_FALSE(files_.copyFile("C:\\src.txt", "C:\\ro.txt", false));
  EXPECT_EQ(readFile(host("C:\\ro.txt")), "keep");

  // A host file without the write bit reads as read-only too.
  ::chmod(host("C:\\src.txt").c_str(), 0444);
  EXPECT_EQ(files_.attributes("C:\\src.txt").value() & kAttrReadOnly, kAttrReadOnly);

  ASSERT_TRUE(files_.setAttributes("C:\\ro.txt", kAttrArchive));
  ASSERT_EQ(::stat(host("C:\\ro.txt").c_str(), &st), 0);
  EXPECT_NE(st.st_mode & S_IWUSR, 0u);
  EXPECT_TRUE(files_.deleteFile("C:\\ro.txt"));
}

TEST_F(Files, AttributesRoundTripThroughDosAttrib) {
  if (!hasXattrs()) GTEST_SKIP() << "no user extended attributes on " << tmp_.path();
  put("C:\\f", "");
  for (std::uint32_t a : {0x20u, 0x00u, 0x21u, 0x02u, 0x04u, 0x06u, 0x27u, 0x22u}) {
    SCOPED_TRACE(a);
    ASSERT_TRUE(files_.setAttributes("C:\\f", a));
    EXPECT_EQ(files_.attributes("C:\\f"), a);
  }
  // Stored as Wine and Samba write it: hidden, system and archive as hex text.
  char raw[32] = {};
  ssize_t n = ::getxattr(host("C:\\f").c_str(), "user.DOSATTRIB", raw, sizeof raw);
  EXPECT_EQ(std::string(raw, n > 0 ? static_cast<std::size_t>(n) : 0), "0x22");

  // Folders: the directory bit comes from the host, read-only is not applied to them.
  ASSERT_TRUE(files_.forceDirectories("C:\\dir"));
  EXPECT_EQ(files_.attributes("C:\\dir"), kAttrDirectory);
  ASSERT_TRUE(files_.setAttributes("C:\\dir", kAttrHidden | kAttrReadOnly));
  EXPECT_EQ(files_.attributes("C:\\dir"), kAttrDirectory | kAttrHidden);
  EXPECT_TRUE(files_.create("C:\\dir\\inside.txt"));

  // What Samba writes (text, NUL, binary record) and what nobody should write.
  const std::string samba("0x2\0\0\0\3\0\0\0\x11\0\0\0", 14);
  ::setxattr(host("C:\\f").c_str(), "user.DOSATTRIB", samba.data(), samba.size(), 0);
  EXPECT_EQ(files_.attributes("C:\\f"), kAttrHidden);
  ::setxattr(host("C:\\f").c_str(), "user.DOSATTRIB", "junk", 4, 0);
  EXPECT_EQ(files_.attributes("C:\\f"), kAttrArchive);  // as if there were none
}

TEST_F(Files, NewFilesReportArchive) {
  put("C:\\plain.txt", "");
  EXPECT_EQ(files_.attributes("C:\\plain.txt"), kAttrArchive);
  EXPECT_EQ(files_.attributes("C:\\windows"), kAttrDirectory);
  EXPECT_EQ(files_.attributes("C:\\missing"), std::nullopt);
  EXPECT_FALSE(files_.setAttributes("C:\\missing", kAttrArchive));
}

// Runs a test body in a fixed time zone with summer time and puts the old one back.
class ZoneGuard {
 public:
  explicit ZoneGuard(const char* tz) {
    if (const char* old = std::getenv("TZ")) old_ = old;
    ::setenv("TZ", tz, 1);
    ::tzset();
  }
  ~ZoneGuard() {
    if (old_) {
      ::setenv("TZ", old_->c_str(), 1);
    } else {
      ::unsetenv("TZ");
    }
    ::tzset();
  }

 private:
  std::optional<std::string> old_;
};

struct DateRow {
  int y, mo, d, h, mi, s;
  int expectSecond;  // two-second resolution
};

TEST_F(Files, DosDatesRoundTripInLocalTime) {
  ZoneGuard zone("CET-1CEST,M3.5.0,M10.5.0/3");
  put("C:\\d.txt", "");
  const std::vector<DateRow> rows = {
      {1980, 1, 1, 0, 0, 0, 0},       {1980, 1, 1, 0, 0, 1, 0},       {1999, 12, 31, 23, 59, 59, 58},
      {2000, 2, 29, 12, 30, 31, 30},  {2024, 7, 1, 2, 0, 0, 0},       {2107, 12, 31, 23, 59, 58, 58},
      {2021, 10, 31, 2, 30, 0, 0},  // the hour that happens twice when summer time ends
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(std::to_string(r.y) + "-" + std::to_string(r.mo) + "-" + std::to_string(r.d) + " " +
                 std::to_string(r.h) + ":" + std::to_string(r.mi) + ":" + std::to_string(r.s));
    auto dos = DosDateTime::pack(r.y, r.mo, r.d, r.h, r.mi, r.s);
    ASSERT_TRUE(dos);
    ASSERT_TRUE(files_.setDosDateTime("C:\\d.txt", *dos));
    EXPECT_EQ(files_.dosDateTime("C:\\d.txt"), DosDateTime::pack(r.y, r.mo, r.d, r.h, r.mi, r.expectSecond));
    // The host keeps it as the local time of the zone.
    struct stat st {};
    ASSERT_EQ(::stat(host("C:\\d.txt").c_str(), &st), 0);
    std::tm tm{};
    localtime_r(&st.st_mtim.tv_sec, &tm);
    EXPECT_EQ(tm.tm_year + 1900, r.y);
    EXPECT_EQ(tm.tm_hour, r.h);
    EXPECT_EQ(tm.tm_sec, r.expectSecond);
  }
  // Packed layout: date in the high word.
  EXPECT_EQ(DosDateTime::pack(1980, 1, 1, 0, 0, 0), 0x00210000u);
  EXPECT_EQ(DosDateTime::pack(2004, 5, 6, 7, 8, 10), (24u << 25 | 5u << 21 | 6u << 16 | 7u << 11 | 8u << 5 | 5u));
}

TEST_F(Files, DosDateEdges) {
  ZoneGuard zone("UTC0");
  put("C:\\old.txt", "");
  // Before 1980 there is no DOS date: the earliest one stands in.
  struct timespec t1970[2] = {{0, UTIME_OMIT}, {86400, 0}};
  ASSERT_EQ(::utimensat(AT_FDCWD, host("C:\\old.txt").c_str(), t1970, 0), 0);
  EXPECT_EQ(files_.dosDateTime("C:\\old.txt"), DosDateTime::kMin);
  EXPECT_EQ(DosDateTime::fromUnix(315532799), DosDateTime::kMin);     // 1979-12-31 23:59:59 UTC
  EXPECT_EQ(DosDateTime::fromUnix(315532800 + 3), DosDateTime::kMin + 1);  // 1980-01-01 00:00:03
  EXPECT_EQ(DosDateTime::fromUnix(4354819200), DosDateTime::pack(2107, 12, 31, 23, 59, 58));  // 2108

  // Packed values that are no date are refused and leave the file alone.
  auto before = files_.dosDateTime("C:\\old.txt");
  for (std::uint32_t bad : {0u,                                   // month 0, day 0
                            (1u << 21 | 0u << 16),                // day 0
                            (13u << 21 | 1u << 16),               // month 13
                            (2u << 21 | 30u << 16),               // 30 February
                            (21u << 25 | 2u << 21 | 29u << 16),   // 29 February 2001
                            (1u << 21 | 1u << 16 | 24u << 11),    // hour 24
                            (1u << 21 | 1u << 16 | 60u << 5),     // minute 60
                            (1u << 21 | 1u << 16 | 30u)}) {       // second 60
    SCOPED_TRACE(bad);
    EXPECT_FALSE(DosDateTime::toUnix(bad));
    EXPECT_FALSE(files_.setDosDateTime("C:\\old.txt", bad));
  }
  EXPECT_EQ(files_.dosDateTime("C:\\old.txt"), before);
  EXPECT_FALSE(DosDateTime::pack(1979, 12, 31, 0, 0, 0));
  EXPECT_FALSE(DosDateTime::pack(2108, 1, 1, 0, 0, 0));
}

TEST_F(Files, CopyKeepsContentDateAndAttributes) {
  put("C:\\src.dll", std::string(100000, 'z'));
  ASSERT_TRUE(files_.setDosDateTime("C:\\src.dll", *DosDateTime::pack(1998, 6, 1, 10, 0, 0)));
  ASSERT_TRUE(files_.setAttributes("C:\\src.dll", kAttrArchive | kAttrReadOnly));
  ASSERT_TRUE(files_.copyFile("C:\\src.dll", "C:\\windows\\system32\\dst.dll", true));
  EXPECT_EQ(readFile(host("C:\\windows\\system32\\dst.dll")), std::string(100000, 'z'));
  EXPECT_EQ(files_.dosDateTime("C:\\windows\\system32\\dst.dll"), files_.dosDateTime("C:\\src.dll"));
  EXPECT_EQ(files_.attributes("C:\\windows\\system32\\dst.dll").value() & kAttrReadOnly, kAttrReadOnly);

  put("C:\\other.txt", "other");
  EXPECT_FALSE(files_.copyFile("C:\\src.dll", "C:\\other.txt", true));
  EXPECT_EQ(readFile(host("C:\\other.txt")), "other");
  EXPECT_TRUE(files_.copyFile("C:\\src.dll", "C:\\other.txt", false));
  EXPECT_EQ(files_.fileSize("C:\\other.txt"), 100000);
  // Onto itself: refused by the sharing rules, and the file keeps its content.
  put("C:\\self.txt", "self");
  EXPECT_FALSE(files_.copyFile("C:\\self.txt", "C:\\SELF.TXT", false));
  EXPECT_EQ(readFile(host("C:\\self.txt")), "self");
  EXPECT_FALSE(files_.copyFile("C:\\missing", "C:\\x", false));
  EXPECT_FALSE(files_.exists("C:\\x"));
}

TEST_F(Files, RenameAndDelete) {
  put("C:\\a.txt", "a");
  put("C:\\b.txt", "b");
  EXPECT_FALSE(files_.rename("C:\\a.txt", "C:\\B.TXT"));  // target exists
  EXPECT_TRUE(files_.rename("C:\\a.txt", "C:\\temp\\moved.txt"));
  EXPECT_EQ(readFile(host("C:\\temp\\moved.txt")), "a");
  EXPECT_FALSE(files_.exists("C:\\a.txt"));
  EXPECT_TRUE(files_.rename("C:\\b.txt", "C:\\B.TXT"));  // a change of case only
  EXPECT_EQ(files_.normalize("c:\\b.txt"), "C:\\B.TXT");
  EXPECT_FALSE(files_.rename("C:\\missing", "C:\\x"));
  EXPECT_FALSE(files_.rename("C:\\B.TXT", "C:\\no\\such\\dir\\x"));

  EXPECT_FALSE(files_.deleteFile("C:\\windows"));
  EXPECT_FALSE(files_.deleteFile("C:\\missing"));
  EXPECT_TRUE(files_.deleteFile("C:\\b.txt"));
  EXPECT_FALSE(files_.exists("C:\\B.TXT"));
}

TEST_F(Files, MoveBetweenHostFileSystems) {
  fs::path other = "/dev/shm";
  struct stat here {}, there {};
  if (::stat(other.c_str(), &there) != 0 || ::stat(tmp_.path().c_str(), &here) != 0 || here.st_dev == there.st_dev) {
    GTEST_SKIP() << "no second host file system at " << other;
  }
  TempDir medium(other);
  ASSERT_EQ(files_.mapMedium(medium.path()), "D:\\");
  put("D:\\payload.bin", std::string(70000, 'p'));
  ASSERT_TRUE(files_.setDosDateTime("D:\\payload.bin", *DosDateTime::pack(1997, 3, 4, 5, 6, 8)));
  ASSERT_TRUE(files_.rename("D:\\payload.bin", "C:\\temp\\payload.bin"));
  EXPECT_FALSE(files_.exists("D:\\payload.bin"));
  EXPECT_EQ(readFile(host("C:\\temp\\payload.bin")), std::string(70000, 'p'));
  EXPECT_EQ(files_.dosDateTime("C:\\temp\\payload.bin"), DosDateTime::pack(1997, 3, 4, 5, 6, 8));
  // A file held open on the medium stays where it is.
  put("D:\\held.bin", "h");
  File held = files_.openRead("D:\\held.bin", Share::ReadWrite);
  ASSERT_TRUE(held);
  EXPECT_FALSE(files_.rename("D:\\held.bin", "C:\\temp\\held.bin"));
  EXPECT_TRUE(files_.exists("D:\\held.bin"));
  EXPECT_FALSE(files_.exists("C:\\temp\\held.bin"));
}

TEST_F(Files, FoldersAndListing) {
  EXPECT_TRUE(files_.forceDirectories("C:\\Program Files\\Vendor\\Product\\bin\\"));
  EXPECT_TRUE(files_.isDirectory("c:\\program files\\vendor\\product\\BIN"));
  EXPECT_TRUE(files_.forceDirectories("C:\\Program Files\\Vendor"));  // already there
  put("C:\\blocker", "");
  EXPECT_FALSE(files_.forceDirectories("C:\\blocker\\below"));
  EXPECT_FALSE(files_.forceDirectories("C:\\a\\NUL\\b"));
  EXPECT_FALSE(files_.createDirectory("C:\\x\\y"));  // parent missing
  EXPECT_TRUE(files_.createDirectory("C:\\x"));
  EXPECT_FALSE(files_.createDirectory("C:\\X"));  // exists under another case
  EXPECT_FALSE(files_.removeDirectory("C:\\Program Files\\Vendor"));  // not empty
  EXPECT_TRUE(files_.removeDirectory("C:\\x"));
  EXPECT_FALSE(files_.removeDirectory("C:\\"));

  put("C:\\list\\b.TXT", "12345");
  put("C:\\list\\A.txt", "1");
  put("C:\\list\\c.lnk", "");
  ASSERT_TRUE(files_.forceDirectories("C:\\list\\Group"));
  ASSERT_TRUE(files_.setDosDateTime("C:\\list\\b.TXT", *DosDateTime::pack(2001, 9, 9, 1, 46, 40)));
  auto list = files_.listDirectory("C:\\LIST");
  ASSERT_TRUE(list);
  std::vector<std::string> names;
  for (const auto& e : *list) names.push_back(e.name);
  EXPECT_EQ(names, (std::vector<std::string>{"A.txt", "b.TXT", "c.lnk", "Group"}));
  EXPECT_EQ((*list)[1].size, 5);
  EXPECT_EQ((*list)[1].dosDateTime, DosDateTime::pack(2001, 9, 9, 1, 46, 40));
  EXPECT_EQ((*list)[3].attributes & kAttrDirectory, kAttrDirectory);
  EXPECT_EQ((*list)[0].attributes & kAttrDirectory, 0u);
  // Host names no Windows path reaches are not listed.
  for (const char* odd : {"a:b", "star*", "con.txt", "trailing.", "back\\slash", "\xe2\x82\xac\xe4\xb8\x80"}) {
    writeFile(host("C:\\list") / odd, "");
  }
  auto again = files_.listDirectory("C:\\list");
  ASSERT_TRUE(again);
  EXPECT_EQ(again->size(), 4u);
  EXPECT_FALSE(files_.listDirectory("C:\\list\\A.txt"));
  EXPECT_FALSE(files_.listDirectory("C:\\nowhere"));
}

TEST(Wildcards, MatchAsFindFirstFileDoes) {
  struct Row {
    const char* pattern;
    const char* name;
    bool match;
  };
  const std::vector<Row> rows = {
      {"*.*", "readme", true},       {"*.*", "a.b.c", true},        {"*", "x", true},
      {"*.lnk", "Word.LNK", true},   {"*.lnk", "Word.lnk2", false}, {"*.lnk", "lnk", false},
      {"vtu?.bmp", "vtu1.bmp", true}, {"vtu?.bmp", "vtu12.bmp", false}, {"vtu*.bmp", "VTU12.BMP", true},
      {"readme.*", "readme", true},  {"readme.*", "README.TXT", true}, {"readme.*", "readmes", false},
      {"a*b*c", "aXXbYYc", true},    {"a*b*c", "aXXbYY", false},    {"*a", "banana", true},
      {"caf\xe9.*", "CAF\xc9.txt", true}, {"?", "", false},     {"abc", "abd", false},
  };
  for (const auto& r : rows) {
    EXPECT_EQ(FileSystem::matchesWildcard(r.pattern, r.name), r.match) << r.pattern << " / " << r.name;
  }
}

TEST_F(Files, FindFilesInAFolder) {
  put("C:\\group\\One.lnk", "");
  put("C:\\group\\two.LNK", "");
  put("C:\\group\\three.pif", "");
  ASSERT_TRUE(files_.forceDirectories("C:\\group\\Sub"));
  auto names = [](const std::optional<std::vector<DirEntry>>& list) {
    std::vector<std::string> out;
    if (list) {
      for (const auto& e : *list) out.push_back(e.name);
    }
    return out;
  };
  EXPECT_EQ(names(files_.findFiles("c:\\GROUP\\*.lnk")), (std::vector<std::string>{"One.lnk", "two.LNK"}));
  EXPECT_EQ(names(files_.findFiles("C:\\group\\*.*")),
            (std::vector<std::string>{"One.lnk", "Sub", "three.pif", "two.LNK"}));
  EXPECT_EQ(names(files_.findFiles("C:/group/s*")), (std::vector<std::string>{"Sub"}));
  ASSERT_TRUE(files_.setCurrentDirectory("C:\\group"));
  EXPECT_EQ(names(files_.findFiles("*.pif")), (std::vector<std::string>{"three.pif"}));
  EXPECT_EQ(names(files_.findFiles("C:*.pif")), (std::vector<std::string>{"three.pif"}));
  EXPECT_FALSE(files_.findFiles("C:\\nowhere\\*.*"));
  EXPECT_FALSE(files_.findFiles("C:\\group\\"));
  // ".." stops at the drive root: its folders, not the root's own (drive_c, dosdevices).
  auto top = names(files_.findFiles("C:\\..\\..\\..\\*.*"));
  EXPECT_NE(std::find(top.begin(), top.end(), "windows"), top.end());
  EXPECT_EQ(std::find(top.begin(), top.end(), "drive_c"), top.end());
}

TEST_F(Files, FreeSpaceInTheInstallersShape) {
  auto space = files_.freeSpace("C:\\");
  ASSERT_TRUE(space);
  EXPECT_GT(space->bytesPerSector, 0u);
  EXPECT_GT(space->sectorsPerCluster, 0u);
  EXPECT_GT(space->totalClusters, 0u);
  EXPECT_LE(space->freeClusters, space->totalClusters);
  std::uint64_t cluster = std::uint64_t{space->sectorsPerCluster} * space->bytesPerSector;
  EXPECT_EQ(space->totalBytes % cluster, 0u);
  if (space->freeClusters < 0xFFFFFFFFu) {
    EXPECT_EQ(space->freeBytes, cluster * space->freeClusters);
  }
  // Any path on the drive asks the same drive; an unknown drive has no figures.
  auto inside = files_.freeSpace("c:\\windows\\system32\\missing.dll");
  ASSERT_TRUE(inside);
  EXPECT_EQ(inside->totalClusters, space->totalClusters);
  EXPECT_FALSE(files_.freeSpace("Q:\\"));
  EXPECT_FALSE(files_.freeSpace("\\\\server\\share\\"));
}

TEST_F(Files, ShortNameIsThePathItself) {
  EXPECT_EQ(files_.shortName("C:\\Program Files\\Long Name.exe"), "C:\\Program Files\\Long Name.exe");
}

}  // namespace
}  // namespace platform

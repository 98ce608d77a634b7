#include <gtest/gtest.h>

#include <sys/file.h>
#include <fcntl.h>
#include <unistd.h>

#include "platform/fs/file_system.h"
#include "setup/Compress/compress.h"
#include "setup/Compress/compress_errors.h"
#include "setup/Compress/tests/archive_builder.h"
#include "setup/Compress/tests/lh5_streams.h"
#include "setup/Compress/tests/peer_support.h"

namespace setup {
namespace {

using Bytes = std::vector<std::uint8_t>;
using namespace setup::test;

class CountingPump final : public platform::MessagePump {
 public:
  void processMessages() override { ++calls; }
  int calls = 0;
};

class ReaderTest : public ::testing::Test {
 protected:
  ReaderTest()
      : root_(platform::SystemRoot::create(tmp_.path() / "root", platform::RootTemplate::modernNt())),
        fs_(root_),
        c_(fs_, &pump_) {
    fs_.createDirectory("C:\\out");
    c_.SetTargetPath("C:\\out");
  }

  std::string writeArchive(const Bytes& bytes, const std::string& winPath = "C:\\temp\\a.zar") {
    WriteHostFile(*fs_.toHost(winPath), bytes);
    return winPath;
  }
  std::string writeArchive(const ArchiveSpec& layout) { return writeArchive(BuildArchive(layout)); }
  Bytes contents(const std::string& winPath) { return ReadHostFile(*fs_.toHost(winPath)); }
  bool exists(const std::string& winPath) { return fs_.exists(winPath); }
  // The archive and the target are closed again: both open exclusively.
  bool closed(const std::string& winPath) {
    return static_cast<bool>(fs_.open(winPath, platform::Access::ReadWrite, platform::Share::None,
                                      platform::Disposition::OpenExisting));
  }

  TempDir tmp_;
  platform::SystemRoot root_;
  platform::FileSystem fs_;
  CountingPump pump_;
  TCompress c_;
};

ArchiveSpec ThreeFiles() {
  ArchiveSpec a;
  a.entries = {Stored("one.txt", Text("first file")), Rle("two.bin", {0x41, 0x94, 0x05, 0x42}, Text("AAAAAB")),
               Stored("three.txt", Text("third"))};
  return a;
}

// ---------------------------------------------------------------- listing

TEST_F(ReaderTest, ListEntriesReportsEveryEntryAndAppends) {
  ArchiveSpec a = ThreeFiles();
  a.entries[1].lock = 3;
  a.entries[1].attributes = 0x21;
  const std::string arc = writeArchive(a);
  TEntryList list;
  list.push_back({"kept", std::make_unique<TCompressedFileInfo>()});
  c_.ListEntries(arc, list);
  ASSERT_EQ(list.size(), 4u);
  EXPECT_EQ(list[0].Name, "kept");
  EXPECT_EQ(list[1].Name, "one.txt");
  EXPECT_EQ(list[1].Info->HeaderOffset, 21);
  EXPECT_EQ(list[1].Info->ExpandedSize, 10);
  EXPECT_EQ(list[1].Info->FileDate, 0x5A8C6B20);
  EXPECT_FALSE(list[1].Info->Locked);
  const TCompressedFileInfo& two = *list[2].Info;
  EXPECT_EQ(list[2].Name, "two.bin");
  EXPECT_EQ(two.HeaderOffset, 21 + 25 + 7 + 10);
  EXPECT_EQ(two.Method, 1);
  EXPECT_EQ(two.CompressedSize, 4);
  EXPECT_EQ(two.ExpandedSize, 6);
  EXPECT_EQ(two.Checksum, 'A' * 5 + 'B');
  EXPECT_EQ(two.Attributes, 0x21);
  EXPECT_TRUE(two.Locked);
  EXPECT_EQ(list[3].Info->HeaderOffset, 21 + 25 + 7 + 10 + 25 + 7 + 4);
  EXPECT_TRUE(closed(arc));
  TCompress::ReleaseEntryList(&list);
  EXPECT_TRUE(list.empty());
  TCompress::ReleaseEntryList(nullptr);
}

TEST_F(ReaderTest, ListingIgnoresTotalSizeAndStopsAtACutHeader) {
  ArchiveSpec a = ThreeFiles();
  a.totalSize = 0;
  Bytes bytes = BuildArchive(a);
  bytes.resize(bytes.size() - 2);  // the last entry's data is short: it is still listed
  bytes.insert(bytes.end(), {1, 2, 3, 4, 5, 6, 7, 8, 9, 10});
  TEntryList list;
  c_.ListEntries(writeArchive(bytes), list);
  EXPECT_EQ(list.size(), 3u);
}

TEST_F(ReaderTest, ShortFiles) {
  // Fewer than 21 bytes: expands nothing and raises nothing, whatever the bytes are.
  for (std::size_t n : {0u, 1u, 20u}) {
    const std::string arc = writeArchive(Bytes(n, 0xEE));
    EXPECT_NO_THROW(c_.ExpandEntries(arc)) << n;
    std::vector<std::string> names{"x"};
    EXPECT_NO_THROW(c_.ExpandEntries(arc, &names)) << n;
    EXPECT_TRUE(names.empty());
  }
  // Fewer than 46 bytes: the list stays empty, even when the bytes are no archive.
  for (const Bytes& b : {Bytes(45, 0xEE), Bytes(BuildArchive(ArchiveSpec{}))}) {
    TEntryList list;
    EXPECT_NO_THROW(c_.ListEntries(writeArchive(b), list));
    EXPECT_TRUE(list.empty());
  }
  auto fs = fs_.listDirectory("C:\\out");
  ASSERT_TRUE(fs);
  EXPECT_TRUE(fs->empty());
}

// ---------------------------------------------------------------- expanding

TEST_F(ReaderTest, ExpandsAllEntriesWithDatesAndAttributes) {
  ArchiveSpec a = ThreeFiles();
  a.entries[0].attributes = 0x21;  // read-only + archive
  a.entries[0].date = 0x3C4A5B6C & 0xFFFFFFDF;
  const std::string arc = writeArchive(a);
  c_.ExpandEntries(arc);
  EXPECT_EQ(contents("C:\\out\\one.txt"), Text("first file"));
  EXPECT_EQ(contents("C:\\out\\two.bin"), Text("AAAAAB"));
  EXPECT_EQ(contents("C:\\out\\three.txt"), Text("third"));
  EXPECT_EQ(fs_.attributes("C:\\out\\one.txt").value_or(0) & platform::kAttrReadOnly, platform::kAttrReadOnly);
  EXPECT_EQ(fs_.attributes("C:\\out\\two.bin").value_or(0) & platform::kAttrReadOnly, 0u);
  EXPECT_EQ(fs_.dosDateTime("C:\\out\\one.txt"), std::optional<std::uint32_t>(a.entries[0].date));
  EXPECT_EQ(fs_.dosDateTime("C:\\out\\two.bin"), std::optional<std::uint32_t>(0x5A8C6B20));
  EXPECT_TRUE(closed(arc));
}

TEST_F(ReaderTest, NamedEntriesAndTheResultList) {
  const std::string arc = writeArchive(ThreeFiles());
  std::vector<std::string> names{"THREE.TXT", "One.Txt", "missing"};
  c_.ExpandEntries(arc, &names);
  // Archive order, full paths, the stored spelling of the name.
  EXPECT_EQ(names, (std::vector<std::string>{"C:\\out\\one.txt", "C:\\out\\three.txt"}));
  EXPECT_FALSE(exists("C:\\out\\two.bin"));

  std::string name = "TWO.BIN";
  c_.ExpandEntry(name, arc);
  EXPECT_EQ(name, "C:\\out\\two.bin");
  EXPECT_EQ(contents(name), Text("AAAAAB"));
  name = "nothing.here";
  c_.ExpandEntry(name, arc);
  EXPECT_EQ(name, "");
}

TEST_F(ReaderTest, TotalSizeEndsTheExpansion) {
  struct Case {
    const char* what;
    std::int32_t total;
    std::vector<std::string> names;  // empty: all
    std::vector<std::string> expected;
  };
  const Case cases[] = {
      {"total 0 expands nothing", 0, {}, {}},
      {"total reached after the first entry", 10, {}, {"one.txt"}},
      {"total one short of two entries", 15, {}, {"one.txt", "two.bin"}},
      // Entries that are not requested still count towards the total.
      {"skipped entries use up the total", 16, {"three.txt"}, {}},
      {"skipped entries leave room", 17, {"three.txt"}, {"three.txt"}},
  };
  for (const Case& k : cases) {
    ArchiveSpec a = ThreeFiles();
    a.totalSize = k.total;
    const std::string arc = writeArchive(a);
    std::vector<std::string> names = k.names;
    std::vector<std::string> seen;
    c_.OnCheckFile = [&](std::string& path, TCProcessMode mode) {
      EXPECT_EQ(mode, TCProcessMode::Expand);
      seen.push_back(path.substr(7));
    };
    c_.ExpandEntries(arc, k.names.empty() ? nullptr : &names);
    EXPECT_EQ(seen, k.expected) << k.what;
  }
}

TEST_F(ReaderTest, CheckFileHandlerSteersTargets) {
  ArchiveSpec a = ThreeFiles();
  a.totalSize = 16;  // one.txt + two.bin
  a.entries.push_back(Stored("\\abs.txt", Text("absolute")));
  a.entries.push_back(Stored("four.txt", Text("4")));
  const std::string arc = writeArchive(a);
  fs_.createDirectory("C:\\elsewhere");
  std::vector<std::string> seen;
  c_.OnCheckFile = [&](std::string& path, TCProcessMode) {
    seen.push_back(path);
    if (path == "C:\\out\\one.txt") path = "";                   // skipped: does not count
    if (path == "C:\\out\\two.bin") path = "C:\\elsewhere\\2.bin";  // redirected
  };
  std::vector<std::string> names{"one.txt", "two.bin", "three.txt", "\\ABS.TXT", "four.txt"};
  c_.ExpandEntries(arc, &names);
  // one.txt was skipped by the handler and does not count: the running total is 6 after
  // two.bin, 11 after three.txt and 19 after \abs.txt, which ends the loop before four.txt.
  EXPECT_EQ(seen, (std::vector<std::string>{"C:\\out\\one.txt", "C:\\out\\two.bin", "C:\\out\\three.txt", "\\abs.txt"}));
  EXPECT_EQ(names, (std::vector<std::string>{"C:\\elsewhere\\2.bin", "C:\\out\\three.txt", "\\abs.txt"}));
  EXPECT_FALSE(exists("C:\\out\\one.txt"));
  EXPECT_EQ(contents("C:\\elsewhere\\2.bin"), Text("AAAAAB"));
  EXPECT_EQ(contents("C:\\abs.txt"), Text("absolute"));
  EXPECT_FALSE(exists("C:\\out\\four.txt"));
}

TEST_F(ReaderTest, StarStopsAndReportsWhatWasWritten) {
  const std::string arc = writeArchive(ThreeFiles());
  c_.OnCheckFile = [](std::string& path, TCProcessMode) {
    if (path.ends_with("two.bin")) path = "*";
  };
  std::vector<std::string> names{"one.txt", "two.bin", "three.txt"};
  c_.ExpandEntries(arc, &names);
  EXPECT_EQ(names, (std::vector<std::string>{"C:\\out\\one.txt"}));
  EXPECT_FALSE(exists("C:\\out\\three.txt"));
}

TEST_F(ReaderTest, TargetsThatCannotBeCreated) {
  ArchiveSpec a = ThreeFiles();
  a.totalSize = 15;  // one.txt + two.bin; a skipped target does not count
  const std::string arc = writeArchive(a);
  c_.OnCheckFile = [](std::string& path, TCProcessMode) {
    if (path.ends_with("one.txt")) path = "C:\\no\\such\\folder\\one.txt";
  };
  std::vector<std::string> names{"one.txt", "two.bin", "three.txt"};
  c_.ExpandEntries(arc, &names);
  EXPECT_EQ(names, (std::vector<std::string>{"C:\\out\\two.bin", "C:\\out\\three.txt"}));

  std::string one = "one.txt";
  c_.ExpandEntry(one, arc);
  EXPECT_EQ(one, "");

  c_.ExceptionOnFileError = true;
  one = "one.txt";
  EXPECT_THROW(c_.ExpandEntry(one, arc), EFCreateError);
  EXPECT_TRUE(closed(arc));
}

TEST_F(ReaderTest, TargetHeldByAnotherProcessIsSkipped) {
  const std::string arc = writeArchive(ThreeFiles());
  WriteHostFile(*fs_.toHost("C:\\out\\one.txt"), Text("old"));
  const int fd = ::open(fs_.toHost("C:\\out\\one.txt")->c_str(), O_RDONLY);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(::flock(fd, LOCK_SH), 0);
  std::string name = "one.txt";
  c_.ExpandEntry(name, arc);
  ::close(fd);
  EXPECT_EQ(name, "");
  EXPECT_EQ(contents("C:\\out\\one.txt"), Text("old"));
}

TEST_F(ReaderTest, MakeDirectoriesCreatesTheTargetFolder) {
  const std::string arc = writeArchive(ThreeFiles());
  c_.SetTargetPath("C:\\out\\a\\b\\c\\");
  EXPECT_EQ(c_.TargetPath(), "C:\\out\\a\\b\\c\\");
  std::string name = "one.txt";
  c_.ExpandEntry(name, arc);
  EXPECT_EQ(name, "");  // folder missing: skipped
  c_.MakeDirectories = true;
  name = "one.txt";
  c_.ExpandEntry(name, arc);
  EXPECT_EQ(name, "C:\\out\\a\\b\\c\\one.txt");
  EXPECT_EQ(contents(name), Text("first file"));
  // A folder that cannot be made raises the input/output error.
  WriteHostFile(*fs_.toHost("C:\\out\\plain"), {});
  EXPECT_THROW(c_.ForceDirectoryPath("C:\\out\\plain\\sub\\"), EInOutError);
}

TEST_F(ReaderTest, SetTargetPath) {
  c_.SetTargetPath("");
  EXPECT_EQ(c_.TargetPath(), "");
  c_.SetTargetPath("C:\\x");
  EXPECT_EQ(c_.TargetPath(), "C:\\x\\");
  c_.SetTargetPath("C:\\x\\");
  EXPECT_EQ(c_.TargetPath(), "C:\\x\\");
}

TEST_F(ReaderTest, StoredEntriesOfSizeZero) {
  // No checksum test for stored entries, and the lock field does not matter for them.
  ArchiveSpec a;
  EntrySpec e = Stored("empty.txt", {});
  e.checksum = 1234;
  e.lock = 1;
  e.expandedSize = 0;
  a.totalSize = 1;
  a.entries = {e};
  const std::string arc = writeArchive(a);
  std::string name = "empty.txt";
  c_.ExpandEntry(name, arc);
  EXPECT_EQ(name, "C:\\out\\empty.txt");
  EXPECT_TRUE(contents(name).empty());
}

TEST_F(ReaderTest, CustomMethodEntries) {
  ArchiveSpec a;
  a.id = "CUS";
  EntrySpec zero = Coded("zero.dat", 3, Text("ignored"), {});
  EntrySpec nonzero = Coded("data.dat", 3, Text("xyz"), Text("XYZ"));
  a.entries = {zero, nonzero};
  a.totalSize = 100;
  const std::string arc = writeArchive(a);
  // Without a handler nothing is written: fine when the stored checksum is 0.
  std::string name = "zero.dat";
  c_.ExpandEntry(name, arc);
  EXPECT_EQ(name, "C:\\out\\zero.dat");
  name = "data.dat";
  EXPECT_THROW(c_.ExpandEntry(name, arc), EBadChecksum);
  EXPECT_TRUE(exists("C:\\out\\data.dat"));
  EXPECT_TRUE(contents("C:\\out\\data.dat").empty());
  // A handler expands the entry and reports its checksum.
  c_.OnExpand = [](platform::File& dest, platform::File& source, std::int32_t sourceSize, std::int32_t destSize,
                   const std::string& id, std::int32_t& checksum) {
    EXPECT_EQ(id, "CUS");
    EXPECT_EQ(sourceSize, 3);
    EXPECT_EQ(destSize, 3);
    char buf[3];
    ASSERT_EQ(source.read(buf, 3), 3u);
    for (char& ch : buf) {
      ch = static_cast<char>(ch - 32);
      checksum += static_cast<unsigned char>(ch);
    }
    dest.write(buf, 3);
  };
  name = "data.dat";
  c_.ExpandEntry(name, arc);
  EXPECT_EQ(contents(name), Text("XYZ"));
}

TEST_F(ReaderTest, UnknownMethodsWriteNothing) {
  ArchiveSpec a;
  EntrySpec e = Coded("x.dat", 9, Text("abc"), {});
  EntrySpec after = Stored("after.txt", Text("after"));
  a.entries = {e, after};
  a.totalSize = 100;
  c_.ExpandEntries(writeArchive(a));
  EXPECT_TRUE(contents("C:\\out\\x.dat").empty());
  EXPECT_EQ(contents("C:\\out\\after.txt"), Text("after"));
}

TEST_F(ReaderTest, LockedEntryIsCreatedThenDeleted) {
  ArchiveSpec a = ThreeFiles();
  a.entries[1].lock = 1;
  const std::string arc = writeArchive(a);
  WriteHostFile(*fs_.toHost("C:\\out\\two.bin"), Text("previous content"));
  std::vector<std::string> names{"one.txt", "two.bin", "three.txt"};
  EXPECT_THROW(c_.ExpandEntries(arc, &names), EInvalidKey);
  EXPECT_FALSE(exists("C:\\out\\two.bin"));  // the old file was truncated, then removed
  EXPECT_TRUE(exists("C:\\out\\one.txt"));
  EXPECT_FALSE(exists("C:\\out\\three.txt"));
  EXPECT_EQ(names.size(), 3u);  // not replaced after an exception
  EXPECT_TRUE(closed(arc));
}

TEST_F(ReaderTest, BadChecksumLeavesThePartlyWrittenFile) {
  ArchiveSpec a;
  EntrySpec e = Rle("bad.bin", {0x41, 0x94, 0x05, 0x42}, Text("AAAAAB"));
  e.checksum += 1;
  e.attributes = 0x21;
  a.entries = {e, Stored("next.txt", Text("n"))};
  const std::string arc = writeArchive(a);
  EXPECT_THROW(c_.ExpandEntries(arc), EBadChecksum);
  EXPECT_EQ(contents("C:\\out\\bad.bin"), Text("AAAAAB"));
  EXPECT_EQ(fs_.attributes("C:\\out\\bad.bin").value_or(0) & platform::kAttrReadOnly, platform::kAttrReadOnly);
  EXPECT_FALSE(exists("C:\\out\\next.txt"));
  EXPECT_TRUE(closed(arc));
}

TEST_F(ReaderTest, EntryThatEndsEarly) {
  // The archive ends inside the stored data: the decoder reads zeros, the checksum fails.
  ArchiveSpec a;
  Bytes stream;
  for (int i = 0; i < 30; ++i) stream.push_back(static_cast<std::uint8_t>('a' + i % 26));
  a.entries = {Rle("cut.txt", stream, stream)};
  Bytes bytes = BuildArchive(a);
  bytes.resize(bytes.size() - 10);
  EXPECT_THROW(c_.ExpandEntries(writeArchive(bytes)), EBadChecksum);
  EXPECT_EQ(contents("C:\\out\\cut.txt"), Bytes(stream.begin(), stream.begin() + 20));
  // A stored entry that ends early cannot be copied in full.
  ArchiveSpec s;
  s.entries = {Stored("cut2.txt", stream)};
  bytes = BuildArchive(s);
  bytes.resize(bytes.size() - 10);
  EXPECT_THROW(c_.ExpandEntries(writeArchive(bytes)), EReadError);
}

TEST_F(ReaderTest, DamagedLh5TableLeavesThePartlyWrittenFile) {
  // One good block of 10 'A's, then a block whose code-length code is incomplete.
  BitWriter w;
  PutSingleSymbolHeader(w, 10, 'A', 0);
  w.put(16, 1);
  w.put(5, 3);
  PutPtLength(w, 1), PutPtLength(w, 0), PutPtLength(w, 0);
  w.put(2, 0);
  ArchiveSpec a;
  a.id = "LH5";
  a.entries = {Coded("t.bin", 4, w.bytes(), Bytes(20, 'A'))};
  EXPECT_THROW(c_.ExpandEntries(writeArchive(a)), ELZHBadDecodeTable);
  EXPECT_TRUE(exists("C:\\out\\t.bin"));
}

TEST_F(ReaderTest, NextEntryStartsAfterAllStoredBytes) {
  // An lh5 stream followed by padding: the decoder is done long before the stored data ends,
  // and the following entry must still be found where the stored size says.
  Bytes stream = Lh5SingleSymbolBlock(100, 'Z', 0);
  stream.resize(stream.size() + 20000, 0x55);
  ArchiveSpec a;
  a.id = "LH5";
  a.entries = {Coded("padded.bin", 4, stream, Bytes(100, 'Z')), Stored("next.txt", Text("next"))};
  c_.ExpandEntries(writeArchive(a));
  EXPECT_EQ(contents("C:\\out\\padded.bin"), Bytes(100, 'Z'));
  EXPECT_EQ(contents("C:\\out\\next.txt"), Text("next"));
}

TEST_F(ReaderTest, ReadOnlyTargetIsSkipped) {
  const std::string arc = writeArchive(ThreeFiles());
  WriteHostFile(*fs_.toHost("C:\\out\\one.txt"), Text("old"));
  ASSERT_TRUE(fs_.setAttributes("C:\\out\\one.txt", platform::kAttrReadOnly));
  std::string name = "one.txt";
  c_.ExpandEntry(name, arc);
  EXPECT_EQ(name, "");
  EXPECT_EQ(contents("C:\\out\\one.txt"), Text("old"));
}

TEST_F(ReaderTest, NegativeSizesDoNotLoop) {
  ArchiveSpec a;
  EntrySpec back = Stored("back.txt", {});
  back.compressedSize = -(25 + 8);  // would point at its own header again
  back.expandedSize = 0;
  a.entries = {back, Stored("after.txt", Text("after"))};
  a.totalSize = 100;
  const std::string arc = writeArchive(a);
  TEntryList list;
  c_.ListEntries(arc, list);
  EXPECT_EQ(list.size(), 2u);
  c_.ExpandEntries(arc);
  EXPECT_EQ(contents("C:\\out\\after.txt"), Text("after"));
  // A negative name length ends the scan.
  Bytes bytes = BuildArchive(ThreeFiles());
  bytes[21] = 0xFF, bytes[22] = 0xFF;
  TEntryList none;
  c_.ListEntries(writeArchive(bytes), none);
  EXPECT_TRUE(none.empty());
}

// ---------------------------------------------------------------- progress

TEST_F(ReaderTest, ProgressPercentagesAndYields) {
  struct Case {
    std::size_t storedSize;
    std::vector<int> expected;
  };
  const Case cases[] = {
      {20000, {40, 81, 100}},           // R * 100 / T
      {100000, {8, 16, 24, 32, 40, 49, 57, 65, 73, 81, 90, 98, 100}},
      {250000, {3, 6, 9, 13, 16, 19, 22, 26, 29, 32, 36, 39, 42, 45, 49, 52, 55, 58, 62, 65, 68, 72, 75, 78, 81,
                85, 88, 91, 95, 98, 100}},  // R / (T / 100)
      {1, {100}},
  };
  for (const Case& k : cases) {
    Bytes data(k.storedSize);
    for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<std::uint8_t>(i % 100);
    ArchiveSpec a;
    a.id = "RLE";
    a.entries = {Rle("p.bin", data, data)};
    const std::string arc = writeArchive(a);
    std::vector<int> seen;
    c_.OnShowProgress = [&](int& pct) { seen.push_back(pct); };
    pump_.calls = 0;
    c_.ExpandEntries(arc);
    EXPECT_EQ(seen, k.expected) << k.storedSize;
    // Once per input block and once per full output block.
    EXPECT_EQ(pump_.calls, static_cast<int>(k.expected.size() + k.storedSize / 8192)) << k.storedSize;
    EXPECT_EQ(contents("C:\\out\\p.bin"), data);
  }
}

TEST_F(ReaderTest, ProgressHandlerThatHoldsABlock) {
  // -1 makes the source yield 0 with the end flag set, which ends a run-length entry.
  ArchiveSpec a;
  a.entries = {Rle("p.bin", Text("abc"), Text("abc"))};
  c_.OnShowProgress = [](int& pct) { pct = -1; };
  EXPECT_THROW(c_.ExpandEntries(writeArchive(a)), EBadChecksum);
  EXPECT_TRUE(contents("C:\\out\\p.bin").empty());
}

// ---------------------------------------------------------------- disk space

class SmallDisk final : public TCompress {
 public:
  using TCompress::TCompress;
  std::int64_t free = 0;
  std::vector<int> drives;

 protected:
  std::int64_t DiskFree(int drive) override {
    drives.push_back(drive);
    return free;
  }
};

TEST_F(ReaderTest, FreeSpaceFor) {
  SmallDisk d(fs_);
  WriteHostFile(*fs_.toHost("C:\\out\\old.bin"), Bytes(300));
  d.free = 1000;
  EXPECT_EQ(d.FreeSpaceFor("c:\\out\\new.bin"), 2147483647);  // not asked for
  d.CheckSpaceBeforeExpand = true;
  EXPECT_EQ(d.FreeSpaceFor("c:\\out\\new.bin"), 1000);
  EXPECT_EQ(d.FreeSpaceFor("C:\\out\\old.bin"), 1300);  // the old file will be replaced
  EXPECT_EQ(d.FreeSpaceFor("old.bin"), 1000);
  EXPECT_EQ(d.drives, (std::vector<int>{3, 3, 0}));
  d.free = -1;
  EXPECT_EQ(d.FreeSpaceFor("C:\\out\\old.bin"), 2147483647);
  d.free = std::int64_t{5} << 30;  // more than 32 bits: no limit, not a wrapped number
  EXPECT_EQ(d.FreeSpaceFor("C:\\out\\old.bin"), 2147483647);
  // The real drive C: has room for a small file.
  c_.CheckSpaceBeforeExpand = true;
  EXPECT_GT(c_.FreeSpaceFor("C:\\out\\x"), 1000);
}

TEST_F(ReaderTest, NotEnoughDiskSpace) {
  SmallDisk d(fs_);
  d.SetTargetPath("C:\\out");
  d.CheckSpaceBeforeExpand = true;
  d.free = 9;
  const std::string arc = writeArchive(ThreeFiles());
  try {
    d.ExpandEntries(arc);
    ADD_FAILURE() << "no exception";
  } catch (const EInsufficientDiskSpace& e) {
    EXPECT_STREQ(e.what(), "Not enough disk space to expand C:\\out\\one.txt");
  }
  EXPECT_FALSE(exists("C:\\out\\one.txt"));
  d.free = 10;
  std::string name = "one.txt";
  d.ExpandEntry(name, arc);
  EXPECT_EQ(name, "C:\\out\\one.txt");
}

// ---------------------------------------------------------------- errors

TEST_F(ReaderTest, ExceptionMessages) {
  auto message = [&](const ArchiveSpec& a, const std::function<void()>& setup = {}) -> std::string {
    const std::string arc = writeArchive(a);
    if (setup) setup();
    try {
      c_.ExpandEntries(arc);
    } catch (const std::runtime_error& e) {
      EXPECT_TRUE(closed(arc));
      return e.what();
    }
    return "(none)";
  };
  ArchiveSpec badMagic = ThreeFiles();
  ArchiveSpec badType = ThreeFiles();
  badType.type = 2;
  ArchiveSpec badId = ThreeFiles();
  badId.id = "ZIP";
  ArchiveSpec locked = ThreeFiles();
  locked.entries[1].lock = 7;
  ArchiveSpec badSum = ThreeFiles();
  badSum.entries[1].checksum = 0;
  Bytes magic = BuildArchive(badMagic);
  magic[4] = 0x1B;
  const std::string arc = writeArchive(magic);
  try {
    c_.ExpandEntries(arc);
    ADD_FAILURE();
  } catch (const EInvalidHeader& e) {
    EXPECT_STREQ(e.what(), "Can't recognize compressed file header");
  }
  EXPECT_EQ(message(badType), "Archive type must be caMulti");
  EXPECT_EQ(message(badId), "Unrecognized compression method: \"ZIP\" in header");
  EXPECT_EQ(message(locked), "File locked -- valid key required");
  EXPECT_EQ(message(badSum), "Bad checksum during expansion -- data may be invalid");
  EXPECT_STREQ(ELZHBadDecodeTable().what(), "Bad decode table in archive!");
  EXPECT_STREQ(EUnableToCompress().what(), "Could not compress data");
}

TEST_F(ReaderTest, HeaderErrorsComeBeforeAnyFile) {
  ArchiveSpec badType = ThreeFiles();
  badType.type = 0;
  ArchiveSpec badId = ThreeFiles();
  badId.id = "lh5";  // case matters
  for (const ArchiveSpec& a : {badType, badId}) {
    TEntryList list;
    EXPECT_ANY_THROW(c_.ListEntries(writeArchive(a), list));
    EXPECT_ANY_THROW(c_.ExpandEntries(writeArchive(a)));
  }
  EXPECT_FALSE(exists("C:\\out\\one.txt"));
}

TEST_F(ReaderTest, MethodIndexOfAndRecognize) {
  const char* ids[] = {"NON", "RLE", "LZH", "CUS", "LH5"};
  for (std::uint8_t i = 0; i < 5; ++i) EXPECT_EQ(c_.MethodIndexOf(ids[i]), i);
  EXPECT_THROW(c_.MethodIndexOf("XXX"), EUnrecognizedCompressionMethod);
  std::string asked;
  c_.OnRecognize = [&](const std::string& id, bool& recognized) {
    asked = id;
    EXPECT_FALSE(recognized);
    recognized = id == "MY1";
  };
  EXPECT_EQ(c_.MethodIndexOf("MY1"), 3);
  EXPECT_EQ(asked, "MY1");
  EXPECT_THROW(c_.MethodIndexOf("MY2"), EUnrecognizedCompressionMethod);
  // An archive with a recognised identifier opens; its entries keep their own methods.
  ArchiveSpec a = ThreeFiles();
  a.id = "MY1";
  c_.ExpandEntries(writeArchive(a));
  EXPECT_EQ(contents("C:\\out\\two.bin"), Text("AAAAAB"));
}

TEST_F(ReaderTest, ArchiveHeldOpenElsewhereCannotBeRead) {
  const std::string arc = writeArchive(ThreeFiles());
  platform::File held = fs_.openRead(arc, platform::Share::ReadWrite);
  ASSERT_TRUE(held);
  TEntryList list;
  EXPECT_THROW(c_.ListEntries(arc, list), EFOpenError);
  EXPECT_THROW(c_.ExpandEntries("C:\\temp\\missing.zar"), EFOpenError);
}

}  // namespace
}  // namespace setup

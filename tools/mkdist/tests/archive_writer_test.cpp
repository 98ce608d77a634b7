// Archives as written: header and entry fields, method choice, entry order, refused names.
#include <gtest/gtest.h>

#include "setup/Compress/decoders.h"
#include "tools/mkdist/archive_listing.h"
#include "tools/mkdist/archive_writer.h"
#include "tools/mkdist/tests/corpus.h"

namespace mkdist {
namespace {

EntryInput Entry(std::string name, Bytes data, std::uint32_t date = 0x5B8A6A00, std::uint16_t attrs = 0x20) {
  return EntryInput{std::move(name), std::move(data), date, attrs};
}

// Decodes one listed entry with the installer's decoders.
Bytes Expand(const WrittenArchive& a, const ListedEntry& e) {
  ByteView stored(a.bytes.data() + e.dataOffset, static_cast<std::size_t>(e.storedSize));
  switch (e.method) {
    case 0:
      return Bytes(stored.begin(), stored.end());
    case 1:
      return setup::ExpandRleBuffer(stored);
    case 2:
      return setup::ExpandLzhBuffer(stored, e.expandedSize);
    case 4:
      return setup::ExpandLh5Buffer(stored, e.expandedSize);
  }
  ADD_FAILURE() << "unexpected method " << int(e.method);
  return {};
}

TEST(ArchiveWriter, HeaderAndEntryFieldsForEveryFixedMethod) {
  for (Method m : {Method::Stored, Method::Rle, Method::Lzh, Method::Lh5}) {
    SCOPED_TRACE(std::string(MethodId(m)));
    Bytes text = test::TextBytes(10000, 3);
    Bytes bin = test::RandomBytes(3000, 4);
    WrittenArchive a = WriteArchive({Entry("readme.txt", text, 0x5B8A6A00, 0x21), Entry("PROG.EXE", bin, 0x4A210000, 0x06)},
                                    MethodChoice{m});
    ASSERT_GE(a.bytes.size(), kArchiveHeaderSize);
    EXPECT_EQ(std::string(a.bytes.begin(), a.bytes.begin() + 5), "ZARN\x1a");
    EXPECT_EQ(std::string(a.bytes.begin() + 5, a.bytes.begin() + 8), MethodId(m));
    EXPECT_EQ(GetLe32(&a.bytes[8]), 13000u);
    EXPECT_EQ(a.bytes[12], 1);
    EXPECT_EQ(GetLe32(&a.bytes[13]), 0u);
    EXPECT_EQ(GetLe32(&a.bytes[17]), 0u);

    Listing l = ListArchive(a.bytes);
    ASSERT_EQ(l.entries.size(), 2u);
    EXPECT_FALSE(l.truncated);
    struct Want {
      const char* name;
      const Bytes* data;
      std::uint32_t date;
      std::uint16_t attrs;
    } want[] = {{"readme.txt", &text, 0x5B8A6A00, 0x21}, {"PROG.EXE", &bin, 0x4A210000, 0x06}};
    std::size_t end = kArchiveHeaderSize;
    for (std::size_t i = 0; i < 2; ++i) {
      const ListedEntry& e = l.entries[i];
      EXPECT_EQ(e.headerOffset, end) << "entries follow each other without gaps";
      EXPECT_EQ(e.name, want[i].name);
      EXPECT_EQ(e.dosDateTime, want[i].date);
      EXPECT_EQ(e.attributes, want[i].attrs);
      EXPECT_EQ(e.expandedSize, static_cast<std::int32_t>(want[i].data->size()));
      EXPECT_EQ(e.method, static_cast<std::uint8_t>(m));
      EXPECT_EQ(e.checksum, setup::ByteSum(*want[i].data));
      EXPECT_EQ(e.lock, 0);
      EXPECT_EQ(Expand(a, e), *want[i].data);
      end = e.dataOffset + static_cast<std::size_t>(e.storedSize);
    }
    EXPECT_EQ(end, a.bytes.size());
  }
}

TEST(ArchiveWriter, SmallestMethodPerEntry) {
  Bytes runs(20000, 0x00);
  runs.insert(runs.end(), 20000, 0xFF);
  WrittenArchive a = WriteArchive({Entry("text.txt", test::TextBytes(20000, 5)), Entry("noise.bin", test::RandomBytes(4000, 6)),
                                   Entry("runs.bin", runs)},
                                  MethodChoice{});
  Listing l = ListArchive(a.bytes);
  ASSERT_EQ(l.entries.size(), 3u);
  for (const ListedEntry& e : l.entries) {
    SCOPED_TRACE(e.name);
    Bytes expanded = Expand(a, e);
    EXPECT_EQ(static_cast<std::int32_t>(expanded.size()), e.expandedSize);
    // Whatever was chosen is no larger than any coder's output for the same data.
    for (Method m : {Method::Rle, Method::Lzh, Method::Lh5})
      EXPECT_LE(static_cast<std::size_t>(e.storedSize), EncodeWith(m, expanded).size()) << MethodId(m);
  }
  EXPECT_EQ(l.entries[0].method, 4) << "text compresses best with LH5";
  EXPECT_EQ(l.entries[1].method, 0) << "random data is stored";
  EXPECT_EQ(l.entries[1].storedSize, 4000);
}

// The reader stops once the sizes it passed reach the total, so empty entries must come first
// and an archive of empty entries must still announce something to expand.
TEST(ArchiveWriter, EmptyEntriesStayReachable) {
  WrittenArchive a = WriteArchive({Entry("a.txt", {'a', 'b'}), Entry("empty.txt", {}), Entry("b.txt", {'c'})}, MethodChoice{Method::Lh5});
  Listing l = ListArchive(a.bytes);
  ASSERT_EQ(l.entries.size(), 3u);
  EXPECT_EQ(l.entries[0].name, "empty.txt");
  EXPECT_EQ(l.entries[1].name, "a.txt");
  EXPECT_EQ(l.entries[2].name, "b.txt");
  EXPECT_EQ(l.totalSize, 3);

  WrittenArchive onlyEmpty = WriteArchive({Entry("empty.txt", {})}, MethodChoice{});
  Listing e = ListArchive(onlyEmpty.bytes);
  ASSERT_EQ(e.entries.size(), 1u);
  EXPECT_EQ(e.entries[0].method, 0);
  EXPECT_EQ(e.entries[0].storedSize, 0);
  EXPECT_GT(e.totalSize, 0);
}

TEST(ArchiveWriter, RefusesNamesTheFormatCannotHold) {
  const std::vector<std::pair<std::string, std::string>> bad = {
      {"", "empty"},
      {"sub\\file.txt", "folder separator"},
      {"\\windows\\win.ini", "folder separator"},
      {"a/b", "folder separator"},
      {"what?.txt", "'?'"},
      {"c:file", "':'"},
      {"tab\tname", "control character"},
      {"trailing.", "ends with a blank or a dot"},
      {std::string(256, 'x'), "longer than 255"},
      {"nul.txt", "device name"},
      {"COM1", "device name"},
  };
  for (const auto& [name, reason] : bad) {
    SCOPED_TRACE(name);
    try {
      WriteArchive({Entry(name, {1, 2, 3})}, MethodChoice{});
      ADD_FAILURE() << "accepted";
    } catch (const PackError& e) {
      EXPECT_NE(std::string(e.what()).find(reason), std::string::npos) << e.what();
    }
  }
  try {
    WriteArchive({Entry("Same.txt", {1}), Entry("same.TXT", {2})}, MethodChoice{});
    ADD_FAILURE() << "accepted two entries of one name";
  } catch (const PackError& e) {
    EXPECT_NE(std::string(e.what()).find("two entries are named"), std::string::npos);
  }
  // Accented letters of code page 1252, blanks inside and names that only begin like a device
  // are fine.
  EXPECT_NO_THROW(WriteArchive({Entry("console.txt", {1}), Entry("com10.txt", {1})}, MethodChoice{}));
  EXPECT_NO_THROW(WriteArchive({Entry("Lies mich \xE4.txt", {1})}, MethodChoice{}));
}

TEST(ArchiveListing, FormatsDatesAndAttributes) {
  EXPECT_EQ(FormatDosDateTime((((2026 - 1980) << 9 | 12 << 5 | 11) << 16) | (13 << 11 | 26 << 5 | 25)), "2026-12-11 13:26:50");
  EXPECT_EQ(FormatDosDateTime(0), "invalid (0x00000000)");
  EXPECT_EQ(FormatAttributes(0x27), "RHSA");
  EXPECT_EQ(FormatAttributes(0x20), "---A");
}

TEST(ArchiveListing, RejectsWhatIsNoArchive) {
  Bytes shortFile = {'Z', 'A', 'R', 'N'};
  EXPECT_THROW(ListArchive(shortFile), PackError);
  Bytes wrongMagic(40, 0);
  EXPECT_THROW(ListArchive(wrongMagic), PackError);
  WrittenArchive a = WriteArchive({Entry("x", {1, 2, 3})}, MethodChoice{Method::Stored});
  a.bytes[12] = 2;
  EXPECT_THROW(ListArchive(a.bytes), PackError);
  a.bytes[12] = 1;
  a.bytes.pop_back();
  EXPECT_TRUE(ListArchive(a.bytes).truncated);
}

}  // namespace
}  // namespace mkdist

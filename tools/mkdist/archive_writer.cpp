#include "tools/mkdist/archive_writer.h"

#include <algorithm>
#include <array>
#include <limits>
#include <unordered_set>

#include "platform/text/ansi.h"

#include "tools/mkdist/lh5_encoder.h"
#include "tools/mkdist/lzh_encoder.h"
#include "tools/mkdist/rle_encoder.h"

namespace mkdist {

namespace {

constexpr std::uint64_t kMaxSize = std::numeric_limits<std::int32_t>::max();

}  // namespace

Bytes EncodeWith(Method method, ByteView data) {
  switch (method) {
    case Method::Stored:
      return Bytes(data.begin(), data.end());
    case Method::Rle:
      return EncodeRle(data);
    case Method::Lzh:
      return EncodeLzh(data);
    case Method::Lh5:
      return EncodeLh5(data);
    case Method::Custom:
      break;
  }
  throw PackError("the custom method is expanded by a handler and cannot be written by mkdist");
}

WrittenArchive WriteArchive(std::vector<EntryInput> entries, MethodChoice choice) {
  if (choice.fixed && *choice.fixed == Method::Custom) (void)EncodeWith(Method::Custom, {});
  std::uint64_t total = 0;
  std::unordered_set<std::string, platform::IgnoreCaseHash, platform::IgnoreCaseEqual> names;
  for (const EntryInput& e : entries) {
    // The reader matches requested names without regard to case: two such entries would both
    // be expanded onto one file.
    if (!names.insert(e.name).second) throw PackError("two entries are named \"" + e.name + "\" (letter case aside)");
    if (auto problem = EntryNameProblem(e.name))
      throw PackError("cannot store \"" + e.name + "\": " + *problem);
    if (e.data.size() > kMaxSize)
      throw PackError("cannot store \"" + e.name + "\": files of 2 GB and more do not fit the format");
    total += e.data.size();
  }
  if (total > kMaxSize)
    throw PackError("the files of one archive add up to 2 GB or more, which its total-size field cannot hold");

  // The reader stops once the expanded sizes it has passed reach the total size, so an empty
  // entry after the last non-empty one would never be written. Empty entries go first, and an
  // archive of empty entries only records a total of 1 so that the reader still visits them.
  std::stable_partition(entries.begin(), entries.end(),
                        [](const EntryInput& e) { return e.data.empty(); });
  if (total == 0 && !entries.empty()) total = 1;

  WrittenArchive out;
  std::array<std::size_t, 5> uses{};
  std::vector<std::pair<Method, Bytes>> stored;
  stored.reserve(entries.size());
  for (const EntryInput& e : entries) {
    Method method = choice.fixed.value_or(Method::Stored);
    Bytes data;
    if (choice.fixed) {
      data = EncodeWith(method, e.data);
    } else {
      // Smallest of the three coders; stored only when every coder makes the data larger, since
      // a stored entry is not checked against its checksum on expansion. Empty data is stored.
      data = EncodeWith(Method::Lh5, e.data);
      method = Method::Lh5;
      for (Method m : {Method::Lzh, Method::Rle}) {
        Bytes candidate = EncodeWith(m, e.data);
        if (candidate.size() < data.size()) {
          data = std::move(candidate);
          method = m;
        }
      }
      if (data.size() > e.data.size() || e.data.empty()) {
        data.assign(e.data.begin(), e.data.end());
        method = Method::Stored;
      }
    }
    if (data.size() > kMaxSize)
      throw PackError("cannot store \"" + e.name + "\": its stored data would reach 2 GB");
    ++uses[static_cast<std::size_t>(method)];
    stored.emplace_back(method, std::move(data));
  }

  // The header names the method most entries use (the reader only checks that it is known).
  std::size_t common = 4;
  for (std::size_t m = 0; m < uses.size(); ++m)
    if (uses[m] > uses[common]) common = m;

  Bytes& a = out.bytes;
  a.insert(a.end(), {'Z', 'A', 'R', 'N', 0x1A});
  std::string_view id = MethodId(static_cast<std::uint8_t>(common));
  a.insert(a.end(), id.begin(), id.end());
  PutLe32(a, static_cast<std::uint32_t>(total));
  a.push_back(1);  // multi-file archive
  PutLe32(a, 0);   // reserved
  PutLe32(a, 0);   // not written under a key

  for (std::size_t i = 0; i < entries.size(); ++i) {
    const EntryInput& e = entries[i];
    const auto& [method, data] = stored[i];
    WrittenEntry w;
    w.name = e.name;
    w.method = method;
    w.expandedSize = static_cast<std::uint32_t>(e.data.size());
    w.storedSize = static_cast<std::uint32_t>(data.size());
    w.checksum = ByteSum(e.data);
    w.headerOffset = a.size();
    PutLe16(a, static_cast<std::uint16_t>(e.name.size()));
    PutLe32(a, e.dosDateTime);
    PutLe16(a, e.attributes);
    PutLe32(a, w.expandedSize);
    PutLe32(a, w.storedSize);
    a.push_back(static_cast<std::uint8_t>(method));
    PutLe32(a, w.checksum);
    PutLe32(a, 0);  // not locked
    a.insert(a.end(), e.name.begin(), e.name.end());
    a.insert(a.end(), data.begin(), data.end());
    out.entries.push_back(std::move(w));
  }
  return out;
}

}  // namespace mkdist

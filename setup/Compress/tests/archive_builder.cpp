#include "setup/Compress/tests/archive_builder.h"

namespace setup::test {
namespace {

void put16(std::vector<std::uint8_t>& out, std::int32_t v) {
  out.push_back(static_cast<std::uint8_t>(v & 0xFF));
  out.push_back(static_cast<std::uint8_t>((v >> 8) & 0xFF));
}
void put32(std::vector<std::uint8_t>& out, std::int32_t v) {
  const auto u = static_cast<std::uint32_t>(v);
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(u >> (8 * i)));
}
std::int32_t sum(const std::vector<std::uint8_t>& d) {
  std::uint32_t s = 0;
  for (auto b : d) s += b;
  return static_cast<std::int32_t>(s);
}

}  // namespace

EntrySpec Stored(std::string name, std::vector<std::uint8_t> data) {
  EntrySpec e;
  e.name = std::move(name);
  e.expandedSize = static_cast<std::int32_t>(data.size());
  e.checksum = sum(data);
  e.stored = std::move(data);
  return e;
}

EntrySpec Coded(std::string name, std::uint8_t method, std::vector<std::uint8_t> stream,
                const std::vector<std::uint8_t>& expanded) {
  EntrySpec e;
  e.name = std::move(name);
  e.method = method;
  e.stored = std::move(stream);
  e.expandedSize = static_cast<std::int32_t>(expanded.size());
  e.checksum = sum(expanded);
  return e;
}

EntrySpec Rle(std::string name, std::vector<std::uint8_t> stream, const std::vector<std::uint8_t>& expanded) {
  return Coded(std::move(name), 1, std::move(stream), expanded);
}

std::vector<std::uint8_t> BuildArchive(const ArchiveSpec& layout) {
  std::vector<std::uint8_t> out = {'Z', 'A', 'R', 'N', 0x1A};
  for (std::size_t i = 0; i < 3; ++i) out.push_back(static_cast<std::uint8_t>(i < layout.id.size() ? layout.id[i] : ' '));
  std::int32_t total = layout.totalSize;
  if (total < 0) {
    total = 0;
    for (const EntrySpec& e : layout.entries) total += e.expandedSize;
  }
  put32(out, total);
  out.push_back(layout.type);
  put32(out, 0);
  put32(out, layout.lockMarker);
  for (const EntrySpec& e : layout.entries) {
    put16(out, static_cast<std::int32_t>(e.name.size()));
    put32(out, e.date);
    put16(out, e.attributes);
    put32(out, e.expandedSize);
    put32(out, e.compressedSize >= 0 || e.compressedSize < -1 ? e.compressedSize : static_cast<std::int32_t>(e.stored.size()));
    out.push_back(e.method);
    put32(out, e.checksum);
    put32(out, e.lock);
    out.insert(out.end(), e.name.begin(), e.name.end());
    out.insert(out.end(), e.stored.begin(), e.stored.end());
  }
  return out;
}

std::vector<std::uint8_t> Text(const std::string& s) { return std::vector<std::uint8_t>(s.begin(), s.end()); }

}  // namespace setup::test

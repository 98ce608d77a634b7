// Writes archives: one header, then the entries with their chosen methods.
#pragma once

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "tools/mkdist/archive_format.h"
#include "tools/mkdist/bytes.h"

namespace mkdist {

class PackError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct EntryInput {
  std::string name;  // ANSI, a bare file name
  Bytes data;
  std::uint32_t dosDateTime = 0;
  std::uint16_t attributes = 0;
};

// A fixed method for every entry, or (nothing) the smallest result per entry.
struct MethodChoice {
  std::optional<Method> fixed;
};

struct WrittenEntry {
  std::string name;
  Method method = Method::Stored;
  std::uint32_t expandedSize = 0;
  std::uint32_t storedSize = 0;
  std::uint32_t checksum = 0;
  std::size_t headerOffset = 0;
};

struct WrittenArchive {
  Bytes bytes;
  std::vector<WrittenEntry> entries;  // in archive order
};

// The stored form of `data` under `method`.
Bytes EncodeWith(Method method, ByteView data);

// Throws PackError for a name the format cannot hold, data of 2 GB or more, or the Custom method.
WrittenArchive WriteArchive(std::vector<EntryInput> entries, MethodChoice choice);

}  // namespace mkdist

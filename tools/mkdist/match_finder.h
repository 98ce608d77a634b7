// Longest-match search for the LZ encoders: hash chains over a sliding window.
//
// The decoders start with a window already holding spaces, so the search runs over a virtual
// buffer made of that preset region followed by the input; a match may reach back into the
// preset spaces exactly as the decoder's copy would. Memory: the buffer, one hash head table and
// one chain link per window position.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "tools/mkdist/bytes.h"

namespace mkdist {

struct Match {
  std::size_t length = 0;    // 0 when nothing of at least the minimum length was found
  std::size_t distance = 0;  // how far back the copy starts, 1 to the window size
};

struct MatchParams {
  std::size_t window = 4096;     // largest distance; a power of two
  std::size_t presetSpaces = 0;  // bytes of 0x20 the decoder's window holds before the input
  std::size_t minLength = 3;
  std::size_t maxLength = 60;
  std::size_t maxChain = 64;     // candidates looked at per position
};

class MatchFinder {
 public:
  MatchFinder(ByteView input, const MatchParams& params);

  std::size_t InputSize() const { return buffer_.size() - params_.presetSpaces; }

  // Best match for the input byte at `pos`; positions must be asked in increasing order and
  // every position before `pos` must have been passed to Insert (Find does not insert).
  Match Find(std::size_t pos);
  void Insert(std::size_t pos);

 private:
  std::uint32_t HashAt(std::size_t v) const;
  void InsertVirtual(std::size_t v);

  MatchParams params_;
  std::vector<std::uint8_t> buffer_;
  std::vector<std::int64_t> head_;
  std::vector<std::int64_t> chain_;
};

}  // namespace mkdist

// Longest-match search for the LZ encoders: hash chains over a sliding window.
//
// The decoders start with a window already holding spaces, so the search runs over virtual
// positions: the preset region of spaces first, then the input; a match may reach back into the
// preset spaces exactly as the decoder's copy would. Memory beyond the caller's input: one hash
// head table and one chain link per window position.
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

  std::size_t InputSize() const { return input_.size(); }

  // Best match for the input byte at `pos`; positions must be asked in increasing order and
  // every position before `pos` must have been passed to Insert (Find does not insert).
  Match Find(std::size_t pos);
  void Insert(std::size_t pos);

 private:
  std::uint8_t At(std::size_t v) const { return v < params_.presetSpaces ? 0x20 : input_[v - params_.presetSpaces]; }
  std::uint32_t HashAt(std::size_t v) const;
  void InsertVirtual(std::size_t v);

  MatchParams params_;
  ByteView input_;
  std::size_t end_;  // one past the last virtual position
  std::vector<std::int64_t> head_;
  std::vector<std::int64_t> chain_;
};

}  // namespace mkdist

#include "tools/mkdist/match_finder.h"

#include <algorithm>

namespace mkdist {

namespace {
constexpr int kHashBits = 15;
}

MatchFinder::MatchFinder(ByteView input, const MatchParams& params)
    : params_(params), head_(std::size_t{1} << kHashBits, -1), chain_(params.window, -1) {
  buffer_.reserve(params.presetSpaces + input.size());
  buffer_.assign(params.presetSpaces, 0x20);
  buffer_.insert(buffer_.end(), input.begin(), input.end());
  for (std::size_t v = 0; v < params_.presetSpaces; ++v) InsertVirtual(v);
}

std::uint32_t MatchFinder::HashAt(std::size_t v) const {
  std::uint32_t h = static_cast<std::uint32_t>(buffer_[v]) << 10 ^
                    static_cast<std::uint32_t>(buffer_[v + 1]) << 5 ^ buffer_[v + 2];
  h *= 2654435761u;
  return h >> (32 - kHashBits);
}

void MatchFinder::InsertVirtual(std::size_t v) {
  if (v + 2 >= buffer_.size()) return;
  std::uint32_t h = HashAt(v);
  chain_[v & (params_.window - 1)] = head_[h];
  head_[h] = static_cast<std::int64_t>(v);
}

void MatchFinder::Insert(std::size_t pos) { InsertVirtual(pos + params_.presetSpaces); }

Match MatchFinder::Find(std::size_t pos) {
  Match best;
  const std::size_t v = pos + params_.presetSpaces;
  if (v + params_.minLength > buffer_.size() || v + 2 >= buffer_.size()) return best;
  const std::size_t limit = std::min(params_.maxLength, buffer_.size() - v);
  const std::uint8_t* cur = buffer_.data() + v;
  std::int64_t cand = head_[HashAt(v)];
  std::size_t budget = params_.maxChain;
  std::size_t bestLen = params_.minLength - 1;
  while (cand >= 0 && budget-- > 0) {
    std::size_t c = static_cast<std::size_t>(cand);
    std::size_t dist = v - c;
    if (dist > params_.window) break;
    const std::uint8_t* old = buffer_.data() + c;
    if (old[bestLen] == cur[bestLen] && old[0] == cur[0]) {
      std::size_t len = 0;
      // Overlapping copies are fine: the decoder copies one byte at a time as well.
      while (len < limit && old[len] == cur[len]) ++len;
      if (len > bestLen) {
        bestLen = len;
        best.length = len;
        best.distance = dist;
        if (len == limit) break;
      }
    }
    std::int64_t next = chain_[c & (params_.window - 1)];
    if (next >= cand) break;  // the slot was reused by a newer position
    cand = next;
  }
  return best;
}

}  // namespace mkdist

#include "tools/mkdist/match_finder.h"

#include <algorithm>

namespace mkdist {

namespace {
constexpr int kHashBits = 15;
}

MatchFinder::MatchFinder(ByteView input, const MatchParams& params)
    : params_(params),
      input_(input),
      end_(params.presetSpaces + input.size()),
      head_(std::size_t{1} << kHashBits, -1),
      chain_(params.window, -1) {
  for (std::size_t v = 0; v < params_.presetSpaces; ++v) InsertVirtual(v);
}

std::uint32_t MatchFinder::HashAt(std::size_t v) const {
  std::uint32_t h = static_cast<std::uint32_t>(At(v)) << 10 ^ static_cast<std::uint32_t>(At(v + 1)) << 5 ^ At(v + 2);
  h *= 2654435761u;
  return h >> (32 - kHashBits);
}

void MatchFinder::InsertVirtual(std::size_t v) {
  if (v + 2 >= end_) return;
  std::uint32_t h = HashAt(v);
  chain_[v & (params_.window - 1)] = head_[h];
  head_[h] = static_cast<std::int64_t>(v);
}

void MatchFinder::Insert(std::size_t pos) { InsertVirtual(pos + params_.presetSpaces); }

Match MatchFinder::Find(std::size_t pos) {
  Match best;
  const std::size_t v = pos + params_.presetSpaces;
  if (v + params_.minLength > end_ || v + 2 >= end_) return best;
  const std::size_t limit = std::min(params_.maxLength, end_ - v);
  const std::uint8_t* cur = input_.data() + pos;
  std::int64_t cand = head_[HashAt(v)];
  std::size_t budget = params_.maxChain;
  std::size_t bestLen = params_.minLength - 1;
  while (cand >= 0 && budget-- > 0) {
    std::size_t c = static_cast<std::size_t>(cand);
    std::size_t dist = v - c;
    if (dist > params_.window) break;
    std::size_t len = 0;
    if (c >= params_.presetSpaces) {
      const std::uint8_t* old = input_.data() + (c - params_.presetSpaces);
      if (old[bestLen] == cur[bestLen] && old[0] == cur[0]) {
        // Overlapping copies are fine: the decoder copies one byte at a time as well.
        while (len < limit && old[len] == cur[len]) ++len;
      }
    } else {
      // The candidate starts among the preset spaces and may run on into the input.
      while (len < limit && At(c + len) == cur[len]) ++len;
    }
    if (len > bestLen) {
      bestLen = len;
      best.length = len;
      best.distance = dist;
      if (len == limit) break;
    }
    std::int64_t next = chain_[c & (params_.window - 1)];
    if (next >= cand) break;  // the slot was reused by a newer position
    cand = next;
  }
  return best;
}

}  // namespace mkdist

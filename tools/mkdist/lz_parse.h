// Splits input into literals and matches with one step of lazy evaluation: a match is taken
// only when the match starting one byte later is not longer.
#pragma once

#include <cstddef>

#include "tools/mkdist/match_finder.h"

namespace mkdist {

// sink.Literal(byte) and sink.Copy(length, distance) receive the tokens in order.
template <typename Sink>
void ParseLz(ByteView input, const MatchParams& params, Sink& sink) {
  MatchFinder finder(input, params);
  const std::size_t n = input.size();
  std::size_t pos = 0;
  Match pending = finder.Find(0);
  while (pos < n) {
    Match here = pending;
    finder.Insert(pos);
    if (here.length >= params.minLength && pos + 1 < n) {
      Match next = finder.Find(pos + 1);
      if (next.length > here.length) {
        sink.Literal(input[pos]);
        ++pos;
        pending = next;
        continue;
      }
    }
    if (here.length >= params.minLength) {
      sink.Copy(here.length, here.distance);
      for (std::size_t k = 1; k < here.length; ++k) finder.Insert(pos + k);
      pos += here.length;
    } else {
      sink.Literal(input[pos]);
      ++pos;
    }
    pending = pos < n ? finder.Find(pos) : Match{};
  }
}

}  // namespace mkdist

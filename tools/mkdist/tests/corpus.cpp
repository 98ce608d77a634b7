#include "tools/mkdist/tests/corpus.h"

#include <cstring>

namespace mkdist::test {

namespace {

struct Rng {
  std::uint32_t state;
  std::uint32_t Next() {
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    return state;
  }
};

Bytes Repeat(std::uint8_t b, std::size_t n) { return Bytes(n, b); }

Bytes Concat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

// Structured binary: little-endian records with slowly changing fields, like an executable's
// tables.
Bytes BinaryBytes(std::size_t n, std::uint32_t seed) {
  Rng rng{seed};
  Bytes out;
  std::uint32_t counter = 0x00401000;
  while (out.size() < n) {
    counter += rng.Next() % 64;
    PutLe32(out, counter);
    PutLe16(out, static_cast<std::uint16_t>(rng.Next() % 8));
    out.push_back(static_cast<std::uint8_t>(rng.Next()));
    out.push_back(0);
  }
  out.resize(n);
  return out;
}

}  // namespace

Bytes RandomBytes(std::size_t n, std::uint32_t seed) {
  Rng rng{seed ? seed : 1};
  Bytes out(n);
  for (auto& b : out) b = static_cast<std::uint8_t>(rng.Next() >> 24);
  return out;
}

Bytes TextBytes(std::size_t n, std::uint32_t seed) {
  static const char* const words[] = {
      "the",     "access",  "point",   "wireless", "network", "setup",  "install", "file",
      "option",  "folder",  "program", "group",    "station", "channel", "key",    "password",
      "restart", "default", "bridge",  "filter",   "address", "radio",  "ESSID",   "WEP"};
  Rng rng{seed ? seed : 7};
  Bytes out;
  while (out.size() < n) {
    const char* w = words[rng.Next() % (sizeof(words) / sizeof(words[0]))];
    out.insert(out.end(), w, w + std::strlen(w));
    std::uint32_t r = rng.Next() % 16;
    out.push_back(r == 0 ? '\r' : (r == 1 ? ',' : ' '));
    if (r == 0) out.push_back('\n');
  }
  out.resize(n);
  return out;
}

std::vector<Sample> Corpus() {
  std::vector<Sample> c;
  c.push_back({"empty", {}});
  c.push_back({"one byte", {0x41}});
  c.push_back({"one escape byte", {0x94}});
  c.push_back({"escape bytes 0x94", Repeat(0x94, 0x94)});
  c.push_back({"long run", Repeat('A', 100000)});
  c.push_back({"runs of every length", [] {
                 Bytes b;
                 for (int len = 1; len < 600; len += 7) {
                   Bytes r = Repeat(static_cast<std::uint8_t>(len), static_cast<std::size_t>(len));
                   b.insert(b.end(), r.begin(), r.end());
                 }
                 return b;
               }()});
  c.push_back({"spaces at the start", Concat({Repeat(' ', 300), TextBytes(2000, 3)})});
  c.push_back({"text", TextBytes(50000, 11)});
  c.push_back({"binary", BinaryBytes(70000, 5)});
  c.push_back({"random", RandomBytes(30000, 9)});
  for (std::size_t n : {4095u, 4096u, 4097u, 8191u, 8192u, 8193u})
    c.push_back({"text of " + std::to_string(n), TextBytes(n, static_cast<std::uint32_t>(n))});
  // A long match right behind a repeated block crosses the window end of both methods.
  c.push_back({"match across the window end", [] {
                 Bytes block = RandomBytes(5000, 21);
                 Bytes b = Concat({block, RandomBytes(3100, 22), block, RandomBytes(9000, 23), block});
                 return b;
               }()});
  // Many symbols push the adaptive tree's root frequency over its limit several times.
  c.push_back({"tree rebuilds", Concat({TextBytes(120000, 31), RandomBytes(60000, 32),
                                       Repeat(0, 40000), BinaryBytes(50000, 33)})});
  c.push_back({"mixed", Concat({TextBytes(20000, 41), Repeat(0x94, 1000), RandomBytes(5000, 42),
                               Repeat(0, 9000), BinaryBytes(20000, 43)})});
  return c;
}

}  // namespace mkdist::test

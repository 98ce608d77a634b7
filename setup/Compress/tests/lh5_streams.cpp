#include "setup/Compress/tests/lh5_streams.h"

#include <functional>

namespace setup::test {

void PutSingleSymbolHeader(BitWriter& w, std::uint16_t blockSize, unsigned symbol, unsigned positionClass) {
  w.put(16, blockSize);
  w.put(5, 0), w.put(5, 0);
  w.put(9, 0), w.put(9, symbol);
  w.put(4, 0), w.put(4, positionClass);
}

std::vector<std::uint8_t> Lh5SingleSymbolBlock(std::uint16_t blockSize, unsigned symbol, unsigned positionClass) {
  BitWriter w;
  PutSingleSymbolHeader(w, blockSize, symbol, positionClass);
  return w.bytes();
}

void PutPtLength(BitWriter& w, unsigned length) {
  if (length < 7) {
    w.put(3, length);
    return;
  }
  w.put(3, 7);
  for (unsigned i = 7; i < length; ++i) w.bit(1);
  w.bit(0);
}

namespace {

// Code-length code: symbols 2 ("0") and 3 ("1"), both of length 1.
void putTwoSymbolCodeLengthCode(BitWriter& w) {
  w.put(5, 4);
  PutPtLength(w, 0), PutPtLength(w, 0), PutPtLength(w, 1);
  w.put(2, 0);  // no extra zeros after the third length
  PutPtLength(w, 1);
}

}  // namespace

Lh5Stream Lh5TwoCodeBlock() {
  BitWriter w;
  w.put(16, 6);
  putTwoSymbolCodeLengthCode(w);
  // Literal/length code: 'A' and 256 (match of 3), both of length 1.
  w.put(9, 257);
  w.bit(0), w.put(9, 45);   // 65 zero lengths
  w.bit(1);                 // length 1 for 'A'
  w.bit(0), w.put(9, 170);  // 190 zero lengths
  w.bit(1);                 // length 1 for 256
  // Position code: classes 0 and 13, both of length 1.
  w.put(4, 14);
  PutPtLength(w, 1);
  for (int i = 1; i < 13; ++i) PutPtLength(w, 0);
  PutPtLength(w, 1);
  // A, match d=0, A, match d=8191, match d=0, A.
  w.bit(0);
  w.bit(1), w.bit(0);
  w.bit(0);
  w.bit(1), w.bit(1), w.put(12, 4095);
  w.bit(1), w.bit(0);
  w.bit(0);
  // Expected: "A" + "AAA" + "A" + 3 spaces read from the far end of the window + 3 spaces + "A".
  Lh5Stream s;
  s.stream = w.bytes();
  s.output = {'A', 'A', 'A', 'A', 'A', ' ', ' ', ' ', ' ', ' ', ' ', 'A'};
  return s;
}

std::vector<Lh5BadCase> Lh5BadTables() {
  std::vector<Lh5BadCase> cases;
  auto add = [&cases](std::string what, const std::function<void(BitWriter&)>& body) {
    BitWriter w;
    w.put(16, 1);
    body(w);
    cases.push_back({std::move(what), w.bytes()});
  };
  auto singleC = [](BitWriter& w, unsigned sym) {
    w.put(5, 0), w.put(5, 0);
    w.put(9, 0), w.put(9, sym);
  };
  add("code-length code incomplete", [](BitWriter& w) {
    w.put(5, 3);
    PutPtLength(w, 1), PutPtLength(w, 0), PutPtLength(w, 0);
    w.put(2, 0);
  });
  add("code-length code over-full by exactly the code space", [](BitWriter& w) {
    w.put(5, 4);
    PutPtLength(w, 1), PutPtLength(w, 1), PutPtLength(w, 1);
    w.put(2, 0);
    PutPtLength(w, 1);
  });
  add("more than 19 code lengths", [](BitWriter& w) {
    w.put(5, 20);
    for (int i = 0; i < 25; ++i) PutPtLength(w, 5);
  });
  add("single code-length symbol outside the alphabet", [](BitWriter& w) { w.put(5, 0), w.put(5, 19); });
  add("code length 17", [](BitWriter& w) {
    w.put(5, 1);
    PutPtLength(w, 17);
  });
  add("code length with 13 continuation bits", [](BitWriter& w) {
    w.put(5, 1);
    w.put(16, 0xFFFF);
  });
  add("more than 510 literal/length lengths", [](BitWriter& w) {
    putTwoSymbolCodeLengthCode(w);
    w.put(9, 511);
  });
  add("single literal/length symbol outside the alphabet", [&singleC](BitWriter& w) { singleC(w, 510); });
  add("zero run past 510 lengths", [](BitWriter& w) {
    putTwoSymbolCodeLengthCode(w);
    w.put(9, 510);
    w.bit(0), w.put(9, 491);
  });
  add("literal/length code incomplete", [](BitWriter& w) {
    putTwoSymbolCodeLengthCode(w);
    w.put(9, 1);
    w.bit(1);
  });
  add("literal/length code over-full", [](BitWriter& w) {
    w.put(5, 0), w.put(5, 3);  // every length read is 1
    w.put(9, 3);
  });
  add("more than 14 position lengths", [&singleC](BitWriter& w) {
    singleC(w, 'A');
    w.put(4, 15);
  });
  add("single position symbol outside the alphabet", [&singleC](BitWriter& w) {
    singleC(w, 'A');
    w.put(4, 0), w.put(4, 14);
  });
  add("position code incomplete", [&singleC](BitWriter& w) {
    singleC(w, 'A');
    w.put(4, 1);
    PutPtLength(w, 1);
  });
  return cases;
}

}  // namespace setup::test

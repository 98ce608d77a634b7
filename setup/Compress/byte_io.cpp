#include "setup/Compress/byte_io.h"

#include <algorithm>

namespace setup {

std::uint8_t ByteSource::fetchBlock() {
  endOfInput_ = true;
  const std::uint8_t* b = nullptr;
  const std::uint8_t* e = nullptr;
  const Refill r = refill(b, e);
  if (r == Refill::End || b == e) {
    next_ = end_ = nullptr;
    return 0;
  }
  next_ = b;
  end_ = e;
  if (r == Refill::Hold) return 0;
  endOfInput_ = false;
  return *next_++;
}

void ByteSink::setBuffer(std::uint8_t* begin, std::size_t size) {
  begin_ = next_ = begin;
  end_ = begin + size;
}

void ByteSink::drainBuffer() {
  const std::size_t n = static_cast<std::size_t>(next_ - begin_);
  std::uint32_t sum = 0;
  for (std::size_t i = 0; i < n; ++i) sum += begin_[i];
  checksum_ += sum;
  drained_ += n;
  next_ = begin_;
  drain(begin_, n, true);
}

void ByteSink::finish() {
  const std::size_t n = static_cast<std::size_t>(next_ - begin_);
  std::uint32_t sum = 0;
  for (std::size_t i = 0; i < n; ++i) sum += begin_[i];
  checksum_ += sum;
  drained_ += n;
  next_ = begin_;
  drain(begin_, n, false);
}

ByteSource::Refill MemorySource::refill(const std::uint8_t*& begin, const std::uint8_t*& end) {
  if (pos_ >= data_.size()) return Refill::End;
  const std::size_t n = blockSize_ == 0 ? data_.size() - pos_ : std::min(blockSize_, data_.size() - pos_);
  begin = data_.data() + pos_;
  end = begin + n;
  pos_ += n;
  ++blocks_;
  return Refill::Block;
}

MemorySink::MemorySink() { setBuffer(buffer_, sizeof buffer_); }

void MemorySink::drain(const std::uint8_t* data, std::size_t size, bool /*full*/) {
  out_.insert(out_.end(), data, data + size);
}

}  // namespace setup

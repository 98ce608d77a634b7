// Buffered byte source and sink the decoders run between.
//
// The decoders call fetch() and put() per byte; both are inline pointer operations, and the
// virtual refill()/drain() run once per block. The archive reader derives block-wise versions
// (8192-byte buffers over the archive and the target file); MemorySource and MemorySink serve
// whole memory buffers (packer checks, fuzzing, peer tests).
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace setup {

class ByteSource {
 public:
  virtual ~ByteSource() = default;

  // The next stored byte. Once the stored bytes are used up the end-of-input flag is set and
  // every further request returns 0.
  std::uint8_t fetch() {
    if (next_ != end_) {
      endOfInput_ = false;
      return *next_++;
    }
    return fetchBlock();
  }
  bool endOfInput() const { return endOfInput_; }

 protected:
  enum class Refill {
    Block,  // [begin, end) is the next block, not empty
    Hold,   // [begin, end) is the next block, but this request yields 0 with the flag set
    End,    // nothing more
  };
  // Called with the end-of-input flag set whenever the current block is used up.
  virtual Refill refill(const std::uint8_t*& begin, const std::uint8_t*& end) = 0;

 private:
  std::uint8_t fetchBlock();

  const std::uint8_t* next_ = nullptr;
  const std::uint8_t* end_ = nullptr;
  bool endOfInput_ = false;
};

// Every byte put is counted into a 32-bit wrap-around checksum (sum of the unsigned bytes).
// A full buffer is handed to drain() at once; finish() hands over the rest.
class ByteSink {
 public:
  virtual ~ByteSink() = default;

  void put(std::uint8_t b) {
    *next_++ = b;
    if (next_ == end_) drainBuffer();
  }
  // Writes what is still buffered. Call once after the decoder returned.
  void finish();
  std::uint32_t checksum() const { return checksum_; }
  // Bytes put so far (also past the requested count: match copies run to their end).
  std::uint64_t produced() const { return drained_ + static_cast<std::uint64_t>(next_ - begin_); }

 protected:
  // The buffer must not be empty; the derived class owns it.
  void setBuffer(std::uint8_t* begin, std::size_t size);
  virtual void drain(const std::uint8_t* data, std::size_t size, bool full) = 0;

 private:
  void drainBuffer();

  std::uint8_t* begin_ = nullptr;
  std::uint8_t* next_ = nullptr;
  std::uint8_t* end_ = nullptr;
  std::uint64_t drained_ = 0;
  std::uint32_t checksum_ = 0;
};

// Serves a memory buffer in blocks of blockSize bytes (all at once when 0).
class MemorySource final : public ByteSource {
 public:
  explicit MemorySource(std::span<const std::uint8_t> data, std::size_t blockSize = 0)
      : data_(data), blockSize_(blockSize) {}
  std::size_t blocksServed() const { return blocks_; }

 protected:
  Refill refill(const std::uint8_t*& begin, const std::uint8_t*& end) override;

 private:
  std::span<const std::uint8_t> data_;
  std::size_t blockSize_;
  std::size_t pos_ = 0;
  std::size_t blocks_ = 0;
};

// Collects the output in a vector.
class MemorySink final : public ByteSink {
 public:
  MemorySink();
  std::vector<std::uint8_t>& data() { return out_; }

 protected:
  void drain(const std::uint8_t* data, std::size_t size, bool full) override;

 private:
  std::uint8_t buffer_[8192];
  std::vector<std::uint8_t> out_;
};

}  // namespace setup

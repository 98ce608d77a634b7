// Exceptions raised by the archive expander. Each class carries its fixed English message.
#pragma once

#include <stdexcept>
#include <string>

namespace setup {

class EInvalidHeader : public std::runtime_error {
 public:
  EInvalidHeader() : std::runtime_error("Can't recognize compressed file header") {}
};

class EInvalidHeaderArchiveType : public std::runtime_error {
 public:
  EInvalidHeaderArchiveType() : std::runtime_error("Archive type must be caMulti") {}
};

class EUnrecognizedCompressionMethod : public std::runtime_error {
 public:
  explicit EUnrecognizedCompressionMethod(const std::string& id)
      : std::runtime_error("Unrecognized compression method: \"" + id + "\" in header") {}
};

class EInsufficientDiskSpace : public std::runtime_error {
 public:
  explicit EInsufficientDiskSpace(const std::string& target)
      : std::runtime_error("Not enough disk space to expand " + target) {}
};

class EBadChecksum : public std::runtime_error {
 public:
  EBadChecksum() : std::runtime_error("Bad checksum during expansion -- data may be invalid") {}
};

class EInvalidKey : public std::runtime_error {
 public:
  EInvalidKey() : std::runtime_error("File locked -- valid key required") {}
};

class ELZHBadDecodeTable : public std::runtime_error {
 public:
  ELZHBadDecodeTable() : std::runtime_error("Bad decode table in archive!") {}
};

// Writer side only; the expander never raises it.
class EUnableToCompress : public std::runtime_error {
 public:
  EUnableToCompress() : std::runtime_error("Could not compress data") {}
};

// Failures of the files themselves, raised by the streams and folder steps the reader uses.
class EFOpenError : public std::runtime_error {
 public:
  explicit EFOpenError(const std::string& path) : std::runtime_error("Cannot open file " + path) {}
};

class EFCreateError : public std::runtime_error {
 public:
  explicit EFCreateError(const std::string& path) : std::runtime_error("Cannot create file " + path) {}
};

class EReadError : public std::runtime_error {
 public:
  EReadError() : std::runtime_error("Stream read error") {}
};

class EWriteError : public std::runtime_error {
 public:
  EWriteError() : std::runtime_error("Stream write error") {}
};

// The run-time input/output error (a folder that cannot be created).
class EInOutError : public std::runtime_error {
 public:
  EInOutError(int code, const std::string& what)
      : std::runtime_error("I/O error " + std::to_string(code) + ": " + what), ErrorCode(code) {}
  int ErrorCode;
};

}  // namespace setup

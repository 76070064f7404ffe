#pragma once
// The bytes of an exchange file: a file or standard input, plain or packed
// with gzip or zstd (told by the first bytes, not by the name), read in
// blocks, together with a stream in the form the JSON reader takes.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace plomix::exchange {

// A file that cannot be read, is packed in a way this build cannot unpack,
// or does not hold what it should. The message is one line for a person.
class ExchangeError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class ByteInput {
 public:
  virtual ~ByteInput() = default;
  // Up to `size` bytes; 0 only at the end. Throws ExchangeError.
  virtual std::size_t Read(char* buffer, std::size_t size) = 0;

  // `path` "-" is standard input. Throws ExchangeError when the file cannot
  // be opened or is packed with a method this build has no library for.
  static std::unique_ptr<ByteInput> Open(const std::string& path);
  // Whether this build unpacks gzip and zstd.
  static bool HasGzip();
  static bool HasZstd();
};

// A read-only character stream over a ByteInput for the JSON reader (its
// Peek/Take/Tell stream concept). Peek gives '\0' at the end.
class JsonInputStream {
 public:
  using Ch = char;
  explicit JsonInputStream(ByteInput& input, std::size_t blockSize = 1 << 16);
  Ch Peek() const { return current_ < end_ ? *current_ : '\0'; }
  Ch Take() {
    if (current_ >= end_) return '\0';
    const Ch c = *current_++;
    if (current_ == end_) Fill();
    return c;
  }
  std::size_t Tell() const { return consumed_ + static_cast<std::size_t>(current_ - begin_); }
  // Unused by a reader; present because the stream concept names them.
  Ch* PutBegin() { return nullptr; }
  void Put(Ch) {}
  void Flush() {}
  std::size_t PutEnd(Ch*) { return 0; }

 private:
  void Fill();

  ByteInput& input_;
  std::vector<char> buffer_;
  const char* begin_ = nullptr;
  const char* current_ = nullptr;
  const char* end_ = nullptr;
  std::size_t consumed_ = 0;
};

}  // namespace plomix::exchange

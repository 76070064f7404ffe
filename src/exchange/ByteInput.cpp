#include "exchange/ByteInput.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#ifdef PLOMIX_HAVE_ZLIB
#include <zlib.h>
#endif
#ifdef PLOMIX_HAVE_ZSTD
#include <zstd.h>
#endif

namespace plomix::exchange {

namespace {

constexpr std::size_t kBlock = 1 << 16;

std::string Reason(int error) {
  return std::strerror(error);
}

// The descriptor with the bytes already taken to look at the start put back
// in front.
class FdInput : public ByteInput {
 public:
  FdInput(int fd, bool own, std::string name) : fd_(fd), own_(own), name_(std::move(name)) {}
  ~FdInput() override {
    if (own_) ::close(fd_);
  }
  void Unread(std::string bytes) { pending_ = std::move(bytes); }
  std::size_t Read(char* buffer, std::size_t size) override {
    if (pending_.size() > taken_) {
      const std::size_t n = std::min(size, pending_.size() - taken_);
      std::memcpy(buffer, pending_.data() + taken_, n);
      taken_ += n;
      return n;
    }
    for (;;) {
      const ssize_t n = ::read(fd_, buffer, size);
      if (n >= 0) return static_cast<std::size_t>(n);
      if (errno == EINTR) continue;
      throw ExchangeError("cannot read " + name_ + ": " + Reason(errno));
    }
  }
  const std::string& Name() const { return name_; }

 private:
  int fd_;
  bool own_;
  std::string name_;
  std::string pending_;
  std::size_t taken_ = 0;
};

#ifdef PLOMIX_HAVE_ZLIB
class GzipInput : public ByteInput {
 public:
  explicit GzipInput(std::unique_ptr<FdInput> raw) : raw_(std::move(raw)), in_(kBlock) {
    // 15 + 32: a gzip or zlib header, told apart by zlib itself.
    if (inflateInit2(&z_, 15 + 32) != Z_OK) throw ExchangeError("cannot start gzip unpacking");
  }
  ~GzipInput() override { inflateEnd(&z_); }
  std::size_t Read(char* buffer, std::size_t size) override {
    z_.next_out = reinterpret_cast<Bytef*>(buffer);
    z_.avail_out = static_cast<uInt>(size);
    while (z_.avail_out == size) {
      if (z_.avail_in == 0) {
        if (eof_) {
          if (!ended_) throw ExchangeError(raw_->Name() + " is a cut-off gzip file");
          return 0;
        }
        const std::size_t n = raw_->Read(in_.data(), in_.size());
        if (n == 0) {
          eof_ = true;
          continue;
        }
        z_.next_in = reinterpret_cast<Bytef*>(in_.data());
        z_.avail_in = static_cast<uInt>(n);
      }
      if (ended_) {
        // Another gzip member follows (as `cat a.gz b.gz` makes).
        if (inflateReset(&z_) != Z_OK) throw ExchangeError("cannot unpack " + raw_->Name());
        ended_ = false;
      }
      const int r = inflate(&z_, Z_NO_FLUSH);
      if (r == Z_STREAM_END) {
        ended_ = true;
      } else if (r != Z_OK && r != Z_BUF_ERROR) {
        throw ExchangeError(raw_->Name() + " is a damaged gzip file" +
                            (z_.msg ? std::string(": ") + z_.msg : std::string()));
      }
    }
    return size - z_.avail_out;
  }

 private:
  std::unique_ptr<FdInput> raw_;
  std::vector<char> in_;
  z_stream z_{};
  bool eof_ = false;
  bool ended_ = false;
};
#endif

#ifdef PLOMIX_HAVE_ZSTD
class ZstdInput : public ByteInput {
 public:
  explicit ZstdInput(std::unique_ptr<FdInput> raw)
      : raw_(std::move(raw)), in_(ZSTD_DStreamInSize()), stream_(ZSTD_createDStream()) {
    if (!stream_) throw ExchangeError("cannot start zstd unpacking");
  }
  ~ZstdInput() override { ZSTD_freeDStream(stream_); }
  std::size_t Read(char* buffer, std::size_t size) override {
    ZSTD_outBuffer out{buffer, size, 0};
    while (out.pos == 0) {
      if (pos_ == filled_) {
        filled_ = raw_->Read(in_.data(), in_.size());
        pos_ = 0;
        if (filled_ == 0) {
          if (pendingFrame_) throw ExchangeError(raw_->Name() + " is a cut-off zstd file");
          return 0;
        }
      }
      ZSTD_inBuffer in{in_.data(), filled_, pos_};
      const std::size_t r = ZSTD_decompressStream(stream_, &out, &in);
      pos_ = in.pos;
      if (ZSTD_isError(r))
        throw ExchangeError(raw_->Name() + " is a damaged zstd file: " + ZSTD_getErrorName(r));
      pendingFrame_ = r != 0;
    }
    return out.pos;
  }

 private:
  std::unique_ptr<FdInput> raw_;
  std::vector<char> in_;
  ZSTD_DStream* stream_;
  std::size_t filled_ = 0, pos_ = 0;
  bool pendingFrame_ = false;
};
#endif

}  // namespace

bool ByteInput::HasGzip() {
#ifdef PLOMIX_HAVE_ZLIB
  return true;
#else
  return false;
#endif
}

bool ByteInput::HasZstd() {
#ifdef PLOMIX_HAVE_ZSTD
  return true;
#else
  return false;
#endif
}

std::unique_ptr<ByteInput> ByteInput::Open(const std::string& path) {
  const bool stdinput = path == "-";
  const std::string name = stdinput ? std::string("standard input") : "\"" + path + "\"";
  const int fd = stdinput ? STDIN_FILENO : ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) throw ExchangeError("cannot open " + name + ": " + Reason(errno));
  auto raw = std::make_unique<FdInput>(fd, !stdinput, name);
  // The first four bytes tell the packing.
  std::string head(4, '\0');
  std::size_t got = 0;
  while (got < head.size()) {
    const std::size_t n = raw->Read(head.data() + got, head.size() - got);
    if (n == 0) break;
    got += n;
  }
  head.resize(got);
  const bool gzip = got >= 2 && static_cast<unsigned char>(head[0]) == 0x1F &&
                    static_cast<unsigned char>(head[1]) == 0x8B;
  const bool zstd = got >= 4 && head == std::string("\x28\xB5\x2F\xFD", 4);
  raw->Unread(std::move(head));
  if (gzip) {
#ifdef PLOMIX_HAVE_ZLIB
    return std::make_unique<GzipInput>(std::move(raw));
#else
    throw ExchangeError(name +
                        " is packed with gzip, which this build cannot unpack "
                        "(built without zlib); unpack it with gunzip first");
#endif
  }
  if (zstd) {
#ifdef PLOMIX_HAVE_ZSTD
    return std::make_unique<ZstdInput>(std::move(raw));
#else
    throw ExchangeError(name +
                        " is packed with zstd, which this build cannot unpack "
                        "(built without libzstd); unpack it with unzstd first");
#endif
  }
  return raw;
}

JsonInputStream::JsonInputStream(ByteInput& input, std::size_t blockSize)
    : input_(input), buffer_(std::max<std::size_t>(blockSize, 1)) {
  begin_ = current_ = end_ = buffer_.data();
  Fill();
}

void JsonInputStream::Fill() {
  consumed_ += static_cast<std::size_t>(end_ - begin_);
  const std::size_t n = input_.Read(buffer_.data(), buffer_.size());
  begin_ = current_ = buffer_.data();
  end_ = begin_ + n;
}

}  // namespace plomix::exchange

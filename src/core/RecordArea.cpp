#include "core/RecordArea.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstring>
#include <stdexcept>
#include <utility>

namespace plomix {

RecordArea::RecordArea(BinaryFile file, int64_t position, int32_t count, Access access)
    : file_(std::move(file)), position_(position), count_(count) {
  if (access != Access::Map || count <= 0 || position < 0) return;
  const auto page = static_cast<int64_t>(::sysconf(_SC_PAGESIZE));
  if (page <= 0) return;
  const int64_t start = position - position % page;
  const int64_t end = position + int64_t{count} * static_cast<int64_t>(TFileRec::kSize);
  void* map = ::mmap(nullptr, static_cast<std::size_t>(end - start), PROT_READ, MAP_SHARED,
                     file_.Descriptor(), static_cast<off_t>(start));
  if (map == MAP_FAILED) return;  // read block by block instead
  ::madvise(map, static_cast<std::size_t>(end - start), MADV_WILLNEED);
  map_ = map;
  mapLength_ = static_cast<std::size_t>(end - start);
  mapped_ = static_cast<const uint8_t*>(map) + (position - start);
}

RecordArea::~RecordArea() {
  if (map_ != nullptr) ::munmap(map_, mapLength_);
}

const uint8_t* RecordArea::Bytes(int32_t first, int32_t n, std::vector<uint8_t>& buffer) {
  if (first < 0 || n < 0 || first > count_ - n)
    throw std::out_of_range("records outside the media's area");
  const std::size_t bytes = static_cast<std::size_t>(n) * TFileRec::kSize;
  if (mapped_ != nullptr) return mapped_ + static_cast<std::size_t>(first) * TFileRec::kSize;
  buffer.resize(bytes);
  if (!file_.ReadAt(position_ + int64_t{first} * static_cast<int64_t>(TFileRec::kSize),
                    buffer.data(), bytes))
    throw CatalogError("\"" + file_.Path() + "\" became shorter while it was read");
  return buffer.data();
}

const uint8_t* RecordArea::Block(int32_t first, int32_t n) {
  return Bytes(first, n, block_);
}

TFileRec RecordArea::Record(int32_t r) {
  TFileRec rec;
  std::memcpy(rec.Data(), Bytes(r, 1, single_), TFileRec::kSize);
  return rec;
}

}  // namespace plomix

// The harnesses' operator new and delete: large blocks are kept for reuse.
//
// The catalogue keeps its slot and comment areas (about 2.9 MB at full size)
// and the long-name header (about 2.6 MB) in memory and reads them afresh into
// new tables for every open and every write. Under the address sanitizer each
// such block is a fresh mapping of its own, unmapped again when freed, so every
// input paid for several thousand page faults and ran at a few inputs a second.
// The harnesses' small tables keep most blocks below kLarge now; the ones a
// large input still makes (records, long names) are served from here.
// Here a freed large block waits for the next request it fits instead, and the
// sanitizer still guards it: the bytes past the size asked for are poisoned,
// and so is a whole block while it waits, so overflows and uses after free are
// still reported (as uses of poisoned memory). Small blocks go straight to
// malloc; what these harnesses give up is only the runtime's check that new
// pairs with delete rather than with free.
//
// Linked into the catalogue harnesses as an object of their own: a member of a
// static library would never be taken in place of the runtime's (weak)
// operators.

#include <sanitizer/allocator_interface.h>
#include <sanitizer/asan_interface.h>

#include <cstddef>
#include <cstdlib>
#include <mutex>
#include <new>

namespace {

// The runtime's own heap serves smaller blocks from reused memory already;
// from this size on its quarantine hands out fresh pages (a similar-names
// result file's 33 KB header, read for every group, among them).
constexpr std::size_t kLarge = std::size_t{32} << 10;
constexpr std::size_t kKeptBlocks = 128;
constexpr std::size_t kKeptBytes = std::size_t{384} << 20;

struct Kept {
  std::mutex lock;
  void* blocks[kKeptBlocks] = {};
  std::size_t sizes[kKeptBlocks] = {};
  std::size_t count = 0;
  std::size_t bytes = 0;
};

Kept& Store() {
  static Kept* kept = new (std::malloc(sizeof(Kept))) Kept;  // never destroyed
  return *kept;
}

// Blocks are made in sizes a sixteenth of a power of two apart, so that the
// many sizes of a growing table share a few blocks.
std::size_t BlockSize(std::size_t size) {
  std::size_t power = kLarge;
  while (power * 2 <= size) power *= 2;
  const std::size_t step = power / 16;
  return (size + step - 1) / step * step;
}

// The smallest kept block that holds `size` bytes and wastes at most as much
// again, or null.
void* TakeKept(std::size_t size) {
  Kept& kept = Store();
  std::lock_guard<std::mutex> guard(kept.lock);
  std::size_t best = kept.count;
  for (std::size_t i = 0; i < kept.count; ++i) {
    if (kept.sizes[i] < size || kept.sizes[i] / 2 > size) continue;
    if (best == kept.count || kept.sizes[i] < kept.sizes[best]) best = i;
  }
  if (best == kept.count) return nullptr;
  void* block = kept.blocks[best];
  kept.bytes -= kept.sizes[best];
  --kept.count;
  kept.blocks[best] = kept.blocks[kept.count];
  kept.sizes[best] = kept.sizes[kept.count];
  return block;
}

void* Allocate(std::size_t size) {
  if (size < kLarge) return std::malloc(size == 0 ? 1 : size);
  void* block = TakeKept(size);
  if (block == nullptr) block = std::malloc(BlockSize(size));
  if (block == nullptr) return nullptr;
  const std::size_t blockSize = __sanitizer_get_allocated_size(block);
  ASAN_UNPOISON_MEMORY_REGION(block, size);
  ASAN_POISON_MEMORY_REGION(static_cast<char*>(block) + size, blockSize - size);
  return block;
}

void Release(void* block) {
  if (block == nullptr) return;
  const std::size_t blockSize = __sanitizer_get_allocated_size(block);
  if (blockSize >= kLarge) {
    Kept& kept = Store();
    std::lock_guard<std::mutex> guard(kept.lock);
    if (kept.count < kKeptBlocks && kept.bytes + blockSize <= kKeptBytes) {
      ASAN_POISON_MEMORY_REGION(block, blockSize);
      kept.blocks[kept.count] = block;
      kept.sizes[kept.count++] = blockSize;
      kept.bytes += blockSize;
      return;
    }
  }
  ASAN_UNPOISON_MEMORY_REGION(block, blockSize);
  std::free(block);
}

void* AllocateOrThrow(std::size_t size) {
  void* block = Allocate(size);
  if (block == nullptr) throw std::bad_alloc();
  return block;
}

}  // namespace

void* operator new(std::size_t size) {
  return AllocateOrThrow(size);
}
void* operator new[](std::size_t size) {
  return AllocateOrThrow(size);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  return Allocate(size);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
  return Allocate(size);
}
void operator delete(void* block) noexcept {
  Release(block);
}
void operator delete[](void* block) noexcept {
  Release(block);
}
void operator delete(void* block, std::size_t) noexcept {
  Release(block);
}
void operator delete[](void* block, std::size_t) noexcept {
  Release(block);
}
void operator delete(void* block, const std::nothrow_t&) noexcept {
  Release(block);
}
void operator delete[](void* block, const std::nothrow_t&) noexcept {
  Release(block);
}

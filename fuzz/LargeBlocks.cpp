// The harnesses' operator new and delete: large blocks are kept for reuse.
//
// The catalogue keeps its slot and comment areas (about 2.9 MB) in memory and
// reads them afresh into new tables for every open and every write. Under the
// address sanitizer each such block is a fresh mapping of its own, unmapped
// again when freed, so every input paid for several thousand page faults and
// ran at a few inputs a second. Here a freed large block waits for the next
// request of its size class instead, and the sanitizer still guards it: the
// bytes past the size asked for are poisoned, and so is a whole block while it
// waits, so overflows and uses after free are still reported (as uses of
// poisoned memory). Small blocks go straight to malloc.
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

// The runtime's own heap serves smaller blocks from reused memory already.
constexpr std::size_t kLarge = std::size_t{128} << 10;
// Classes of a sixteenth of a power of two: a block serves sizes at most
// about 6% smaller than it.
constexpr std::size_t kClasses = 256;
constexpr std::size_t kBlocksPerClass = 16;
constexpr std::size_t kKeptBytes = std::size_t{512} << 20;

struct Kept {
  std::mutex lock;
  void* blocks[kClasses][kBlocksPerClass] = {};
  std::size_t count[kClasses] = {};
  std::size_t bytes = 0;
};

Kept& Store() {
  static Kept* kept = new (std::malloc(sizeof(Kept))) Kept;  // never destroyed
  return *kept;
}

// The class of a large size and the size of its blocks.
std::size_t ClassOf(std::size_t size, std::size_t& classSize) {
  std::size_t log = 0;
  while ((std::size_t{1} << (log + 1)) <= size) ++log;
  const std::size_t step = (std::size_t{1} << log) / 16;
  std::size_t steps = (size - (std::size_t{1} << log) + step - 1) / step;
  if (steps == 16) {  // the next power of two
    ++log;
    steps = 0;
  }
  classSize = (std::size_t{1} << log) + steps * step;
  return (log * 17 + steps) % kClasses;
}

void* Allocate(std::size_t size) {
  if (size < kLarge) return std::malloc(size == 0 ? 1 : size);
  std::size_t classSize = 0;
  const std::size_t c = ClassOf(size, classSize);
  Kept& kept = Store();
  void* block = nullptr;
  {
    std::lock_guard<std::mutex> guard(kept.lock);
    for (std::size_t i = kept.count[c]; i-- > 0;) {
      if (__sanitizer_get_allocated_size(kept.blocks[c][i]) != classSize) continue;
      block = kept.blocks[c][i];
      kept.blocks[c][i] = kept.blocks[c][--kept.count[c]];
      kept.bytes -= classSize;
      break;
    }
  }
  if (block == nullptr) block = std::malloc(classSize);
  if (block == nullptr) return nullptr;
  ASAN_UNPOISON_MEMORY_REGION(block, size);
  ASAN_POISON_MEMORY_REGION(static_cast<char*>(block) + size, classSize - size);
  return block;
}

void Release(void* block) {
  if (block == nullptr) return;
  const std::size_t classSize = __sanitizer_get_allocated_size(block);
  if (classSize >= kLarge) {
    std::size_t exact = 0;
    const std::size_t c = ClassOf(classSize, exact);
    Kept& kept = Store();
    std::lock_guard<std::mutex> guard(kept.lock);
    if (exact == classSize && kept.count[c] < kBlocksPerClass &&
        kept.bytes + classSize <= kKeptBytes) {
      ASAN_POISON_MEMORY_REGION(block, classSize);
      kept.blocks[c][kept.count[c]++] = block;
      kept.bytes += classSize;
      return;
    }
  }
  ASAN_UNPOISON_MEMORY_REGION(block, classSize);
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

#include "tests/AllocationCounter.h"

#include <cstdlib>
#include <new>

namespace {

std::ptrdiff_t live = 0;

// The live blocks, as far as the table holds them: a test's few.
struct Block {
  const char* start;
  std::size_t size;
  std::uint64_t serial;  // 0 for a free row
};
Block blocks[4096];
std::uint64_t lastSerial = 0;

void Track(void* block, std::size_t size) {
  for (Block& row : blocks)
    if (row.serial == 0) {
      row = {static_cast<const char*>(block), size, ++lastSerial};
      return;
    }
}

void Forget(void* block) {
  for (Block& row : blocks)
    if (row.serial != 0 && row.start == block) row.serial = 0;
}

}  // namespace

std::ptrdiff_t LiveAllocations() { return live; }

std::uint64_t LiveBlockHolding(const void* address) {
  const char* byte = static_cast<const char*>(address);
  for (const Block& row : blocks)
    if (row.serial != 0 && byte >= row.start && byte < row.start + row.size) return row.serial;
  return 0;
}

bool BlockIsLive(std::uint64_t serial) {
  for (const Block& row : blocks)
    if (row.serial == serial) return serial != 0;
  return false;
}

void* operator new(std::size_t size) {
  void* block = std::malloc(size == 0 ? 1 : size);
  if (block == nullptr) throw std::bad_alloc();
  ++live;
  Track(block, size);
  return block;
}
void* operator new[](std::size_t size) { return operator new(size); }
void operator delete(void* block) noexcept {
  if (block == nullptr) return;
  --live;
  Forget(block);
  std::free(block);
}
void operator delete[](void* block) noexcept { operator delete(block); }
void operator delete(void* block, std::size_t) noexcept { operator delete(block); }
void operator delete[](void* block, std::size_t) noexcept { operator delete(block); }

// The benchmark's heap: malloc with a size header, counting what is live, at a cost small
// enough not to hide the finder's own.

#include <cstdlib>

#include "bench/counting_malloc.h"
#include "discovery/memory.h"

namespace counting_malloc {
namespace {
Live gLive;
constexpr std::size_t kHeader = alignof(std::max_align_t);
}  // namespace

Live Current() { return gLive; }
}  // namespace counting_malloc

void* AllocateMemory(std::size_t bytes) {
  auto* block = static_cast<char*>(std::malloc(bytes + counting_malloc::kHeader));
  if (block == nullptr) return nullptr;
  *reinterpret_cast<std::size_t*>(block) = bytes;
  ++counting_malloc::gLive.blocks;
  counting_malloc::gLive.bytes += bytes;
  return block + counting_malloc::kHeader;
}

void ReleaseMemory(void* memory) {
  if (memory == nullptr) return;
  char* block = static_cast<char*>(memory) - counting_malloc::kHeader;
  --counting_malloc::gLive.blocks;
  counting_malloc::gLive.bytes -= *reinterpret_cast<std::size_t*>(block);
  std::free(block);
}

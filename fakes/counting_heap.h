#pragma once

// The tests' allocator: counts every block, can refuse the Nth allocation, and notices a
// block released twice or never allocated.

#include <cstddef>

namespace counting_heap {

struct Stats {
  std::size_t allocations = 0;  // granted
  std::size_t releases = 0;     // of granted blocks
  std::size_t live = 0;
  std::size_t liveBytes = 0;
  std::size_t refused = 0;
  std::size_t badReleases = 0;
  std::size_t largestRequest = 0;     // bytes, granted or refused
  std::size_t firstRefusedBytes = 0;  // the request of the first refusal
};

// Forgets every count (live blocks stay allocated). With failAt >= 0 the allocation of that
// index (0 is the next one) and every later one is refused; with `onlyThatOne` the later ones
// are granted again, as a real heap may grant a small block after refusing a large one.
void Reset(long failAt = -1, bool onlyThatOne = false);
const Stats& Current();
bool IsLive(const void* block);

}  // namespace counting_heap

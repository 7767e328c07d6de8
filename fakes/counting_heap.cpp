#include "fakes/counting_heap.h"

#include <algorithm>
#include <cstdlib>
#include <map>

#include "discovery/memory.h"

namespace counting_heap {
namespace {

struct State {
  Stats stats;
  long failAt = -1;
  bool onlyThatOne = false;
  long attempts = 0;
  std::map<const void*, std::size_t> blocks;
};

State& Heap() {
  static State state;
  return state;
}

}  // namespace

void Reset(long failAt, bool onlyThatOne) {
  State& h = Heap();
  h.stats = Stats{};
  h.failAt = failAt;
  h.onlyThatOne = onlyThatOne;
  h.attempts = 0;
  h.blocks.clear();
}

const Stats& Current() { return Heap().stats; }

bool IsLive(const void* block) { return Heap().blocks.count(block) != 0; }

}  // namespace counting_heap

void* AllocateMemory(std::size_t bytes) {
  auto& h = counting_heap::Heap();
  const long attempt = h.attempts++;
  h.stats.largestRequest = std::max(h.stats.largestRequest, bytes);
  const bool refuse = h.failAt >= 0 && (h.onlyThatOne ? attempt == h.failAt : attempt >= h.failAt);
  void* block = refuse ? nullptr : std::malloc(bytes == 0 ? 1 : bytes);
  if (block == nullptr) {
    if (h.stats.refused++ == 0) h.stats.firstRefusedBytes = bytes;
    return nullptr;
  }
  h.blocks[block] = bytes;
  ++h.stats.allocations;
  ++h.stats.live;
  h.stats.liveBytes += bytes;
  return block;
}

void ReleaseMemory(void* block) {
  if (block == nullptr) return;
  auto& h = counting_heap::Heap();
  const auto found = h.blocks.find(block);
  if (found == h.blocks.end()) {
    ++h.stats.badReleases;  // not ours, or released before: leave it alone
    return;
  }
  h.stats.liveBytes -= found->second;
  h.blocks.erase(found);
  ++h.stats.releases;
  --h.stats.live;
  std::free(block);
}

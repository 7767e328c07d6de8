#include <cstdlib>

#include "discovery/memory.h"

// malloc may answer a request of 0 bytes with null, which would read as exhaustion.
void* AllocateMemory(std::size_t bytes) { return std::malloc(bytes == 0 ? 1 : bytes); }

void ReleaseMemory(void* block) { std::free(block); }

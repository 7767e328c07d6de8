#include <windows.h>

#include "discovery/memory.h"

void* AllocateMemory(std::size_t bytes) { return HeapAlloc(GetProcessHeap(), 0, bytes); }

void ReleaseMemory(void* block) {
  if (block != nullptr) HeapFree(GetProcessHeap(), 0, block);
}

#pragma once

#include <cstddef>

// The one allocator of the discovery code, provided by each runtime layer (the process heap
// on Windows, malloc elsewhere, a counting allocator in the tests). A null result means the
// memory is exhausted; ReleaseMemory accepts null.
void* AllocateMemory(std::size_t bytes);
void ReleaseMemory(void* block);

// Makes allocations fail on demand. Include it in exactly one source file of a test executable:
// it replaces the executable's global operator new and delete.
//
// Allocations of the thread that sets gAllocationsLeft fail once that many more have been made
// (-1: never); the program's other threads allocate as usual. Each failure is counted. With
// gFailOnce set only the one allocation fails: memory ran short at one moment and came back.
#pragma once

#include <cstdlib>
#include <new>

thread_local long gAllocationsLeft = -1;
thread_local int gAllocationFailures = 0;
thread_local bool gFailOnce = false;

void* operator new(std::size_t size) {
  if (gAllocationsLeft == 0) {
    ++gAllocationFailures;
    if (gFailOnce) gAllocationsLeft = -1;
    throw std::bad_alloc();
  }
  if (gAllocationsLeft > 0) --gAllocationsLeft;
  if (void* block = std::malloc(size == 0 ? 1 : size)) return block;
  throw std::bad_alloc();
}
// Not inlined: the compiler would otherwise pair the free with the operator new it sees.
__attribute__((noinline)) void operator delete(void* block) noexcept { std::free(block); }
__attribute__((noinline)) void operator delete(void* block, std::size_t) noexcept { std::free(block); }

#include "ui/gfx/Memory.h"

#include <windows.h>

#include <cstring>

static_assert(sizeof(void*) == 4 && sizeof(std::intptr_t) == 4, "the toolkit's callbacks are 32-bit");

// Pushes the ten arguments right to left, calls, and puts the stack pointer back from the
// frame, so a callee that pops its own (fewer) arguments leaves no trace.
extern "C" std::intptr_t QuarvelCallWithTenArguments(const void* function, const std::intptr_t* arguments)
    __asm__("quarvel_call_with_ten_arguments");
__asm__(R"(
    .text
    .globl quarvel_call_with_ten_arguments
quarvel_call_with_ten_arguments:
    pushl %ebp
    movl %esp, %ebp
    movl 12(%ebp), %eax
    pushl 36(%eax)
    pushl 32(%eax)
    pushl 28(%eax)
    pushl 24(%eax)
    pushl 20(%eax)
    pushl 16(%eax)
    pushl 12(%eax)
    pushl 8(%eax)
    pushl 4(%eax)
    pushl 0(%eax)
    call *8(%ebp)
    movl %ebp, %esp
    popl %ebp
    ret
)");

namespace gfx {

void* raw_alloc(std::size_t size) {
  if (size == 0) return nullptr;
  return VirtualAlloc(nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_EXECUTE_READWRITE);
}

bool raw_free(void* address) { return address && VirtualFree(address, 0, MEM_RELEASE) != FALSE; }

std::size_t copy_bytes_to(void* address, std::span<const unsigned char> bytes, std::size_t count) {
  if (!address || bytes.empty()) return 0;
  std::size_t n = bytes.size();
  if (count > 0 && count < n) n = count;
  std::memmove(address, bytes.data(), n);
  return n;
}

std::intptr_t call_pointer(const void* function, std::intptr_t a1, std::intptr_t a2, std::intptr_t a3,
                           std::intptr_t a4, std::intptr_t a5, std::intptr_t a6, std::intptr_t a7,
                           std::intptr_t a8, std::intptr_t a9, std::intptr_t a10) {
  if (!function) return 0;
  const std::intptr_t arguments[10] = {a1, a2, a3, a4, a5, a6, a7, a8, a9, a10};
  return QuarvelCallWithTenArguments(function, arguments);
}

}  // namespace gfx

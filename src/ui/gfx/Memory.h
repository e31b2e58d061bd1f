// Raw executable memory (for thunks and message blocks) and the way the toolkit calls the
// plain function addresses of application callbacks.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace gfx {

// Committed read/write/execute memory, or null; give it back with raw_free.
void* raw_alloc(std::size_t size);
bool raw_free(void* address);

// Copies the whole array, or only count bytes when 0 < count < size; returns bytes copied.
std::size_t copy_bytes_to(void* address, std::span<const unsigned char> bytes, std::size_t count = 0);

// Calls a callback address with ten 32-bit arguments (missing ones 0) and returns its result;
// 0 when the address is null. The callee may take fewer arguments and may be __cdecl or
// __stdcall: the stack is restored whatever it pops.
std::intptr_t call_pointer(const void* function, std::intptr_t a1 = 0, std::intptr_t a2 = 0,
                           std::intptr_t a3 = 0, std::intptr_t a4 = 0, std::intptr_t a5 = 0,
                           std::intptr_t a6 = 0, std::intptr_t a7 = 0, std::intptr_t a8 = 0,
                           std::intptr_t a9 = 0, std::intptr_t a10 = 0);

// The address of a callback function, for call_pointer and handler tables.
template <typename R, typename... Args>
const void* CallbackAddress(R (*function)(Args...)) {
  static_assert(sizeof...(Args) <= 10, "callbacks take at most ten arguments");
  return reinterpret_cast<const void*>(function);
}
#if defined(__i386__)
template <typename R, typename... Args>
const void* CallbackAddress(R(__stdcall* function)(Args...)) {
  static_assert(sizeof...(Args) <= 10, "callbacks take at most ten arguments");
  return reinterpret_cast<const void*>(function);
}
#endif

}  // namespace gfx

#include "ui/gfx/WindowThunk.h"

#include <cstdint>
#include <cstring>
#include <utility>

#include "ui/gfx/Memory.h"

namespace gfx {

namespace {

void Put32(unsigned char* at, std::uint32_t value) { std::memcpy(at, &value, sizeof value); }

}  // namespace

WindowThunk::WindowThunk(WindowThunk&& other) noexcept : code_(std::exchange(other.code_, nullptr)) {}

WindowThunk& WindowThunk::operator=(WindowThunk&& other) noexcept {
  if (this != &other) {
    Reset();
    code_ = std::exchange(other.code_, nullptr);
  }
  return *this;
}

WindowThunk::~WindowThunk() { Reset(); }

void WindowThunk::Reset() {
  if (unsigned char* code = std::exchange(code_, nullptr)) raw_free(code);
}

WindowThunk make_window_thunk(void* host, WindowThunk::Target method) {
  WindowThunk thunk;
  auto* code = static_cast<unsigned char*>(raw_alloc(WindowThunk::kSize));
  if (!code) return thunk;
  code[0] = 0xE8;  // call +4: pushes the address of the target slot at offset 5
  Put32(code + 1, 4);
  Put32(code + 5, static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(method)));
  code[9] = 0x59;  // pop ecx
  code[10] = 0xC7;  // mov dword [esp+4], host
  code[11] = 0x44;
  code[12] = 0x24;
  code[13] = 0x04;
  Put32(code + 14, static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(host)));
  code[18] = 0xFF;  // jmp [ecx]
  code[19] = 0x21;
  FlushInstructionCache(GetCurrentProcess(), code, WindowThunk::kSize);
  thunk.code_ = code;
  return thunk;
}

}  // namespace gfx

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "ui/gfx/Memory.h"
#include "ui/gfx/Toolkit.h"
#include "ui/gfx/WindowThunk.h"

namespace {

using namespace gfx;

struct FakeHost {
  int calls = 0;
  void* self = nullptr;
  UINT message = 0;
  WPARAM wParam = 0;
  LPARAM lParam = 0;
};

LRESULT CALLBACK HandleMessage(FakeHost* host, UINT message, WPARAM wParam, LPARAM lParam) {
  host->calls++;
  host->self = host;
  host->message = message;
  host->wParam = wParam;
  host->lParam = lParam;
  return 0x1234 + static_cast<LRESULT>(message);
}

TEST(WindowThunk, CodeIsTheTwentyByteLayout) {
  FakeHost host;
  WindowThunk thunk = make_window_thunk(&host, HandleMessage);
  ASSERT_TRUE(thunk);
  const auto* code = reinterpret_cast<const unsigned char*>(thunk.Proc());
  const std::uint32_t method = reinterpret_cast<std::uintptr_t>(&HandleMessage);
  const std::uint32_t self = reinterpret_cast<std::uintptr_t>(&host);
  unsigned char expected[20] = {0xE8, 4, 0, 0, 0, 0, 0, 0, 0, 0x59, 0xC7, 0x44, 0x24, 0x04, 0, 0, 0, 0, 0xFF, 0x21};
  std::memcpy(expected + 5, &method, 4);
  std::memcpy(expected + 14, &self, 4);
  EXPECT_EQ(0, std::memcmp(code, expected, sizeof expected));

  MEMORY_BASIC_INFORMATION info = {};
  ASSERT_NE(VirtualQuery(code, &info, sizeof info), 0u);
  EXPECT_EQ(info.Protect, static_cast<DWORD>(PAGE_EXECUTE_READWRITE));
}

TEST(WindowThunk, CallArrivesWithTheHostInPlaceOfTheWindow) {
  FakeHost first, second;
  WindowThunk a = make_window_thunk(&first, HandleMessage);
  WindowThunk b = make_window_thunk(&second, HandleMessage);
  const HWND someWindow = reinterpret_cast<HWND>(0x5678);
  EXPECT_EQ(a.Proc()(someWindow, WM_USER + 3, 11, 22), 0x1234 + WM_USER + 3);
  EXPECT_EQ(b.Proc()(someWindow, WM_USER + 4, 33, -44), 0x1234 + WM_USER + 4);
  EXPECT_EQ(first.calls, 1);
  EXPECT_EQ(first.self, &first);
  EXPECT_EQ(first.message, static_cast<UINT>(WM_USER + 3));
  EXPECT_EQ(first.wParam, 11u);
  EXPECT_EQ(first.lParam, 22);
  EXPECT_EQ(second.calls, 1);
  EXPECT_EQ(second.lParam, -44);
}

TEST(WindowThunk, SubclassedToolkitWindowReachesTheHost) {
  HWND window = CreateWindowExW(0, kToolkitWindowClass, L"thunk", WS_POPUP, 0, 0, 50, 50, nullptr, nullptr,
                                GetModuleHandleW(nullptr), nullptr);
  ASSERT_NE(window, nullptr);
  FakeHost host;
  WindowThunk thunk = make_window_thunk(&host, HandleMessage);
  const LONG_PTR previous = SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(thunk.Proc()));
  EXPECT_EQ(SendMessageW(window, WM_USER + 9, 7, 8), 0x1234 + WM_USER + 9);
  EXPECT_EQ(host.self, &host);
  EXPECT_EQ(host.message, static_cast<UINT>(WM_USER + 9));
  EXPECT_EQ(host.wParam, 7u);
  EXPECT_EQ(host.lParam, 8);
  SetWindowLongPtrW(window, GWLP_WNDPROC, previous);
  DestroyWindow(window);
}

TEST(WindowThunk, MemoryIsFreedWithTheOwner) {
  FakeHost host;
  void* code = nullptr;
  {
    WindowThunk thunk = make_window_thunk(&host, HandleMessage);
    WindowThunk moved = std::move(thunk);
    EXPECT_FALSE(thunk);
    code = reinterpret_cast<void*>(moved.Proc());
  }
  MEMORY_BASIC_INFORMATION info = {};
  ASSERT_NE(VirtualQuery(code, &info, sizeof info), 0u);
  EXPECT_EQ(info.State, static_cast<DWORD>(MEM_FREE));
}

// What the last callback saw.
std::vector<std::intptr_t> seen;

std::intptr_t __cdecl TenCdecl(std::intptr_t a1, std::intptr_t a2, std::intptr_t a3, std::intptr_t a4, std::intptr_t a5,
                               std::intptr_t a6, std::intptr_t a7, std::intptr_t a8, std::intptr_t a9, std::intptr_t a10) {
  seen = {a1, a2, a3, a4, a5, a6, a7, a8, a9, a10};
  return a1 - a10;
}
std::intptr_t __stdcall ThreeStdcall(std::intptr_t a1, std::intptr_t a2, std::intptr_t a3) {
  seen = {a1, a2, a3};
  return a1 * 100 + a2 * 10 + a3;
}
int __stdcall NoneStdcall() {
  seen = {};
  return 77;
}
int __cdecl TwoCdecl(int a1, int a2) {
  seen = {a1, a2};
  return a2;
}

TEST(CallPointer, PassesTheArgumentsInOrderWhateverTheCallee) {
  struct Case {
    const char* what;
    const void* function;
    std::intptr_t result;
    std::vector<std::intptr_t> arguments;
  } cases[] = {
      {"ten, cdecl", CallbackAddress(TenCdecl), 1 - 10, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10}},
      {"three, stdcall", CallbackAddress(ThreeStdcall), 123, {1, 2, 3}},
      {"none, stdcall", CallbackAddress(NoneStdcall), 77, {}},
      {"two, cdecl", CallbackAddress(TwoCdecl), 2, {1, 2}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    seen = {-1};
    // Many calls: a stack left unbalanced by a callee that pops its own arguments would crash.
    for (int i = 0; i < 1000; ++i) ASSERT_EQ(call_pointer(c.function, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10), c.result);
    EXPECT_EQ(seen, c.arguments);
  }
}

TEST(CallPointer, MissingArgumentsAreZeroAndNullCallsNothing) {
  seen = {-1};
  EXPECT_EQ(call_pointer(CallbackAddress(TenCdecl), 42, -7), 42);
  EXPECT_EQ(seen, (std::vector<std::intptr_t>{42, -7, 0, 0, 0, 0, 0, 0, 0, 0}));
  seen = {-1};
  EXPECT_EQ(call_pointer(nullptr, 1, 2, 3), 0);
  EXPECT_EQ(seen, std::vector<std::intptr_t>{-1});
}

TEST(RawMemory, CopyBytesHonoursTheCountOnlyWhenShorter) {
  const unsigned char source[] = {1, 2, 3, 4, 5};
  struct Case {
    std::size_t count;
    std::size_t copied;
  } cases[] = {{0, 5}, {2, 2}, {4, 4}, {5, 5}, {9, 5}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.count);
    unsigned char target[8];
    std::memset(target, 0xCC, sizeof target);
    EXPECT_EQ(copy_bytes_to(target, source, c.count), c.copied);
    for (std::size_t i = 0; i < sizeof target; ++i) EXPECT_EQ(target[i], i < c.copied ? source[i] : 0xCC) << i;
  }
  EXPECT_EQ(copy_bytes_to(nullptr, source), 0u);
}

TEST(RawMemory, AllocIsExecutableAndFreeReleasesIt) {
  EXPECT_EQ(raw_alloc(0), nullptr);
  void* block = raw_alloc(64);
  ASSERT_NE(block, nullptr);
  MEMORY_BASIC_INFORMATION info = {};
  VirtualQuery(block, &info, sizeof info);
  EXPECT_EQ(info.State, static_cast<DWORD>(MEM_COMMIT));
  EXPECT_EQ(info.Protect, static_cast<DWORD>(PAGE_EXECUTE_READWRITE));
  std::memset(block, 0x5A, 64);
  EXPECT_TRUE(raw_free(block));
  VirtualQuery(block, &info, sizeof info);
  EXPECT_EQ(info.State, static_cast<DWORD>(MEM_FREE));
  EXPECT_FALSE(raw_free(nullptr));
}

}  // namespace

// System DLLs the first frame does not need are loaded on the first call into them, not when
// the process starts: each one costs Wine milliseconds and private memory at start-up, and
// most runs never touch some of them (the accessibility and IME libraries, the shell).
//
// Each function below takes the place of its import. Its import slot (__imp__Name@N) first
// holds a stub that loads the DLL, looks the function up, stores it in the slot and calls it;
// later calls go through the slot straight to the DLL. A plain thunk (_Name@N) serves callers
// whose headers do not declare the function as imported. Only the exe links this file, so it
// replaces the import libraries' entries there and nowhere else.
#include <windows.h>
#include <commctrl.h>
#include <imm.h>
#include <oleacc.h>
#include <shellapi.h>
#include <wininet.h>

#include <type_traits>

#include "ui/gfx/SystemLibrary.h"

namespace {

constexpr wchar_t kComctl32[] = L"comctl32.dll";
constexpr wchar_t kImm32[] = L"imm32.dll";
constexpr wchar_t kOleacc[] = L"oleacc.dll";
constexpr wchar_t kOleaut32[] = L"oleaut32.dll";
constexpr wchar_t kShell32[] = L"shell32.dll";
constexpr wchar_t kWininet[] = L"wininet.dll";

template <typename Function>
struct LateBound;

template <typename R, typename... Args>
struct LateBound<R(__stdcall*)(Args...)> {
  using Function = R(__stdcall*)(Args...);

  // A DLL of Windows itself is always there, and is taken from the system directory only;
  // should it fail anyway, the call fails the way the function reports failure, with
  // ERROR_PROC_NOT_FOUND as its last error.
  template <void** Slot, const wchar_t* Dll, const char* Name, long long Failure>
  static R __stdcall Stub(Args... args) {
    void* found = nullptr;
    if (HMODULE module = gfx::LoadSystemLibrary(Dll)) found = reinterpret_cast<void*>(GetProcAddress(module, Name));
    if (!found) {
      SetLastError(ERROR_PROC_NOT_FOUND);
      if constexpr (std::is_void_v<R>) {
        return;
      } else {
        return (R)(Failure);
      }
    }
    InterlockedExchangePointer(Slot, found);
    return reinterpret_cast<Function>(found)(args...);
  }
};

}  // namespace

#define QUARVEL_LATE_BOUND(dll, name, bytes, failure)                                                            \
  extern "C" void* name##Slot __asm__("__imp__" #name "@" #bytes);                                              \
  namespace {                                                                                                    \
  constexpr char name##Name[] = #name;                                                                           \
  }                                                                                                              \
  void* name##Slot = reinterpret_cast<void*>(                                                                    \
      &LateBound<decltype(&::name)>::Stub<&name##Slot, dll, name##Name, static_cast<long long>(failure)>);       \
  __asm__(".globl _" #name "@" #bytes "\n_" #name "@" #bytes ":\n\tjmp *__imp__" #name "@" #bytes "\n");

// The list rows' icons, and the tooltips' window class.
QUARVEL_LATE_BOUND(kComctl32, ImageList_GetIcon, 12, 0)
QUARVEL_LATE_BOUND(kComctl32, ImageList_GetIconSize, 12, FALSE)
QUARVEL_LATE_BOUND(kComctl32, ImageList_GetImageCount, 4, 0)
QUARVEL_LATE_BOUND(kComctl32, InitCommonControlsEx, 4, FALSE)

// The edit box's input method window.
QUARVEL_LATE_BOUND(kImm32, ImmAssociateContext, 8, 0)
QUARVEL_LATE_BOUND(kImm32, ImmGetCompositionStringW, 16, IMM_ERROR_GENERAL)
QUARVEL_LATE_BOUND(kImm32, ImmGetContext, 4, 0)
QUARVEL_LATE_BOUND(kImm32, ImmReleaseContext, 8, FALSE)
QUARVEL_LATE_BOUND(kImm32, ImmSetCompositionWindow, 8, FALSE)

// Accessibility, asked for by screen readers only.
QUARVEL_LATE_BOUND(kOleacc, AccessibleObjectFromWindow, 16, E_FAIL)
QUARVEL_LATE_BOUND(kOleacc, LresultFromObject, 12, E_FAIL)

// Automation texts and variants of the COM paths.
QUARVEL_LATE_BOUND(kOleaut32, SysAllocString, 4, 0)
QUARVEL_LATE_BOUND(kOleaut32, SysAllocStringLen, 8, 0)
QUARVEL_LATE_BOUND(kOleaut32, VariantClear, 4, E_FAIL)
QUARVEL_LATE_BOUND(kOleaut32, VariantInit, 4, 0)

// Opening links in the user's programs.
QUARVEL_LATE_BOUND(kShell32, ShellExecuteExW, 4, FALSE)

// The web, first asked for by the start-up threads once the window is built.
QUARVEL_LATE_BOUND(kWininet, HttpOpenRequestA, 32, 0)
QUARVEL_LATE_BOUND(kWininet, HttpQueryInfoA, 20, FALSE)
QUARVEL_LATE_BOUND(kWininet, HttpSendRequestA, 20, FALSE)
QUARVEL_LATE_BOUND(kWininet, InternetCloseHandle, 4, FALSE)
QUARVEL_LATE_BOUND(kWininet, InternetConnectA, 32, 0)
QUARVEL_LATE_BOUND(kWininet, InternetOpenA, 20, 0)
QUARVEL_LATE_BOUND(kWininet, InternetQueryDataAvailable, 16, FALSE)
QUARVEL_LATE_BOUND(kWininet, InternetReadFile, 16, FALSE)
QUARVEL_LATE_BOUND(kWininet, InternetSetOptionA, 16, FALSE)
QUARVEL_LATE_BOUND(kWininet, InternetSetStatusCallbackA, 8, -1)  // INTERNET_INVALID_STATUS_CALLBACK

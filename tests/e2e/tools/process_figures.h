// Resource figures of a process, read from outside it (or from inside, for a benchmark):
// GDI and USER object counts and private bytes. Wine answers GetGuiResources with 0, so there
// the GDI count comes from the process's shared GDI handle table (its PEB names it) and the
// USER count is the number of its windows; `exact` says which way the counts were taken.
#pragma once

#include <windows.h>
#include <psapi.h>
#include <winternl.h>

#include <vector>

namespace figures {

struct ProcessFigures {
  DWORD gdi = 0;
  DWORD user = 0;
  SIZE_T privateBytes = 0;
  bool exact = true;  // false: counted from the handle table and the window list
};

namespace detail {

// One entry of the GDI handle table as Wine lays it out (the same shape as Windows').
#pragma pack(push, 1)
struct GdiHandleEntry {
  unsigned long long object;
  ULONG owner;
  USHORT unique;  // low 7 bits: extended type, bit 7: stock object
  UCHAR type;
  UCHAR flags;
  unsigned long long userPointer;
};
#pragma pack(pop)
static_assert(sizeof(GdiHandleEntry) == 24);

constexpr size_t kGdiTableEntries = 16384;
constexpr size_t kPebGdiTableOffset = 0x94;  // GdiSharedHandleTable in a 32-bit PEB

inline DWORD CountGdiFromTable(HANDLE process) {
  using Query = LONG(WINAPI*)(HANDLE, PROCESSINFOCLASS, PVOID, ULONG, PULONG);
  auto query = reinterpret_cast<Query>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQueryInformationProcess")));
  if (!query) return 0;
  PROCESS_BASIC_INFORMATION basic{};
  if (query(process, ProcessBasicInformation, &basic, sizeof basic, nullptr) != 0 || !basic.PebBaseAddress) return 0;
  void* table = nullptr;
  SIZE_T read = 0;
  const auto* peb = reinterpret_cast<const char*>(basic.PebBaseAddress);
  if (!ReadProcessMemory(process, peb + kPebGdiTableOffset, &table, sizeof table, &read) || !table) return 0;
  std::vector<GdiHandleEntry> entries(kGdiTableEntries);
  if (!ReadProcessMemory(process, table, entries.data(), entries.size() * sizeof(GdiHandleEntry), &read)) return 0;
  DWORD count = 0;
  for (size_t i = 0; i < read / sizeof(GdiHandleEntry); ++i) {
    if (entries[i].type != 0 && !(entries[i].unique & 0x80)) ++count;
  }
  return count;
}

struct WindowCount {
  DWORD pid;
  DWORD count;
};

inline BOOL CALLBACK CountChild(HWND, LPARAM param) {
  ++reinterpret_cast<WindowCount*>(param)->count;
  return TRUE;
}

inline BOOL CALLBACK CountTopLevel(HWND window, LPARAM param) {
  auto* windows = reinterpret_cast<WindowCount*>(param);
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  if (pid != windows->pid) return TRUE;
  ++windows->count;
  EnumChildWindows(window, CountChild, param);
  return TRUE;
}

}  // namespace detail

// process needs PROCESS_QUERY_INFORMATION and PROCESS_VM_READ.
inline ProcessFigures Measure(HANDLE process, DWORD pid) {
  ProcessFigures out;
  out.gdi = GetGuiResources(process, GR_GDIOBJECTS);
  out.user = GetGuiResources(process, GR_USEROBJECTS);
  if (out.gdi == 0 && out.user == 0) {
    out.exact = false;
    out.gdi = detail::CountGdiFromTable(process);
    detail::WindowCount windows{pid, 0};
    EnumWindows(detail::CountTopLevel, reinterpret_cast<LPARAM>(&windows));
    out.user = windows.count;
  }
  PROCESS_MEMORY_COUNTERS_EX memory{};
  memory.cb = sizeof memory;
  if (GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory), sizeof memory)) {
    // Wine leaves PrivateUsage at 0; the commit charge is the same figure on Windows.
    out.privateBytes = memory.PrivateUsage ? memory.PrivateUsage : memory.PagefileUsage;
  }
  return out;
}

inline ProcessFigures MeasureSelf() { return Measure(GetCurrentProcess(), GetCurrentProcessId()); }

}  // namespace figures

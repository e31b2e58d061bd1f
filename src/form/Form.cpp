#include "form/Form.h"

#include <climits>
#include <map>
#include <memory>
#include <mutex>

#include "base/Contained.h"

namespace form {
namespace {

// The window-to-object maps. Forms are used from the UI thread, but a lock keeps a form made
// on another thread from corrupting them; it is never held while a window procedure runs.
struct FormMaps {
  std::mutex lock;
  std::map<HWND, std::unique_ptr<Form>> forms;
  std::map<HWND, WindowHook> hooks;
  std::map<HWND, CommandHandler> commandHandlers;
};

FormMaps& Maps() {
  static FormMaps maps;
  return maps;
}

WindowHook HookOf(HWND window) {
  auto& maps = Maps();
  std::lock_guard guard(maps.lock);
  auto it = maps.hooks.find(window);
  return it == maps.hooks.end() ? nullptr : it->second;
}

CommandHandler CommandHandlerOf(HWND control) {
  auto& maps = Maps();
  std::lock_guard guard(maps.lock);
  auto it = maps.commandHandlers.find(control);
  return it == maps.commandHandlers.end() ? nullptr : it->second;
}

// Forgets everything about a window once it is gone.
void Unmap(HWND window) {
  std::unique_ptr<Form> record;
  auto& maps = Maps();
  std::lock_guard guard(maps.lock);
  auto it = maps.forms.find(window);
  if (it != maps.forms.end()) {
    record = std::move(it->second);
    maps.forms.erase(it);
  }
  maps.hooks.erase(window);
  maps.commandHandlers.erase(window);
}

// The program's texts are GBK (code page 936) whatever the system's ANSI code page is: the
// window is a Unicode one, its class, title and messages wide, so the title bar, the taskbar
// and accessibility read the same characters on any system.
std::wstring Wide(const std::string& text) {
  if (text.empty() || text.size() > INT_MAX) return {};
  constexpr UINT kTextCodePage = 936;
  const int length = static_cast<int>(text.size());
  std::wstring wide(text.size(), L'\0');  // never more units than bytes
  const int units = MultiByteToWideChar(kTextCodePage, 0, text.data(), length, wide.data(), length);
  wide.resize(units > 0 ? static_cast<std::size_t>(units) : 0);
  return wide;
}

// Messages that arrive before the window is subclassed (during CreateWindowExW).
LRESULT CALLBACK ClassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (Form* record = FormOfWindow(window)) {
    return base::Contained([&] { return record->MessageProc(window, message, wParam, lParam); });
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

void RegisterFormClass(const std::wstring& className) {
  WNDCLASSEXW cls{};
  cls.cbSize = sizeof(cls);  // 48
  cls.style = CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS;
  cls.lpfnWndProc = ClassProc;
  cls.hInstance = GetModuleHandleW(nullptr);
  cls.hCursor = LoadCursorA(nullptr, IDC_ARROW);  // the cursor names are narrow ids in this build
  cls.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
  cls.lpszMenuName = L"";
  cls.lpszClassName = className.c_str();
  RegisterClassExW(&cls);  // fails harmlessly when the class exists
}

void RunModalLoop(HWND window, const FormOptions& options) {
  MSG msg;
  while (IsWindow(window)) {
    BOOL got = GetMessageW(&msg, nullptr, 0, 0);
    if (got == 0) {
      PostQuitMessage(static_cast<int>(msg.wParam));  // let the outer loop see it too
      break;
    }
    if (got < 0) break;
    if (options.acceleratorTable && TranslateAcceleratorW(window, options.acceleratorTable, &msg)) continue;
    if (options.dialogMessages && IsDialogMessageW(window, &msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

}  // namespace

LRESULT Form::MessageProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case kCreatedMessage: {
      if (created) created(hwnd);
      RECT client{};
      GetClientRect(hwnd, &client);
      SendMessageW(hwnd, WM_SIZE, SIZE_RESTORED, MAKELPARAM(client.right - client.left, client.bottom - client.top));
      return 0;
    }
    case WM_CLOSE:
      if (close && close(hwnd) != 0) return 0;
      DestroyWindow(hwnd);
      return 0;
    default: {
      LRESULT result = 0;
      if (GeneralHandler(hwnd, message, wParam, lParam, &result)) return result;
      return DefWindowProcW(hwnd, message, wParam, lParam);
    }
  }
}

bool Form::GeneralHandler(HWND, UINT, WPARAM, LPARAM, LRESULT*) { return false; }

namespace {

LRESULT FormMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (WindowHook hook = HookOf(window)) {
    if (LRESULT answer = hook(window, message, wParam, lParam)) return answer;
  }
  if ((message == WM_COMMAND || message == WM_NOTIFY) && lParam != 0) {
    HWND control = message == WM_COMMAND ? reinterpret_cast<HWND>(lParam)
                                         : reinterpret_cast<const NMHDR*>(lParam)->hwndFrom;
    if (CommandHandler handler = CommandHandlerOf(control)) return handler(window, message, wParam, lParam);
  }
  LRESULT result;
  if (Form* record = FormOfWindow(window)) {
    result = record->MessageProc(window, message, wParam, lParam);
  } else {
    result = DefWindowProcW(window, message, wParam, lParam);
  }
  if (message == WM_NCDESTROY) Unmap(window);
  return result;
}

}  // namespace

LRESULT CALLBACK FormWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return base::Contained([&] { return FormMessage(window, message, wParam, lParam); },
                         [&]() -> LRESULT {
                           if (message == WM_NCDESTROY) Unmap(window);
                           return 0;
                         });
}

HWND create_form(const FormOptions& options) {
  const std::wstring className = Wide(options.className.value_or(kDefaultClassName));
  RegisterFormClass(className);

  auto record = std::make_unique<Form>();
  record->created = options.created;

  const DWORD style = options.style.value_or(kDefaultStyle) | WS_CLIPSIBLINGS;
  HWND window = CreateWindowExW(options.extendedStyle.value_or(0), className.c_str(), Wide(options.title).c_str(), style,
                                options.x.value_or(CW_USEDEFAULT), options.y.value_or(CW_USEDEFAULT),
                                options.width.value_or(kDefaultWidth), options.height.value_or(kDefaultHeight),
                                options.owner, nullptr, GetModuleHandleW(nullptr), nullptr);
  if (!window) return nullptr;

  record->window = window;
  {
    auto& maps = Maps();
    std::lock_guard guard(maps.lock);
    maps.forms[window] = std::move(record);
  }
  if (reinterpret_cast<WNDPROC>(GetWindowLongPtrW(window, GWLP_WNDPROC)) != FormWindowProc) {
    SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(FormWindowProc));
  }
  SendMessageW(window, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), 0);
  if (options.owner) {
    for (WPARAM kind : {static_cast<WPARAM>(ICON_SMALL), static_cast<WPARAM>(ICON_BIG)}) {
      LRESULT icon = SendMessageW(options.owner, WM_GETICON, kind, 0);
      SendMessageW(window, WM_SETICON, kind, icon);
    }
  }

  SendMessageW(window, kCreatedMessage, 0, 0);
  if (!IsWindow(window)) return nullptr;  // the created handler may have closed it

  if (!options.hidden) {
    ShowWindow(window, SW_SHOW);
    UpdateWindow(window);
  }
  if (options.modal) {
    if (options.owner) EnableWindow(options.owner, FALSE);
    RunModalLoop(window, options);
    if (options.owner) {
      EnableWindow(options.owner, TRUE);
      SetActiveWindow(options.owner);
    }
  }
  return window;
}

Form* FormOfWindow(HWND window) {
  auto& maps = Maps();
  std::lock_guard guard(maps.lock);
  auto it = maps.forms.find(window);
  return it == maps.forms.end() ? nullptr : it->second.get();
}

void SetWindowHook(HWND window, WindowHook hook) {
  auto& maps = Maps();
  std::lock_guard guard(maps.lock);
  if (hook) maps.hooks[window] = hook; else maps.hooks.erase(window);
}

void SetCommandHandler(HWND control, CommandHandler handler) {
  auto& maps = Maps();
  std::lock_guard guard(maps.lock);
  if (handler) maps.commandHandlers[control] = handler; else maps.commandHandlers.erase(control);
}

bool SetCloseHandler(HWND window, CloseHandler handler) {
  Form* record = FormOfWindow(window);
  if (!record) return false;
  record->close = handler;
  return true;
}

}  // namespace form

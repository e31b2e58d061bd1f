#include "form/Form.h"

#include <map>
#include <memory>
#include <mutex>

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

// Messages that arrive before the window is subclassed (during CreateWindowExA).
LRESULT CALLBACK ClassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (Form* record = FormOfWindow(window)) return record->MessageProc(window, message, wParam, lParam);
  return DefWindowProcA(window, message, wParam, lParam);
}

void RegisterFormClass(const char* className) {
  WNDCLASSEXA cls{};
  cls.cbSize = sizeof(cls);  // 48
  cls.style = CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS;
  cls.lpfnWndProc = ClassProc;
  cls.hInstance = GetModuleHandleA(nullptr);
  cls.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
  cls.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(16));
  cls.lpszMenuName = "";
  cls.lpszClassName = className;
  RegisterClassExA(&cls);  // fails harmlessly when the class exists
}

void RunModalLoop(HWND window, const FormOptions& options) {
  MSG msg;
  while (IsWindow(window)) {
    BOOL got = GetMessageA(&msg, nullptr, 0, 0);
    if (got == 0) {
      PostQuitMessage(static_cast<int>(msg.wParam));  // let the outer loop see it too
      break;
    }
    if (got < 0) break;
    if (options.acceleratorTable && TranslateAcceleratorA(window, options.acceleratorTable, &msg)) continue;
    if (options.dialogMessages && IsDialogMessageA(window, &msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}

}  // namespace

LRESULT Form::MessageProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case kCreatedMessage: {
      if (created) created(hwnd);
      RECT client{};
      GetClientRect(hwnd, &client);
      SendMessageA(hwnd, WM_SIZE, SIZE_RESTORED, MAKELPARAM(client.right - client.left, client.bottom - client.top));
      return 0;
    }
    case WM_CLOSE:
      if (close && close(hwnd) != 0) return 0;
      DestroyWindow(hwnd);
      return 0;
    default: {
      LRESULT result = 0;
      if (GeneralHandler(hwnd, message, wParam, lParam, &result)) return result;
      return DefWindowProcA(hwnd, message, wParam, lParam);
    }
  }
}

bool Form::GeneralHandler(HWND, UINT, WPARAM, LPARAM, LRESULT*) { return false; }

LRESULT CALLBACK FormWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
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
    result = DefWindowProcA(window, message, wParam, lParam);
  }
  if (message == WM_NCDESTROY) Unmap(window);
  return result;
}

HWND create_form(const FormOptions& options) {
  const std::string className = options.className.value_or(kDefaultClassName);
  RegisterFormClass(className.c_str());

  auto record = std::make_unique<Form>();
  record->created = options.created;

  const DWORD style = options.style.value_or(kDefaultStyle) | WS_CLIPSIBLINGS;
  HWND window = CreateWindowExA(options.extendedStyle.value_or(0), className.c_str(), options.title.c_str(), style,
                                options.x.value_or(CW_USEDEFAULT), options.y.value_or(CW_USEDEFAULT),
                                options.width.value_or(kDefaultWidth), options.height.value_or(kDefaultHeight),
                                options.owner, nullptr, GetModuleHandleA(nullptr), nullptr);
  if (!window) return nullptr;

  record->window = window;
  {
    auto& maps = Maps();
    std::lock_guard guard(maps.lock);
    maps.forms[window] = std::move(record);
  }
  if (reinterpret_cast<WNDPROC>(GetWindowLongPtrA(window, GWLP_WNDPROC)) != FormWindowProc) {
    SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(FormWindowProc));
  }
  SendMessageA(window, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), 0);
  if (options.owner) {
    for (WPARAM kind : {static_cast<WPARAM>(ICON_SMALL), static_cast<WPARAM>(ICON_BIG)}) {
      LRESULT icon = SendMessageA(options.owner, WM_GETICON, kind, 0);
      SendMessageA(window, WM_SETICON, kind, icon);
    }
  }

  SendMessageA(window, kCreatedMessage, 0, 0);
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

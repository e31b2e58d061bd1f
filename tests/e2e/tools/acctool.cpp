// Reads a running window the way a screen reader does, from outside its process, for the
// whole-program tests (run under the same Wine server):
//   acctool tree TITLE                 every object of the client area, one JSON line each
//   acctool action TITLE PATH          does the default action of the object at PATH
//   acctool select TITLE PATH FLAGS    accSelect with the SELFLAG_ bits
//   acctool focus TITLE                the focused object, as one JSON line
//   acctool hit TITLE X Y              the object at a client point, as one JSON line
//   acctool events TITLE SECONDS       the accessibility events of the window's process
// PATH is 1-based child numbers joined with dots ("9.3": the third child of the ninth).
// Exit code 0 on success, 2 when the window is not found, 3 when a call failed.
#include <windows.h>
#include <oleacc.h>
#include <shellapi.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

std::string Utf8(const std::wstring& text) {
  if (text.empty()) return {};
  const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size, nullptr, nullptr);
  return out;
}

std::string Json(const std::wstring& text) {
  std::string out = "\"";
  for (char c : Utf8(text)) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (static_cast<unsigned char>(c) < 0x20) {
      char buffer[8];
      std::snprintf(buffer, sizeof buffer, "\\u%04x", static_cast<unsigned char>(c));
      out += buffer;
    } else {
      out += c;
    }
  }
  return out + "\"";
}

VARIANT ChildId(long id) {
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_I4;
  v.lVal = id;
  return v;
}

std::wstring Take(BSTR text) {
  std::wstring out = text ? std::wstring(text, SysStringLen(text)) : std::wstring();
  SysFreeString(text);
  return out;
}

// An element: an object and a child id within it (CHILDID_SELF for the object itself).
struct Element {
  IAccessible* object = nullptr;
  long child = CHILDID_SELF;
};

std::string Describe(const Element& e, const std::string& path) {
  const VARIANT id = ChildId(e.child);
  BSTR text = nullptr;
  std::wstring name, value, action, description;
  if (e.object->get_accName(id, &text) == S_OK) name = Take(text);
  text = nullptr;
  if (e.object->get_accValue(id, &text) == S_OK) value = Take(text);
  text = nullptr;
  if (e.object->get_accDefaultAction(id, &text) == S_OK) action = Take(text);
  text = nullptr;
  if (e.object->get_accDescription(id, &text) == S_OK) description = Take(text);
  VARIANT role, state;
  VariantInit(&role);
  VariantInit(&state);
  const HRESULT roleAnswer = e.object->get_accRole(id, &role);
  e.object->get_accState(id, &state);
  long left = 0, top = 0, width = 0, height = 0;
  e.object->accLocation(&left, &top, &width, &height, id);
  long count = 0;
  if (e.child == CHILDID_SELF) e.object->get_accChildCount(&count);
  char numbers[200];
  std::snprintf(numbers, sizeof numbers, "\"role\": %ld, \"state\": %ld, \"loc\": [%ld, %ld, %ld, %ld], \"count\": %ld, \"ok\": %d",
                role.vt == VT_I4 ? role.lVal : -1, state.vt == VT_I4 ? state.lVal : 0, left, top, width, height, count,
                SUCCEEDED(roleAnswer) ? 1 : 0);
  return "{\"path\": \"" + path + "\", " + numbers + ", \"name\": " + Json(name) + ", \"value\": " + Json(value) +
         ", \"action\": " + Json(action) + ", \"description\": " + Json(description) + "}";
}

// The element that a child id of an object stands for: its own object when it has one.
Element ChildOf(IAccessible* parent, long id) {
  IDispatch* dispatch = nullptr;
  if (parent->get_accChild(ChildId(id), &dispatch) == S_OK && dispatch) {
    IAccessible* object = nullptr;
    const HRESULT hr = dispatch->QueryInterface(IID_IAccessible, reinterpret_cast<void**>(&object));
    dispatch->Release();
    if (SUCCEEDED(hr)) return Element{object, CHILDID_SELF};
  }
  parent->AddRef();
  return Element{parent, id};
}

Element FromVariant(IAccessible* parent, const VARIANT& v) {
  if (v.vt == VT_DISPATCH && v.pdispVal) {
    IAccessible* object = nullptr;
    if (SUCCEEDED(v.pdispVal->QueryInterface(IID_IAccessible, reinterpret_cast<void**>(&object)))) {
      return Element{object, CHILDID_SELF};
    }
  }
  if (v.vt == VT_I4) {
    if (v.lVal == CHILDID_SELF) {
      parent->AddRef();
      return Element{parent, CHILDID_SELF};
    }
    return ChildOf(parent, v.lVal);
  }
  return Element{};
}

void PrintTree(IAccessible* object, const std::string& path, int depth) {
  std::printf("%s\n", Describe(Element{object, CHILDID_SELF}, path).c_str());
  long count = 0;
  if (depth > 6 || object->get_accChildCount(&count) != S_OK) return;
  for (long i = 1; i <= count; ++i) {
    const std::string childPath = path.empty() ? std::to_string(i) : path + "." + std::to_string(i);
    Element child = ChildOf(object, i);
    if (child.child == CHILDID_SELF) {
      PrintTree(child.object, childPath, depth + 1);
    } else {
      std::printf("%s\n", Describe(child, childPath).c_str());
    }
    child.object->Release();
  }
}

// Walks a dotted path down from the client object.
Element Walk(IAccessible* root, const std::wstring& path) {
  root->AddRef();
  Element at{root, CHILDID_SELF};
  size_t start = 0;
  while (start < path.size()) {
    size_t dot = path.find(L'.', start);
    if (dot == std::wstring::npos) dot = path.size();
    const long index = std::wcstol(path.substr(start, dot - start).c_str(), nullptr, 10);
    start = dot + 1;
    if (at.child != CHILDID_SELF) {  // a simple element has no children
      at.object->Release();
      return Element{};
    }
    Element next = ChildOf(at.object, index);
    at.object->Release();
    at = next;
  }
  return at;
}

HWND gWindow = nullptr;

void CALLBACK OnEvent(HWINEVENTHOOK, DWORD event, HWND window, LONG object, LONG child, DWORD, DWORD) {
  IAccessible* accessible = nullptr;
  VARIANT id;
  VariantInit(&id);
  std::string about = "null";
  if (AccessibleObjectFromEvent(window, object, child, &accessible, &id) == S_OK && accessible) {
    about = Describe(Element{accessible, id.vt == VT_I4 ? id.lVal : CHILDID_SELF}, "");
    accessible->Release();
  }
  wchar_t title[256] = L"";
  GetWindowTextW(window, title, 256);
  std::printf("{\"event\": %lu, \"window\": %s, \"object\": %ld, \"child\": %ld, \"about\": %s}\n", event,
              Json(title).c_str(), object, child, about.c_str());
  std::fflush(stdout);
}

int Events(HWND window, int seconds) {
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  HWINEVENTHOOK hook = SetWinEventHook(EVENT_MIN, EVENT_MAX, nullptr, OnEvent, process, 0,
                                       WINEVENT_OUTOFCONTEXT | WINEVENT_SKIPOWNPROCESS);
  if (!hook) return 3;
  std::printf("{\"listening\": 1}\n");
  std::fflush(stdout);
  const DWORD end = GetTickCount() + static_cast<DWORD>(seconds) * 1000;
  while (GetTickCount() < end) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
  }
  UnhookWinEvent(hook);
  return 0;
}

}  // namespace

int main() {
  int argc = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  if (argc < 3) {
    std::puts("usage: acctool tree|action|select|focus|hit|events TITLE ...");
    return 1;
  }
  const std::wstring command = argv[1];
  HWND window = FindWindowW(nullptr, argv[2]);
  if (!window) return 2;
  gWindow = window;
  CoInitialize(nullptr);
  if (command == L"events") return Events(window, argc > 3 ? _wtoi(argv[3]) : 5);

  IAccessible* root = nullptr;
  HRESULT hr = AccessibleObjectFromWindow(window, static_cast<DWORD>(OBJID_CLIENT), IID_IAccessible,
                                          reinterpret_cast<void**>(&root));
  if (FAILED(hr) || !root) {
    std::printf("{\"error\": \"AccessibleObjectFromWindow\", \"hr\": %ld}\n", static_cast<long>(hr));
    return 3;
  }
  int code = 0;
  if (command == L"tree") {
    PrintTree(root, "", 0);
  } else if (command == L"action" || command == L"select") {
    Element e = Walk(root, argc > 3 ? argv[3] : L"");
    if (!e.object) return 3;
    hr = command == L"action" ? e.object->accDoDefaultAction(ChildId(e.child))
                              : e.object->accSelect(argc > 4 ? _wtoi(argv[4]) : SELFLAG_TAKEFOCUS, ChildId(e.child));
    std::printf("{\"hr\": %ld}\n", static_cast<long>(hr));
    code = SUCCEEDED(hr) ? 0 : 3;
    e.object->Release();
  } else if (command == L"focus" || command == L"hit") {
    VARIANT found;
    VariantInit(&found);
    if (command == L"focus") {
      hr = root->get_accFocus(&found);
    } else {
      POINT point{argc > 3 ? _wtoi(argv[3]) : 0, argc > 4 ? _wtoi(argv[4]) : 0};
      ClientToScreen(window, &point);
      hr = root->accHitTest(point.x, point.y, &found);
    }
    // Drill down while the answer is an object that knows a deeper one.
    Element e = FromVariant(root, found);
    VariantClear(&found);
    for (int depth = 0; e.object && e.child == CHILDID_SELF && depth < 8; ++depth) {
      VARIANT inner;
      VariantInit(&inner);
      HRESULT again = E_FAIL;
      if (command == L"focus") {
        again = e.object->get_accFocus(&inner);
      } else {
        POINT point{_wtoi(argv[3]), _wtoi(argv[4])};
        ClientToScreen(window, &point);
        again = e.object->accHitTest(point.x, point.y, &inner);
      }
      if (again != S_OK || (inner.vt == VT_I4 && inner.lVal == CHILDID_SELF) || inner.vt == VT_EMPTY) break;
      Element next = FromVariant(e.object, inner);
      VariantClear(&inner);
      if (!next.object) break;
      e.object->Release();
      e = next;
    }
    if (!e.object) {
      std::printf("{\"hr\": %ld, \"none\": 1}\n", static_cast<long>(hr));
    } else {
      std::printf("%s\n", Describe(e, "").c_str());
      e.object->Release();
    }
  }
  root->Release();
  std::fflush(stdout);
  CoUninitialize();
  return code;
}

// Reads a running window the way a screen reader does, from outside its process, for the
// whole-program tests (run under the same Wine server):
//   acctool tree TITLE                 every object of the client area, one JSON line each
//   acctool action TITLE PATH          does the default action of the object at PATH
//   acctool select TITLE PATH FLAGS    accSelect with the SELFLAG_ bits
//   acctool focus TITLE                the focused object, as one JSON line
//   acctool hit TITLE X Y              the object at a client point, as one JSON line
//   acctool events TITLE SECONDS       the accessibility events of the window's process
//   acctool serve                      the commands above but events, one per input line
// PATH is 1-based child numbers joined with dots ("9.3": the third child of the ninth).
// Exit code 0 on success, 2 when the window is not found, 3 when a call failed.
#include <oleacc.h>
#include <shellapi.h>
#include <windows.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "serve_lines.h"

namespace {

// Whether the reader is free-threaded (serving): then a tree is described by several threads.
bool gFreeThreaded = false;

std::string Json(const std::wstring& text) {
  std::string out = "\"";
  for (char c : tool_serve::Utf8(text)) {
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

// count: the object's child count when the caller has read it already (-1: ask).
std::string Describe(const Element& e, const std::string& path, long knownCount = -1) {
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
  long count = knownCount < 0 ? 0 : knownCount;
  if (e.child == CHILDID_SELF && knownCount < 0) e.object->get_accChildCount(&count);
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

// The tree: every element found by one walk, then described, one line each in walk order.
// A free-threaded reader, whose objects any thread may use, describes them from several
// threads at once: each description is a round trip per property into the window's process,
// and the round trips of different threads overlap.
struct Found {
  Element element;
  std::string path;
  long count = -1;  // the child count the walk went by, for an object
};

void CollectTree(IAccessible* object, const std::string& path, int depth, std::vector<Found>& found) {
  object->AddRef();
  found.push_back({Element{object, CHILDID_SELF}, path});
  // The object's line gives the count its children were read by, as the line-by-line walk does.
  long count = 0;
  const bool counted = object->get_accChildCount(&count) == S_OK;
  found.back().count = counted ? count : 0;
  if (depth > 6 || !counted) return;
  for (long i = 1; i <= count; ++i) {
    const std::string childPath = path.empty() ? std::to_string(i) : path + "." + std::to_string(i);
    Element child = ChildOf(object, i);
    if (child.child == CHILDID_SELF) {
      CollectTree(child.object, childPath, depth + 1, found);
      child.object->Release();
    } else {
      found.push_back({child, childPath});
    }
  }
}

void PrintTree(IAccessible* root) {
  std::vector<Found> found;
  CollectTree(root, "", 0, found);
  std::vector<std::string> lines(found.size());
  std::atomic<size_t> next{0};
  auto work = [&] {
    for (size_t i; (i = next++) < found.size();) lines[i] = Describe(found[i].element, found[i].path, found[i].count);
  };
  std::vector<std::thread> threads;
  for (int t = 0; gFreeThreaded && t < 3; ++t) threads.emplace_back(work);
  work();
  for (std::thread& thread : threads) thread.join();
  for (size_t i = 0; i < found.size(); ++i) {
    std::printf("%s\n", lines[i].c_str());
    found[i].element.object->Release();
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

// Runs one command (args[0]) on the window titled args[1]; prints its lines, returns its code.
int RunCommand(const std::vector<std::wstring>& args) {
  if (args.size() < 2) {
    std::puts("usage: acctool tree|action|select|focus|hit|events TITLE ...");
    return 1;
  }
  const std::wstring& command = args[0];
  auto arg = [&](size_t i) -> const wchar_t* { return i < args.size() ? args[i].c_str() : nullptr; };
  HWND window = FindWindowW(nullptr, args[1].c_str());
  if (!window) return 2;
  gWindow = window;
  if (command == L"events") return Events(window, arg(2) ? _wtoi(arg(2)) : 5);

  IAccessible* root = nullptr;
  HRESULT hr = AccessibleObjectFromWindow(window, static_cast<DWORD>(OBJID_CLIENT), IID_IAccessible,
                                          reinterpret_cast<void**>(&root));
  if (FAILED(hr) || !root) {
    std::printf("{\"error\": \"AccessibleObjectFromWindow\", \"hr\": %ld}\n", static_cast<long>(hr));
    return 3;
  }
  int code = 0;
  if (command == L"tree") {
    PrintTree(root);
  } else if (command == L"action" || command == L"select") {
    Element e = Walk(root, arg(2) ? arg(2) : L"");
    if (!e.object) {
      root->Release();
      return 3;
    }
    hr = command == L"action" ? e.object->accDoDefaultAction(ChildId(e.child))
                              : e.object->accSelect(arg(3) ? _wtoi(arg(3)) : SELFLAG_TAKEFOCUS, ChildId(e.child));
    std::printf("{\"hr\": %ld}\n", static_cast<long>(hr));
    code = SUCCEEDED(hr) ? 0 : 3;
    e.object->Release();
  } else if (command == L"focus" || command == L"hit") {
    const bool focus = command == L"focus";
    POINT point{arg(2) ? _wtoi(arg(2)) : 0, arg(3) ? _wtoi(arg(3)) : 0};
    ClientToScreen(window, &point);
    VARIANT found;
    VariantInit(&found);
    hr = focus ? root->get_accFocus(&found) : root->accHitTest(point.x, point.y, &found);
    // Drill down while the answer is an object that knows a deeper one.
    Element e = FromVariant(root, found);
    VariantClear(&found);
    for (int depth = 0; e.object && e.child == CHILDID_SELF && depth < 8; ++depth) {
      VARIANT inner;
      VariantInit(&inner);
      const HRESULT again = focus ? e.object->get_accFocus(&inner) : e.object->accHitTest(point.x, point.y, &inner);
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
  return code;
}

}  // namespace

int main() {
  int argc = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  if (argc >= 2 && std::wstring(argv[1]) == L"serve") {
    // Free-threaded: no apartment window, and calls into the window's own apartment go out
    // through proxies as from any reader.
    gFreeThreaded = SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED));
    const int code = tool_serve::Serve([](const std::vector<std::wstring>& args) {
      return args.size() >= 2 && args[0] != L"events" ? RunCommand(args) : 1;
    });
    CoUninitialize();
    return code;
  }
  CoInitialize(nullptr);
  const int code = RunCommand(std::vector<std::wstring>(argv + 1, argv + argc));
  std::fflush(stdout);
  CoUninitialize();
  return code;
}

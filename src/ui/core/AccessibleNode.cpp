#include "ui/core/AccessibleNode.h"

#include "base/Contained.h"
#include "ui/core/AccessibleHost.h"

#include <cstdint>
#include <new>
#include <string>

#include "ui/core/Control.h"
#include "ui/core/UiThread.h"
#include "ui/core/WindowHost.h"

namespace accessible {

std::vector<Child> ChildrenOf(AccessibleHost& host, Control* control) {
  std::vector<Child> children;
  if (control) {
    const int items = control->AccessibleItemCount();
    for (int item = 1; item <= items; ++item) children.push_back(Child{control, item});
  }
  // Tab order is the order of the sibling chain.
  for (Control* c = control ? control->FirstChild() : host.FirstControl(); c; c = c->NextSibling()) {
    if (c->IsVisible() && c->Describe().exposed) children.push_back(Child{c, 0});
  }
  return children;
}

AccessibleInfo DescribeControl(AccessibleHost& host, Control* control) {
  AccessibleInfo info = control->Describe();
  if (!control->IsVisible()) info.state |= STATE_SYSTEM_INVISIBLE;
  if (control->IsDisabled()) info.state |= STATE_SYSTEM_UNAVAILABLE;
  if (control->IsFocusable() && control->Type() != 1 && !control->IsDisabled()) {
    info.state |= STATE_SYSTEM_FOCUSABLE;
    if (host.Focused() == control) info.state |= STATE_SYSTEM_FOCUSED;
  }
  return info;
}

}  // namespace accessible

namespace {

using accessible::Child;

// What a (object, child id) pair stands for once checked against the live tree.
struct Target {
  AccessibleHost* host = nullptr;
  Control* control = nullptr;  // null: the window's client area
  int item = 0;                // > 0: a simple item of control
};

BSTR MakeBstr(const std::wstring& text) {
  return SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
}

HRESULT TextAnswer(const std::wstring& text, BSTR* out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (text.empty()) return S_FALSE;
  *out = MakeBstr(text);
  return *out ? S_OK : E_OUTOFMEMORY;
}

std::wstring WindowText(HWND window) {
  const int length = GetWindowTextLengthW(window);
  if (length <= 0) return {};
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  const int copied = GetWindowTextW(window, text.data(), length + 1);
  text.resize(static_cast<size_t>(copied > 0 ? copied : 0));
  return text;
}

class AccessibleNode final : public IAccessible {
 public:
  AccessibleNode(HWND window, Control* control) : window_(window), control_(control) {}

  // --- IUnknown ---
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
    if (!object) return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch) || IsEqualIID(riid, IID_IAccessible)) {
      *object = static_cast<IAccessible*>(this);
      AddRef();
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&references_)); }
  ULONG STDMETHODCALLTYPE Release() override {
    const LONG left = InterlockedDecrement(&references_);
    if (left == 0) delete this;
    return static_cast<ULONG>(left);
  }

  // --- IDispatch: the accessible members are reached through the vtable only ---
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    if (!count) return E_POINTER;
    *count = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
    return E_NOTIMPL;
  }

  // --- IAccessible ---
  HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override {
    return Run([&]() -> HRESULT {
      if (!parent) return E_POINTER;
      *parent = nullptr;
      Target self;
      if (HRESULT hr = Resolve(ChildSelf(), &self); FAILED(hr)) return hr;
      if (!control_) {
        return AccessibleObjectFromWindow(window_, static_cast<DWORD>(OBJID_WINDOW), IID_IDispatch,
                                          reinterpret_cast<void**>(parent));
      }
      *parent = MakeAccessible(window_, control_->ParentControl());
      return *parent ? S_OK : E_OUTOFMEMORY;
    });
  }

  HRESULT STDMETHODCALLTYPE get_accChildCount(long* count) override {
    return Run([&]() -> HRESULT {
      if (!count) return E_POINTER;
      *count = 0;
      Target self;
      if (HRESULT hr = Resolve(ChildSelf(), &self); FAILED(hr)) return hr;
      *count = static_cast<long>(accessible::ChildrenOf(*self.host, control_).size());
      return S_OK;
    });
  }

  HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** object) override {
    return Run([&]() -> HRESULT {
      if (!object) return E_POINTER;
      *object = nullptr;
      Target target;
      if (HRESULT hr = Resolve(child, &target); FAILED(hr)) return hr;
      if (target.item > 0) return S_FALSE;  // a simple element: read it through its parent
      if (target.control == control_) {
        AddRef();
        *object = this;
        return S_OK;
      }
      *object = MakeAccessible(window_, target.control);
      return *object ? S_OK : E_OUTOFMEMORY;
    });
  }

  HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override {
    return Describe(child, name, [](const AccessibleInfo& info) { return info.name; });
  }
  HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* value) override {
    return Describe(child, value, [](const AccessibleInfo& info) { return info.value; });
  }
  HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* description) override {
    return Describe(child, description, [](const AccessibleInfo& info) { return info.description; });
  }
  HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* action) override {
    return Describe(child, action, [](const AccessibleInfo& info) { return info.defaultAction; });
  }
  HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT child, BSTR* help) override {
    return Describe(child, help, [](const AccessibleInfo&) { return std::wstring(); });
  }
  HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR* shortcut) override {
    return Describe(child, shortcut, [](const AccessibleInfo&) { return std::wstring(); });
  }
  HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT, long* topic) override {
    if (file) *file = nullptr;
    if (topic) *topic = -1;
    return E_NOTIMPL;
  }

  HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override {
    return Run([&]() -> HRESULT {
      if (!role) return E_POINTER;
      VariantInit(role);
      AccessibleInfo info;
      if (HRESULT hr = Info(child, &info); FAILED(hr)) return hr;
      role->vt = VT_I4;
      role->lVal = info.role;
      return S_OK;
    });
  }

  HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) override {
    return Run([&]() -> HRESULT {
      if (!state) return E_POINTER;
      VariantInit(state);
      AccessibleInfo info;
      if (HRESULT hr = Info(child, &info); FAILED(hr)) return hr;
      state->vt = VT_I4;
      state->lVal = info.state;
      return S_OK;
    });
  }

  HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* focus) override {
    return Run([&]() -> HRESULT {
      if (!focus) return E_POINTER;
      VariantInit(focus);
      Target self;
      if (HRESULT hr = Resolve(ChildSelf(), &self); FAILED(hr)) return hr;
      Control* focused = self.host->Focused();
      if (!focused || !self.host->OwnsControl(focused)) return S_FALSE;
      if (focused == control_) {
        const int item = control_->AccessibleFocusedItem();
        focus->vt = VT_I4;
        focus->lVal = item > 0 ? item : CHILDID_SELF;
        return S_OK;
      }
      // The child of this object that holds the focused control.
      for (Control* c = focused; c; c = c->ParentControl()) {
        if (c->ParentControl() == control_) return PutChild(Child{c, 0}, focus);
      }
      return S_FALSE;
    });
  }

  HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* selection) override {
    return Run([&]() -> HRESULT {
      if (!selection) return E_POINTER;
      VariantInit(selection);
      Target self;
      if (HRESULT hr = Resolve(ChildSelf(), &self); FAILED(hr)) return hr;
      if (!control_) return S_FALSE;
      const int items = control_->AccessibleItemCount();
      for (int item = 1; item <= items; ++item) {
        if (control_->DescribeItem(item).state & STATE_SYSTEM_SELECTED) {
          selection->vt = VT_I4;
          selection->lVal = item;
          return S_OK;
        }
      }
      return S_FALSE;
    });
  }

  HRESULT STDMETHODCALLTYPE accSelect(long flags, VARIANT child) override {
    return Run([&]() -> HRESULT {
      Target target;
      if (HRESULT hr = Resolve(child, &target); FAILED(hr)) return hr;
      if (target.item > 0) return target.control->SelectAccessibleItem(target.item, flags) ? S_OK : E_INVALIDARG;
      if (!target.control) return S_FALSE;
      if (flags & SELFLAG_TAKEFOCUS) {
        target.host->set_focus(target.control, true);
        return target.host->Focused() == target.control ? S_OK : S_FALSE;
      }
      return S_FALSE;
    });
  }

  HRESULT STDMETHODCALLTYPE accLocation(long* left, long* top, long* width, long* height, VARIANT child) override {
    return Run([&]() -> HRESULT {
      if (!left || !top || !width || !height) return E_POINTER;
      *left = *top = *width = *height = 0;
      Target target;
      if (HRESULT hr = Resolve(child, &target); FAILED(hr)) return hr;
      RECT rect{};
      if (!target.control) {
        GetClientRect(window_, &rect);
      } else {
        const Gdiplus::RectF b = target.item > 0 ? target.control->AccessibleItemBounds(target.item)
                                                 : target.control->BoundsRef();
        rect = ui::RectToDevice(RECT{static_cast<LONG>(b.X), static_cast<LONG>(b.Y), static_cast<LONG>(b.X + b.Width),
                                     static_cast<LONG>(b.Y + b.Height)},
                                target.host->Dpi());
      }
      POINT origin{0, 0};
      ClientToScreen(window_, &origin);
      *left = rect.left + origin.x;
      *top = rect.top + origin.y;
      *width = rect.right - rect.left;
      *height = rect.bottom - rect.top;
      return S_OK;
    });
  }

  HRESULT STDMETHODCALLTYPE accNavigate(long direction, VARIANT start, VARIANT* end) override {
    return Run([&]() -> HRESULT {
      if (!end) return E_POINTER;
      VariantInit(end);
      Target from;
      if (HRESULT hr = Resolve(start, &from); FAILED(hr)) return hr;
      const bool self = start.vt == VT_I4 && start.lVal == CHILDID_SELF;
      if (direction == NAVDIR_FIRSTCHILD || direction == NAVDIR_LASTCHILD) {
        if (!self) return E_INVALIDARG;
        const std::vector<Child> children = accessible::ChildrenOf(*from.host, control_);
        if (children.empty()) return S_FALSE;
        return PutChild(direction == NAVDIR_FIRSTCHILD ? children.front() : children.back(), end);
      }
      int step = 0;
      if (direction == NAVDIR_NEXT || direction == NAVDIR_DOWN || direction == NAVDIR_RIGHT) step = 1;
      if (direction == NAVDIR_PREVIOUS || direction == NAVDIR_UP || direction == NAVDIR_LEFT) step = -1;
      if (step == 0) return E_INVALIDARG;
      // Siblings: among this object's children for a child id, else among the parent's.
      Control* owner = self ? (control_ ? control_->ParentControl() : nullptr) : control_;
      if (self && !control_) return S_FALSE;  // the client area has no siblings here
      const Child me = self ? Child{control_, 0} : Child{from.control, from.item};
      const std::vector<Child> siblings = accessible::ChildrenOf(*from.host, owner);
      for (size_t i = 0; i < siblings.size(); ++i) {
        if (siblings[i].control != me.control || siblings[i].item != me.item) continue;
        const long next = static_cast<long>(i) + step;
        if (next < 0 || next >= static_cast<long>(siblings.size())) return S_FALSE;
        const Child& found = siblings[static_cast<size_t>(next)];
        // An item of this object is answered by its id; anything else as an object.
        if (!self && found.item > 0) {
          end->vt = VT_I4;
          end->lVal = found.item;
          return S_OK;
        }
        // An item beside this object's own control cannot be reached as an object.
        if (found.item > 0) return S_FALSE;
        return PutChild(found, end);
      }
      return S_FALSE;
    });
  }

  HRESULT STDMETHODCALLTYPE accHitTest(long x, long y, VARIANT* hit) override {
    return Run([&]() -> HRESULT {
      if (!hit) return E_POINTER;
      VariantInit(hit);
      Target self;
      if (HRESULT hr = Resolve(ChildSelf(), &self); FAILED(hr)) return hr;
      POINT point{x, y};
      ScreenToClient(window_, &point);
      RECT client{};
      GetClientRect(window_, &client);
      if (!PtInRect(&client, point)) return S_FALSE;
      point = ui::PointToLogical(point, self.host->Dpi());
      if (control_) {
        const Gdiplus::RectF& b = control_->BoundsRef();
        if (point.x < b.X || point.y < b.Y || point.x >= b.X + b.Width || point.y >= b.Y + b.Height) return S_FALSE;
      }
      // The child of this object that holds the deepest control under the point.
      for (Control* c = self.host->HitTest(point); c; c = c->ParentControl()) {
        if (c == control_) break;
        if (c->ParentControl() == control_) return PutChild(Child{c, 0}, hit);
      }
      if (control_) {
        if (const int item = control_->AccessibleItemAt(point); item > 0) {
          hit->vt = VT_I4;
          hit->lVal = item;
          return S_OK;
        }
      }
      hit->vt = VT_I4;
      hit->lVal = CHILDID_SELF;
      return S_OK;
    });
  }

  HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override {
    return Run([&]() -> HRESULT {
      Target target;
      if (HRESULT hr = Resolve(child, &target); FAILED(hr)) return hr;
      AccessibleInfo info;
      if (HRESULT hr = Info(child, &info); FAILED(hr)) return hr;
      if (info.defaultAction.empty() || !target.control || (info.state & STATE_SYSTEM_UNAVAILABLE)) {
        return DISP_E_MEMBERNOTFOUND;
      }
      // Posted: what a click starts (a modal box, a menu) must not run inside the caller's call.
      return PostMessageW(window_, TKM_ACCESSIBLE_ACTION, reinterpret_cast<WPARAM>(target.control), target.item)
                 ? S_OK
                 : E_FAIL;
    });
  }

  HRESULT STDMETHODCALLTYPE put_accName(VARIANT, BSTR) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE put_accValue(VARIANT, BSTR) override { return E_NOTIMPL; }

 private:
  ~AccessibleNode() = default;

  static VARIANT ChildSelf() {
    VARIANT self;
    VariantInit(&self);
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    return self;
  }

  // Runs a call on the window's thread; nothing escapes it as an exception.
  template <typename F>
  HRESULT Run(F&& body) {
    auto guarded = [&]() -> HRESULT { return base::Contained(body, []() -> HRESULT { return E_FAIL; }); };
    if (ui::OnThreadOf(window_)) return guarded();
    return ui::CallOnUiThread(window_, guarded, static_cast<HRESULT>(CO_E_OBJNOTCONNECTED));
  }

  // Checks the object and the child id against the live tree.
  HRESULT Resolve(const VARIANT& child, Target* out) {
    AccessibleHost* host = host_of_window(window_);
    if (!host || host->Window() != window_) return CO_E_OBJNOTCONNECTED;
    if (control_ && !host->OwnsControl(control_)) return CO_E_OBJNOTCONNECTED;
    if (child.vt != VT_I4) return E_INVALIDARG;
    out->host = host;
    out->control = control_;
    out->item = 0;
    if (child.lVal == CHILDID_SELF) return S_OK;
    const std::vector<Child> children = accessible::ChildrenOf(*host, control_);
    if (child.lVal < 1 || child.lVal > static_cast<long>(children.size())) return E_INVALIDARG;
    const Child& found = children[static_cast<size_t>(child.lVal - 1)];
    out->control = found.control;
    out->item = found.item;
    return S_OK;
  }

  HRESULT Info(const VARIANT& child, AccessibleInfo* info) {
    Target target;
    if (HRESULT hr = Resolve(child, &target); FAILED(hr)) return hr;
    if (!target.control) {
      info->role = target.host->AccessibleRole();
      info->name = WindowText(window_);
      info->state = IsWindowVisible(window_) ? STATE_SYSTEM_FOCUSABLE : STATE_SYSTEM_INVISIBLE;
      if (GetFocus() == window_) info->state |= STATE_SYSTEM_FOCUSED;
      return S_OK;
    }
    if (target.item > 0) {
      *info = target.control->DescribeItem(target.item);
      return S_OK;
    }
    *info = accessible::DescribeControl(*target.host, target.control);
    return S_OK;
  }

  template <typename Pick>
  HRESULT Describe(const VARIANT& child, BSTR* out, Pick pick) {
    return Run([&]() -> HRESULT {
      if (!out) return E_POINTER;
      *out = nullptr;
      AccessibleInfo info;
      if (HRESULT hr = Info(child, &info); FAILED(hr)) return hr;
      return TextAnswer(pick(info), out);
    });
  }

  // A child of this object as a VARIANT: an item by its id, a control as an object.
  HRESULT PutChild(const Child& child, VARIANT* out) {
    if (child.item > 0) {
      out->vt = VT_I4;
      out->lVal = child.item;
      return S_OK;
    }
    IAccessible* object = MakeAccessible(window_, child.control);
    if (!object) return E_OUTOFMEMORY;
    out->vt = VT_DISPATCH;
    out->pdispVal = object;
    return S_OK;
  }

  HWND window_;
  Control* control_;
  LONG references_ = 1;
};

}  // namespace

IAccessible* MakeAccessible(HWND window, Control* control) {
  return new (std::nothrow) AccessibleNode(window, control);
}

LONG AccessibleObjectId(const Control* control) {
  // Positive ids are the server's own; a control's address, shifted, stays positive and unique.
  return static_cast<LONG>(reinterpret_cast<std::uintptr_t>(control) >> 2);
}

LRESULT AnswerGetObject(AccessibleHost& host, WPARAM wParam, LPARAM lParam) {
  const LONG id = static_cast<LONG>(lParam);
  Control* control = nullptr;
  if (id > 0) {
    control = reinterpret_cast<Control*>(static_cast<std::uintptr_t>(id) << 2);
    if (!host.OwnsControl(control)) return 0;
  } else if (id != static_cast<LONG>(OBJID_CLIENT)) {
    return 0;
  }
  IAccessible* object = MakeAccessible(host.Window(), control);
  if (!object) return 0;
  const LRESULT answer = LresultFromObject(IID_IAccessible, wParam, object);
  object->Release();
  return answer < 0 ? 0 : answer;
}

void NotifyAccessible(const Control* control, DWORD event, long item) {
  if (!control || !control->IsLive()) return;
  NotifyWinEvent(event, control->GetHostWindow(), AccessibleObjectId(control), item > 0 ? item : CHILDID_SELF);
}

// The accessible tree and its events, read in-process: the events a screen reader follows, and
// objects that outlive their controls or rows (the whole-program tests read the tree from
// another process).
#include <windows.h>
#include <oleacc.h>

#include <gtest/gtest.h>

#include <functional>
#include <thread>
#include <vector>

#include "support/HostedControls.h"
#include "ui/controls/EditBox.h"
#include "ui/controls/ImageButton.h"
#include "ui/controls/ListView.h"
#include "WinEventLog.h"

using namespace controls_testing;

namespace {

using winevent_log::Event;
using winevent_log::gEvents;
using winevent_log::Record;

VARIANT Id(long id) {
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_I4;
  v.lVal = id;
  return v;
}

struct Window {
  HostedWindow hosted{HostedWindow::Frame(0)};
  ImageButton button;
  EditBox box;
  ListView list;
  Window() {
    button.Create(hosted.window, 10, 10, 60, 24, "Go");
    box.Create(hosted.window, 80, 10, 150, 24);
    list.Create(hosted.window, 10, 50, 300, 200);
    list.InsertColumn(0, "Name", 100);
    list.InsertColumn(0, "Hidden", 0);
    list.InsertColumn(0, "Size", 80);
    for (const char* name : {"one", "two", "three"}) {
      const int row = list.InsertRow(std::nullopt, name);
      list.SetCellText(row, 2, "secret");
      list.SetCellText(row, 3, "1 MB");
    }
    hosted.Show();
    PumpFor(50);
  }
  IAccessible* Client() {
    IAccessible* object = nullptr;
    AccessibleObjectFromWindow(hosted.window, static_cast<DWORD>(OBJID_CLIENT), IID_IAccessible,
                               reinterpret_cast<void**>(&object));
    return object;
  }
  // The client area's object and the list's (its third child); false when either is missing.
  bool ClientAndList(IAccessible*& client, IAccessible*& list) {
    client = Client();
    list = client ? Child(client, 3) : nullptr;
    return client && list;
  }
  // The object of the client area's child at a 1-based position.
  IAccessible* Child(IAccessible* client, long position) {
    IDispatch* dispatch = nullptr;
    IAccessible* object = nullptr;
    if (client->get_accChild(Id(position), &dispatch) == S_OK && dispatch) {
      dispatch->QueryInterface(IID_IAccessible, reinterpret_cast<void**>(&object));
      dispatch->Release();
    }
    return object;
  }
};

TEST(Accessibility, ChangesAreAnnouncedAsWinEvents) {
  Window w;
  HWINEVENTHOOK hook = SetWinEventHook(EVENT_MIN, EVENT_MAX, nullptr, Record, GetCurrentProcessId(), 0,
                                       WINEVENT_OUTOFCONTEXT);
  ASSERT_NE(hook, nullptr);
  const LONG button = AccessibleObjectId(&w.button), box = AccessibleObjectId(&w.box),
             list = AccessibleObjectId(&w.list);
  struct Case {
    const char* what;
    std::function<void()> act;
    DWORD event;
    LONG object;
    LONG child;
  } cases[] = {
      {"focus", [&] { w.hosted.host->set_focus(&w.box, true); }, EVENT_OBJECT_FOCUS, box, CHILDID_SELF},
      {"caption", [&] { w.button.Caption("Stop"); }, EVENT_OBJECT_NAMECHANGE, button, CHILDID_SELF},
      {"value", [&] { w.box.Text("abc"); }, EVENT_OBJECT_VALUECHANGE, box, CHILDID_SELF},
      {"row added", [&] { w.list.InsertRow(std::nullopt, "four"); }, EVENT_OBJECT_REORDER, list, CHILDID_SELF},
      {"selection", [&] { w.list.CurrentRow(2); }, EVENT_OBJECT_SELECTION, list, 2},
      {"cleared", [&] { w.list.ClearRows(); }, EVENT_OBJECT_REORDER, list, CHILDID_SELF},
      {"line", [&] { std::thread([&] { w.list.SetEmptyText("Nothing"); }).join(); }, EVENT_OBJECT_DESCRIPTIONCHANGE,
       list, CHILDID_SELF},
      {"line gone", [&] { w.list.InsertRow(std::nullopt, "five"); }, EVENT_OBJECT_DESCRIPTIONCHANGE, list,
       CHILDID_SELF},
      {"hidden", [&] { w.button.Visible(false); }, EVENT_OBJECT_HIDE, button, CHILDID_SELF},
      {"filling", [&] { w.list.BeginFilling(); }, EVENT_OBJECT_STATECHANGE, list, CHILDID_SELF},
      {"filled", [&] { w.list.EndFilling(); }, EVENT_OBJECT_STATECHANGE, list, CHILDID_SELF},
  };
  for (const Case& c : cases) {
    gEvents.clear();
    c.act();
    const bool seen = PumpUntil([&] {
      for (const Event& e : gEvents) {
        if (e.event == c.event && e.object == c.object && e.child == c.child) return true;
      }
      return false;
    }, 1000);
    EXPECT_TRUE(seen) << c.what;
  }
  UnhookWinEvent(hook);
}

TEST(Accessibility, ListReadsBusyUntilEveryFillHasEnded) {
  Window w;
  IAccessible *client = nullptr, *list = nullptr;
  ASSERT_TRUE(w.ClientAndList(client, list));
  auto busy = [&] {
    VARIANT state;
    VariantInit(&state);
    return list->get_accState(Id(CHILDID_SELF), &state) == S_OK && (state.lVal & STATE_SYSTEM_BUSY) != 0;
  };
  EXPECT_FALSE(busy());
  w.list.BeginFilling();
  std::thread([&] { w.list.BeginFilling(); }).join();  // a fill started from another thread
  EXPECT_TRUE(busy());
  std::thread([&] { w.list.EndFilling(); }).join();
  EXPECT_TRUE(busy()) << "one fill is still under way";
  w.list.EndFilling();
  EXPECT_FALSE(busy());
  list->Release();
  client->Release();
}

TEST(Accessibility, AnEmptyListIsDescribedByItsLine) {
  Window w;
  IAccessible *client = nullptr, *list = nullptr;
  ASSERT_TRUE(w.ClientAndList(client, list));
  auto description = [&] {
    BSTR text = nullptr;
    std::wstring read = L"(failed)";
    if (list->get_accDescription(Id(CHILDID_SELF), &text) == S_OK) read = text ? text : L"";
    SysFreeString(text);
    return read;
  };
  // With rows, or with no line, the list is described by its shown columns, as ever.
  struct Step {
    const char* what;
    std::function<void()> act;
    std::wstring described;
  } steps[] = {
      {"rows", [] {}, L"Name\tSize"},
      {"rows and a line", [&] { w.list.SetEmptyText("\xc3\xbb\xd3\xd0"); }, L"Name\tSize"},
      {"line only", [&] { w.list.ClearRows(); }, L"\u6ca1\u6709"},  // 没有, as GBK is read
      {"line changed by a worker", [&] { std::thread([&] { w.list.SetEmptyText("Stopped"); }).join(); }, L"Stopped"},
      {"no line", [&] { w.list.SetEmptyText(""); }, L"Name\tSize"},
      {"line, then a row", [&] { w.list.SetEmptyText("x"); w.list.InsertRow(std::nullopt, "one"); }, L"Name\tSize"},
  };
  for (const Step& step : steps) {
    step.act();
    PumpFor(20);
    EXPECT_EQ(description(), step.described) << step.what;
  }
  list->Release();
  client->Release();
}

TEST(Accessibility, ObjectsOfGoneRowsAndControlsFailInsteadOfCrashing) {
  Window w;
  IAccessible *client = nullptr, *list = nullptr;
  ASSERT_TRUE(w.ClientAndList(client, list));
  BSTR name = nullptr;
  // A row reads its shown cells; the zero-width column is left out.
  ASSERT_EQ(list->get_accName(Id(2), &name), S_OK);
  EXPECT_STREQ(name, L"two\t1 MB");
  SysFreeString(name);
  // From another thread the call runs on the window's thread while it pumps.
  long count = 0;
  HRESULT fromWorker = E_FAIL;
  std::thread worker([&] { fromWorker = list->get_accChildCount(&count); });
  PumpUntil([&] { return fromWorker != E_FAIL; }, 3000);
  worker.join();
  EXPECT_EQ(fromWorker, S_OK);
  EXPECT_EQ(count, 3);

  w.list.ClearRows();
  PumpFor(20);
  name = nullptr;
  EXPECT_EQ(list->get_accName(Id(2), &name), E_INVALIDARG);
  w.list.Destroy();
  EXPECT_EQ(list->get_accName(Id(CHILDID_SELF), &name), CO_E_OBJNOTCONNECTED);
  long left = 0, top = 0, width = 0, height = 0;
  EXPECT_EQ(list->accLocation(&left, &top, &width, &height, Id(CHILDID_SELF)), CO_E_OBJNOTCONNECTED);
  EXPECT_EQ(client->get_accChildCount(&count), S_OK);
  EXPECT_EQ(count, 2);
  DestroyWindow(w.hosted.window);
  EXPECT_EQ(client->get_accChildCount(&count), CO_E_OBJNOTCONNECTED);
  list->Release();
  client->Release();
}

}  // namespace

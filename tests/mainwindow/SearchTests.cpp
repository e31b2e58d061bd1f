// The real main window, built in this process by the application's own start-up code and
// driven with real window messages, against the reference site on the host the program was
// built for (tests/e2e/test_search.py starts it and points QUARVEL_SITE_DIR at its folder).
// The main window lives for the whole run: destroying it would end the process.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <new>
#include <string>
#include <vector>

#include "Hosts.h"
#include "app/AppState.h"
#include "app/Application.h"
#include "app/MainControls.h"
#include "app/ResultActions.h"
#include "app/ResultsView.h"
#include "app/SearchRun.h"
#include "search/ResultOrder.h"
#include "support/FailingAllocations.h"
#include "support/SiteServer.h"
#include "support/ToolkitTesting.h"
#include "ui/dialogs/EditContextMenu.h"
#include "ui/gfx/Toolkit.h"
#include "web/WebAccess.h"

namespace {

using toolkit_testing::Pump;
using toolkit_testing::PumpFor;
using toolkit_testing::PumpUntil;

MainControls& Ui() { return *AppState.controls; }
HWND Main() { return AppState.mainWindow; }

LPARAM Centre(Control& control) {
  const Gdiplus::RectF b = control.BoundsRef();
  return MAKELPARAM(static_cast<int>(b.X + b.Width / 2), static_cast<int>(b.Y + b.Height / 2));
}

void Click(Control& control) {
  SendMessageW(Main(), WM_MOUSEMOVE, 0, Centre(control));
  SendMessageW(Main(), WM_LBUTTONDOWN, MK_LBUTTON, Centre(control));
  SendMessageW(Main(), WM_LBUTTONUP, 0, Centre(control));
  Pump();
}

void SetControlKey(bool down) {
  BYTE keys[256];
  GetKeyboardState(keys);
  keys[VK_CONTROL] = down ? 0x80 : 0;
  SetKeyboardState(keys);
}

// Replaces the search box's text the way a user does: Ctrl+A, then typed characters, or a
// paste of the clipboard (CF_TEXT) with Ctrl+V.
void TypeTerm(const std::string& term) {
  Click(Ui().searchBox);
  SetControlKey(true);
  SendMessageW(Main(), WM_KEYDOWN, 'A', 0);
  SetControlKey(false);
  SendMessageW(Main(), WM_KEYDOWN, VK_DELETE, 0);
  for (unsigned char c : term) SendMessageA(Main(), WM_CHAR, c, 0);
  Pump();
}

void PasteTerm(const std::string& term) {
  ASSERT_TRUE(OpenClipboard(nullptr));
  EmptyClipboard();
  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, term.size() + 1);
  memcpy(GlobalLock(memory), term.c_str(), term.size() + 1);
  GlobalUnlock(memory);
  SetClipboardData(CF_TEXT, memory);
  CloseClipboard();
  Click(Ui().searchBox);
  SetControlKey(true);
  SendMessageW(Main(), WM_KEYDOWN, 'A', 0);
  SendMessageW(Main(), WM_KEYDOWN, 'V', 0);
  SetControlKey(false);
  Pump();
}

bool WaitIdle(DWORD milliseconds = 30000) {
  return PumpUntil([] { return AppState.searchBusy == 0; }, milliseconds);
}

std::vector<std::string> SearchPaths() {
  std::vector<std::string> paths;
  for (const auto& request : testsupport::RequestsTo("/ajax/search_next")) paths.push_back(request.path);
  return paths;
}

std::string Caption(int tab) { return Ui().tabs[tab].Caption(); }

class MainWindowEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    gfx::toolkit_startup(BuildEditContextMenu);
    ASSERT_NE(CreateMainForm(), nullptr);
    ASSERT_TRUE(PumpUntil([] { return IsWindowVisible(AppState.mainWindow.load()) != FALSE; }));
  }
};
const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new MainWindowEnvironment);

// The demo term gives 38 rows over four pages of ten; the fifth page holds no result.
TEST(Search, PagesOneSecondApartRowsNumberedAcrossPagesAndCaptionsFromTheCounts) {
  TypeTerm("ABC");
  const size_t before = SearchPaths().size();
  Click(Ui().searchButton);
  // Page 2 is asked for about one second after page 1 was handled.
  ASSERT_TRUE(PumpUntil([&] { return SearchPaths().size() >= before + 1; }, 10000));
  const DWORD firstSeen = GetTickCount();
  ASSERT_TRUE(PumpUntil([&] { return SearchPaths().size() >= before + 2; }, 10000));
  EXPECT_GE(GetTickCount() - firstSeen, 800u);
  ASSERT_TRUE(WaitIdle());

  const std::vector<std::string> all = SearchPaths();
  const std::vector<std::string> paths(all.begin() + static_cast<std::ptrdiff_t>(before), all.end());
  ASSERT_EQ(paths.size(), 5u);
  for (int page = 1; page <= 5; ++page) {
    EXPECT_EQ(paths[page - 1], "/ajax/search_next?s=ABC&p=" + std::to_string(page));
  }
  const auto requests = testsupport::RequestsTo("/ajax/search_next?s=ABC&p=1");
  ASSERT_FALSE(requests.empty());
  EXPECT_EQ(requests.back().method, "GET");
  // The program's own header lines, then the agent string.
  const std::string sent = "\r\n" + requests.back().rawHeaders + "\r\n";
  const std::string url = "http://" + std::string(hosts::kSearchHost) + "/ajax/search_next?s=ABC&p=1";
  for (const char* line : {"Accept: */*", "Accept-Language: zh-cn", "Content-Type: application/x-www-form-urlencoded"}) {
    EXPECT_NE(sent.find(std::string("\r\n") + line + "\r\n"), std::string::npos) << line;
  }
  EXPECT_NE(sent.find("\r\nReferer: " + url + "\r\n"), std::string::npos);
  EXPECT_NE(sent.find("User-Agent: " + std::string(web::kDefaultAgent)), std::string::npos);

  // Every row as the catalogue says, numbered 1..38 across the pages.
  std::map<std::string, testsupport::ExpectedEntry> expected;
  for (const auto& entry : testsupport::CatalogueExpectations()) expected[entry.detailPath] = entry;
  ListView& list = Ui().mainList;
  ASSERT_EQ(list.RowCount(), 38);
  int counts[5] = {38, 0, 0, 0, 0};
  for (int row = 1; row <= 38; ++row) {
    SCOPED_TRACE(row);
    EXPECT_EQ(list.CellText(row, kColumnId), std::to_string(row));
    auto it = expected.find(list.CellText(row, kColumnDetailPath));
    ASSERT_NE(it, expected.end()) << list.CellText(row, kColumnDetailPath);
    EXPECT_EQ(list.CellText(row, kColumnTitle), it->second.title);
    EXPECT_EQ(list.CellText(row, kColumnSize), it->second.size);
    EXPECT_EQ(list.CellText(row, kColumnFormat), it->second.format);
    EXPECT_EQ(list.CellText(row, kColumnCodes), it->second.codes);
    EXPECT_EQ(list.CellText(row, kColumnMagnet), "");
    for (char code : it->second.codes) ++counts[code - '0'];
  }
  for (int tab = 0; tab < kTabCount; ++tab) EXPECT_EQ(Caption(tab), TabCaption(tab, counts[tab]));
}

TEST(Search, AChineseTermWithASpaceIsSentAsUtf8WithUpperCaseHex) {
  PasteTerm("\xd6\xd0 \xce\xc4");  // 中 文, pasted through the edit box's own paste
  EXPECT_EQ(Ui().searchBox.Text(), "\xd6\xd0 \xce\xc4");
  Click(Ui().searchButton);
  ASSERT_TRUE(WaitIdle());
  EXPECT_EQ(SearchPaths().back(), "/ajax/search_next?s=%E4%B8%AD%20%E6%96%87&p=1");
  // Nothing matched: the run ended at the first page and the captions keep their zero counts.
  EXPECT_EQ(Ui().mainList.RowCount(), 0);
  EXPECT_EQ(Caption(0), TabCaption(0, 0));
}

TEST(Search, ASecondPressStopsTheRunAndNothingIsAskedUntilTheNextPress) {
  TypeTerm("");  // every entry: many pages
  Click(Ui().searchButton);
  ASSERT_TRUE(PumpUntil([] { return Ui().mainList.RowCount() >= 10; }, 10000));
  Click(Ui().searchButton);
  ASSERT_TRUE(WaitIdle());
  const size_t asked = SearchPaths().size();
  PumpFor(2500);
  EXPECT_EQ(SearchPaths().size(), asked);
  EXPECT_EQ(Ui().mainList.RowCount(), 0);
  for (int tab = 0; tab < kTabCount; ++tab) EXPECT_EQ(Caption(tab), TabCaption(tab, 0));
}

TEST(Search, CategoryViewsRenumberTheirRowsAndKeepTheMainListIds) {
  TypeTerm("ABC");
  Click(Ui().searchButton);
  ASSERT_TRUE(WaitIdle());
  ListView& main = Ui().mainList;
  ListView& category = Ui().categoryList;

  for (int code = 1; code <= 4; ++code) {
    SCOPED_TRACE(code);
    std::vector<std::string> wanted;
    for (int row = 1; row <= main.RowCount(); ++row) {
      if (main.CellText(row, kColumnCodes).find(char('0' + code)) != std::string::npos) {
        wanted.push_back(main.CellText(row, kColumnId));
      }
    }
    Click(Ui().tabs[code]);
    ASSERT_TRUE(PumpUntil([&] { return category.RowCount() == static_cast<int>(wanted.size()) && !main.IsVisible(); }));
    PumpFor(100);
    ASSERT_EQ(category.RowCount(), static_cast<int>(wanted.size()));
    EXPECT_TRUE(category.IsVisible());
    for (int row = 1; row <= category.RowCount(); ++row) {
      EXPECT_EQ(category.CellText(row, kColumnId), std::to_string(row));
      EXPECT_EQ(category.CellText(row, kColumnCodes), wanted[row - 1]);
      const int mainRow = std::stoi(wanted[row - 1]);
      EXPECT_EQ(category.CellText(row, kColumnTitle), main.CellText(mainRow, kColumnTitle));
    }
  }

  // A new search while a category shows empties that list and fills it with the new search's
  // rows of its kind as they come, numbered anew; the all tab then shows the main list again.
  Click(Ui().tabs[1]);
  const int video = main.RowCount() > 0 ? std::stoi(Caption(1).substr(Caption(1).find('(') + 1)) : 0;
  ASSERT_TRUE(PumpUntil([&] { return category.IsVisible() && category.RowCount() == video; }));
  PumpFor(200);
  const std::uintptr_t oldFirst = category.RowData(1);
  Click(Ui().searchButton);
  EXPECT_TRUE(category.IsVisible());
  ASSERT_TRUE(WaitIdle());
  ASSERT_TRUE(PumpUntil([&] { return category.RowCount() == video && !category.IsFilling(); }));
  EXPECT_EQ(category.FindRowByData(oldFirst), 0) << "a row of the old search stayed";
  for (int row = 1; row <= category.RowCount(); ++row) EXPECT_EQ(category.CellText(row, kColumnId), std::to_string(row));
  Click(Ui().tabs[0]);
  EXPECT_TRUE(main.IsVisible());
  EXPECT_FALSE(category.IsVisible());
  EXPECT_EQ(main.RowCount(), 38);
}

TEST(Search, QuickCategoryClicksNeverMixTheirRows) {
  TypeTerm("ABC");
  Click(Ui().searchButton);
  ASSERT_TRUE(WaitIdle());
  for (int round = 0; round < 5; ++round) {
    Click(Ui().tabs[1]);
    Click(Ui().tabs[2]);
    Click(Ui().tabs[1]);
  }
  PumpFor(1500);
  ListView& category = Ui().categoryList;
  int video = 0;
  for (int row = 1; row <= Ui().mainList.RowCount(); ++row) {
    video += Ui().mainList.CellText(row, kColumnCodes).find('1') != std::string::npos;
  }
  ASSERT_EQ(category.RowCount(), video);
  for (int row = 1; row <= category.RowCount(); ++row) EXPECT_EQ(category.CellText(row, kColumnId), std::to_string(row));
}

// The main list's cells that a search writes, row by row.
std::vector<std::vector<std::string>> MainTable() {
  std::vector<std::vector<std::string>> table;
  ListView& list = Ui().mainList;
  for (int row = 1; row <= list.RowCount(); ++row) {
    std::vector<std::string> cells;
    for (int column : {kColumnId, kColumnTitle, kColumnSize, kColumnFormat, kColumnDetailPath, kColumnCodes}) {
      cells.push_back(list.CellText(row, column));
    }
    table.push_back(cells);
  }
  return table;
}

// A click delivered with nothing dispatched after it.
void Press(Control& control) {
  SendMessageW(Main(), WM_MOUSEMOVE, 0, Centre(control));
  SendMessageW(Main(), WM_LBUTTONDOWN, MK_LBUTTON, Centre(control));
  SendMessageW(Main(), WM_LBUTTONUP, 0, Centre(control));
}

void PressSearch() { Press(Ui().searchButton); }

TEST(Search, PressesBackToBackRunOneWorkerAtATime) {
  // A term of two pages: two runs side by side would show doubled or misnumbered rows in any
  // run of more than one page, and there are eight runs to wait out.
  TypeTerm("ABC-0");
  Click(Ui().searchButton);
  ASSERT_TRUE(WaitIdle());
  const auto reference = MainTable();
  ASSERT_EQ(reference.size(), 14u);
  for (int round = 0; round < 2; ++round) {
    // A start, a stop before the worker's first step, a new start: one run, its rows 1..n
    // with every cell of a row from one result.
    PressSearch();
    PressSearch();
    PressSearch();
    ASSERT_TRUE(WaitIdle());
    Pump();
    EXPECT_EQ(MainTable(), reference) << "round " << round;
  }
  // Handled straight after one another, with no message between them, the first worker has
  // had no time for a step before the next press looks at the run.
  for (int round = 0; round < 5; ++round) {
    StartSearch();
    StartSearch();
    StartSearch();
    ASSERT_TRUE(WaitIdle());
    Pump();
    EXPECT_EQ(MainTable(), reference) << "handled at once, round " << round;
  }
  // A start and its stop at once: nothing runs and the list stays empty.
  PressSearch();
  PressSearch();
  ASSERT_TRUE(WaitIdle());
  const size_t asked = SearchPaths().size();
  Click(Ui().tabs[0]);  // a message round trip after the stop
  // A first page already on its way when the stop came may reach the site's log only now (the
  // stop gives it up without waiting); no later page is ever asked for.
  const std::vector<std::string> after = SearchPaths();
  for (size_t i = asked; i < after.size(); ++i) {
    EXPECT_TRUE(after[i].ends_with("&p=1")) << "the stopped run went on: " << after[i];
  }
  EXPECT_LE(after.size(), asked + 1);
  EXPECT_EQ(Ui().mainList.RowCount(), 0);
}

// Memory running out in the search press or a tab click, in the handler or in a message it
// sends, stays inside (it would otherwise cross a window procedure and end the process): the
// run either starts or does not, nothing reads as busy once it is over, one list is on screen,
// and the next press and click work. Each round fails one allocation later, until the handler
// has all it needs.
TEST(Search, AllocationFailuresStayInsideThePressAndTabHandlers) {
  TypeTerm("ABC");
  Click(Ui().searchButton);
  ASSERT_TRUE(WaitIdle());
  const auto reference = MainTable();
  ListView& main = Ui().mainList;
  ListView& category = Ui().categoryList;

  bool whole = false;
  for (long allowed = 0; !whole && allowed < 1000; ++allowed) {
    gAllocationFailures = 0;
    gAllocationsLeft = allowed;
    EXPECT_NO_THROW(StartSearch()) << allowed;
    gAllocationsLeft = -1;
    whole = gAllocationFailures == 0;
    if (!whole && AppState.searchBusy == 1) StartSearch();  // a run that started: stopped again
    ASSERT_TRUE(WaitIdle()) << allowed;
    EXPECT_FALSE(main.IsFilling()) << allowed;
  }
  ASSERT_TRUE(whole);
  // A failed press ended only a fill it had begun: a run reads as busy again.
  StartSearch();
  EXPECT_TRUE(main.IsFilling());
  ASSERT_TRUE(WaitIdle());
  EXPECT_EQ(MainTable(), reference);

  // The handler is called as the button's press calls it (clicks this quick would be double clicks).
  const auto clickTab = [](int tab) { return TabHandler(reinterpret_cast<LPARAM>(&Ui().tabs[tab]), 0, 0, 0, 0); };
  whole = false;
  for (long allowed = 0; !whole && allowed < 1000; ++allowed) {
    clickTab(0);
    gAllocationFailures = 0;
    gAllocationsLeft = allowed;
    EXPECT_NO_THROW(clickTab(1)) << allowed;
    gAllocationsLeft = -1;
    whole = gAllocationFailures == 0;
    ASSERT_TRUE(PumpUntil([&] { return !category.IsFilling(); })) << allowed;
    Pump();
    EXPECT_NE(main.IsVisible(), category.IsVisible()) << allowed;
  }
  ASSERT_TRUE(whole);
  // A failed click ended only a fill it had begun: a fill reads as busy again.
  clickTab(1);
  EXPECT_TRUE(category.IsFilling());
  const int video = std::stoi(Caption(1).substr(Caption(1).find('(') + 1));
  ASSERT_TRUE(PumpUntil([&] { return category.IsVisible() && category.RowCount() == video; }));
  clickTab(0);
  EXPECT_TRUE(main.IsVisible());
  EXPECT_EQ(MainTable(), reference);
}

TEST(Search, AnAllTabClickDuringACategoryFillAlwaysShowsTheMainList) {
  TypeTerm("ABC");
  Click(Ui().searchButton);
  ASSERT_TRUE(WaitIdle());
  ListView& main = Ui().mainList;
  ListView& category = Ui().categoryList;
  for (int round = 0; round < 12; ++round) {
    Pump();
    Press(Ui().tabs[1 + round % 4]);
    // Nothing is dispatched meanwhile: the fill gets going and waits for this thread to switch
    // the views, which it can do only after the all tab's click.
    Sleep(static_cast<DWORD>(round));
    Press(Ui().tabs[0]);
    ASSERT_TRUE(PumpUntil([&] { return !category.IsFilling(); }));
    EXPECT_TRUE(main.IsVisible()) << "round " << round;
    EXPECT_FALSE(category.IsVisible()) << "round " << round;
  }
}

}  // namespace

namespace {

// The fault terms of the reference site: page 1 holds ten normal rows, page 2 the fault and
// page 3 nothing. Every run ends quietly and keeps the rows it could read, numbered 1..n.
TEST(Search, HostilePagesEndQuietlyAndKeepWhatTheyCouldRead) {
  struct Case {
    const char* term;
    int rows;
    int row;                 // a row to look at (0: none)
    size_t titleBytes;       // its title's length
    const char* size;        // its size, when given
    const char* format;      // its format, when given
  };
  const Case cases[] = {
      {"fault-longtitle", 20, 11, 10000, nullptr, nullptr},
      {"fault-lfsize", 20, 13, 0, "\n\n", nullptr},  // three line feeds, the first one removed
      {"fault-oddformat", 20, 12, 0, nullptr, "a"},
      {"fault-noend", 10, 0, 0, nullptr, nullptr},
      {"fault-5mb", 20, 0, 0, nullptr, nullptr},
      {"fault-manyrows", 3010, 3010, 0, "700 MB", "mp4"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.term);
    TypeTerm(c.term);
    Click(Ui().searchButton);
    ASSERT_TRUE(PumpUntil([] { return AppState.searchBusy == 1 || Ui().mainList.RowCount() > 0; }, 5000));
    ASSERT_TRUE(WaitIdle(60000));
    ListView& list = Ui().mainList;
    ASSERT_EQ(list.RowCount(), c.rows);
    for (int row = 1; row <= list.RowCount(); ++row) ASSERT_EQ(list.CellText(row, kColumnId), std::to_string(row));
    if (c.row == 0) continue;
    if (c.titleBytes) {
      EXPECT_EQ(list.CellText(c.row, kColumnTitle).size(), c.titleBytes);
    }
    if (c.size) {
      EXPECT_EQ(list.CellText(c.row, kColumnSize), c.size);
    }
    if (c.format) {
      EXPECT_EQ(list.CellText(c.row, kColumnFormat), c.format);
    }
  }
}

}  // namespace

namespace {

void ClickHeader(ListView& list, int column) {
  const Gdiplus::RectF bounds = list.BoundsRef(), header = list.HeaderRect();
  int x = static_cast<int>(bounds.X + header.X);
  for (int c = 1; c < column; ++c) x += list.ColumnWidth(c);
  const LPARAM at = MAKELPARAM(x + list.ColumnWidth(column) / 2, static_cast<int>(bounds.Y + header.Y + header.Height / 2));
  SendMessageW(Main(), WM_MOUSEMOVE, 0, at);
  SendMessageW(Main(), WM_LBUTTONDOWN, MK_LBUTTON, at);
  SendMessageW(Main(), WM_LBUTTONUP, 0, at);
  Pump();
}

// Empty when the list's rows are in the order (ties by arrival), else where they are not.
std::string OutOfOrder(ListView& list, search::SortOrder order) {
  const std::vector<ListRowCopy> rows = list.RowCopies();
  for (size_t i = 1; i < rows.size(); ++i) {
    auto key = [&](const ListRowCopy& row) {
      return search::MakeRowKey({row.texts[kColumnTitle - 1], row.texts[kColumnSize - 1], row.texts[kColumnFormat - 1],
                                 row.data},
                                order.key);
    };
    if (!search::RowBefore(key(rows[i - 1]), key(rows[i]), order)) return "rows " + std::to_string(i) + " and " + std::to_string(i + 1);
  }
  return {};
}

// The demo term's four pages arrive one second apart: every sort below happens while rows
// still arrive, and they arrive at their places.
TEST(Search, HeaderClicksSortBothListsWhileRowsArriveAndActionsKeepTheirRows) {
  using search::SortKey;
  using search::SortOrder;
  ListView& main = Ui().mainList;
  ListView& category = Ui().categoryList;
  Click(Ui().tabs[0]);
  TypeTerm("ABC");
  Click(Ui().searchButton);
  ASSERT_TRUE(PumpUntil([&] { return main.RowCount() >= 10; }));

  const SortOrder sizeUp{SortKey::Size, false}, nameUp{SortKey::Name, false}, nameDown{SortKey::Name, true},
      formatUp{SortKey::Format, false};
  struct Step {
    ListView* clicked;
    int column;
    SortOrder order;
    int arrowColumn, arrowDirection;
  } steps[] = {
      {&main, kColumnSize, sizeUp, kColumnSize, kSortAscending},
      {&main, kColumnTitle, nameUp, kColumnTitle, kSortAscending},
      {&main, kColumnTitle, nameDown, kColumnTitle, kSortDescending},
  };
  for (const Step& s : steps) {
    SCOPED_TRACE(s.column);
    const int before = main.RowCount();
    ClickHeader(*s.clicked, s.column);
    EXPECT_EQ(OutOfOrder(main, s.order), "");
    for (ListView* list : {&main, &category}) {
      EXPECT_EQ(list->SortIndicatorColumn(), s.arrowColumn);
      EXPECT_EQ(list->SortIndicatorDirection(), s.arrowDirection);
    }
    // Rows of the next page go straight to their places.
    ASSERT_TRUE(PumpUntil([&] { return main.RowCount() > before || AppState.searchBusy == 0; }));
    EXPECT_EQ(OutOfOrder(main, s.order), "");
  }
  EXPECT_EQ(AppState.searchBusy, 1) << "the sorts came while the search ran";

  // A category shows the same order; a header click there sorts the main list too.
  Click(Ui().tabs[1]);
  ASSERT_TRUE(PumpUntil([&] { return category.IsVisible() && !category.IsFilling(); }));
  EXPECT_EQ(OutOfOrder(category, nameDown), "");
  ClickHeader(category, kColumnFormat);
  EXPECT_EQ(OutOfOrder(category, formatUp), "");
  EXPECT_EQ(OutOfOrder(main, formatUp), "");
  EXPECT_EQ(main.SortIndicatorColumn(), kColumnFormat);
  ASSERT_TRUE(WaitIdle());
  EXPECT_EQ(OutOfOrder(main, formatUp), "");
  EXPECT_EQ(Caption(0), TabCaption(0, 38)) << "sorting leaves the counts alone";

  // The link of a sorted category row is its own, and its main-list row keeps it too.
  Click(Ui().tabs[1]);
  ASSERT_TRUE(PumpUntil([&] { return category.IsVisible() && !category.IsFilling() && category.RowCount() > 2; }));
  ClickHeader(category, kColumnTitle);
  const int last = category.RowCount();
  category.CurrentRow(last);
  const ListRowCopy chosen = category.CurrentRowCopy();
  ASSERT_TRUE(StartResultAction(ResultAction::Remember));
  ASSERT_TRUE(PumpUntil([] { return !ResultActionRunning(); }));
  const std::string magnet = category.CellText(last, kColumnMagnet);
  ASSERT_FALSE(magnet.empty());
  EXPECT_EQ(category.CellText(last, kColumnMagnet), magnet);
  const int mainRow = main.FindRowByData(chosen.data);
  ASSERT_GT(mainRow, 0);
  EXPECT_EQ(main.CellText(mainRow, kColumnMagnet), magnet);
  EXPECT_EQ(main.CellText(mainRow, kColumnDetailPath), chosen.texts[kColumnDetailPath - 1]);
  EXPECT_EQ(main.CellText(mainRow, kColumnId), chosen.texts[kColumnCodes - 1]);
  for (int row = 1; row <= main.RowCount(); ++row) {
    if (row != mainRow) {
      EXPECT_EQ(main.CellText(row, kColumnMagnet), "") << row;
    }
  }

  // ID returns both lists to arrival order, numbered 1..n; a new search starts there too.
  ClickHeader(category, kColumnId);
  for (int row = 1; row <= category.RowCount(); ++row) EXPECT_EQ(category.CellText(row, kColumnId), std::to_string(row));
  for (int row = 1; row <= main.RowCount(); ++row) EXPECT_EQ(main.CellText(row, kColumnId), std::to_string(row));
  EXPECT_EQ(main.SortIndicatorColumn(), 0);
  Click(Ui().tabs[0]);
  ClickHeader(main, kColumnSize);
  Click(Ui().searchButton);
  EXPECT_EQ(main.SortIndicatorColumn(), 0);
  ASSERT_TRUE(WaitIdle());
  for (int row = 1; row <= main.RowCount(); ++row) EXPECT_EQ(main.CellText(row, kColumnId), std::to_string(row));
}

}  // namespace

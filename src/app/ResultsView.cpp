#include "app/ResultsView.h"

#include <algorithm>
#include <limits>
#include <mutex>

#include "app/AppState.h"
#include "app/FilterBar.h"
#include "app/MainControls.h"
#include "app/SearchEnd.h"
#include "app/Workers.h"
#include "search/ResultMarks.h"
#include "ui/core/UiThread.h"

namespace {

// "全部(", "视频(", "音频(", "图片(", "压缩包(" in GBK.
constexpr const char* kTabPrefixes[kTabCount] = {
    "\xc8\xab\xb2\xbf(", "\xca\xd3\xc6\xb5(", "\xd2\xf4\xc6\xb5(", "\xcd\xbc\xc6\xac(", "\xd1\xb9\xcb\xf5\xb0\xfc("};

struct ColumnSpec {
  const char* mainTitle;
  const char* categoryTitle;
  int width;
};
// "ID", "资源名称", "资源大小", "资源格式", "详页地址", "分类" / "主列ID", "磁力链接": only the first
// four are seen; the last three keep the row's detail path, codes (or main-list ID) and link.
constexpr ColumnSpec kColumns[] = {
    {"ID", "ID", 40},
    {"\xd7\xca\xd4\xb4\xc3\xfb\xb3\xc6", "\xd7\xca\xd4\xb4\xc3\xfb\xb3\xc6", 390},
    {"\xd7\xca\xd4\xb4\xb4\xf3\xd0\xa1", "\xd7\xca\xd4\xb4\xb4\xf3\xd0\xa1", 70},
    {"\xd7\xca\xd4\xb4\xb8\xf1\xca\xbd", "\xd7\xca\xd4\xb4\xb8\xf1\xca\xbd", 70},
    {"\xcf\xea\xd2\xb3\xb5\xd8\xd6\xb7", "\xcf\xea\xd2\xb3\xb5\xd8\xd6\xb7", 0},
    {"\xb7\xd6\xc0\xe0", "\xd6\xf7\xc1\xd0ID", 0},
    {"\xb4\xc5\xc1\xa6\xc1\xb4\xbd\xd3", "\xb4\xc5\xc1\xa6\xc1\xb4\xbd\xd3", 0},
};

constexpr int kGenerationMask = 0x0FFFFFFF;

int CurrentFill() { return AppState.categoryFillGeneration & kGenerationMask; }

int CountFor(int tab) {
  switch (tab) {
    case 0: return AppState.controls ? AppState.controls->mainList.AllRowCount() : 0;  // hidden rows too
    case 1: return AppState.videoCount;
    case 2: return AppState.audioCount;
    case 3: return AppState.imageCount;
    default: return AppState.archiveCount;
  }
}

// Which list shows is decided on the UI thread, where the tab clicks raise the generation: a
// fill overtaken by any click (the all tab's too) never hides the main list. True when this
// fill is still the current one and its emptied view is on screen.
bool ShowCategoryViewIfCurrent(MainControls& ui, int generation) {
  return ui::CallOnUiThread(
      AppState.mainWindow.load(),
      [&] {
        if (CurrentFill() != generation) return false;
        ui.mainList.Visible(false);
        ui.categoryList.ClearRows();
        ui.categoryList.SetEmptyText({});  // said once the fill has ended with no row
        ui.categoryList.Visible(true);
        return true;
      },
      false);
}

LRESULT HandleTabClick(MainControls& ui, const Control* clicked) {
  if (clicked == ui.tabs[0].GetHandle()) {
    ++AppState.categoryFillGeneration;  // a fill still running stops at its next row
    AppState.shownCategory = 0;
    ui.mainList.Visible(true);
    ui.categoryList.Visible(false);
    RefreshFilterCount(ui);
    return 0;
  }
  for (int tab = 1; tab < kTabCount; ++tab) {
    if (clicked != ui.tabs[tab].GetHandle()) continue;
    const INT_PTR generation = (++AppState.categoryFillGeneration) & kGenerationMask;
    const INT_PTR packed = (generation << 3) | tab;
    AppState.shownCategory = tab;
    FillingScope filling(ui.categoryList);
    if (StartWorker(ShowCategory, reinterpret_cast<LPVOID>(packed))) filling.HandOver();
    return 0;
  }
  return 0;
}

}  // namespace

std::string TabCaption(int tab, int count) {
  if (tab < 0 || tab >= kTabCount) return {};
  return std::string(kTabPrefixes[tab]) + std::to_string(count) + ")";
}

void AddResultColumns(ListView& list, bool categoryList) {
  for (const ColumnSpec& column : kColumns) {
    list.InsertColumn(0, categoryList ? column.categoryTitle : column.mainTitle, column.width);
  }
  // A result whose link was taken shows its ID in the link blue, and says what was done.
  list.SetRowMarks(kTakenMarkColour, search::MarkTexts());
}

void RefreshTabCaptions() {
  MainControls* ui = AppState.controls.get();
  if (!ui) return;
  // One crossing for all five: a worker's crossing waits until the UI thread has drawn what it
  // was drawing, and the search calls this after every page.
  ui::RunOnUiThread(AppState.mainWindow, [ui] {
    for (int tab = 0; tab < kTabCount; ++tab) ui->tabs[tab].Caption(TabCaption(tab, CountFor(tab)));
    RefreshFilterCount(*ui);
  });
}

bool CopyCategoryRows(ListView& main, ListView& category, int code, const std::function<bool()>& cancelled,
                      std::uintptr_t* watermark) {
  const std::string digit = std::to_string(code);
  // Main rows are taken in the order they arrived, whatever order the main list shows, so the
  // category numbers its rows in arrival order too; each round takes the rows a running search
  // added since the last one, until a round finds none.
  std::uintptr_t taken = 0;
  bool firstRound = true;
  int n = 0;
  for (;;) {
    std::vector<ListRowCopy> rows = main.RowCopies();
    std::erase_if(rows, [&](const ListRowCopy& row) { return !firstRound && row.data <= taken; });
    if (rows.empty()) {
      if (watermark) *watermark = taken;
      return true;
    }
    firstRound = false;
    std::stable_sort(rows.begin(), rows.end(), [](const ListRowCopy& a, const ListRowCopy& b) { return a.data < b.data; });
    taken = std::max(taken, rows.back().data);
    for (ListRowCopy& row : rows) {
      if (cancelled()) return false;
      std::vector<std::string>& texts = row.texts;
      if (texts.size() < kColumnMagnet || texts[kColumnCodes - 1].find(digit) == std::string::npos) continue;
      texts[kColumnCodes - 1] = texts[kColumnId - 1];  // the main-list ID
      texts[kColumnId - 1] = std::to_string(++n);
      if (category.AddRow(std::move(texts), row.data) <= 0) return false;  // memory ran out: keep what it has
      if (row.mark) category.MarkRowsOfData(row.data, row.mark);
    }
  }
}

DWORD WINAPI ShowCategory(LPVOID argument) {
  // The argument carries the code in its low three bits and the fill's generation above them,
  // taken by the click itself so that the last click wins whichever thread starts first.
  const INT_PTR packed = reinterpret_cast<INT_PTR>(argument);
  const int code = static_cast<int>(packed & 7);
  const int mine = static_cast<int>(packed >> 3);
  MainControls* ui = AppState.controls.get();
  if (!ui) return 0;
  // The click marked the category list busy; it is done when this fill is, filled or overtaken.
  EndFillingOnExit ends(ui->categoryList);
  // Memory running out while copying leaves the category list with what it got.
  ui::Contained([&] {
    std::lock_guard fill(AppState.categoryFillLock);
    // Until this fill is done, rows the search adds reach the list through the fill only.
    AppState.categoryTaken = std::numeric_limits<std::uintptr_t>::max();
    std::uintptr_t taken = 0;
    if (ShowCategoryViewIfCurrent(*ui, mine) &&
        CopyCategoryRows(ui->mainList, ui->categoryList, code, [mine] { return CurrentFill() != mine; }, &taken)) {
      AppState.categoryTaken = taken;
      ui->categoryList.SetEmptyText(SearchEndLine(SearchEnd::EmptyCategory));  // shows only without rows
    }
    RefreshFilterCount(*ui);
  });
  return 0;
}

void OfferToShownCategory(MainControls& ui, const std::vector<std::string>& mainTexts, std::uintptr_t data) {
  const int code = AppState.shownCategory;
  if (code <= 0 || mainTexts.size() < kColumnMagnet) return;
  if (mainTexts[kColumnCodes - 1].find(std::to_string(code)) == std::string::npos) return;
  std::lock_guard fill(AppState.categoryFillLock);
  // A fill still under way (or one overtaken) takes the row itself, or a later fill will.
  if (AppState.shownCategory != code || data <= AppState.categoryTaken) return;
  std::vector<std::string> texts = mainTexts;
  texts[kColumnCodes - 1] = texts[kColumnId - 1];  // the main-list ID
  texts[kColumnId - 1] = std::to_string(ui.categoryList.AllRowCount() + 1);
  const std::uint8_t mark = AppState.takenResults.Of(texts[kColumnDetailPath - 1]);
  if (ui.categoryList.AddRow(std::move(texts), data) <= 0) return;
  AppState.categoryTaken = data;
  if (mark) ui.categoryList.MarkRowsOfData(data, mark);
}

void RefillShownCategory(MainControls& ui) {
  const int tab = AppState.shownCategory;
  if (tab > 0 && tab < kTabCount) HandleTabClick(ui, ui.tabs[tab].GetHandle());
}

LRESULT TabHandler(LPARAM control, LPARAM, LPARAM, LPARAM, LPARAM) {
  MainControls* ui = AppState.controls.get();
  if (!ui) return 0;
  // Memory running out leaves the view as it was.
  return ui::Contained([&] { return HandleTabClick(*ui, reinterpret_cast<const Control*>(control)); });
}

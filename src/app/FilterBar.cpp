#include "app/FilterBar.h"

#include <array>
#include <memory>

#include "app/AppState.h"
#include "app/ResultsView.h"
#include "search/ResultFilter.h"
#include "ui/core/UiThread.h"
#include "ui/core/WindowHost.h"

namespace {

constexpr const char* kFilteredOutLine =  // 没有符合筛选条件的资源
    "\xc3\xbb\xd3\xd0\xb7\xfb\xba\xcf\xc9\xb8\xd1\xa1\xcc\xf5\xbc\xfe\xb5\xc4\xd7\xca\xd4\xb4";
constexpr const char* kShownPrefix = "\xcf\xd4\xca\xbe ";  // 显示
constexpr const char* kBoxName = "\xc9\xb8\xd1\xa1";        // 筛选
constexpr const char* kCloseGlyph = "\xa1\xc1";             // ×
constexpr unsigned kGrey = 0xFF666666;

// Shows the rows of a results list whose name and size pass the filter.
class ResultRowFilter final : public ListRowFilter {
 public:
  explicit ResultRowFilter(search::ResultFilter filter) : filter_(std::move(filter)) {}
  bool Shows(const ListRowView& row) const override {
    if (row.texts.size() < static_cast<size_t>(kColumnSize)) return true;
    return search::FilterPasses(filter_, row.texts[kColumnTitle - 1], row.texts[kColumnSize - 1]);
  }

 private:
  search::ResultFilter filter_;
};

ListView& ShownList(MainControls& ui) { return AppState.shownCategory > 0 ? ui.categoryList : ui.mainList; }

// Both lists shortened by the bar (or given its height back), and the action's progress line
// kept at their bottom.
void LayOut(MainControls& ui, bool open) {
  const float height = ui.mainList.Height() + (open ? -kFilterBarHeight : kFilterBarHeight);
  for (ListView* list : {&ui.mainList, &ui.categoryList}) list->Height(height);
  const float progressTop = ui.mainList.Top() + height - ui.progressBand.Height() - 1;
  for (Control* part : std::initializer_list<Control*>{&ui.progressBand, &ui.progressLabel, &ui.progressCancel}) {
    part->Top(progressTop);
  }
}

std::shared_ptr<const ListRowFilter> RowFilterOf(const std::string& text) {
  const search::ResultFilter filter = search::ParseFilter(text);
  if (filter.Empty()) return nullptr;
  return std::make_shared<ResultRowFilter>(filter);
}

ListView& HiddenList(MainControls& ui) { return &ShownList(ui) == &ui.mainList ? ui.categoryList : ui.mainList; }

// The list on screen is filtered at once; the other one once the keystroke is drawn (a key
// answers in the time of one list), always before the next click or key could show it.
void ApplyFilter(MainControls& ui, const std::string& text) {
  ShownList(ui).SetRowFilter(RowFilterOf(text));
  RefreshFilterCount(ui);
  if (!AppState.filterOtherPending.exchange(true) &&
      !PostMessageW(AppState.mainWindow, kFilterOtherListMessage, 0, 0)) {
    FilterOtherList(ui);
  }
}

// The bar's parts, shown and hidden together.
std::array<Control*, 4> BarParts(MainControls& ui) {
  return {&ui.filterBand, &ui.filterBox, &ui.filterCount, &ui.filterClose};
}

LRESULT FilterChanged(LPARAM, LPARAM, LPARAM, LPARAM, LPARAM) {
  MainControls* ui = AppState.controls.get();
  if (!ui || !AppState.filterOpen) return 0;
  // Memory running out leaves the lists as they were.
  ui::Contained([&] { ApplyFilter(*ui, ui->filterBox.Text()); });
  return 0;
}

LRESULT CloseClicked(LPARAM, LPARAM, LPARAM, LPARAM, LPARAM) {
  if (MainControls* ui = AppState.controls.get()) ui::Contained([&] { CloseFilterBar(*ui); });
  return 0;
}

}  // namespace

void CreateFilterBar(HWND window, MainControls& ui, const FilterBarPlace& place) {
  const float top = place.listTop + place.listHeight - kFilterBarHeight;
  PictureBoxOptions band;
  band.layout = PictureLayout::NineSliced;
  band.margins = gfx::NineSliceMargins{1, 1, 1, 1};
  band.visible = false;
  ui.filterBand.Create(window, place.left + 1, top, place.width - 2, kFilterBarHeight - 1, place.band, band);
  EditBoxOptions box;
  box.visible = false;
  ui.filterBox.Create(window, place.left + 4, top + 3, place.width - 150, kFilterBarHeight - 6, box);
  ui.filterBox.TipText(kBoxName);
  ui.filterBox.CueText(search::kFilterHint);
  ui.filterBox.SetOnChange(FilterChanged);
  LabelOptions count;
  count.lineAlignment = 1;
  count.textColour = kGrey;
  count.visible = false;
  ui.filterCount.Create(window, place.left + place.width - 140, top, 110, kFilterBarHeight, "", count);
  LabelOptions close;
  close.lineAlignment = 1;
  close.visible = false;
  ui.filterClose.Create(window, place.left + place.width - 24, top, 20, kFilterBarHeight, kCloseGlyph, close);
  ui.filterClose.AddEventHandler(WM_LBUTTONDOWN, CloseClicked);
  for (ListView* list : {&ui.mainList, &ui.categoryList}) list->SetFilteredOutText(kFilteredOutLine);
}

bool FilterBarOpen() { return AppState.filterOpen; }

void OpenFilterBar(MainControls& ui) {
  if (!AppState.filterOpen) {
    AppState.filterOpen = true;
    LayOut(ui, true);
    for (Control* part : BarParts(ui)) part->Visible(true);
    ApplyFilter(ui, ui.filterBox.Text());
  }
  if (WindowHost* host = ui.filterBox.Host()) host->set_focus(ui.filterBox.GetHandle(), true);
}

void CloseFilterBar(MainControls& ui) {
  if (!AppState.filterOpen) return;
  AppState.filterOpen = false;
  for (ListView* list : {&ui.mainList, &ui.categoryList}) list->SetRowFilter(nullptr);
  for (Control* part : BarParts(ui)) part->Visible(false);
  LayOut(ui, false);
  ListView& shown = ShownList(ui);
  if (WindowHost* host = shown.Host()) host->set_focus(shown.GetHandle(), true);
}

void FilterOtherList(MainControls& ui) {
  AppState.filterOtherPending = false;
  HiddenList(ui).SetRowFilter(AppState.filterOpen ? RowFilterOf(ui.filterBox.Text()) : nullptr);
}

std::string FilterCountText(int shown, int all) {
  return std::string(kShownPrefix) + std::to_string(shown) + " / " + std::to_string(all);
}

void RefreshFilterCount(MainControls& ui) {
  if (!AppState.filterOpen) return;
  ListView& list = ShownList(ui);
  ui.filterCount.SetText(FilterCountText(list.RowCount(), list.AllRowCount()));
}

bool FilterBarKey(MainControls& ui, WPARAM key) {
  if (key == 'F' && (GetKeyState(VK_CONTROL) & 0x8000) && !(GetKeyState(VK_MENU) & 0x8000)) {
    OpenFilterBar(ui);
    return true;
  }
  if (key == VK_ESCAPE && AppState.filterOpen) {
    WindowHost* host = ui.filterBox.Host();
    if (host && host->Focused() == ui.filterBox.GetHandle()) {
      CloseFilterBar(ui);
      return true;
    }
  }
  return false;
}

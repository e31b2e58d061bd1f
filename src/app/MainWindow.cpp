#include <algorithm>

#include "Hosts.h"
#include "app/AppState.h"
#include "app/FilterBar.h"
#include "base/Contained.h"
#include "app/Application.h"
#include "app/MainControls.h"
#include "app/ResultActions.h"
#include "app/ResultSorting.h"
#include "app/ResultsView.h"
#include "app/SearchRun.h"
#include "app/StartupThreads.h"
#include "app/Workers.h"
#include "form/Form.h"
#include "links/UpdateFile.h"
#include "resources/Resources.h"
#include "ui/core/Colour.h"
#include "ui/core/WindowHost.h"
#include "ui/dialogs/PopupMenu.h"

namespace {

constexpr const char* kProgramTitle = "Quarvel";
constexpr int kMajorVersion = 1;
constexpr int kMainWidth = 610;
constexpr int kMainHeight = 515;

// Frame of the main window: icon, caption, close and minimise buttons.
constexpr int kMainFrameFlags = 0x17;

// "搜索" in GBK.
constexpr const char* kSearchCaption = "\xcb\xd1\xcb\xf7";
constexpr int kRed = RGB(255, 0, 0);
constexpr int kWhite = RGB(255, 255, 255);
constexpr int kBlue = RGB(0, 0, 255);

// "取消" in GBK: the link that cancels an action on several rows.
constexpr const char* kCancelCaption = "\xc8\xa1\xcf\xfb";
constexpr float kProgressHeight = 22;
// Four by four opaque white pixels (PNG), laid under the progress line so rows do not
// show through its text: nine-sliced with one-pixel edges, so no edge fades into the rows.
constexpr unsigned char kProgressBand[] = {
    0x89, 0x50, 0x4e, 0x47, 0x0d, 0x0a, 0x1a, 0x0a, 0x00, 0x00, 0x00, 0x0d, 0x49, 0x48, 0x44, 0x52, 0x00, 0x00,
    0x00, 0x04, 0x00, 0x00, 0x00, 0x04, 0x08, 0x06, 0x00, 0x00, 0x00, 0xa9, 0xf1, 0x9e, 0x7e, 0x00, 0x00, 0x00,
    0x0f, 0x49, 0x44, 0x41, 0x54, 0x78, 0xda, 0x63, 0xf8, 0x8f, 0x06, 0x18, 0x48, 0x17, 0x00, 0x00, 0x78, 0x3c,
    0x3f, 0xc1, 0xe1, 0x95, 0x95, 0xef, 0x00, 0x00, 0x00, 0x00, 0x49, 0x45, 0x4e, 0x44, 0xae, 0x42, 0x60, 0x82};

// Exit codes of a process that ends because its window could not be had.
constexpr UINT kExitNoWindow = 1;     // not made, or gone by the time the build returned
constexpr UINT kExitNoHost = 2;       // the window host could not attach
constexpr UINT kExitBuildFailed = 3;  // memory ran out while building

// Ends the process from wherever it is: running threads go with it and no exit step runs (the
// program keeps nothing to save).
void EndProcess(UINT exitCode) {
  HANDLE self = OpenProcess(PROCESS_TERMINATE, FALSE, GetCurrentProcessId());
  TerminateProcess(self ? self : GetCurrentProcess(), exitCode);
  ExitProcess(exitCode);  // only if termination itself failed
}

LRESULT OpenProductSite(LPARAM, LPARAM, LPARAM, LPARAM, LPARAM) {
  OpenUrl(links::ProductHomeAddress(hosts::kProductHost));
  return 0;
}

// A column the user widened or narrowed in one list takes that width in the other too.
LRESULT ShareColumnWidth(LPARAM first, LPARAM second, LPARAM third, LPARAM, LPARAM) {
  MainControls* ui = AppState.controls.get();
  if (!ui) return 0;
  ListView* from = reinterpret_cast<ListView*>(first);
  int column = static_cast<int>(second);
  if (from != &ui->mainList && from != &ui->categoryList) {
    from = reinterpret_cast<ListView*>(second);  // after its parent control
    column = static_cast<int>(third);
  }
  ListView& other = from == &ui->mainList ? ui->categoryList : ui->mainList;
  other.SetColumnWidth(column, from->ColumnWidth(column));
  return 0;
}

LRESULT OpenUpdateLink(LPARAM, LPARAM, LPARAM, LPARAM, LPARAM) {
  const std::string link = AppState.UpdateLink();
  if (links::IsWebAddress(link)) OpenUrl(link);
  return 0;
}

// The controls at their fixed places, in creation order; later ones draw on top.
void CreateControls(HWND window, MainControls& ui) {
  const float frameLeft = 55, frameTop = 35, frameWidth = 400, frameHeight = 24;
  ui.searchFrame.Create(window, frameLeft, frameTop, frameWidth, frameHeight, resources::SearchFrame());

  EditBoxOptions box;
  box.background = ToArgb(kWhite, 0);
  const float boxLeft = frameLeft + 1, boxTop = frameTop + 1, boxWidth = frameWidth - 1, boxHeight = frameHeight - 1;
  ui.searchBox.Create(window, boxLeft, boxTop, boxWidth, boxHeight, box);

  // The images go in first: the button's first paint is then its only one.
  ButtonImages images;
  images.normal = resources::SearchButtonNormal();
  images.pressed = resources::SearchButtonNormal();
  images.hover = resources::SearchButtonHover();
  images.layout = 1;
  ui.searchButton.SetImages(images);
  ButtonOptions search;
  search.iconPlacement = 3;
  ui.searchButton.Create(window, boxLeft + boxWidth + 5, boxTop, 60, 23, kSearchCaption, search);

  const float tabTop = boxTop + boxHeight + 1;
  const float tabWidths[kTabCount] = {90, 70, 70, 70, 80};
  float tabLeft = 75;
  for (int tab = 0; tab < kTabCount; ++tab) {
    ui.tabs[tab].Create(window, tabLeft, tabTop, tabWidths[tab], 25, TabCaption(tab, 0));
    tabLeft += tabWidths[tab] + 6;
  }

  ListViewOptions list;
  list.backgroundColour = ToArgb(kWhite, 180);
  list.singleSelection = false;  // many rows may be taken at once
  const float listLeft = 14, listTop = tabTop + 25, listWidth = 581, listHeight = 400;
  ui.mainList.Create(window, listLeft, listTop, listWidth, listHeight, list);
  AddResultColumns(ui.mainList, false);
  list.visible = false;
  ui.categoryList.Create(window, listLeft, listTop, listWidth, listHeight, list);
  AddResultColumns(ui.categoryList, true);

  // Placed by the list's size alone, so it sits above and left of the list's middle.
  PictureBoxOptions busy;
  busy.animate = true;
  busy.visible = false;
  ui.busyIndicator.Create(window, listWidth / 2 - 15, listHeight / 2 - 15, 32, 32, resources::BusyIndicator(), busy);

  ui.noticeLabel.Create(window, 15, listTop + listHeight + 1, 580, 25, "");

  // The progress of an action on several rows, over the bottom of the rows, hidden until then.
  const float progressTop = listTop + listHeight - kProgressHeight - 1;
  PictureBoxOptions band;
  band.layout = PictureLayout::NineSliced;
  band.margins = gfx::NineSliceMargins{1, 1, 1, 1};
  band.visible = false;
  ui.progressBand.Create(window, listLeft + 1, progressTop, listWidth - 2, kProgressHeight, kProgressBand, band);
  LabelOptions progress;
  progress.lineAlignment = 1;
  progress.visible = false;
  ui.progressLabel.Create(window, listLeft + 8, progressTop, listWidth - 90, kProgressHeight, "", progress);
  LabelOptions cancel;
  cancel.textColour = ToArgb(kBlue);
  cancel.lineAlignment = 1;
  cancel.visible = false;
  ui.progressCancel.Create(window, listLeft + listWidth - 60, progressTop, 50, kProgressHeight, kCancelCaption, cancel);

  CreateFilterBar(window, ui, {listLeft, listTop, listWidth, listHeight, kProgressBand});

  LabelOptions update;
  update.textColour = ToArgb(kRed);
  update.visible = false;
  ui.updateLabel.Create(window, 425, 6, 100, 23, "", update);

  LabelOptions site;
  site.textColour = ToArgb(kWhite);
  site.fontSize = 16;
  ui.siteLabel.Create(window, 140, 7, 160, 23, hosts::kProductHost, site);
  ui.siteLabel.HoverColour(ToArgb(kRed));
}

void WireHandlers(MainControls& ui) {
  ui.siteLabel.AddEventHandler(WM_LBUTTONDOWN, OpenProductSite);
  ui.searchButton.AddEventHandler(WM_LBUTTONDOWN, StartSearch);
  ui.updateLabel.AddEventHandler(WM_LBUTTONDOWN, OpenUpdateLink);
  ui.mainList.AddEventHandler(WM_RBUTTONDOWN, ResultMenuGate);
  ui.categoryList.AddEventHandler(WM_RBUTTONDOWN, ResultMenuGate);
  for (ListView* list : {&ui.mainList, &ui.categoryList}) {
    list->AddEventHandler(WM_CONTEXTMENU, ResultMenuKeyGate);
    list->AddEventHandler(WM_COPY, CopyCurrentResult);
  }
  ui.mainList.SetOnHeaderClick(ResultHeaderClick);
  ui.categoryList.SetOnHeaderClick(ResultHeaderClick);
  ui.mainList.ResizableColumns(ShareColumnWidth);
  ui.categoryList.ResizableColumns(ShareColumnWidth);
  for (GlowButton& tab : ui.tabs) tab.AddEventHandler(WM_LBUTTONDOWN, TabHandler);
  ui.progressCancel.AddEventHandler(WM_LBUTTONDOWN, CancelResultActionClick);
}

}  // namespace

std::span<const gfx::ImageSource> MainWindowImages() {
  static const gfx::ImageSource images[] = {
      {resources::WindowBackground(), false, kMainWidth - 2 * WindowHost::kFrameInset,
       kMainHeight - 2 * WindowHost::kFrameInset},
      {resources::GlowButtonSkin()},
      {resources::SearchFrame()},
      {resources::SearchButtonNormal()},
      {resources::SearchButtonHover()},
  };
  return images;
}

std::string MainWindowCaption() {
  return std::string(kProgramTitle) + std::to_string(kMajorVersion) + ".0\xb0\xe6 ";
}

POINT MainWindowPosition(int screenWidth, int screenHeight, int dpi) {
  // Computed in floating point and truncated toward zero.
  const double margin = ui::ToDevice(300, dpi);
  POINT at{static_cast<LONG>(screenWidth / 2.0 - margin), static_cast<LONG>(screenHeight / 2.0 - margin)};
  // A scaled window keeps its title bar on the screen, where its own margin would push it off.
  if (dpi != ui::kBaseDpi) at = POINT{std::max<LONG>(at.x, 0), std::max<LONG>(at.y, 0)};
  return at;
}

namespace {

// The main window's place and outer size on the screen at a scale.
RECT MainWindowRect(int dpi) {
  const POINT at = MainWindowPosition(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), dpi);
  return RECT{at.x, at.y, at.x + ui::ToDevice(kMainWidth, dpi), at.y + ui::ToDevice(kMainHeight, dpi)};
}

void BuildWindow(HWND window) {
  AppState.windowIcon = IconHandle(CreateIconFromIconFile(resources::WindowIcon()));
  if (HICON icon = AppState.windowIcon.Get()) {
    SendMessageA(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
    SendMessageA(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
  }
  AppState.mainWindow = window;

  // The form is laid out in pixels at 96 DPI; on the screen it takes the window's scale. It was
  // made at the system's, so it moves only where its own differs.
  const int dpi = ui::WindowDpi(window);
  const RECT wanted = MainWindowRect(dpi);
  RECT rect{};
  GetWindowRect(window, &rect);
  if (!EqualRect(&rect, &wanted)) {
    MoveWindow(window, wanted.left, wanted.top, wanted.right - wanted.left, wanted.bottom - wanted.top, TRUE);
  }

  // The skin: the embedded background stretched over the frame, a fixed size, dragged by
  // its background.
  AttachOptions options;
  options.image = resources::WindowBackground();
  options.frameFlags = kMainFrameFlags;
  options.imageLayout = 1;
  options.sizable = false;
  options.draggable = true;
  AppState.mainHost = std::make_unique<WindowHost>();
  // A window without its host could be closed without ending the process.
  if (!AppState.mainHost->attach(window, options)) EndProcess(kExitNoHost);
  // The hook goes in before anything looks at the queue: a close that arrives while the window
  // is being built ends the process like any later one, before any thread has started.
  AppState.mainHost->Callbacks().set_on_window_message(MainWindowHook);

  ProcessPendingMessages();

  AppState.controls = std::make_unique<MainControls>();
  AppState.resultMenu = std::make_unique<PopupMenu>();
  CreateControls(window, *AppState.controls);
  WireHandlers(*AppState.controls);

  StartWorker(CheckForUpdate);
  StartWorker(StartupPing);
  ShowWindowAsync(window, SW_SHOWNORMAL);
}

}  // namespace

void BuildMainWindow(HWND window) {
  // Memory ran out half way: a window without its controls is no window to keep.
  base::Contained([&] { BuildWindow(window); }, [] { EndProcess(kExitBuildFailed); });
}

LRESULT MainWindowHook(HWND window, UINT message, WPARAM wParam, LPARAM) {
  // Closed, or destroyed by any other path: no process lives on without its window.
  if ((message == WM_CLOSE || message == WM_DESTROY) && window != nullptr && window == AppState.mainWindow.load()) {
    EndProcess(0);
  }
  if (message == kLinkOutcomeMessage) {
    OnLinkOutcome();
    return 0;
  }
  if (message == kFilterOtherListMessage) {
    if (MainControls* ui = AppState.controls.get()) ui::Contained([ui] { FilterOtherList(*ui); });
    return 0;
  }
  // Esc cancels a running result action wherever the focus is.
  if (message == WM_KEYDOWN && wParam == VK_ESCAPE && CancelResultAction()) return 0;
  if (message == WM_KEYDOWN) {
    MainControls* ui = AppState.controls.get();
    if (ui && ui::Contained([&] { return FilterBarKey(*ui, wParam); })) return 0;
  }
  return -1;
}

HWND CreateMainForm() {
  form::FormOptions options;
  options.title = MainWindowCaption();
  options.created = BuildMainWindow;
  // Made where it shows: moving a window costs Wine a trip to the X server before the first frame.
  const RECT place = MainWindowRect(ui::SystemDpi());
  options.x = place.left;
  options.y = place.top;
  options.width = place.right - place.left;
  options.height = place.bottom - place.top;
  options.hidden = true;  // BuildMainWindow shows it once it is built
  return form::create_form(options);
}

int CreateMainWindow() {
  // No window (not made, or gone while it was built) would leave a loop that nothing ends.
  if (!CreateMainForm()) EndProcess(kExitNoWindow);
  MessageLoop();
  return 0;
}

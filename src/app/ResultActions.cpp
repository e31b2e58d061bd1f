#include "app/ResultActions.h"

#include <windowsx.h>

#include <cstdint>
#include <optional>

#include "Hosts.h"
#include "app/AppState.h"
#include "app/Application.h"
#include "app/CloudPlay.h"
#include "app/MainControls.h"
#include "app/ResultsView.h"
#include "links/DownloadLinks.h"
#include "search/MagnetResolution.h"
#include "ui/controls/ClipboardText.h"
#include "ui/core/AnsweringWait.h"
#include "ui/core/UiThread.h"
#include "ui/core/WindowHost.h"
#include "ui/dialogs/MessageBox.h"
#include "ui/dialogs/PopupMenu.h"
#include "web/WebAccess.h"

namespace {

// Menu captions, in order.
constexpr const char* kCopyCaption = "\xb8\xb4\xd6\xc6\xb4\xc5\xc1\xa6\xc1\xb4\xbd\xd3";  // 复制磁力链接
constexpr const char* kCloudPlayCaption = "\xd4\xc6\xb5\xe3\xb2\xa5";                       // 云点播
constexpr const char* kThunderCaption = "\xd1\xb8\xc0\xd7\xcf\xc2\xd4\xd8";                 // 迅雷下载
constexpr const char* kQqdlCaption = "QQ\xd0\xfd\xb7\xe7\xcf\xc2\xd4\xd8";                  // QQ旋风下载

// The list the user sees: the main list, or the category list while a category tab is shown.
ListView& VisibleList(MainControls& ui) { return ui.mainList.Visible() ? ui.mainList : ui.categoryList; }

// Keeps the busy indicator up while the detail page is on its way; down on every way out. The
// fetch holds the UI thread in a wait that only paints, runs timers and answers other threads,
// so the indicator is put on screen before it starts.
class BusyIndicator {
 public:
  explicit BusyIndicator(PictureBox& picture) : picture_(picture) {
    picture_.Visible(true);
    if (WindowHost* host = picture_.Host()) host->present_at_once(picture_.Bounds());
  }
  ~BusyIndicator() { Hide(); }
  void Hide() {
    if (shown_) picture_.Visible(false);
    shown_ = false;
  }

 private:
  PictureBox& picture_;
  bool shown_ = true;
};

void ShowBox(search::MagnetBox box) {
  if (box == search::MagnetBox::None) return;
  MessageBoxOptions options;
  options.title = search::MagnetBoxTitle(box);
  show_message_box(AppState.mainWindow, search::MagnetBoxText(box, hosts::kProductHost), options);
}

// The row remembers its link, so the next request needs no fetch; a link longer than a cell
// keeps is not remembered at all (the next request fetches again instead of handing out a cut
// link). Rows are found by their result, wherever a sort or the search has moved them: through
// the category list the main list's row of the same result remembers it as well, so the link
// survives a switch of tab; a search started since then has rows of other results only.
void StoreMagnet(MainControls& ui, bool mainShown, std::uintptr_t result, const std::string& magnet) {
  if (magnet.size() > kListCellMaxBytes) return;
  ui.mainList.SetCellTextOfData(result, kColumnMagnet, magnet, false);
  if (!mainShown) ui.categoryList.SetCellTextOfData(result, kColumnMagnet, magnet, false);
}

std::string Cell(const ListRowCopy& row, int column) {
  return static_cast<size_t>(column) <= row.texts.size() ? row.texts[static_cast<size_t>(column - 1)] : std::string();
}

std::string Resolve(MainControls& ui, bool copyMode) {
  BusyIndicator busy(ui.busyIndicator);
  const bool mainShown = ui.mainList.Visible();
  ListView& list = mainShown ? ui.mainList : ui.categoryList;
  // Read at once: a running search may move rows between two reads.
  const ListRowCopy row = list.CurrentRowCopy();
  if (row.row <= 0) return {};

  search::MagnetDecision decision =
      search::DecideMagnet(Cell(row, kColumnMagnet), Cell(row, kColumnDetailPath), copyMode, hosts::kSearchHost,
                           [](const std::string& url) {
                             return web::WebAccess(
                                 url, {.deadlineMs = search::kDetailFetchDeadlineMs, .wait = ui::WaitAnswering});
                           });
  busy.Hide();
  if (decision.fromPage) StoreMagnet(ui, mainShown, row.data, decision.magnet);
  search::MagnetBox box = decision.box;
  if (copyMode && !decision.magnet.empty()) box = search::CopyBox(clipboard::WriteText(AppState.mainWindow, decision.magnet));
  ShowBox(box);
  return decision.magnet;
}

void OpenDownloadLink(std::string (*buildLink)(std::string_view magnet)) {
  MainControls* ui = AppState.controls.get();
  if (!ui) return;
  const ListRowCopy row = VisibleList(*ui).CurrentRowCopy();
  if (row.row <= 0) return;
  std::string magnet = Cell(row, kColumnMagnet);
  if (magnet.empty()) magnet = ResolveMagnet(1);
  if (magnet.empty()) return;
  OpenUrl(buildLink(magnet));
}

template <typename F>
void AddHandlerItem(PopupMenu& menu, const char* caption, F* handler) {
  menu.add_item(caption, {}, kMenuItemNormal, kMenuCommand, kDeliverHandler, reinterpret_cast<std::intptr_t>(handler));
}


// Opens the menu once the main list has rows (whichever list asked), at a screen point or, with
// none, at the mouse.
void GateMenu(std::optional<POINT> at) {
  // Memory running out while the menu is built: no menu this time.
  ui::Contained([at] {
    MainControls* ui = AppState.controls.get();
    if (!ui || ui->mainList.RowCount() < 1) return;
    if (at) {
      ShowResultMenuAt(*at);
    } else {
      ShowResultMenu();
    }
  });
}

void FillResultMenu(PopupMenu& menu) {
  menu.clear();
  AddHandlerItem(menu, kCopyCaption, &CopyMagnetLink);
  AddHandlerItem(menu, kCloudPlayCaption, &OpenCloudPlay);
  AddHandlerItem(menu, kThunderCaption, &OpenThunderLink);
  AddHandlerItem(menu, kQqdlCaption, &OpenQqdlLink);
}

}  // namespace

LRESULT ResultMenuGate(LPARAM, LPARAM, LPARAM, LPARAM, LPARAM) {
  GateMenu(std::nullopt);
  return 0;
}

LRESULT ResultMenuKeyGate(LPARAM, LPARAM, LPARAM, LPARAM place, LPARAM) {
  GateMenu(POINT{GET_X_LPARAM(place), GET_Y_LPARAM(place)});
  return 0;
}

LRESULT CopyCurrentResult(LPARAM, LPARAM, LPARAM, LPARAM, LPARAM) {
  CopyMagnetLink(0);
  return 0;
}

void ShowResultMenu() {
  PopupMenu* menu = AppState.resultMenu.get();
  if (!menu) return;
  FillResultMenu(*menu);
  menu->popup_at(AppState.mainWindow, 0, 0);
}

void ShowResultMenuAt(POINT at) {
  PopupMenu* menu = AppState.resultMenu.get();
  if (!menu) return;
  FillResultMenu(*menu);
  if (at.x == 0 && at.y == 0) at.y = 1;  // (0, 0) would mean the mouse's place
  menu->popup_at(AppState.mainWindow, at.x, at.y);
}

std::string ResolveMagnet(int mode) {
  MainControls* ui = AppState.controls.get();
  if (!ui) return {};
  // Memory running out on a huge page gives no link, as for a page without one.
  return ui::Contained([ui, mode] { return Resolve(*ui, mode == 0); });
}

void CopyMagnetLink(int mode) { ResolveMagnet(mode); }

void OpenThunderLink() {
  ui::Contained([] { OpenDownloadLink(links::ThunderLink); });
}

void OpenQqdlLink() {
  ui::Contained([] { OpenDownloadLink(links::QqdlLink); });
}

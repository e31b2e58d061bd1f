// A skinned window holding one of every control, for looking at the toolkit as a user sees it
// (never shipped). "gallery.exe" shows the window; "gallery.exe menu" opens the edit context
// menu on it and "gallery.exe box" a message box, so a screenshot catches them too.
#include <windows.h>

#include <cstring>
#include <string>

#include "resources/Resources.h"
#include "ui/controls/EditBox.h"
#include "ui/controls/GlowButton.h"
#include "ui/controls/ImageButton.h"
#include "ui/controls/Label.h"
#include "ui/controls/LinkLabel.h"
#include "ui/controls/ListView.h"
#include "ui/controls/PictureBox.h"
#include "ui/core/Colour.h"
#include "ui/core/WindowHost.h"
#include "ui/dialogs/EditContextMenu.h"
#include "ui/dialogs/MessageBox.h"
#include "ui/gfx/Toolkit.h"

namespace {

// GBK texts: 搜索, 全部(3), 视频(1), 资源名称, 资源大小, 中文标签：欢迎使用, 访问主页, 搜索词, 提示内容.
constexpr const char* kSearch = "\xcb\xd1\xcb\xf7";
constexpr const char* kAll = "\xc8\xab\xb2\xbf(3)";
constexpr const char* kVideo = "\xca\xd3\xc6\xb5(1)";
constexpr const char* kName = "\xd7\xca\xd4\xb4\xc3\xfb\xb3\xc6";
constexpr const char* kSize = "\xd7\xca\xd4\xb4\xb4\xf3\xd0\xa1";
constexpr const char* kLabel = "\xd6\xd0\xce\xc4\xb1\xea\xc7\xa9\xa3\xba\xbb\xb6\xd3\xad\xca\xb9\xd3\xc3";
constexpr const char* kLink = "\xb7\xc3\xce\xca\xd6\xf7\xd2\xb3";
constexpr const char* kTerm = "\xcb\xd1\xcb\xf7\xb4\xca ABC";
constexpr const char* kRows[][2] = {
    {"\xb5\xe7\xd3\xb0 ABC-001 \xb8\xdf\xc7\xe5", "1.2 GB"},
    {"\xd2\xf4\xc0\xd6\xba\xcf\xbc\xaf FLAC", "350 MB"},
    {"\xcd\xbc\xc6\xac\xb4\xf2\xb0\xfc", "12 MB"},
};

struct Gallery {
  ImageButton button;
  GlowButton tabs[2];
  EditBox box;
  ListView list;
  Label label;
  LinkLabel link;
  PictureBox picture;
};

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int) {
  gfx::toolkit_startup(BuildEditContextMenu);
  ToolkitWindowOptions options;
  options.title = "Quarvel gallery";
  options.x = 100;
  options.y = 100;
  options.width = 520;
  options.height = 400;
  HWND window = create_toolkit_window(options);
  WindowHost host;
  AttachOptions attach;
  attach.image = resources::WindowBackground();
  attach.imageLayout = 1;
  host.attach(window, attach);

  Gallery g;
  g.button.Create(window, 20, 45, 60, 23, kSearch, ButtonOptions{});
  ButtonImages images;
  images.normal = resources::SearchButtonNormal();
  images.hover = resources::SearchButtonHover();
  images.layout = 1;
  g.button.SetImages(images);
  g.tabs[0].Create(window, 90, 45, 90, 25, kAll);
  g.tabs[1].Create(window, 186, 45, 70, 25, kVideo);

  EditBoxOptions edit;
  edit.text = kTerm;
  g.box.Create(window, 270, 45, 230, 23, edit);

  g.list.Create(window, 20, 80, 480, 150);
  g.list.InsertColumn(0, "ID", 40);
  g.list.InsertColumn(0, kName, 300);
  g.list.InsertColumn(0, kSize, 100);
  for (int i = 0; i < 12; ++i) {
    const int row = g.list.InsertRow();
    g.list.SetCellText(row, 1, std::to_string(row));
    g.list.SetCellText(row, 2, kRows[i % 3][0]);
    g.list.SetCellText(row, 3, kRows[i % 3][1]);
  }
  g.list.CurrentRow(2);

  LabelOptions labelOptions;
  labelOptions.textColour = ToArgb(RGB(255, 255, 255));
  labelOptions.fontSize = 16;
  g.label.Create(window, 20, 245, 300, 25, kLabel, labelOptions);
  g.link.Create(window, 20, 280, 120, 23, kLink);
  PictureBoxOptions picture;
  picture.animate = true;
  g.picture.Create(window, 340, 245, 32, 32, resources::BusyIndicator(), picture);

  ShowWindow(window, SW_SHOWNORMAL);
  host.set_focus(&g.tabs[0], true);

  if (std::strstr(commandLine, "menu")) {
    POINT at{300, 60};
    ClientToScreen(window, &at);
    SetCursorPos(at.x, at.y);
    host.set_focus(&g.box, false);
    if (EditMenu* menu = InstalledEditContextMenu()) {
      menu->SetItemState(kEditMenuCutItem, kEditItemGreyed);
      menu->Popup(window);
    }
  } else if (std::strstr(commandLine, "box")) {
    MessageBoxOptions box;
    box.buttonSet = 1;
    box.iconType = MB_ICONINFORMATION;
    box.beep = false;
    show_message_box(window, kLabel, box);
  }
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return 0;
}

// Every control of the main window, in creation order. One record, held by AppState, created
// by BuildMainWindow; worker threads reach the controls through it.
#pragma once

#include <array>

#include "ui/controls/EditBox.h"
#include "ui/controls/GlowButton.h"
#include "ui/controls/ImageButton.h"
#include "ui/controls/Label.h"
#include "ui/controls/LinkLabel.h"
#include "ui/controls/ListView.h"
#include "ui/controls/PictureBox.h"

inline constexpr int kTabCount = 5;

struct MainControls {
  PictureBox searchFrame;
  EditBox searchBox;
  ImageButton searchButton;
  std::array<GlowButton, kTabCount> tabs;
  ListView mainList;
  ListView categoryList;
  PictureBox busyIndicator;
  Label noticeLabel;
  LinkLabel updateLabel;
  LinkLabel siteLabel;
  // While links of several rows are fetched: a line at the bottom of the list area saying how
  // far it got, on a band of its own, and a link that cancels it. Hidden otherwise.
  PictureBox progressBand;
  Label progressLabel;
  LinkLabel progressCancel;
  // The filter bar (Ctrl+F): a line inside the bottom of the list area, the lists shortened
  // above it. Hidden until opened.
  PictureBox filterBand;
  EditBox filterBox;
  Label filterCount;
  LinkLabel filterClose;
};

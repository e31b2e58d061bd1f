// Attaching, the window messages the host answers itself, the helpers and cross-thread posts.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "resources/Resources.h"
#include "support/FailingAllocations.h"
#include "support/ToolkitTesting.h"
#include "ui/core/Colour.h"
#include "ui/core/FrameParts.h"

using namespace toolkit_testing;

namespace {

LONG StyleOf(HWND window) { return GetWindowLongW(window, GWL_STYLE); }

struct FlagCase {
  std::optional<int> given;
  DWORD style;
  int expected;
};

TEST(Attach, CompletesFrameFlagsAndAdjustsTheStyle) {
  const DWORD both = WS_POPUP | WS_MINIMIZEBOX | WS_MAXIMIZEBOX;
  const FlagCase cases[] = {
      {std::nullopt, both, 0x1 | 0x2 | 0x4 | 0x8 | 0x10 | 0x200},
      {std::nullopt, WS_POPUP | WS_MINIMIZEBOX, 0x1 | 0x2 | 0x4 | 0x10 | 0x200},
      {0, both, 0x200},
      {0x17, both, 0x217},
      {0x404, WS_POPUP, 0x1 | 0x2 | 0x4 | 0x200},
      {0x20, both, 0x220},
  };
  for (const auto& c : cases) {
    AttachOptions options;
    options.frameFlags = c.given;
    HostedWindow hosted(options, 300, 200, c.style);
    ASSERT_EQ(hosted.attached, 1);
    EXPECT_EQ(hosted.host->Frame().Flags(), c.expected) << (c.given ? *c.given : -1);
    LONG style = StyleOf(hosted.window);
    EXPECT_TRUE(style & WS_POPUP);
    EXPECT_EQ((style & WS_MINIMIZEBOX) != 0, (c.expected & 0x10) != 0);
    EXPECT_EQ((style & WS_MAXIMIZEBOX) != 0, (c.expected & 0x8) != 0);
    EXPECT_EQ((style & WS_SYSMENU) != 0, !(c.given && *c.given == 0) || (c.style & WS_SYSMENU) != 0);
    EXPECT_EQ(hosted.host->Frame().Caption() != nullptr, (c.expected & 0x2) != 0);
    EXPECT_EQ(hosted.host->Frame().Icon() != nullptr, (c.expected & 0x1) != 0);
  }
}

TEST(Attach, DefaultsAndProperty) {
  HostedWindow hosted;
  WindowHost& h = *hosted.host;
  EXPECT_EQ(GetPropW(hosted.window, L"Tessel_Wnd_Control"), &h);
  EXPECT_EQ(host_of_window(hosted.window), &h);
  EXPECT_EQ(h.Painting().Alpha(), -1);
  EXPECT_FALSE(h.Painting().GlassBlur());  // forced off without an alpha
  EXPECT_EQ(h.Frame().corner_style(), 7);
  EXPECT_EQ(h.Painting().ImageLayout(), 0);
  EXPECT_TRUE(h.Frame().draggable());
  EXPECT_TRUE(h.Painting().Gloss());
  EXPECT_TRUE(h.Painting().PresentOnAttach());
  EXPECT_FALSE(h.Frame().Sizable());
  EXPECT_FALSE(h.Busy());
  EXPECT_EQ(h.Input().TooltipWindow(), nullptr) << "made for the first tip";
  EXPECT_EQ(h.Size().width, 300);
  EXPECT_EQ(h.Painting().BackBuffer().Width(), 300);
  EXPECT_EQ(h.Painting().BackBuffer().Height(), 200);
  EXPECT_NE(reinterpret_cast<WNDPROC>(GetWindowLongPtrW(hosted.window, GWLP_WNDPROC)), nullptr);
}

TEST(Attach, RefusesInvalidOrRepeatedWindows) {
  HostedWindow hosted;
  WindowHost spare;
  EXPECT_EQ(spare.attach(nullptr), 0);
  EXPECT_EQ(spare.attach(reinterpret_cast<HWND>(0x12345)), 0);
  EXPECT_EQ(hosted.host->attach(hosted.window), 0);
  EXPECT_EQ(host_of_window(hosted.window), hosted.host.get());
}

TEST(Attach, SizableWindowsKeepTheThickFrame) {
  AttachOptions options = HostedWindow::NoFrame();
  options.sizable = true;
  HostedWindow hosted(options);
  EXPECT_TRUE(hosted.host->Frame().Sizable());
  EXPECT_TRUE(StyleOf(hosted.window) & WS_THICKFRAME);
  HostedWindow plain(HostedWindow::NoFrame(), 300, 200, WS_POPUP | WS_THICKFRAME);
  EXPECT_TRUE(plain.host->Frame().Sizable());  // default follows the window's own style
}

TEST(WindowMessages, MinMaxInfo) {
  RECT work{};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  struct Case {
    std::optional<int> flags;
    int minWidth, minHeight;
  } cases[] = {{0x17, 103, 38}, {0x4, 75, 38}, {0x1F, 131, 38}, {0x12, 64, 38}, {0, 21, 20}};
  for (const auto& c : cases) {
    AttachOptions options;
    options.frameFlags = c.flags;
    HostedWindow hosted(options);
    MINMAXINFO info{};
    EXPECT_EQ(hosted.Send(WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info)), 0);
    EXPECT_EQ(info.ptMinTrackSize.x, c.minWidth) << *c.flags;
    EXPECT_EQ(info.ptMinTrackSize.y, c.minHeight) << *c.flags;
    EXPECT_EQ(info.ptMaxSize.x, work.right + 14);
    EXPECT_EQ(info.ptMaxSize.y, work.bottom + 14);
    EXPECT_EQ(info.ptMaxPosition.x, work.left - 7);
    EXPECT_EQ(info.ptMaxPosition.y, work.top - 7);
  }
}

TEST(WindowMessages, SetTextFollowsTheCaptionOnlyWithFlag2) {
  AttachOptions withCaption;
  withCaption.frameFlags = 0x6;
  HostedWindow captioned(withCaption);
  auto* label = static_cast<CaptionLabel*>(captioned.host->Frame().Caption());
  ASSERT_NE(label, nullptr);
  EXPECT_EQ(label->Text(), "Test");
  // "搜索" in GBK goes in as UTF-16 and comes back as GBK.
  EXPECT_EQ(captioned.Send(WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"\x641c\x7d22")), 1);
  EXPECT_EQ(label->Text(), "\xcb\xd1\xcb\xf7");

  // A GBK title reaches the window as its characters and the caption reads it back as GBK.
  ToolkitWindowOptions create;
  create.title = "\xcb\xd1\xcb\xf7 1.0";
  HWND titled = create_toolkit_window(create);
  wchar_t title[16] = {};
  GetWindowTextW(titled, title, 16);
  EXPECT_STREQ(title, L"\x641c\x7d22 1.0");
  {
    WindowHost host;
    ASSERT_EQ(host.attach(titled, withCaption), 1);
    ASSERT_NE(host.Frame().Caption(), nullptr);
    EXPECT_EQ(static_cast<CaptionLabel*>(host.Frame().Caption())->Text(), "\xcb\xd1\xcb\xf7 1.0");
    DestroyWindow(titled);
  }

  AttachOptions noCaption;
  noCaption.frameFlags = 0x4;
  HostedWindow plain(noCaption);
  EXPECT_EQ(plain.host->Frame().Caption(), nullptr);
  SetWindowTextW(plain.window, L"New");
  wchar_t text[16] = {};
  GetWindowTextW(plain.window, text, 16);
  EXPECT_STREQ(text, L"New");
}

int gPaints = 0;
void CountPaint(HWND, Gdiplus::GpGraphics*, int, int) { ++gPaints; }

// Painting copies the composed back buffer and nothing else: no redraw, and no erase with the
// class colour before it.
TEST(WindowMessages, PaintOnlyCopiesTheBackBuffer) {
  HostedWindow hosted;
  hosted.Show();
  {
    gfx::WindowDc screen(nullptr);
    gfx::DibSection target;
    ASSERT_TRUE(target.Create(screen.Get(), 8, 8));
    target.Bits()[3 * 8 + 3] = 0x00010203;
    EXPECT_EQ(hosted.Send(WM_ERASEBKGND, reinterpret_cast<WPARAM>(target.Dc())), 1);
    GdiFlush();
    EXPECT_EQ(target.Bits()[3 * 8 + 3], 0x00010203u);
  }
  hosted.host->Callbacks().set_on_paint(CountPaint);
  gPaints = 0;
  const BufferDc& buffer = hosted.host->Painting().BackBuffer();
  buffer.Bits()[50 * buffer.Width() + 50] = 0xFF00FF00;  // a marker only a redraw would remove
  InvalidateRect(hosted.window, nullptr, FALSE);
  UpdateWindow(hosted.window);
  hosted.Send(WM_PAINT);
  Pump();
  EXPECT_EQ(gPaints, 0);
  EXPECT_EQ(buffer.Pixel(50, 50), 0xFF00FF00u);
  hosted.host->Painting().redraw(std::nullopt, std::nullopt, 0);
  EXPECT_EQ(gPaints, 1);
  EXPECT_NE(buffer.Pixel(50, 50), 0xFF00FF00u);
}

TEST(Colours, OpaqueAlphaIsWrittenAs254) {
  struct Case {
    int rgb;
    std::optional<int> alpha;
    std::uint32_t argb;
  } cases[] = {{RGB(1, 2, 3), std::nullopt, 0xFE010203u},
               {RGB(1, 2, 3), 255, 0xFE010203u},
               {RGB(255, 0, 0), 254, 0xFEFF0000u},
               {RGB(0, 0, 255), 128, 0x800000FFu},
               {RGB(255, 255, 255), 0, 0x00FFFFFFu}};
  for (const auto& c : cases) EXPECT_EQ(ToArgb(c.rgb, c.alpha), c.argb);

  // The skin without an image is cleared to the background colour with alpha 254.
  HostedWindow hosted;
  std::uint32_t pixel = hosted.host->Painting().BackBuffer().Pixel(100, 100);
  EXPECT_EQ(pixel >> 24, 0xFEu);
}

TEST(Painting, CrossFadeEndsAfterFiveTicks) {
  HostedWindow hosted;
  hosted.Show();
  hosted.host->Painting().redraw(std::nullopt, RGB(200, 0, 0), 1);
  EXPECT_TRUE(hosted.host->Busy());
  for (int i = 0; i < 4; ++i) {
    hosted.host->Painting().transition_tick();
    EXPECT_TRUE(hosted.host->Busy()) << i;
  }
  hosted.host->Painting().transition_tick();
  EXPECT_FALSE(hosted.host->Busy());
  EXPECT_EQ(hosted.host->Painting().TransitionAlpha(), 255);

  // Driven by its own 50 ms timer.
  hosted.host->Painting().redraw(std::nullopt, RGB(0, 200, 0), 1);
  PumpFor(700);
  EXPECT_FALSE(hosted.host->Busy());
  EXPECT_EQ(hosted.host->Painting().TransitionTicks(), 5);
  std::uint32_t pixel = hosted.host->Painting().BackBuffer().Pixel(100, 100);
  EXPECT_EQ((pixel >> 8) & 0xFF, 200u * 254 / 255);  // premultiplied by 254
}

TEST(Painting, OrdinaryWindowsGetARoundedRegionLayeredOnesDoNot) {
  HostedWindow ordinary;
  HRGN region = CreateRectRgn(0, 0, 0, 0);
  EXPECT_NE(GetWindowRgn(ordinary.window, region), ERROR);
  RECT box{};
  GetRgnBox(region, &box);
  EXPECT_EQ(box.left, 5);
  EXPECT_EQ(box.top, 5);

  AttachOptions options = HostedWindow::NoFrame();
  options.alpha = 200;
  HostedWindow layered(options);
  EXPECT_TRUE(GetWindowLongW(layered.window, GWL_EXSTYLE) & WS_EX_LAYERED);
  EXPECT_EQ(GetWindowRgn(layered.window, region), ERROR);
  // The window alpha scales the composed skin.
  std::uint32_t pixel = layered.host->Painting().BackBuffer().Pixel(100, 100);
  EXPECT_NEAR(static_cast<int>(pixel >> 24), 254 * 200 / 255, 2);
  DeleteObject(region);
}

TEST(Painting, ImageBackgroundTakesItsAverageColourUnlessOneIsGiven) {
  // A 2x1 24-bit BMP: one red (200) pixel and one blue (100) pixel, rows padded to 4 bytes.
  std::vector<std::uint8_t> bmp(62, 0);
  auto put32 = [&](size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) bmp[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
  };
  bmp[0] = 'B';
  bmp[1] = 'M';
  put32(2, 62);
  put32(10, 54);
  put32(14, 40);
  put32(18, 2);
  put32(22, 1);
  bmp[26] = 1;
  bmp[28] = 24;
  put32(34, 8);
  bmp[54 + 2] = 200;  // pixel 0: B G R
  bmp[54 + 3] = 100;  // pixel 1: B
  AttachOptions options = HostedWindow::NoFrame();
  options.backgroundColour.reset();
  options.image = std::span<const std::uint8_t>(bmp.data(), bmp.size());
  HostedWindow hosted(options);
  ASSERT_NE(hosted.host->Painting().BackgroundImage(), nullptr);
  EXPECT_EQ(hosted.host->Painting().BackgroundColour(), RGB(100, 0, 50));

  options.backgroundColour = RGB(1, 2, 3);
  HostedWindow given(options);
  EXPECT_EQ(given.host->Painting().BackgroundColour(), RGB(1, 2, 3));

  const unsigned char junk[] = {1, 2, 3, 4};
  options.image = std::span<const std::uint8_t>(junk, sizeof(junk));
  HostedWindow broken(options);
  EXPECT_EQ(broken.host->Painting().BackgroundImage(), nullptr);
  EXPECT_EQ(broken.host->Painting().BackgroundColour(), RGB(1, 2, 3));
  EXPECT_EQ(broken.host->Painting().BackBuffer().Pixel(100, 100) >> 24, 0xFEu);
}

// A window of one size holds its painted skin in its background cache, not the skin's decoded
// pixels; drawn whole again (as at a new scale) it decodes them once more and looks the same. A
// window that can be sized keeps them for the sizes to come.
TEST(Painting, AFixedSizeWindowLetsItsSkinPixelsGoAndDrawsTheSameSkinAgain) {
  const DWORD fixed = WS_POPUP | WS_CLIPCHILDREN | WS_SYSMENU;
  for (const DWORD style : {fixed, fixed | WS_THICKFRAME}) {
    SCOPED_TRACE(style);
    const bool sizable = (style & WS_THICKFRAME) != 0;
    AttachOptions options = HostedWindow::NoFrame();
    options.image = resources::WindowBackground();
    HostedWindow hosted(options, 300, 200, style);
    Compositor& painting = hosted.host->Painting();
    EXPECT_EQ(painting.HoldsSkinPixels(), sizable);
    auto samples = [&] {
      std::vector<std::uint32_t> pixels;
      for (const POINT p : {POINT{10, 10}, POINT{150, 100}, POINT{290, 190}})
        pixels.push_back(painting.BackBuffer().Pixel(p.x, p.y));
      return pixels;
    };
    const std::vector<std::uint32_t> before = samples();

    painting.redraw(std::nullopt, std::nullopt, 0, true);
    Pump();
    EXPECT_EQ(painting.HoldsSkinPixels(), sizable);
    const std::vector<std::uint32_t> after = samples();
    EXPECT_EQ(after, before);
    EXPECT_NE(after[0] & 0xFFFFFF, 0x0A141Eu);  // the skin, not the plain colour
    // Asked for, the pixels are there.
    EXPECT_NE(painting.BackgroundImage(), nullptr);
  }
}

TEST(Painting, TitleBarLayoutPlacesTheCaption) {
  AttachOptions options;
  options.frameFlags = 0x17;
  HostedWindow hosted(options, 610, 515);
  Control* caption = hosted.host->Frame().Caption();
  ASSERT_NE(caption, nullptr);
  // Close (39 + 12 margin) and minimise: the caption ends where the buttons begin.
  EXPECT_FLOAT_EQ(caption->Left(), 28);
  EXPECT_FLOAT_EQ(caption->Top(), 10);
  EXPECT_FLOAT_EQ(caption->Left() + caption->Width(), 610 - 5 - 12 - 2 * 28);
  Control* icon = hosted.host->Frame().Icon();
  ASSERT_NE(icon, nullptr);
  EXPECT_FLOAT_EQ(icon->Left(), 11);
  EXPECT_FLOAT_EQ(icon->Width(), 16);
}

TEST(WindowMessages, CloseWithoutEffectHidesAndDestroysAndDetaches) {
  auto hosted = std::make_unique<HostedWindow>();
  hosted->Show();
  HWND window = hosted->window;
  hosted->Send(WM_CLOSE);
  EXPECT_FALSE(IsWindow(window));
  EXPECT_EQ(hosted->host->Window(), nullptr);
  EXPECT_EQ(hosted->host->FirstControl(), nullptr);
  EXPECT_EQ(hosted->host->Painting().BackBuffer().Dc(), nullptr);
}

TEST(WindowMessages, CloseEffectsAnimateThenDestroy) {
  for (int effect : {1, 2, 7, 3}) {
    HostedWindow hosted;
    hosted.Show();
    hosted.host->Painting().set_close_effect(effect);
    DWORD start = GetTickCount();
    hosted.Send(WM_CLOSE);
    EXPECT_FALSE(IsWindow(hosted.window)) << effect;
    EXPECT_GE(GetTickCount() - start, 100u) << effect;
  }
}

TEST(WindowMessages, SizeChangeRecreatesBuffersAndCallsOnSize) {
  static int width = 0, height = 0;
  HostedWindow hosted;
  hosted.host->Callbacks().set_on_size([](HWND, int w, int h) {
    width = w;
    height = h;
  });
  SetWindowPos(hosted.window, nullptr, 0, 0, 400, 250, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  Pump();
  EXPECT_EQ(width, 400);
  EXPECT_EQ(height, 250);
  EXPECT_EQ(hosted.host->Painting().BackBuffer().Width(), 400);
  EXPECT_EQ(hosted.host->Painting().BackBuffer().Height(), 250);
  width = 0;
  hosted.Send(WM_SIZE, SIZE_RESTORED, MAKELPARAM(400, 250));  // same size: nothing
  EXPECT_EQ(width, 0);
}

std::vector<WPARAM> gSysCommands;
LRESULT SwallowLoops(HWND, UINT message, WPARAM wParam, LPARAM) {
  if (message == WM_SYSCOMMAND) gSysCommands.push_back(wParam);
  if (message == WM_NCLBUTTONDOWN || (message == WM_SYSCOMMAND && (wParam & 0xFFF0) == SC_SIZE)) return 0;
  return -1;
}

TEST(WindowMessages, DoubleClickInTheTopThirtyPixelsTogglesMaximise) {
  AttachOptions options;
  options.frameFlags = 0xC;
  HostedWindow hosted(options);
  hosted.Show();
  hosted.host->Callbacks().set_on_window_message(SwallowLoops);
  gSysCommands.clear();
  hosted.Send(WM_LBUTTONDBLCLK, MK_LBUTTON, Point(150, 40));  // below: no toggle
  Pump();
  EXPECT_TRUE(gSysCommands.empty());
  EXPECT_FALSE(IsZoomed(hosted.window));
  hosted.Send(WM_LBUTTONDBLCLK, MK_LBUTTON, Point(150, 29));
  Pump();
  ASSERT_EQ(gSysCommands.size(), 1u);
  EXPECT_EQ(gSysCommands[0], static_cast<WPARAM>(SC_MAXIMIZE));
  EXPECT_TRUE(IsZoomed(hosted.window));
  hosted.Send(WM_LBUTTONDBLCLK, MK_LBUTTON, Point(150, 10));
  Pump();
  EXPECT_EQ(gSysCommands.back(), static_cast<WPARAM>(SC_RESTORE));
  EXPECT_FALSE(IsZoomed(hosted.window));

  // Without the maximise bit nothing toggles.
  AttachOptions closeOnly;
  closeOnly.frameFlags = 0x4;
  HostedWindow plain(closeOnly);
  plain.host->Callbacks().set_on_window_message(SwallowLoops);
  gSysCommands.clear();
  plain.Send(WM_LBUTTONDBLCLK, MK_LBUTTON, Point(150, 10));
  Pump();
  EXPECT_TRUE(gSysCommands.empty());
}

TEST(WindowMessages, BorderSizingStartsTheSizeLoopAtTheEdges) {
  AttachOptions options = HostedWindow::NoFrame();
  options.sizable = true;
  HostedWindow hosted(options);
  hosted.host->Callbacks().set_on_window_message(SwallowLoops);
  RecordingControl edge;
  ASSERT_TRUE(edge.CreateAt(hosted.window, 0, 0, 300, 200));
  hosted.Send(WM_MOUSEMOVE, 0, Point(150, 100));
  EXPECT_EQ(hosted.host->Input().Hovered(), &edge);
  hosted.Send(WM_MOUSEMOVE, 0, Point(2, 100));
  EXPECT_EQ(hosted.host->Input().Hovered(), nullptr);
  EXPECT_EQ(edge.Count(TKM_MOUSE_LEAVE), 1);
  struct Zone {
    POINT p;
    int zone;
  } zones[] = {{{2, 100}, WMSZ_LEFT},    {{297, 100}, WMSZ_RIGHT},  {{150, 2}, WMSZ_TOP},
               {{150, 197}, WMSZ_BOTTOM}, {{2, 2}, WMSZ_TOPLEFT},   {{297, 197}, WMSZ_BOTTOMRIGHT}};
  for (const auto& z : zones) {
    gSysCommands.clear();
    hosted.Send(WM_LBUTTONDOWN, MK_LBUTTON, Point(z.p.x, z.p.y));
    ASSERT_EQ(gSysCommands.size(), 1u);
    EXPECT_EQ(gSysCommands[0], static_cast<WPARAM>(SC_SIZE | z.zone));
  }
  EXPECT_EQ(edge.Count(TKM_PRESS), 0);
}

TEST(WindowMessages, TimersGoToTheControlWhoseHandleIsTheId) {
  HostedWindow hosted;
  RecordingControl control;
  ASSERT_TRUE(control.CreateAt(hosted.window, 10, 10, 20, 20));
  hosted.Send(WM_TIMER, reinterpret_cast<WPARAM>(&control), 0);
  hosted.Send(WM_TIMER, 0x4321, 0);  // no such control: ignored
  EXPECT_EQ(control.Count(WM_TIMER), 1);
}

TEST(WindowMessages, ControlMovedIsAnswered0WhileBusy) {
  HostedWindow hosted;
  RecordingControl control;
  ASSERT_TRUE(control.CreateAt(hosted.window, 10, 10, 20, 20));
  EXPECT_EQ(hosted.Send(TKM_CONTROL_MOVED, reinterpret_cast<WPARAM>(&control), 1), 1);
  hosted.host->Painting().redraw(std::nullopt, std::nullopt, 1);
  EXPECT_EQ(hosted.Send(TKM_CONTROL_MOVED, reinterpret_cast<WPARAM>(&control), 1), 0);
  EXPECT_EQ(hosted.Send(TKM_CONTROL_MOVED, reinterpret_cast<WPARAM>(&control), 0), 1);
  PumpFor(400);
}

TEST(CrossThread, PostToControlIsDeliveredOnTheUiThreadAndTheBlockFreed) {
  HostedWindow hosted;
  RecordingControl control;
  ASSERT_TRUE(control.CreateAt(hosted.window, 10, 10, 20, 20));
  control.received.clear();
  std::atomic<void*> block{nullptr};
  std::thread worker([&] {
    // The worker's side of the protocol: allocate the block, post, let go of it.
    auto* b = static_cast<ControlMessageBlock*>(VirtualAlloc(nullptr, 12, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
    *b = ControlMessageBlock{WM_USER + 7, 11, 22};
    block = b;
    PostMessageW(hosted.window, TKM_POST_TO_CONTROL, reinterpret_cast<WPARAM>(&control), reinterpret_cast<LPARAM>(b));
    EXPECT_TRUE(post_to_control(hosted.window, &control, WM_USER + 8, 33, 44));
  });
  worker.join();
  EXPECT_TRUE(control.received.empty());  // nothing runs on the worker
  Pump();
  ASSERT_EQ(control.received.size(), 2u);
  EXPECT_EQ(control.received[0].message, WM_USER + 7u);
  EXPECT_EQ(control.received[0].wParam, 11u);
  EXPECT_EQ(control.received[0].lParam, 22);
  EXPECT_EQ(control.received[0].thread, GetCurrentThreadId());
  EXPECT_EQ(control.received[1].message, WM_USER + 8u);
  MEMORY_BASIC_INFORMATION info{};
  VirtualQuery(block.load(), &info, sizeof(info));
  EXPECT_EQ(info.State, static_cast<DWORD>(MEM_FREE));

  // A post to no window (which would become a thread message nobody frees) is refused.
  EXPECT_FALSE(post_to_control(nullptr, &control, WM_USER, 0, 0));
  EXPECT_FALSE(post_to_control(reinterpret_cast<HWND>(0x4444), &control, WM_USER, 0, 0));

  // A block still queued when the window goes is freed with it, not leaked.
  auto* late = static_cast<ControlMessageBlock*>(VirtualAlloc(nullptr, 12, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
  *late = ControlMessageBlock{WM_USER + 9, 0, 0};
  ASSERT_TRUE(PostMessageW(hosted.window, TKM_POST_TO_CONTROL, reinterpret_cast<WPARAM>(&control),
                           reinterpret_cast<LPARAM>(late)));
  control.received.clear();
  DestroyWindow(hosted.window);
  VirtualQuery(late, &info, sizeof(info));
  EXPECT_EQ(info.State, static_cast<DWORD>(MEM_FREE));
  for (const auto& received : control.received) EXPECT_NE(received.message, WM_USER + 9u) << "delivered to a dying window";
}

// Posted blocks come from the toolkit's pool, without a VirtualAlloc each, and go back to it;
// past its size they come from VirtualAlloc and are freed. Workers posting at once share it.
TEST(CrossThread, PostedBlocksComeFromThePoolAndGoBackToIt) {
  HostedWindow hosted;
  RecordingControl control;
  ASSERT_TRUE(control.CreateAt(hosted.window, 10, 10, 20, 20));
  for (int round = 0; round < 2; ++round) {
    SCOPED_TRACE(round);
    control.received.clear();
    const int posts = static_cast<int>(kPooledMessageBlocks) + 20;
    for (int i = 0; i < posts; ++i) ASSERT_TRUE(post_to_control(hosted.window, &control, WM_USER + 1, i, 0));
    std::vector<void*> unpooled;
    MSG msg;
    for (int i = 0; PeekMessageW(&msg, hosted.window, TKM_POST_TO_CONTROL, TKM_POST_TO_CONTROL, PM_REMOVE); ++i) {
      // Every block of the first round went back: the second round finds the pool whole again.
      void* block = reinterpret_cast<void*>(msg.lParam);
      EXPECT_EQ(IsPooledMessageBlock(block), i < static_cast<int>(kPooledMessageBlocks)) << i;
      if (!IsPooledMessageBlock(block)) unpooled.push_back(block);
      DispatchMessageW(&msg);
    }
    ASSERT_EQ(control.received.size(), static_cast<size_t>(posts));
    for (int i = 0; i < posts; ++i) EXPECT_EQ(control.received[static_cast<size_t>(i)].wParam, static_cast<WPARAM>(i));
    for (void* block : unpooled) {
      MEMORY_BASIC_INFORMATION info{};
      VirtualQuery(block, &info, sizeof(info));
      EXPECT_EQ(info.State, static_cast<DWORD>(MEM_FREE));
    }
  }

  // Four workers post at once while the UI thread delivers: each message arrives once.
  control.received.clear();
  constexpr int kWorkers = 4, kEach = 2000;
  std::atomic<int> refused{0};
  std::vector<std::thread> workers;
  for (int w = 0; w < kWorkers; ++w) {
    workers.emplace_back([&, w] {
      for (int i = 0; i < kEach; ++i) {
        if (!post_to_control(hosted.window, &control, WM_USER + 2, static_cast<WPARAM>(w * kEach + i), 0)) ++refused;
      }
    });
  }
  const DWORD deadline = GetTickCount() + 30000;
  while (control.received.size() < static_cast<size_t>(kWorkers * kEach) && GetTickCount() < deadline) Pump();
  for (std::thread& worker : workers) worker.join();
  Pump();
  EXPECT_EQ(refused.load(), 0);
  std::vector<bool> arrived(kWorkers * kEach, false);
  for (const auto& received : control.received) {
    ASSERT_LT(received.wParam, arrived.size());
    EXPECT_FALSE(arrived[received.wParam]) << "delivered twice";
    arrived[received.wParam] = true;
  }
  EXPECT_EQ(control.received.size(), arrived.size());
}

// What a host frees once read is never posted where no host will read it: to a window without
// one, or to one whose host has let go of it. The post is refused and the block goes back; a
// cross-thread send that nobody answers takes no block at all. Were any of them lost, the pool
// would run dry and the next block would not be a pooled one.
TEST(CrossThread, BlocksNoHostWillFreeAreNeverPosted) {
  HostedWindow hosted;
  RecordingControl control;
  ASSERT_TRUE(control.CreateAt(hosted.window, 10, 10, 20, 20));
  HostedWindow released;
  released.host->detach(released.window);
  ASSERT_TRUE(IsWindow(released.window));
  HWND plain = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(plain, nullptr);
  const int tries = static_cast<int>(kPooledMessageBlocks) + 5;
  for (HWND window : {plain, released.window}) {
    for (int i = 0; i < tries; ++i) ASSERT_FALSE(post_to_control(window, &control, WM_USER, i, 0)) << i;
    std::atomic<bool> done{false};
    LRESULT answers = 0;
    std::thread sender([&] {
      for (int i = 0; i < tries; ++i) answers += SendToControl(window, &control, WM_USER, i, 0);
      done = true;
    });
    while (!done) Pump();
    sender.join();
    EXPECT_EQ(answers, 0);
  }
  control.received.clear();
  ASSERT_TRUE(post_to_control(hosted.window, &control, WM_USER + 3, 0, 0));
  MSG msg;
  ASSERT_TRUE(PeekMessageW(&msg, hosted.window, TKM_POST_TO_CONTROL, TKM_POST_TO_CONTROL, PM_REMOVE));
  EXPECT_TRUE(IsPooledMessageBlock(reinterpret_cast<void*>(msg.lParam))) << "blocks were lost";
  DispatchMessageW(&msg);
  ASSERT_EQ(control.received.size(), 1u);
  DestroyWindow(plain);
}

TEST(Helpers, CreateToolkitWindowDefaults) {
  StartToolkit();
  RECT work{};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  ToolkitWindowOptions options;
  options.title = "x";
  options.height = 100;  // ignored without a width
  HWND window = create_toolkit_window(options);
  ASSERT_NE(window, nullptr);
  RECT r{};
  GetWindowRect(window, &r);
  EXPECT_EQ(r.right - r.left, 380);
  EXPECT_EQ(r.bottom - r.top, 250);
  EXPECT_EQ(r.left, (work.right - work.left - 380) / 2);
  EXPECT_EQ(r.top, (work.bottom - work.top - 250) / 2);
  wchar_t cls[64] = {};
  GetClassNameW(window, cls, 64);
  EXPECT_STREQ(cls, L"Tessel_DirectUI");
  EXPECT_EQ(static_cast<DWORD>(StyleOf(window)) & (WS_POPUP | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX),
            static_cast<DWORD>(WS_POPUP | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX));
  EXPECT_FALSE(IsWindowVisible(window));
  EXPECT_EQ(host_of_window(window), nullptr);
  EXPECT_TRUE(set_topmost(window));
  EXPECT_TRUE(GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_TOPMOST);
  DestroyWindow(window);
}

TEST(Helpers, PopupHookClosesAndCleansUp) {
  StartToolkit();
  ToolkitWindowOptions options;
  options.width = 100;
  options.height = 50;
  for (int kind : {1, 2, 3}) {
    HWND window = create_toolkit_window(options);
    HWND menuHost = create_toolkit_window(options);
    SetPropW(window, L"Tessel_Wnd_Flags", reinterpret_cast<HANDLE>(static_cast<INT_PTR>(kind)));
    SetPropW(window, L"Tessel_DirectUI_Host", menuHost);
    SetPropW(window, L"Tessel_DirectUI_MsgBox", menuHost);
    EXPECT_EQ(popup_message_hook(window, WM_ACTIVATE, WA_INACTIVE, 0), -1);
    MSG msg;
    EXPECT_EQ(PeekMessageW(&msg, window, WM_CLOSE, WM_CLOSE, PM_REMOVE) != 0, kind == 2) << kind;
    EXPECT_EQ(PeekMessageW(&msg, menuHost, WM_CLOSE, WM_CLOSE, PM_REMOVE) != 0, kind == 1) << kind;
    popup_message_hook(window, WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_TRUE(PeekMessageW(&msg, window, WM_CLOSE, WM_CLOSE, PM_REMOVE)) << kind;
    popup_message_hook(window, WM_DESTROY, 0, 0);
    EXPECT_EQ(GetPropW(window, L"Tessel_Wnd_Flags"), nullptr);
    EXPECT_EQ(GetPropW(window, L"Tessel_DirectUI_Host") == nullptr, kind == 1);
    EXPECT_EQ(GetPropW(window, L"Tessel_DirectUI_MsgBox") == nullptr, kind == 3);
    RemovePropW(window, L"Tessel_DirectUI_Host");
    RemovePropW(window, L"Tessel_DirectUI_MsgBox");
    DestroyWindow(window);
    DestroyWindow(menuHost);
  }
}

TEST(Helpers, RunModalEndsWithTheWindowAndDropsInputForOthers) {
  StartToolkit();
  ToolkitWindowOptions options;
  options.width = 100;
  options.height = 50;
  HWND modal = create_toolkit_window(options);
  HWND other = create_toolkit_window(options);
  HostedWindow hosted;
  RecordingControl control;
  ASSERT_TRUE(control.CreateAt(hosted.window, 0, 0, 300, 200));
  control.received.clear();
  PostMessageW(hosted.window, WM_LBUTTONDOWN, 0, Point(5, 5));  // dropped: input for another window
  PostMessageW(hosted.window, TKM_PRESENT, 0, 0);               // delivered
  post_to_control(hosted.window, &control, WM_USER + 1, 0, 0);  // delivered
  PostMessageW(modal, WM_CLOSE, 0, 0);
  run_modal(modal);
  EXPECT_FALSE(IsWindow(modal));
  EXPECT_EQ(control.Count(TKM_PRESS), 0);
  EXPECT_EQ(control.Count(WM_USER + 1), 1);
  DestroyWindow(other);
}

}  // namespace

namespace {

TEST(WindowMessages, SetCursorShowsTheHoveredControlsCursorElseTheDefault) {
  HostedWindow hosted;
  RecordingControl plain, hand;
  ControlOptions options;
  options.cursor.systemId = MAKEINTRESOURCEW(32649);  // IDC_HAND
  ASSERT_TRUE(plain.CreateAt(hosted.window, 10, 10, 20, 20));
  ASSERT_TRUE(hand.CreateAt(hosted.window, 50, 10, 20, 20, options));
  HCURSOR handCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32649));
  EXPECT_EQ(hand.CursorHandle(), handCursor);
  hosted.Send(WM_MOUSEMOVE, 0, Point(55, 15));
  EXPECT_EQ(hosted.Send(WM_SETCURSOR, reinterpret_cast<WPARAM>(hosted.window), HTCLIENT), 1);
  EXPECT_EQ(GetCursor(), handCursor);
  hosted.Send(WM_MOUSEMOVE, 0, Point(15, 15));
  hosted.Send(WM_SETCURSOR, reinterpret_cast<WPARAM>(hosted.window), HTCLIENT);
  EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, MAKEINTRESOURCEW(32512)));
  hosted.host->Input().set_cursor(reinterpret_cast<HCURSOR>(MAKEINTRESOURCEW(32515)), false);  // IDC_CROSS by id
  hosted.Send(WM_SETCURSOR, reinterpret_cast<WPARAM>(hosted.window), HTCLIENT);
  EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, MAKEINTRESOURCEW(32515)));
}

TEST(WindowMessages, HoveringRegistersTheControlsTooltip) {
  HostedWindow hosted;
  RecordingControl tipped, silent;
  ASSERT_TRUE(tipped.CreateAt(hosted.window, 10, 10, 20, 20));
  ASSERT_TRUE(silent.CreateAt(hosted.window, 50, 10, 20, 20));
  tipped.TipText(std::string("hello"));
  hosted.Send(WM_MOUSEMOVE, 0, Point(55, 15));
  EXPECT_EQ(hosted.host->Input().TooltipWindow(), nullptr) << "no tip yet, no tooltip window";
  hosted.Send(WM_MOUSEMOVE, 0, Point(15, 15));
  ASSERT_NE(hosted.host->Input().TooltipWindow(), nullptr);
  EXPECT_EQ(SendMessageW(hosted.host->Input().TooltipWindow(), TTM_GETTOOLCOUNT, 0, 0), 1);
  hosted.Send(WM_MOUSEMOVE, 0, Point(55, 15));  // no text: the tool goes away
  EXPECT_EQ(SendMessageW(hosted.host->Input().TooltipWindow(), TTM_GETTOOLCOUNT, 0, 0), 0);
  silent.TipText(std::string("now"), true);  // notify: registered at once
  EXPECT_EQ(SendMessageW(hosted.host->Input().TooltipWindow(), TTM_GETTOOLCOUNT, 0, 0), 1);
}

TEST(Painting, ShowEffectsShowTheWindow) {
  for (int effect : {0, 1}) {
    HostedWindow hosted;
    hosted.host->show(effect);
    EXPECT_TRUE(IsWindowVisible(hosted.window)) << effect;
    EXPECT_FALSE(GetWindowLongW(hosted.window, GWL_EXSTYLE) & WS_EX_LAYERED) << effect;
  }
}

TEST(Painting, ControlsAreClippedToTheInsideOfTheFrame) {
  HostedWindow hosted;
  hosted.host->Painting().redraw(std::nullopt, RGB(0, 0, 0), 0);
  RecordingControl control(0xFFFFFFFF);
  ASSERT_TRUE(control.CreateAt(hosted.window, 0, 0, 300, 200));
  Pump();
  const BufferDc& buffer = hosted.host->Painting().BackBuffer();
  EXPECT_EQ(buffer.Pixel(150, 100), 0xFFFFFFFFu);
  EXPECT_NE(buffer.Pixel(2, 100), 0xFFFFFFFFu);    // outside the frame
  EXPECT_NE(buffer.Pixel(150, 198), 0xFFFFFFFFu);
}

}  // namespace

namespace {

LRESULT SwallowDestroy(HWND, UINT message, WPARAM, LPARAM) { return message == WM_DESTROY ? 0 : -1; }

TEST(WindowMessages, AHookThatSwallowsDestroyStillLeavesTheHostDetached) {
  HostedWindow hosted;
  hosted.host->Callbacks().set_on_window_message(SwallowDestroy);
  DestroyWindow(hosted.window);
  EXPECT_EQ(hosted.host->Window(), nullptr);
  EXPECT_EQ(hosted.host->Painting().BackBuffer().Dc(), nullptr);
}

}  // namespace

namespace {

bool SameRects(const std::vector<Gdiplus::RectF>& got, const std::vector<Gdiplus::RectF>& want) {
  if (got.size() != want.size()) return false;
  for (size_t i = 0; i < got.size(); ++i) {
    if (!got[i].Equals(want[i])) return false;
  }
  return true;
}

TEST(RepaintQueue, RectanglesThatTouchAreComposedAsOne) {
  using R = Gdiplus::RectF;
  struct Case {
    const char* name;
    std::deque<R> queued;
    std::vector<R> composed;
  } cases[] = {
      {"one", {R(0, 0, 10, 10)}, {R(0, 0, 10, 10)}},
      {"inside another", {R(0, 0, 100, 100), R(10, 10, 5, 5)}, {R(0, 0, 100, 100)}},
      {"side by side", {R(0, 0, 10, 10), R(10, 0, 10, 10)}, {R(0, 0, 20, 10)}},
      {"apart", {R(0, 0, 10, 10), R(30, 0, 10, 10)}, {R(0, 0, 10, 10), R(30, 0, 10, 10)}},
      {"a third joins two", {R(0, 0, 10, 10), R(30, 0, 10, 10), R(5, 0, 30, 5)}, {R(0, 0, 40, 10)}},
      {"empty ones dropped", {R(0, 0, 0, 10), R(5, 5, 10, 0)}, {}},
  };
  for (const Case& c : cases) EXPECT_TRUE(SameRects(MergeTouching(c.queued), c.composed)) << c.name;
}

}  // namespace

namespace {

// What the hook below works on: two overlapping controls of one host and a second window.
struct BatchScene {
  HostedWindow* hosted = nullptr;
  RecordingControl* left = nullptr;
  RecordingControl* right = nullptr;
  HWND other = nullptr;
  std::uint32_t seen = 0;  // the left control's pixel as the hook saw it
  double composed = 0;     // area composed while the hook ran
};
BatchScene* scene = nullptr;

constexpr UINT kRecolourBoth = WM_APP + 1;
constexpr UINT kRecolourThenRunLoop = WM_APP + 2;
constexpr UINT kRecolourThenSend = WM_APP + 3;
constexpr UINT kLook = WM_APP + 4;
constexpr UINT kRecolourThenRunOutOfMemory = WM_APP + 5;

std::uint32_t LeftPixel() { return scene->hosted->host->Painting().BackBuffer().Pixel(20, 30); }

LRESULT RecolourHook(HWND, UINT message, WPARAM, LPARAM) {
  const double before = scene->hosted->host->Painting().ComposedArea();
  switch (message) {
    case kRecolourBoth:
      scene->left->SetColour(0xFFFF0000);
      scene->right->SetColour(0xFF00FF00);
      break;
    case kRecolourThenRunLoop:
      scene->left->SetColour(0xFF0000FF);
      PostMessageW(scene->other, WM_CLOSE, 0, 0);
      run_modal(scene->other);
      break;
    case kRecolourThenSend:
      scene->left->SetColour(0xFFFFFF00);
      SendMessageW(scene->hosted->window, kLook, 0, 0);
      return 0;
    case kLook:
      break;
    case kRecolourThenRunOutOfMemory:
      // Memory runs out half way: nothing may allocate while the message unwinds.
      scene->left->SetColour(0xFF808080);
      gAllocationsLeft = 0;
      throw std::bad_alloc();
    default:
      return -1;
  }
  scene->seen = LeftPixel();
  scene->composed = scene->hosted->host->Painting().ComposedArea() - before;
  return 0;
}

TEST(RepaintQueue, AMessageComposesWhatItChangedOnceWhenItIsDone) {
  HostedWindow hosted;
  RecordingControl left(0xFF000000), right(0xFF000000);
  ASSERT_TRUE(left.CreateAt(hosted.window, 10, 10, 50, 50));
  ASSERT_TRUE(right.CreateAt(hosted.window, 40, 10, 50, 50));
  ToolkitWindowOptions options;
  options.width = 50;
  options.height = 50;
  BatchScene state{&hosted, &left, &right, create_toolkit_window(options)};
  scene = &state;
  hosted.host->Callbacks().set_on_window_message(RecolourHook);
  Pump();

  // Both controls change inside one message: nothing shows until it is done, then the two
  // overlapping areas are composed as one.
  const double before = hosted.host->Painting().ComposedArea();
  hosted.Send(kRecolourBoth);
  EXPECT_EQ(state.seen, 0xFF000000u) << "composed while the message was still running";
  EXPECT_EQ(state.composed, 0);
  EXPECT_EQ(LeftPixel(), 0xFFFF0000u);
  EXPECT_EQ(hosted.host->Painting().BackBuffer().Pixel(80, 30), 0xFF00FF00u);
  EXPECT_EQ(hosted.host->Painting().ComposedArea() - before, 80.0 * 50.0);

  // A loop the message starts shows what the message changed before it waits.
  hosted.Send(kRecolourThenRunLoop);
  EXPECT_FALSE(IsWindow(state.other));
  EXPECT_EQ(state.seen, 0xFF0000FFu) << "a modal loop ran with the change still queued";

  // So does a message that arrives while another is open.
  hosted.Send(kRecolourThenSend);
  EXPECT_EQ(state.seen, 0xFFFFFF00u) << "a nested message ran with the change still queued";

  // A message that ends by an exception composes nothing on its way out (that would end the
  // process when it fails too); what it queued shows with the next message.
  hosted.Send(kRecolourThenRunOutOfMemory);
  gAllocationsLeft = -1;
  EXPECT_EQ(gAllocationFailures, 0) << "something allocated while the message unwound";
  EXPECT_EQ(LeftPixel(), 0xFFFFFF00u);
  hosted.Send(kLook);
  EXPECT_EQ(LeftPixel(), 0xFF808080u);

  // Outside any message a change shows at once.
  left.SetColour(0xFF00FFFF);
  EXPECT_EQ(LeftPixel(), 0xFF00FFFFu);
  hosted.host->Callbacks().set_on_window_message(nullptr);
  scene = nullptr;
}

}  // namespace

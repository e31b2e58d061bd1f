#include "ui/dialogs/MessageBox.h"

#include <memory>

#include "resources/Resources.h"
#include "ui/controls/GlowButton.h"
#include "ui/controls/ImageButton.h"
#include "ui/core/UiThread.h"
#include "ui/controls/Label.h"
#include "ui/core/WindowScope.h"
#include "ui/gfx/Fonts.h"
#include "ui/gfx/Image.h"
#include "ui/gfx/Text.h"
#include "ui/gfx/Toolkit.h"

using Gdiplus::RectF;
namespace gdip = gfx::gdip;

namespace {

// The message: dark text on the box's light body.
constexpr Gdiplus::ARGB kMessageTextColour = 0xE0101820;


constexpr LONG_PTR kMessageBoxKind = 3;
// Far beyond any box: measuring against it never wraps or clips.
constexpr float kUnbounded = 1.0e6f;

// Everything one call owns. The box window finds it through its user data.
struct Box {
  struct Entry {
    std::unique_ptr<ButtonBase> button;
    int result = kBoxCancel;
    int position = 1;
  };
  HWND window = nullptr;
  std::unique_ptr<WindowHost> host;
  std::vector<Entry> buttons;
  std::unique_ptr<Label> label;
  int result = kBoxCancel;
};

Box* BoxOf(HWND window) { return reinterpret_cast<Box*>(GetWindowLongPtrW(window, GWLP_USERDATA)); }

void PaintBox(HWND window, Gdiplus::GpGraphics* graphics, int width, int height) {
  if (!graphics || width <= 14 || height <= 0) return;
  gfx::ImageAttributesPtr edges;
  if (gdip::GdipCreateImageAttributes(edges.Put()) == Gdiplus::Ok) {
    // Mirrored wrapping keeps the stretched strip's edges from fading out.
    gdip::GdipSetImageAttributesWrapMode(edges.Get(), Gdiplus::WrapModeTileFlipXY, 0, FALSE);
  }
  gfx::Image bands = gfx::load_image(resources::MessageBoxBands());
  if (bands) {
    const float inner = static_cast<float>(width - 14);
    const float h = static_cast<float>(height);
    struct Band {
      RectF source, destination;
    } layout[] = {
        {RectF(0, 0, 2, 97), RectF(7, 7, inner, 96)},
        {RectF(0, 97, 2, 32), RectF(7, 103, inner, h - 42 - 103)},
        {RectF(0, 129, 2, 31), RectF(7, h - 42, inner, 35)},
    };
    for (const Band& band : layout) {
      if (band.destination.Height > 0) gfx::draw_image(graphics, bands.Get(), band.destination, &band.source, edges.Get());
    }
  }
  if (reinterpret_cast<LONG_PTR>(GetPropW(window, kPropFlags)) != kMessageBoxKind) return;
  const int iconType = static_cast<int>(reinterpret_cast<LONG_PTR>(GetPropW(window, kPropMsgBox)));
  const int cell = MessageBoxIconCell(iconType);
  if (cell < 0) return;
  gfx::Image icons = gfx::load_image(resources::MessageBoxIcons());
  if (icons) {
    const RectF source(static_cast<float>(cell), 0, kBoxIconSize, kBoxIconSize);
    gfx::draw_image(graphics, icons.Get(), RectF(30, 40, kBoxIconSize, kBoxIconSize), &source);
  }
}

void OnBoxClick(HWND window, Control* control, WPARAM, LPARAM, int type) {
  if (type != kButtonType && type != kGlowButtonType) return;
  Box* box = BoxOf(window);
  if (!box) return;
  for (const Box::Entry& entry : box->buttons) {
    if (entry.button.get() != control) continue;
    box->result = entry.result;
    PostMessageW(window, WM_CLOSE, 0, 0);
    return;
  }
}

void OnBoxSize(HWND window, int width, int height) {
  Box* box = BoxOf(window);
  if (!box) return;
  for (const Box::Entry& entry : box->buttons) {
    if (entry.button->IsLive()) entry.button->Left(MessageBoxButtonRect(width, height, entry.position).X);
  }
}

AttachOptions BuiltInLook(int frameFlags) {
  AttachOptions options;
  options.backgroundColour = kMessageBoxColour;
  options.alpha = kMessageBoxAlpha;
  options.frameFlags = frameFlags;
  return options;
}

AttachOptions OwnerLook(HWND owner, const WindowHost& ownerHost, int frameFlags) {
  AttachOptions options;
  options.sharedBackground = owner;
  options.alpha = ownerHost.Painting().Alpha();
  options.imageLayout = ownerHost.Painting().ImageLayout();
  options.cornerStyle = ownerHost.Frame().CornerStyle() == 1 ? 7 : ownerHost.Frame().CornerStyle();
  options.presentOnAttach = ownerHost.Painting().PresentOnAttach();
  options.glassBlur = ownerHost.Painting().GlassBlur();
  if (ownerHost.Painting().NineSliceRef()) options.nineSlice = *ownerHost.Painting().NineSliceRef();
  options.sizable = false;
  options.draggable = true;
  options.gloss = true;
  options.frameFlags = frameFlags;
  return options;
}

AttachOptions SkinLook(const MessageBoxSkin& skin, int frameFlags) {
  AttachOptions options;
  if (!skin.image.empty()) options.image = std::span<const std::uint8_t>(skin.image);
  options.backgroundColour = skin.backgroundColour;
  options.alpha = skin.alpha;
  options.imageLayout = skin.imageLayout;
  options.cornerStyle = skin.cornerStyle;
  options.draggable = skin.draggable;
  options.glassBlur = skin.glassBlur.value_or(skin.alpha != -1 && gfx::OsMajorVersion() >= 6);
  options.nineSlice = skin.nineSlice;
  options.frameFlags = frameFlags;
  return options;
}

// The size of the text laid out in a box of that width (unbounded: one line per line break).
Gdiplus::SizeF Measure(Gdiplus::GpGraphics* graphics, const std::wstring& text, float width) {
  RectF bounds;
  if (text.empty() || !gfx::measure_text(graphics, text, gfx::default_font(), RectF(0, 0, width, kUnbounded), nullptr,
                                         &bounds)) {
    return {};
  }
  return {bounds.Width, bounds.Height};
}

int RunMessageBox(HWND owner, std::string_view text, const MessageBoxOptions& options) {
  const bool ownerIsWindow = owner && IsWindow(owner);
  // The box is laid out in pixels at 96 DPI, screen places included, and shown at the scale of
  // its owner's monitor, where it opens.
  RECT ownerRect{};
  const bool onOwner = options.centreOnOwner && ownerIsWindow && GetWindowRect(owner, &ownerRect);
  const MessageBoxFrame frame = FrameMessageBox(ui::MonitorOfWindow(ownerIsWindow ? owner : nullptr),
                                                onOwner ? &ownerRect : nullptr);
  const RECT& work = frame.work;
  const RECT& reference = frame.reference;
  const int dpi = frame.dpi;

  const int iconType = options.iconType;
  MessageBoxGeometry geometry = InitialMessageBoxGeometry(reference, iconType != 0);

  ToolkitWindowOptions create;
  create.parent = ownerIsWindow ? owner : nullptr;
  create.title = options.title;
  const RECT placed = MessageBoxScreenRect(geometry, dpi);
  create.x = placed.left;
  create.y = placed.top;
  create.width = placed.right - placed.left;
  create.height = placed.bottom - placed.top;
  HWND window = create_toolkit_window(create);
  if (!window) return kBoxCancel;

  Box box;
  // Gone before the box's parts, and also when memory runs out half way.
  const WindowScope owned(window);
  box.window = window;
  box.host = std::make_unique<WindowHost>();
  SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&box));
  SetPropW(window, kPropFlags, reinterpret_cast<HANDLE>(kMessageBoxKind));
  SetPropW(window, kPropMsgBox, reinterpret_cast<HANDLE>(static_cast<LONG_PTR>(iconType)));

  WindowHost& host = *box.host;
  host.Callbacks().set_on_paint(PaintBox);
  WindowHost* ownerHost = ownerIsWindow ? host_of_window(owner) : nullptr;
  AttachOptions look = options.customSkin ? SkinLook(*options.customSkin, options.frameFlags)
                       : ownerHost        ? OwnerLook(owner, *ownerHost, options.frameFlags)
                                          : BuiltInLook(options.frameFlags);
  if (!host.attach(window, look)) {
    SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    DestroyWindow(window);
    return kBoxCancel;
  }
  host.Callbacks().set_on_window_message(popup_message_hook);
  host.SetAccessibleRole(ROLE_SYSTEM_DIALOG);
  host.Callbacks().set_on_size(OnBoxSize);
  host.Callbacks().set_on_click(OnBoxClick);

  // Size to the text: first its natural width, then its height wrapped at the final width.
  const std::wstring wide = gfx::widen_text(text);
  const int maxWidth = static_cast<int>(work.right - work.left);
  const int maxHeight = static_cast<int>(work.bottom - work.top);
  FitMessageBoxWidth(geometry, reference, Measure(host.Painting().Graphics(), wide, kUnbounded).Width, maxWidth);
  FitMessageBoxHeight(geometry, reference, Measure(host.Painting().Graphics(), wide, geometry.text.Width).Height, maxHeight);
  if (geometry.width != kBoxStartWidth || geometry.height != kBoxStartHeight) {
    const RECT moved = MessageBoxScreenRect(geometry, dpi);
    MoveWindow(window, moved.left, moved.top, moved.right - moved.left, moved.bottom - moved.top, TRUE);
  }

  const std::vector<BoxButton> planned = MessageBoxButtons(options.buttonSet, options.customTexts);
  for (const BoxButton& item : planned) {
    Box::Entry entry;
    if (options.buttonStyle == 0) {
      entry.button = std::make_unique<ImageButton>();
    } else {
      entry.button = std::make_unique<GlowButton>();
    }
    entry.result = item.result;
    entry.position = item.position;
    const RectF place = MessageBoxButtonRect(geometry.width, geometry.height, item.position);
    if (entry.button->Create(window, place.X, place.Y, place.Width, place.Height, item.label)) {
      box.buttons.push_back(std::move(entry));
    }
  }
  const size_t wanted = options.defaultButton >= 1 && static_cast<size_t>(options.defaultButton) <= box.buttons.size()
                            ? static_cast<size_t>(options.defaultButton) - 1
                            : 0;
  if (wanted < box.buttons.size()) host.set_focus(box.buttons[wanted].button.get(), false);

  box.label = std::make_unique<Label>();
  LabelOptions textOptions;
  textOptions.textColour = kMessageTextColour;
  textOptions.multiLine = true;
  box.label->Create(window, geometry.text.X, geometry.text.Y, geometry.text.Width, geometry.text.Height,
                    std::string(text), textOptions);

  if (options.created) options.created(window, geometry.width, geometry.height);
  if (iconType != 0 && options.beep) MessageBeep(static_cast<UINT>(iconType));

  if (options.closeEffect) host.Painting().set_close_effect(*options.closeEffect);
  if (IsWindow(window)) {
    host.show(options.showEffect);
    SetForegroundWindow(window);
    set_topmost(window);
    run_modal(window);
  }
  // A WM_QUIT ends the loop with the box still open: it goes before its host does.
  if (IsWindow(window)) DestroyWindow(window);
  const int result = box.result;
  box.label.reset();
  box.buttons.clear();
  return result;
}

// A hosted top-level window of this process, preferring one of the calling thread.
struct HostedSearch {
  DWORD process = 0;
  HWND anyThread = nullptr;
  HWND thisThread = nullptr;
};

BOOL CALLBACK FindHosted(HWND window, LPARAM lParam) {
  auto* search = reinterpret_cast<HostedSearch*>(lParam);
  DWORD process = 0;
  const DWORD thread = GetWindowThreadProcessId(window, &process);
  if (process != search->process || !host_of_window(window)) return TRUE;
  if (thread == GetCurrentThreadId()) {
    search->thisThread = window;
    return FALSE;
  }
  if (!search->anyThread) search->anyThread = window;
  return TRUE;
}

// The window whose thread shows the box (null: the calling thread).
HWND UiWindowFor(HWND owner) {
  if (owner && IsWindow(owner)) {
    DWORD process = 0;
    GetWindowThreadProcessId(owner, &process);
    if (process == GetCurrentProcessId() && host_of_window(owner)) return owner;
  }
  HostedSearch search;
  search.process = GetCurrentProcessId();
  EnumWindows(FindHosted, reinterpret_cast<LPARAM>(&search));
  return search.thisThread ? nullptr : search.anyThread;
}

}  // namespace

int show_message_box(HWND owner, std::string_view text, const MessageBoxOptions& options) {
  const auto cancelled = [] { return kBoxCancel; };
  return ui::Contained(
      [&] {
        HWND uiWindow = UiWindowFor(owner);
        if (uiWindow && !ui::OnThreadOf(uiWindow)) {
          int result = kBoxCancel;
          bool ran = false;
          ui::RunOnUiThread(uiWindow, [&] {
            ran = true;
            result = ui::Contained([&] { return RunMessageBox(owner, text, options); }, cancelled);
          });
          if (ran) return result;
          // The UI thread could not take it (its window went away): nothing shared is drawn there
          // any more, so the box may live here.
        }
        return RunMessageBox(owner, text, options);
      },
      cancelled);
}

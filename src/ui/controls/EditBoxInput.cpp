// Keyboard, mouse, input method, clipboard commands and the context menu of the edit box.
#include <windowsx.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "ui/controls/ClipboardText.h"
#include "ui/controls/EditBox.h"
#include "ui/controls/EditMenu.h"
#include "ui/core/WindowHost.h"
#include "ui/gfx/Text.h"

namespace {

// The most an input-method result or a paste is read; the document keeps at most its limit.
constexpr std::size_t kReadLimit = kEditTextLimit * 2;
constexpr int kWheelLines = 3;

bool KeyHeld(int key) { return GetKeyState(key) < 0; }

}  // namespace

LRESULT EditBox::HandleInput(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_KEYDOWN:
      if (wParam != VK_PROCESSKEY) imeEcho_.clear();
      return HandleKey(wParam, lParam, false);
    case WM_COMMAND:
      return HandleKey(LOWORD(wParam), lParam, true);
    case WM_CHAR:
      if (!imeEcho_.empty() && imeEcho_.front() == static_cast<wchar_t>(wParam)) {
        imeEcho_.erase(0, 1);
        return 0;
      }
      imeEcho_.clear();
      TypeCharacter(static_cast<unsigned>(wParam));
      return 0;
    case WM_IME_COMPOSITION:
      if (lParam & GCS_RESULTSTR) InsertImeResult();
      return 0;
    case WM_LBUTTONDOWN:
      PressAt(wParam, lParam);
      return 0;
    case WM_MOUSEMOVE:
      if (selecting_) {
        const Gdiplus::PointF at = FromWindow(lParam);
        const TextPos place = HitTest(at.X, at.Y);
        if (!(place == document_.Caret())) MoveCaret(place, true);
      }
      return 0;
    case WM_LBUTTONUP:
      selecting_ = false;
      return 0;
    case WM_RBUTTONUP:
      ShowContextMenu();
      return 0;
    case WM_MOUSEWHEEL:
      if (verticalBar_) {
        const int notches = GET_WHEEL_DELTA_WPARAM(wParam) / WHEEL_DELTA;
        const int step = static_cast<int>(lineHeight_) * kWheelLines;
        const int before = verticalBar_->Position();
        const int after = verticalBar_->Position(before - notches * step);
        if (after != before) SetScrollY(after);
      }
      return 0;
    default:
      return -1;
  }
}

TextPos EditBox::VerticalTarget(int lines) {
  const TextPos caret = document_.Caret();
  if (preferredX_ < 0) preferredX_ = ColumnX(caret.line, caret.column);
  const int line = std::clamp(caret.line + lines, 0, document_.LineCount() - 1);
  return {line, ColumnAt(line, preferredX_)};
}

LRESULT EditBox::HandleKey(WPARAM key, LPARAM lParam, bool fromMenu) {
  if (!OnUiThread()) return RunOnUiThread([&] { return HandleKey(key, lParam, fromMenu); });
  const int code = static_cast<int>(key);
  if (fromMenu) {
    if (IsEditCommand(code)) RunCommand(code);
    return 0;
  }
  const bool control = KeyHeld(VK_CONTROL);
  const bool shift = KeyHeld(VK_SHIFT);
  if (control && code == kEditCommandUndo && shift) {
    RunCommand(kEditCommandRedo);  // Ctrl+Shift+Z
    return 0;
  }
  if (control && IsEditCommand(code)) {
    RunCommand(code);
    return 0;
  }
  const TextPos caret = document_.Caret();
  const auto [start, end] = document_.Selection();
  const int page = std::max(1, static_cast<int>(ViewRect().Height / lineHeight_) - 1);
  bool vertical = false;
  switch (code) {
    case VK_BACK:
      if (document_.Edit(EditKind::Backspace, [this] { return document_.Backspace(); })) TextChanged();
      break;
    case VK_DELETE:
      if (document_.Edit(EditKind::Delete, [this] { return document_.DeleteForward(); })) TextChanged();
      break;
    case VK_RETURN:
      if (!multiLine_) return -1;  // the host may treat Enter as a click
      InsertText("\r\n");
      break;
    case VK_LEFT:
    case VK_RIGHT: {
      const bool left = code == VK_LEFT;
      if (!shift && document_.HasSelection()) {
        MoveCaret(left ? start : end, false);
      } else {
        MoveCaret(left ? document_.Before(caret) : document_.After(caret), shift);
      }
      break;
    }
    case VK_UP:
    case VK_DOWN:
      if (!multiLine_) {
        MoveCaret(code == VK_UP ? document_.Before(caret) : document_.After(caret), shift);
        break;
      }
      vertical = true;
      MoveCaret(VerticalTarget(code == VK_UP ? -1 : 1), shift);
      break;
    case VK_PRIOR:
    case VK_NEXT:
      if (!multiLine_) {
        MoveCaret(code == VK_PRIOR ? TextPos{0, 0} : document_.End(), shift);
        break;
      }
      vertical = true;
      MoveCaret(VerticalTarget(code == VK_PRIOR ? -page : page), shift);
      break;
    case VK_HOME:
      MoveCaret(control ? TextPos{0, 0} : document_.LineStart(caret), shift);
      break;
    case VK_END:
      MoveCaret(control ? document_.End() : document_.LineEnd(caret), shift);
      break;
    case VK_SPACE:
      break;  // typed through WM_CHAR; the host must not click the box
    default:
      return -1;
  }
  if (!vertical) preferredX_ = -1;
  return 0;
}

void EditBox::RunCommand(int command) {
  if (!CommandAllowed(mode_, command)) return;
  HWND window = GetHostWindow();
  switch (command) {
    case kEditCommandSelectAll:
      document_.SelectAll();
      preferredX_ = -1;
      CaretMoved();
      break;
    case kEditCommandCopy:
      if (document_.HasSelection()) clipboard::WriteText(window, document_.SelectedText());
      break;
    case kEditCommandCut:
      // The text goes only once the clipboard has it.
      if (document_.HasSelection() && clipboard::WriteText(window, document_.SelectedText())) DeleteSelection();
      break;
    case kEditCommandUndo:
    case kEditCommandRedo:
      UndoEdit(command == kEditCommandRedo);
      break;
    case kEditCommandPaste:
      if (std::optional<std::string> text = clipboard::ReadText(window, kReadLimit); text && !text->empty()) {
        InsertText(*text);
      }
      break;
    default:
      break;
  }
}

void EditBox::TypeCharacter(unsigned code) {
  const bool decimal = mode_ == kEditModeDecimal;
  if (!AcceptsTypedCode(mode_, code, decimal ? document_.Text() : std::string())) return;
  InsertAs(std::string(1, static_cast<char>(code)), EditKind::Typing);
}

void EditBox::InsertImeResult() {
  HWND window = GetHostWindow();
  if (!window) return;
  HIMC context = ImmGetContext(window);
  if (!context) return;
  // Read as UTF-16 and made GBK here: the "A" form would give the system's code page.
  std::wstring composed;
  const LONG bytes = ImmGetCompositionStringW(context, GCS_RESULTSTR, nullptr, 0);
  if (bytes > 0) {
    composed.resize(std::min<std::size_t>(static_cast<std::size_t>(bytes) / sizeof(wchar_t), kReadLimit));
    const LONG got = ImmGetCompositionStringW(context, GCS_RESULTSTR, composed.data(),
                                              static_cast<DWORD>(composed.size() * sizeof(wchar_t)));
    composed.resize(got > 0 ? std::min(composed.size(), static_cast<std::size_t>(got) / sizeof(wchar_t)) : 0);
  }
  ImmReleaseContext(window, context);
  imeEcho_ = composed;
  std::string result = gfx::NarrowInputText(composed);
  if (mode_ == kEditModeInteger || mode_ == kEditModeDecimal) {
    // A number box takes from a composed text only what it would take typed.
    std::string text = document_.Text(), kept;
    for (char c : result) {
      if (AcceptsTypedCode(mode_, static_cast<unsigned char>(c), text + kept)) kept.push_back(c);
    }
    result = kept;
  }
  if (!result.empty()) InsertText(result);
}

bool EditBox::InsertText(const std::string& text) { return InsertAs(text, EditKind::Other); }

bool EditBox::InsertAs(const std::string& text, EditKind kind) {
  if (!OnUiThread()) return RunOnUiThread([&] { return InsertAs(text, kind); });
  // Typing over a selection replaces it: a step of its own.
  if (!IsLive() || !document_.Edit(document_.HasSelection() ? EditKind::Other : kind,
                                   [&] { return document_.Insert(text); })) {
    return false;
  }
  preferredX_ = -1;
  TextChanged();
  return true;
}

bool EditBox::DeleteSelection() {
  if (!OnUiThread()) return RunOnUiThread([&] { return DeleteSelection(); });
  if (!IsLive() || !document_.Edit(EditKind::Other, [this] { return document_.DeleteSelection(); })) return false;
  preferredX_ = -1;
  TextChanged();
  return true;
}

bool EditBox::UndoEdit(bool redo) {
  if (!OnUiThread()) return RunOnUiThread([&] { return UndoEdit(redo); });
  if (!IsLive() || !(redo ? document_.Redo() : document_.Undo())) return false;
  preferredX_ = -1;
  TextChanged();
  return true;
}

void EditBox::PressAt(WPARAM wParam, LPARAM lParam) {
  const Gdiplus::PointF at = FromWindow(lParam);
  const TextPos place = HitTest(at.X, at.Y);
  preferredX_ = -1;
  const POINT point{static_cast<LONG>(at.X), static_cast<LONG>(at.Y)};
  const DWORD now = GetTickCount();
  if (wParam == TKM_DBLCLICK_MARK) {
    // A double click: the word under the pointer.
    const auto [start, end] = document_.WordAt(place);
    selecting_ = false;
    document_.SetSelection(start, end);
    CaretMoved();
    wordSelectedAt_ = now;
    wordSelectedPoint_ = point;
    return;
  }
  const bool third = wordSelectedAt_ != 0 && now - wordSelectedAt_ <= GetDoubleClickTime() &&
                     std::abs(point.x - wordSelectedPoint_.x) <= GetSystemMetrics(SM_CXDOUBLECLK) &&
                     std::abs(point.y - wordSelectedPoint_.y) <= GetSystemMetrics(SM_CYDOUBLECLK);
  wordSelectedAt_ = 0;
  if (third) {
    selecting_ = false;
    document_.SelectAll();
    CaretMoved();
    return;
  }
  selecting_ = true;
  MoveCaret(place, (wParam & MK_SHIFT) != 0);
}

void EditBox::Select(TextPos anchor, TextPos caret) {
  if (!OnUiThread()) return RunOnUiThread([&] { Select(anchor, caret); });
  document_.SetSelection(anchor, caret);
  preferredX_ = -1;
  CaretMoved();
}

void EditBox::MoveCaret(TextPos place, bool extend) {
  document_.SetCaret(place, extend);
  CaretMoved();
}

void EditBox::CaretMoved() {
  if (!IsLive()) return;
  if (focused_) blink_ = 1;  // the caret shows at once where it went
  EnsureCaretVisible();
  SetBarPositions();
  PlaceCaret();
  PaintText();
}

void EditBox::TextChanged() {
  ForgetLayout();
  {
    std::lock_guard<std::mutex> lock(textLock_);
    textCopy_ = document_.Text();
  }
  if (focused_) blink_ = 1;
  UpdateView();
  NotifyAccessible(this, EVENT_OBJECT_VALUECHANGE);
  FireChange();
}

void EditBox::ShowContextMenu() {
  EditMenu* menu = InstalledEditContextMenu();
  if (!menu || mode_ == kEditModePlain) return;
  // The chosen command reaches the focused control, so the box takes the focus first.
  if (!focused_ && Host()) Host()->set_focus(this, false);
  const EditMenuStates states = ComputeEditMenuStates(mode_, document_.HasSelection(), clipboard::HasText(),
                                                      document_.Empty(), document_.CanUndo());
  if (!states.show) return;
  menu->SetItemState(kEditMenuUndoItem, states.undo);
  menu->SetItemState(kEditMenuCutItem, states.cut);
  menu->SetItemState(kEditMenuCopyItem, states.copy);
  menu->SetItemState(kEditMenuPasteItem, states.paste);
  menu->SetItemState(kEditMenuSelectAllItem, states.selectAll);
  // The menu runs its own loop and may outlive this box: nothing follows the call.
  menu->Popup(GetHostWindow());
}

// The toolkit's text input (control type 9): a single-line or multi-line editor drawn with GDI+,
// with a blinking caret, mouse and keyboard selection, the cut/copy/paste/select-all commands
// (context menu and Ctrl shortcuts), Chinese input through the input method, number filters,
// a password mode, scroll bars in multi-line mode and a change callback.
//
// The text and all editing rules live in TextDocument and EditRules (no window needed); this
// class wires them to the host's messages, measures and draws. The text is GBK.
//
// Text() may be read from any thread: it answers from a copy kept under a lock, so a worker
// never waits for the UI thread. Every other operation runs on the UI thread.
#pragma once

#include <windows.h>
#include <imm.h>

#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "ui/controls/EditRules.h"
#include "ui/controls/ScrollBar.h"
#include "ui/controls/TextDocument.h"
#include "ui/core/Control.h"
#include "ui/gfx/GdiPlus.h"

inline constexpr int kEditBoxType = 9;
// Scroll-bar flags of a multi-line box.
inline constexpr int kEditScrollHorizontal = 1;
inline constexpr int kEditScrollVertical = 2;
inline constexpr UINT kEditBlinkMs = 500;

// Optional arguments of EditBox::Create, with their defaults. Colours are GDI+ ARGB values
// (see ToArgb in ui/core/Colour.h).
struct EditBoxOptions {
  std::string text;
  std::optional<Gdiplus::ARGB> textColour;  // [black, alpha 230]
  std::optional<Gdiplus::ARGB> background;  // [white, alpha 160]
  std::string fontFamily;                   // [the toolkit default font]
  float fontSize = 12;
  int fontStyle = 0;
  std::optional<std::string> passwordChar;  // ["*"]
  std::optional<Gdiplus::ARGB> border;      // [black, alpha 80]
  int inputMode = kEditModeText;
  bool multiLine = false;
  std::optional<int> scrollBars;            // multi-line only [horizontal | vertical]
  bool visible = true;
};

// The change callback: (parent, box, 0, 0, 0) for a box inside a control, (box, 0, 0, 0, 0)
// for a top-level one.
using EditChangeCallback = EventHandler;

class EditBox : public Control {
 public:
  EditBox();
  ~EditBox() override;

  LRESULT MessageProc(UINT message, WPARAM wParam, LPARAM lParam) override;
  virtual void SetScrollY(int position);
  virtual void SetScrollX(int position);
  virtual void UpdateView();
  virtual void MeasureLines();
  // Draws background, border, text, selection and caret; clip in surface coordinates (null = all).
  virtual void PaintText(const Gdiplus::RectF* clip = nullptr);
  virtual void EnsureCaretVisible();
  virtual void ShowContextMenu();
  // The text place nearest a point in control coordinates.
  virtual TextPos HitTest(float x, float y);
  virtual void Select(TextPos anchor, TextPos caret);
  // A key: a virtual-key code from WM_KEYDOWN, or a command id from the menu (fromMenu).
  // Returns 0 when the box used it, -1 when the host may handle it.
  virtual LRESULT HandleKey(WPARAM key, LPARAM lParam, bool fromMenu);
  virtual bool InsertText(const std::string& text);
  // Undoes the last step of the box's edits (redo: does it again); false when there is none.
  bool UndoEdit(bool redo = false);
  virtual bool DeleteSelection();
  virtual void PlaceCaret();
  virtual void BlinkCaret();
  virtual Control* Create(ControlParent parent, float left, float top, float width, float height,
                          const EditBoxOptions& options = {});
  // Reads the text (any thread); with a value, replaces it (and redraws unless told not to).
  virtual std::string Text(std::optional<std::string> value = std::nullopt, bool redraw = true);
  virtual Gdiplus::ARGB TextColour(std::optional<Gdiplus::ARGB> value = std::nullopt);
  virtual Gdiplus::ARGB BackgroundColour(std::optional<Gdiplus::ARGB> value = std::nullopt);
  virtual Gdiplus::ARGB BorderColour(std::optional<Gdiplus::ARGB> value = std::nullopt);
  virtual bool SetFont(const std::string& family, float size, int style = 0);
  virtual int InputMode(std::optional<int> value = std::nullopt);
  virtual std::string PasswordChar(std::optional<std::string> value = std::nullopt);
  // Selection as (anchor, caret) places.
  virtual TextPos SelectionAnchor(std::optional<TextPos> value = std::nullopt);
  virtual TextPos CaretPlace(std::optional<TextPos> value = std::nullopt);
  virtual std::string SelectedText();
  virtual void SelectAll();
  virtual bool MultiLine() const;
  virtual int ScrollBarFlags() const;
  virtual void SetOnChange(EditChangeCallback callback);
  // A grey hint an empty box shows (GBK); empty: none.
  void CueText(const std::string& text);
  virtual void FireChange();
  // Editable text whose value is the text (protected, and shown masked, in password mode).
  AccessibleInfo Describe() override;

  using Control::Create;

  // --- read access (UI thread) ---
  const TextDocument& Document() const { return document_; }
  ScrollBar* HorizontalBar() const { return horizontalBar_.get(); }
  ScrollBar* VerticalBar() const { return verticalBar_.get(); }
  int OffsetX() const { return offsetX_; }
  int OffsetY() const { return offsetY_; }
  const Gdiplus::RectF& CaretRect() const { return caretRect_; }
  bool CaretShown() const { return (blink_ & 1) != 0; }
  bool Focused() const { return focused_; }
  float LineHeight() const { return lineHeight_; }
  // The text area inside the border and the scroll bars (control coordinates).
  Gdiplus::RectF ViewRect() const;
  // Left of a caret column from the start of the line's text (before scrolling).
  float ColumnX(int line, int column);

 private:
  // What the line shows: its text, or the password character per character (UTF-16).
  std::wstring DisplayText(int line) const;
  // UTF-16 units of the display text up to a byte column.
  int DisplayUnits(int line, int column) const;
  // Right edge of the first units of a display text (the leading offset for 0).
  float PrefixWidth(const std::wstring& display, int units);
  // The same for a line, through its checkpoints when it is long.
  float LineUnitsX(int line, int units);
  // Forgets the measured layout of every line (text, font or display changed).
  void ForgetLayout();
  // The column whose caret place is nearest x (from the start of the line's text).
  int ColumnAt(int line, float x);
  float LineTop(int line) const;
  void ClampOffsets();
  float ContentWidth() const;
  void LayoutBars();
  void SetBarPositions();
  void TextChanged();
  void CaretMoved();
  void MoveCaret(TextPos place, bool extend);
  void RunCommand(int command);
  void TypeCharacter(unsigned code);
  bool InsertAs(const std::string& text, EditKind kind);
  // A double click selects the word under the pointer, a third click soon after all the text.
  void PressAt(WPARAM wParam, LPARAM lParam);
  void InsertImeResult();
  void FocusGained();
  void FocusLost();
  void ReleaseResources();
  LRESULT Dispatch(UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT HandleInput(UINT message, WPARAM wParam, LPARAM lParam);
  TextPos VerticalTarget(int lines);
  static LRESULT OnBarChange(LPARAM parent, LPARAM bar, LPARAM position, LPARAM, LPARAM);

  // --- state ---
  TextDocument document_;                    // the lines, with caret and anchor
  gfx::StringFormatPtr format_;
  Gdiplus::GpFont* font_ = nullptr;          // the default font, or ownFont_
  gfx::PenPtr pen_;                          // the caret
  gfx::BrushPtr textBrush_;
  Gdiplus::ARGB background_ = 0;
  Gdiplus::ARGB border_ = 0;
  Gdiplus::ARGB currentBorder_ = 0;          // border_, or the focus border while focused
  int mode_ = kEditModeText;                 // kEditMode*
  std::string passwordChar_ = "*";
  bool multiLine_ = false;
  int scrollFlags_ = 0;                      // kEditScroll* bars a multi-line box may show
  int offsetY_ = 0;                          // 0 or negative
  int offsetX_ = 0;                          // 0 or negative
  std::unique_ptr<ScrollBar> horizontalBar_;
  std::unique_ptr<ScrollBar> verticalBar_;
  Gdiplus::RectF caretRect_;
  int blink_ = 0;                            // bit 1 = caret drawn
  HIMC savedImc_ = nullptr;                  // the input context taken away while focused
  EditChangeCallback onChange_ = nullptr;
  std::wstring cueText_;  // UI thread

  gfx::FontPtr ownFont_;
  float lineHeight_ = 17;
  float fontHeight_ = 14;
  float leadingOffset_ = 0;   // where GDI+ puts the first glyph of a drawn text
  bool focused_ = false;
  bool selecting_ = false;    // left button held after a press in the text
  bool imeDetached_ = false;
  bool systemCaret_ = false;
  float preferredX_ = -1;     // kept across Up/Down/Page moves
  DWORD wordSelectedAt_ = 0;  // when a double click last selected a word (tick count)
  POINT wordSelectedPoint_{};
  // The default handling of a composition posts its result again as WM_CHAR: those echoes
  // (UTF-16 units, in order) are skipped until a real key goes down.
  std::wstring imeEcho_;
  // A long line is measured in chunks once per change: checkpoint k is the left of unit
  // k x kLayoutChunk, so caret places, hit tests and drawing need only one chunk each.
  struct LineLayout {
    std::wstring display;
    std::vector<float> checkpoints;
  };
  const LineLayout& LayoutOf(int line);
  std::unordered_map<int, LineLayout> layouts_;
  mutable std::mutex textLock_;
  std::string textCopy_;      // what Text() answers off the UI thread
};

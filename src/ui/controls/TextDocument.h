// The text behind an edit box, without any window: GBK lines, a caret and a selection anchor,
// caret movement by character and line, insertion and deletion with the box's input rules.
//
// Texts are GBK bytes. The document only ever holds whole characters: single bytes below 0x80
// and lead/trail pairs, so a caret column (a byte offset in its line) never lands inside a
// double-byte character. Whatever comes in (typing, pasting, setting the text) is cleaned on
// the way: bytes that are no whole character are dropped, control characters other than the
// tab are dropped, line breaks ("\r\n", a lone "\r" or "\n") split lines in a multi-line
// document and end the text in a single-line one, and the document never grows past its
// byte limit (a longer text is cut at a character boundary).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// A caret place: 0-based line, byte column within the line (always a character boundary).
struct TextPos {
  int line = 0;
  int column = 0;
  friend bool operator==(const TextPos&, const TextPos&) = default;
  friend bool operator<(const TextPos& a, const TextPos& b) {
    return a.line != b.line ? a.line < b.line : a.column < b.column;
  }
};

// The largest text an edit box holds, in bytes (line breaks count two). Large enough for any
// search term or note, small enough that measuring and drawing a full box stays quick.
inline constexpr std::size_t kEditTextLimit = 128 * 1024;

namespace gbk {

inline bool IsLeadByte(unsigned char c) { return c >= 0x81 && c <= 0xFE; }
inline bool IsTrailByte(unsigned char c) { return c >= 0x40 && c <= 0xFE && c != 0x7F; }

// Bytes of the character that starts at offset i (1 or 2; 0 at or past the end). A lead byte
// without a valid trail byte counts as one byte.
std::size_t CharLength(std::string_view text, std::size_t i);
// The boundary after the character at i (i must be a boundary); the size at the end.
std::size_t NextBoundary(std::string_view text, std::size_t i);
// The boundary before i; 0 at the start. i itself need not be a boundary.
std::size_t PreviousBoundary(std::string_view text, std::size_t i);
// The greatest character boundary that is not past i.
std::size_t FloorBoundary(std::string_view text, std::size_t i);
// Number of characters.
std::size_t CharCount(std::string_view text);
// Keeps whole characters only: bytes below 0x80 (control characters other than the tab and, when
// keepBreaks, CR and LF dropped) and valid lead/trail pairs.
std::string Clean(std::string_view text, bool keepBreaks);

}  // namespace gbk

// What an edit was, for the undo history: a run of typing, of Backspace or of Delete is one
// step; anything else (a paste, a cut, a replaced selection, a composed string) is a step alone.
enum class EditKind { Typing, Backspace, Delete, Other };

// The most steps Undo goes back.
inline constexpr std::size_t kUndoSteps = 128;

class TextDocument {
 public:
  struct Line {
    std::string text;
    float width = -1;  // measured width in pixels; below 0 = not measured since the last change
  };

  explicit TextDocument(bool multiLine = false, std::size_t limit = kEditTextLimit);

  bool MultiLine() const { return multiLine_; }
  std::size_t Limit() const { return limit_; }

  // Replaces the whole text (single-line: its first line only); caret and anchor at the end.
  // The undo history starts afresh.
  void SetText(std::string_view text);

  // Runs an edit (one of the edits below) as a step of the undo history; true when it changed
  // the text. An edit of the kind before, with no selection, at the caret the one before left,
  // joins that step.
  template <typename F>
  bool Edit(EditKind kind, F&& edit) {
    const bool joins = stepOpen_ && kind == lastKind_ && kind != EditKind::Other && !HasSelection() &&
                       caret_ == lastCaret_;
    State before = joins ? State{} : Current();
    if (!edit()) return false;
    if (!joins) Remember(undo_, std::move(before));
    redo_.clear();
    lastKind_ = kind;
    lastCaret_ = caret_;
    stepOpen_ = true;
    return true;
  }
  // Back to before the last step, and forward again; false when there is none.
  bool Undo();
  bool Redo();
  bool CanUndo() const { return !undo_.empty(); }
  bool CanRedo() const { return !redo_.empty(); }
  // Lines joined with "\r\n".
  std::string Text() const;
  // Bytes of Text().
  std::size_t Size() const { return size_; }
  bool Empty() const { return size_ == 0; }

  int LineCount() const { return static_cast<int>(lines_.size()); }
  const std::string& LineText(int line) const { return lines_[static_cast<std::size_t>(line)].text; }
  float LineWidth(int line) const { return lines_[static_cast<std::size_t>(line)].width; }
  void SetLineWidth(int line, float width) { lines_[static_cast<std::size_t>(line)].width = width; }
  // Forgets every measurement (font or display change).
  void ForgetWidths();

  TextPos Caret() const { return caret_; }
  TextPos Anchor() const { return anchor_; }
  bool HasSelection() const { return !(caret_ == anchor_); }
  // The selection as (start, end), start not after end.
  std::pair<TextPos, TextPos> Selection() const;
  std::string SelectedText() const;
  // Text between two places (ordered or not), lines joined with "\r\n".
  std::string TextBetween(TextPos a, TextPos b) const;

  // Moves the caret to a place (clamped onto the text); extend keeps the anchor, otherwise the
  // selection collapses there.
  void SetCaret(TextPos place, bool extend = false);
  void SetSelection(TextPos anchor, TextPos caret);
  void SelectAll();
  void CollapseSelection() { anchor_ = caret_; }

  // A place moved onto the text: line clamped, column clamped and floored to a boundary.
  TextPos Clamp(TextPos place) const;
  // One character back or forward, across line ends.
  TextPos Before(TextPos place) const;
  TextPos After(TextPos place) const;
  TextPos LineStart(TextPos place) const { return Clamp({place.line, 0}); }
  TextPos LineEnd(TextPos place) const;
  TextPos End() const;

  // Inserts at the caret, replacing the selection; the caret ends after the insertion.
  // Returns whether the text changed.
  bool Insert(std::string_view text);
  bool DeleteSelection();
  // The selection, else the character before the caret (joining with the previous line).
  bool Backspace();
  // The selection, else the character after the caret (joining with the next line).
  bool DeleteForward();

  // The word around a place: a run of letters and digits, or of double-byte characters (CJK),
  // else the one character there; (start, end) on its line.
  std::pair<TextPos, TextPos> WordAt(TextPos place) const;

 private:
  // Removes [a, b) (ordered) and leaves the caret and anchor at a.
  void Remove(TextPos a, TextPos b);
  void Recount();

  struct State {
    std::string text;
    TextPos anchor;
    TextPos caret;
  };
  State Current() const { return State{Text(), anchor_, caret_}; }
  void Restore(const State& state);
  // Keeps a state on a history, dropping the oldest past kUndoSteps.
  static void Remember(std::vector<State>& history, State state);
  // Goes back to the newest state of from, keeping the present one on to.
  bool StepBetween(std::vector<State>& from, std::vector<State>& to);
  std::vector<State> undo_;
  std::vector<State> redo_;
  EditKind lastKind_ = EditKind::Other;
  TextPos lastCaret_;
  bool stepOpen_ = false;  // the last step may still grow

  std::vector<Line> lines_;
  TextPos anchor_;
  TextPos caret_;
  bool multiLine_;
  std::size_t limit_;
  std::size_t size_ = 0;
};

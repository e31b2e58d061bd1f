#include "ui/controls/TextDocument.h"

#include <algorithm>
#include <cctype>

namespace gbk {

std::size_t CharLength(std::string_view text, std::size_t i) {
  if (i >= text.size()) return 0;
  const auto c = static_cast<unsigned char>(text[i]);
  if (IsLeadByte(c) && i + 1 < text.size() && IsTrailByte(static_cast<unsigned char>(text[i + 1]))) return 2;
  return 1;
}

std::size_t NextBoundary(std::string_view text, std::size_t i) {
  if (i >= text.size()) return text.size();
  return i + CharLength(text, i);
}

std::size_t FloorBoundary(std::string_view text, std::size_t i) {
  if (i >= text.size()) return text.size();
  // Trail bytes overlap lead bytes, so boundaries are only known walking from the start.
  std::size_t at = 0;
  for (;;) {
    const std::size_t next = NextBoundary(text, at);
    if (next > i) return at;
    at = next;
  }
}

std::size_t PreviousBoundary(std::string_view text, std::size_t i) {
  if (i == 0) return 0;
  i = std::min(i, text.size());
  return FloorBoundary(text, i - 1);
}

std::size_t CharCount(std::string_view text) {
  std::size_t count = 0;
  for (std::size_t at = 0; at < text.size(); at = NextBoundary(text, at)) ++count;
  return count;
}

std::string Clean(std::string_view text, bool keepBreaks) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c == 0) break;  // a text ends at its first zero byte
    if (c < 0x80) {
      const bool control = c < 0x20 || c == 0x7F;
      const bool kept = !control || c == '\t' || (keepBreaks && (c == '\r' || c == '\n'));
      if (kept) out.push_back(static_cast<char>(c));
      ++i;
    } else if (CharLength(text, i) == 2) {
      out.append(text.substr(i, 2));
      i += 2;
    } else {
      ++i;  // 0x80, 0xFF or a lead byte without its trail byte: no character
    }
  }
  return out;
}

}  // namespace gbk

namespace {

// The pieces between line breaks ("\r\n", "\r" or "\n").
std::vector<std::string> SplitLines(std::string_view text) {
  std::vector<std::string> pieces(1);
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\r' || c == '\n') {
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      pieces.emplace_back();
    } else {
      pieces.back().push_back(c);
    }
  }
  return pieces;
}

// Cleans a text for a document: whole characters only, split into lines (one line in a
// single-line document), cut so that it takes at most room bytes (breaks count two).
std::vector<std::string> PrepareText(std::string_view text, bool multiLine, std::size_t room) {
  if (!multiLine) {
    const std::size_t end = text.find_first_of("\r\n");
    if (end != std::string_view::npos) text = text.substr(0, end);
  }
  std::vector<std::string> pieces = SplitLines(gbk::Clean(text, multiLine));
  std::size_t used = 0;
  for (std::size_t i = 0; i < pieces.size(); ++i) {
    const std::size_t breakBytes = i == 0 ? 0 : 2;
    if (used + breakBytes > room) {
      pieces.resize(i);
      break;
    }
    used += breakBytes;
    std::string& piece = pieces[i];
    if (used + piece.size() > room) {
      piece.resize(gbk::FloorBoundary(piece, room - used));
      pieces.resize(i + 1);
      break;
    }
    used += piece.size();
  }
  if (pieces.empty()) pieces.emplace_back();
  return pieces;
}

}  // namespace

TextDocument::TextDocument(bool multiLine, std::size_t limit) : lines_(1), multiLine_(multiLine), limit_(limit) {}

void TextDocument::Recount() {
  std::size_t size = 0;
  for (const Line& line : lines_) size += line.text.size();
  size_ = size + 2 * (lines_.size() - 1);
}

void TextDocument::ForgetWidths() {
  for (Line& line : lines_) line.width = -1;
}

void TextDocument::SetText(std::string_view text) {
  std::vector<std::string> pieces = PrepareText(text, multiLine_, limit_);
  lines_.clear();
  lines_.reserve(pieces.size());
  for (std::string& piece : pieces) lines_.push_back(Line{std::move(piece), -1});
  Recount();
  caret_ = anchor_ = End();
  undo_.clear();
  redo_.clear();
  stepOpen_ = false;
}

void TextDocument::Restore(const State& state) {
  std::vector<std::string> pieces = PrepareText(state.text, multiLine_, limit_);
  lines_.clear();
  lines_.reserve(pieces.size());
  for (std::string& piece : pieces) lines_.push_back(Line{std::move(piece), -1});
  Recount();
  anchor_ = Clamp(state.anchor);
  caret_ = Clamp(state.caret);
  stepOpen_ = false;
}

void TextDocument::Remember(std::vector<State>& history, State state) {
  if (history.size() >= kUndoSteps) history.erase(history.begin());
  history.push_back(std::move(state));
}

bool TextDocument::StepBetween(std::vector<State>& from, std::vector<State>& to) {
  if (from.empty()) return false;
  Remember(to, Current());
  State state = std::move(from.back());
  from.pop_back();
  Restore(state);
  return true;
}

bool TextDocument::Undo() { return StepBetween(undo_, redo_); }

bool TextDocument::Redo() { return StepBetween(redo_, undo_); }

std::pair<TextPos, TextPos> TextDocument::WordAt(TextPos place) const {
  place = Clamp(place);
  const std::string& text = LineText(place.line);
  const std::size_t size = text.size();
  // 0: other, 1: a letter or digit, 2: a double-byte character.
  auto classOf = [&](std::size_t i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (gbk::CharLength(text, i) == 2) return 2;
    return (std::isalnum(c) || c == '_') ? 1 : 0;
  };
  std::size_t at = static_cast<std::size_t>(place.column);
  // At a line's end (or on a character of no word), the character before counts.
  if (at >= size || classOf(at) == 0) {
    if (at > 0 && classOf(gbk::PreviousBoundary(text, at)) != 0) at = gbk::PreviousBoundary(text, at);
  }
  if (at >= size) return {place, place};
  const int kind = classOf(at);
  if (kind == 0) return {TextPos{place.line, static_cast<int>(at)}, TextPos{place.line, static_cast<int>(gbk::NextBoundary(text, at))}};
  std::size_t start = at, end = gbk::NextBoundary(text, at);
  while (start > 0) {
    const std::size_t before = gbk::PreviousBoundary(text, start);
    if (classOf(before) != kind) break;
    start = before;
  }
  while (end < size && classOf(end) == kind) end = gbk::NextBoundary(text, end);
  return {TextPos{place.line, static_cast<int>(start)}, TextPos{place.line, static_cast<int>(end)}};
}

std::string TextDocument::Text() const {
  std::string out;
  out.reserve(size_);
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    if (i) out += "\r\n";
    out += lines_[i].text;
  }
  return out;
}

std::pair<TextPos, TextPos> TextDocument::Selection() const {
  return anchor_ < caret_ ? std::make_pair(anchor_, caret_) : std::make_pair(caret_, anchor_);
}

std::string TextDocument::SelectedText() const { return TextBetween(anchor_, caret_); }

std::string TextDocument::TextBetween(TextPos a, TextPos b) const {
  a = Clamp(a);
  b = Clamp(b);
  if (b < a) std::swap(a, b);
  if (a.line == b.line) return LineText(a.line).substr(static_cast<std::size_t>(a.column),
                                                      static_cast<std::size_t>(b.column - a.column));
  std::string out = LineText(a.line).substr(static_cast<std::size_t>(a.column));
  for (int line = a.line + 1; line < b.line; ++line) out += "\r\n" + LineText(line);
  out += "\r\n" + LineText(b.line).substr(0, static_cast<std::size_t>(b.column));
  return out;
}

TextPos TextDocument::Clamp(TextPos place) const {
  const int line = std::clamp(place.line, 0, LineCount() - 1);
  const std::string& text = LineText(line);
  const std::size_t column = place.column <= 0 ? 0 : static_cast<std::size_t>(place.column);
  return {line, static_cast<int>(gbk::FloorBoundary(text, column))};
}

void TextDocument::SetCaret(TextPos place, bool extend) {
  caret_ = Clamp(place);
  if (!extend) anchor_ = caret_;
}

void TextDocument::SetSelection(TextPos anchor, TextPos caret) {
  anchor_ = Clamp(anchor);
  caret_ = Clamp(caret);
}

void TextDocument::SelectAll() {
  anchor_ = {0, 0};
  caret_ = End();
}

TextPos TextDocument::Before(TextPos place) const {
  place = Clamp(place);
  if (place.column > 0) {
    return {place.line, static_cast<int>(gbk::PreviousBoundary(LineText(place.line), static_cast<std::size_t>(place.column)))};
  }
  if (place.line > 0) return LineEnd({place.line - 1, 0});
  return place;
}

TextPos TextDocument::After(TextPos place) const {
  place = Clamp(place);
  const std::string& text = LineText(place.line);
  if (static_cast<std::size_t>(place.column) < text.size()) {
    return {place.line, static_cast<int>(gbk::NextBoundary(text, static_cast<std::size_t>(place.column)))};
  }
  if (place.line + 1 < LineCount()) return {place.line + 1, 0};
  return place;
}

TextPos TextDocument::LineEnd(TextPos place) const {
  const int line = std::clamp(place.line, 0, LineCount() - 1);
  return {line, static_cast<int>(LineText(line).size())};
}

TextPos TextDocument::End() const { return LineEnd({LineCount() - 1, 0}); }

void TextDocument::Remove(TextPos a, TextPos b) {
  auto& first = lines_[static_cast<std::size_t>(a.line)];
  const std::string tail = LineText(b.line).substr(static_cast<std::size_t>(b.column));
  first.text.resize(static_cast<std::size_t>(a.column));
  first.text += tail;
  first.width = -1;
  if (b.line > a.line) lines_.erase(lines_.begin() + a.line + 1, lines_.begin() + b.line + 1);
  Recount();
  caret_ = anchor_ = a;
}

bool TextDocument::DeleteSelection() {
  if (!HasSelection()) return false;
  const auto [a, b] = Selection();
  Remove(a, b);
  return true;
}

bool TextDocument::Insert(std::string_view text) {
  const auto [a, b] = Selection();
  const std::size_t selected = TextBetween(a, b).size();
  const std::size_t kept = size_ - selected;
  const std::size_t room = limit_ > kept ? limit_ - kept : 0;
  std::vector<std::string> pieces = PrepareText(text, multiLine_, room);
  const bool nothing = pieces.size() == 1 && pieces[0].empty();
  if (nothing && !HasSelection()) return false;
  Remove(a, b);
  if (nothing) return true;

  Line& line = lines_[static_cast<std::size_t>(a.line)];
  const std::string tail = line.text.substr(static_cast<std::size_t>(a.column));
  line.text.resize(static_cast<std::size_t>(a.column));
  line.text += pieces[0];
  line.width = -1;
  TextPos end{a.line, static_cast<int>(line.text.size())};
  if (pieces.size() > 1) {
    std::vector<Line> added;
    added.reserve(pieces.size() - 1);
    for (std::size_t i = 1; i < pieces.size(); ++i) added.push_back(Line{std::move(pieces[i]), -1});
    lines_.insert(lines_.begin() + a.line + 1, std::make_move_iterator(added.begin()),
                  std::make_move_iterator(added.end()));
    end = {a.line + static_cast<int>(pieces.size()) - 1, static_cast<int>(LineText(a.line + static_cast<int>(pieces.size()) - 1).size())};
  }
  lines_[static_cast<std::size_t>(end.line)].text += tail;
  Recount();
  caret_ = anchor_ = end;
  return true;
}

bool TextDocument::Backspace() {
  if (DeleteSelection()) return true;
  const TextPos before = Before(caret_);
  if (before == caret_) return false;
  Remove(before, caret_);
  return true;
}

bool TextDocument::DeleteForward() {
  if (DeleteSelection()) return true;
  const TextPos after = After(caret_);
  if (after == caret_) return false;
  Remove(caret_, after);
  return true;
}

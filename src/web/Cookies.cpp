#include "web/Cookies.h"

#include "web/TextExtraction.h"

namespace web {
namespace {

constexpr std::string_view kItemSeparator = "; ";
constexpr std::string_view kDeletedSuffix = "=deleted";
constexpr std::string_view kSetCookie = "Set-Cookie:";

bool EndsWith(std::string_view text, std::string_view suffix) {
  return text.size() >= suffix.size() && text.substr(text.size() - suffix.size()) == suffix;
}

void DropLast(std::string& text, size_t count) { text.resize(text.size() > count ? text.size() - count : 0); }

// The item without a lead byte left over at its end. Such a byte is no character; joined to the
// next item it would take the separator's ";" as its trail byte and run two cookies together.
std::string_view WholeCharacters(std::string_view item) {
  for (size_t i = 0; i < item.size(); i += IsLeadByte(static_cast<unsigned char>(item[i])) ? 2 : 1) {
    if (i + 1 == item.size() && IsLeadByte(static_cast<unsigned char>(item[i]))) return item.substr(0, i);
  }
  return item;
}

}  // namespace

std::string RemoveAllBlanks(std::string_view text) {
  std::string result;
  result.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    size_t width = IsLeadByte(static_cast<unsigned char>(text[i])) && i + 1 < text.size() ? 2 : 1;
    if (!IsBlankAt(text, i)) result.append(text.substr(i, width));
    i += width;
  }
  return result;
}

std::string CookieName(std::string_view item) {
  int equals = FindText(item, "=", 1, true);
  return Trim(equals < 0 ? item : item.substr(0, static_cast<size_t>(equals) - 1));
}

bool HasCookieNamed(const std::vector<std::string>& items, std::string_view name) {
  for (const std::string& item : items) {
    if (CookieName(item) == name) return true;
  }
  return false;
}

int FindItem(const std::vector<std::string>& list, std::string_view text) {
  for (size_t i = 0; i < list.size(); ++i) {
    if (list[i] == text) return static_cast<int>(i) + 1;
  }
  return -1;
}

std::string RemoveDuplicateItems(std::string_view text, std::string_view separator) {
  std::vector<std::string> kept;
  for (std::string& piece : SplitText(text, separator)) {
    if (FindItem(kept, piece) < 0) kept.push_back(std::move(piece));
  }
  std::string result;
  for (const std::string& piece : kept) {
    result += piece;
    result += separator;
  }
  DropLast(result, separator.size());
  return result;
}

std::string CollectResponseCookies(const std::vector<std::string>& headerLines) {
  std::string cookies;
  for (const std::string& line : headerLines) {
    if (FindText(line, "Set-Cookie", 1, true) < 0) continue;
    int marker = FindText(line, kSetCookie, 1, false);
    if (marker < 0) continue;
    // A pair without attributes ends with the line instead of being lost; a line that
    // yields no pair adds no empty item to the jar.
    std::string_view rest = std::string_view(line).substr(static_cast<size_t>(marker) - 1 + kSetCookie.size());
    int semicolon = FindText(rest, ";", 1, true);
    std::string item = Trim(WholeCharacters(semicolon < 0 ? rest : rest.substr(0, static_cast<size_t>(semicolon) - 1)));
    if (item.empty()) continue;
    cookies += item;
    cookies += kItemSeparator;
  }
  DropLast(cookies, kItemSeparator.size());
  return cookies;
}

std::string MergeCookies(std::string& jar, std::string& newCookies) {
  jar = RemoveAllBlanks(jar);
  newCookies = RemoveAllBlanks(newCookies);
  std::vector<std::string> oldItems = SplitText(jar, ";");
  std::vector<std::string> items = SplitText(newCookies, ";");
  // Names come from the response's items only, so stored duplicates of one name both survive.
  const std::vector<std::string> responseItems = items;
  for (std::string& item : oldItems) {
    if (!HasCookieNamed(responseItems, CookieName(item))) items.push_back(std::move(item));
  }
  jar.clear();
  for (const std::string& item : items) {
    std::string_view whole = WholeCharacters(item);
    if (EndsWith(whole, kDeletedSuffix)) continue;
    jar += whole;
    jar += kItemSeparator;
  }
  DropLast(jar, kItemSeparator.size());
  jar = RemoveDuplicateItems(jar, kItemSeparator);
  return jar;
}

}  // namespace web

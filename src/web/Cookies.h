// The cookie jar the web access routine keeps for a caller that supplies one: items name=value
// joined by "; ". Comparisons are exact and case-sensitive; blanks are the ASCII space and the
// GBK full-width space.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace web {

// The text without any blank; other double-byte characters stay whole.
std::string RemoveAllBlanks(std::string_view text);

// Text before the first "=" (the whole item without one), trimmed.
std::string CookieName(std::string_view item);

bool HasCookieNamed(const std::vector<std::string>& items, std::string_view name);

// 1-based index of the first entry equal to text, or -1.
int FindItem(const std::vector<std::string>& list, std::string_view text);

// Pieces of text at separator with later exact duplicates dropped, joined by separator.
std::string RemoveDuplicateItems(std::string_view text, std::string_view separator);

// The cookies a response sets, from its header lines in order: for every line containing
// "Set-Cookie", the trimmed pair between "Set-Cookie:" (any case) and the next ";" or the end
// of the line; joined by "; ". Lines that yield no pair add nothing.
std::string CollectResponseCookies(const std::vector<std::string>& headerLines);

// Merges the response's cookies into the jar: response items first, then stored items of
// other names; "=deleted" items dropped, exact duplicates collapsed. Both arguments are
// rewritten (newCookies without blanks); returns a copy of the jar.
std::string MergeCookies(std::string& jar, std::string& newCookies);

}  // namespace web

// The results view: the five category tabs with their counts, the main list that holds every
// row of the search and the category list refilled from it on a tab click.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class ListView;
struct MainControls;

// Column numbers of a result row (1-based, as the lists count them).
inline constexpr int kColumnId = 1;
inline constexpr int kColumnTitle = 2;
inline constexpr int kColumnSize = 3;
inline constexpr int kColumnFormat = 4;
inline constexpr int kColumnDetailPath = 5;
inline constexpr int kColumnCodes = 6;    // main list: category codes; category list: main-list ID
inline constexpr int kColumnMagnet = 7;
// The colour of a taken result's ID cell.
inline constexpr std::uint32_t kTakenMarkColour = 0xFF0066CC;

// The caption of tab 0..4 for a count: its prefix, the count in decimal and ")".
std::string TabCaption(int tab, int count);

// Adds the seven columns to the main list or to the category list.
void AddResultColumns(ListView& list, bool categoryList);

// Sets the five captions from the main list's row count and the four category counts. Any
// thread (the search worker calls it after each page).
void RefreshTabCaptions();

// The left-button-down handler of every tab: the all tab shows the main list, a category tab
// refills the category list on a thread of its own.
LRESULT TabHandler(LPARAM control, LPARAM, LPARAM, LPARAM, LPARAM);

// Thread routine: hides the main list and refills the category list with the rows of the
// category whose code (1..4) is the argument. A later tab click cancels it; the next fill
// starts only once it has stopped, so the rows of two fills never mix.
DWORD WINAPI ShowCategory(LPVOID code);

// Adds the rows of main whose codes hold the digit of code to category, taken in the order
// they arrived and numbered 1..n, with the main-list ID in column 6 and the same data (the
// result's identity); each goes to its place in category's order. Rows main gets meanwhile are
// taken too. Stops early, returning false, once cancelled() says so.
// watermark (when given) gets the newest result the fill looked at.
bool CopyCategoryRows(ListView& main, ListView& category, int code, const std::function<bool()>& cancelled,
                      std::uintptr_t* watermark = nullptr);

// From the search, after it added a result to the main list (texts as the main row holds them,
// data its identity): while a category tab shows and its fill is done, a result of that category
// goes to the category list as well, numbered on, at its place in the list's order.
void OfferToShownCategory(MainControls& ui, const std::vector<std::string>& mainTexts, std::uintptr_t data);

// A new search while a category tab shows: that list empties and fills again with the new rows.
void RefillShownCategory(MainControls& ui);

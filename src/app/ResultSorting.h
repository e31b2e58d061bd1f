// The order of the results view. It belongs to the view, not to one list: a header click on
// either list sorts both, a category refill keeps it, and a new search starts in arrival order.
// Each row's data is its result's identity, the same in both lists.
#pragma once

#include <windows.h>

#include <memory>

#include "search/ResultOrder.h"
#include "ui/controls/ListView.h"

struct MainControls;

// The list order a results list is kept in for the view's order.
std::shared_ptr<const ListRowOrder> ResultRowOrder(search::SortOrder order);

// The view's order, as the main list's header shows it.
search::SortOrder CurrentResultOrder(ListView& mainList);

// Puts both lists into the order and shows its arrow on both headers (none for arrival order).
void ApplyResultOrder(MainControls& ui, search::SortOrder order);

// Back to the order the rows arrive in, with no arrow: what a new search starts with.
void ResetResultOrder(MainControls& ui);

// The header-click callback of both results lists.
LRESULT ResultHeaderClick(LPARAM, LPARAM, LPARAM, LPARAM, LPARAM);

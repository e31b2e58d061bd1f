// The extra items of the result menu (Shift with the right button or the Apps key): the selected
// rows' names, their detail pages' addresses, and the pages to open in the browser.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "ui/controls/ListView.h"

// At most this many pages open at once; more than kConfirmPagesAbove are asked about first.
inline constexpr size_t kMostPagesOpened = 10;
inline constexpr size_t kConfirmPagesAbove = 3;

// A cell of a copied row (columns from 1); empty past its cells.
std::string RowCell(const ListRowCopy& row, int column);
// The rows' names, one per line (CR LF), in the order given.
std::string JoinedNames(const std::vector<ListRowCopy>& rows);
// The rows' detail page addresses on the host, one per line; rows without a page are left out.
std::string JoinedDetailAddresses(std::string_view host, const std::vector<ListRowCopy>& rows);
// The address of a detail page the browser may be given: a path on the host (it starts with "/")
// making a plain http(s) address; empty when the path, taken from a page, is not one.
std::string DetailAddressToOpen(std::string_view host, std::string_view detailPath);

struct PageOpening {
  std::vector<std::string> addresses;  // what to open, in row order, at most kMostPagesOpened
  size_t openable = 0;                 // rows with an address that may be opened
  std::string question;                // asked before opening; empty: open at once
  std::string refusal;                 // said instead when nothing can be opened
};
PageOpening PlanPageOpening(std::string_view host, const std::vector<ListRowCopy>& rows);

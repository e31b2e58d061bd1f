// The search run: the search button starts a worker that fetches result pages one second
// apart, cuts them into rows and appends the rows to the main list as they are read.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "search/ResultPage.h"

class ListView;

// The search button's left-button-down handler (an event handler). A press while a run is
// going stops it and empties the list; the next press starts a new run.
LRESULT StartSearch(LPARAM = 0, LPARAM = 0, LPARAM = 0, LPARAM = 0, LPARAM = 0);

// The worker's thread routine: page after page until a page holds no result or a stop is asked.
DWORD WINAPI SearchWorker(LPVOID);

// Waits the amount (unit 0 milliseconds, 1 seconds) while dispatching this thread's messages;
// returns 1 when the time has passed.
int WaitPumping(int amount, int unit);

// Adds one result to the list at its place in the list's order (at the end in arrival order):
// ID (the arrival number), title, size, format, detail path and category codes at once, with a
// new result identity as the row's data. Returns the row's number, 0 when it could not be added.
// added (when given) gets a copy of the row's texts.
int AppendResultRow(ListView& list, const search::ResultRow& row, const std::string& codes,
                    std::vector<std::string>* added = nullptr);

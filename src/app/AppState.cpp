#include "app/AppState.h"

#include "ui/core/WindowHost.h"

AppStateRecord::AppStateRecord() = default;
AppStateRecord::~AppStateRecord() = default;

AppStateRecord AppState;

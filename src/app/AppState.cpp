#include "app/AppState.h"

#include "ui/host/WindowHost.h"

AppStateRecord::AppStateRecord() = default;
AppStateRecord::~AppStateRecord() = default;

AppStateRecord AppState;

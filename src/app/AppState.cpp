#include "app/AppState.h"

#include "app/MainControls.h"
#include "ui/core/WindowHost.h"

AppStateRecord::AppStateRecord() = default;
AppStateRecord::~AppStateRecord() = default;

AppStateRecord AppState;

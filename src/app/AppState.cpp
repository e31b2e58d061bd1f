#include "app/AppState.h"

#include "app/CloudPlay.h"
#include "app/LinkResolver.h"
#include "app/ResultActions.h"
#include "app/MainControls.h"
#include "ui/dialogs/PopupMenu.h"
#include "ui/core/WindowHost.h"

AppStateRecord::AppStateRecord() = default;
AppStateRecord::~AppStateRecord() = default;

AppStateRecord AppState;

#pragma once

#include "AppState.h"
#include "DesktopSession.h"

// Chooses, once at launch, the adapters behind every platform seam from the
// desktop session: the shortcut subsystem's hot keys and keyboard layout, the
// panel's window hints, and the clipboard and typing of text delivery. Writes
// one line naming the session and the paths chosen.
//
// Returns what AppState is built from; the shortcut subsystem and the window
// manager are set up directly.
AppStateDependencies installPlatformAdapters(DesktopSession &session);

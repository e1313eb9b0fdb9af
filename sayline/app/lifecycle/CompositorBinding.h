#pragma once

#include "DesktopSession.h"

#include <KeyboardShortcuts.h>

#include <QString>

// The line a user adds to the compositor's configuration so that a shortcut
// runs a Sayline command, in that compositor's own syntax, e.g.
// "bindsym --no-repeat Ctrl+Mod4+a exec sayline --toggle" for sway. For an
// unknown compositor it says in words what to bind.
QString compositorBindingLine(DesktopSession::Compositor compositor, const KeyboardShortcuts::Shortcut &shortcut,
                              const QString &command);

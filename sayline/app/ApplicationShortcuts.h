#pragma once

#include <KeyboardShortcuts.h>

// The application's two global shortcut names, each created once per process
// on first use with its default (which is stored and made a live hot key when
// nothing is stored yet).
struct ApplicationShortcuts
{
    // The names' raw values, for whoever must know them before the names exist
    // (creating a name registers its hot key).
    static constexpr const char *toggleMainWindowName = "toggleMainWindow";
    static constexpr const char *closeMainWindowName = "closeMainWindow";

    // Toggles dictation; Control-Command-A (Ctrl+Super+A) by default.
    static const KeyboardShortcuts::Name &toggleMainWindow();
    // Cancels dictation; Escape by default.
    static const KeyboardShortcuts::Name &closeMainWindow();
};

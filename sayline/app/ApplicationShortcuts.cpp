#include "ApplicationShortcuts.h"

#include "AppState.h"

#include <QPointer>

using namespace KeyboardShortcuts;

const Name &ApplicationShortcuts::toggleMainWindow()
{
    static const Name name(QLatin1String(toggleMainWindowName),
                           Shortcut(Key::a, ModifierFlags(ModifierFlag::control) | ModifierFlag::command));
    return name;
}

const Name &ApplicationShortcuts::closeMainWindow()
{
    static const Name name(QLatin1String(closeMainWindowName), Shortcut(Key::escape));
    return name;
}

void AppState::registerShortcutHandlers()
{
    // The handler tables live for the whole process; an AppState that goes
    // away earlier (in tests) must not be called.
    const QPointer<AppState> self(this);
    onKeyUp(ApplicationShortcuts::toggleMainWindow(), [self] {
        if (self)
            self->handleToggleShortcut();
    });
    onKeyUp(ApplicationShortcuts::closeMainWindow(), [self] {
        if (self)
            self->handleCloseShortcut();
    });
}

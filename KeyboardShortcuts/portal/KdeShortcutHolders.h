#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QString>

#include <functional>
#include <optional>

namespace KeyboardShortcuts {

// The action that KDE's shortcut service holds a key for.
struct KdeShortcutHolder
{
    QString actionId;     // "toggleMainWindow", "Activate Window Demanding Attention"
    QString actionName;   // as the desktop shows it
    QString componentName;
    QString componentId;  // "kwin", or the portal's record of a program
};

// Asks KDE's shortcut service (org.kde.kglobalaccel, /kglobalaccel) which action
// holds the key sequence `qtKeys` ("Ctrl+Meta+A"), without blocking. `answer`
// runs on `context`'s thread with the holder, or with nothing when the key is
// free or the service is absent (any other desktop).
void askKdeShortcutHolder(QDBusConnection bus, const QString &qtKeys, QObject *context,
                          std::function<void(std::optional<KdeShortcutHolder>)> answer);

// Gives `holder`'s action the key sequence `qtKeys` instead of its current
// one, as KDE's System Settings does for another program's shortcut. The
// service tells the action's owner (the desktop portal), which reports the
// change; a key held elsewhere is refused there.
void rebindKdeShortcut(QDBusConnection bus, const KdeShortcutHolder &holder, const QString &qtKeys);

} // namespace KeyboardShortcuts

#pragma once

#include <QObject>
#include <QString>

namespace KeyboardShortcuts {

// What a desktop that binds the global shortcuts on the program's behalf (a
// shortcut service such as the GlobalShortcuts portal) reports about them, for
// the settings. Shortcuts are known by their names' raw values.
class DesktopShortcutService : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    // The trigger the desktop bound, in its own words ("Meta+Ctrl+A"); empty
    // while unknown or unbound.
    virtual QString triggerDescription(const QString &name) const = 0;
    // Why the shortcut does not work although asked for ("Ctrl+Super+A is used
    // by the desktop for …"); empty when nothing is known against it.
    virtual QString problem(const QString &name) const = 0;
    // Lets the user choose the keys where the desktop decides them (its own
    // dialog or settings page).
    virtual void changeInDesktop() = 0;

signals:
    // Any trigger description or problem changed.
    void shortcutsChanged();
};

} // namespace KeyboardShortcuts

#pragma once

#include <QDBusArgument>
#include <QList>
#include <QMetaType>
#include <QString>
#include <QVariantMap>

namespace KeyboardShortcuts {

// One entry of the portal's shortcut lists, D-Bus type (sa{sv}): the id and
// its properties ("description", "preferred_trigger", "trigger_description").
struct PortalShortcutEntry
{
    QString id;
    QVariantMap properties;
};
using PortalShortcutList = QList<PortalShortcutEntry>;

QDBusArgument &operator<<(QDBusArgument &argument, const PortalShortcutEntry &entry);
const QDBusArgument &operator>>(const QDBusArgument &argument, PortalShortcutEntry &entry);

// Registers the types with QtDBus; idempotent.
void registerPortalShortcutTypes();

// The list inside a variant as QtDBus hands it over (a QDBusArgument), or empty.
PortalShortcutList portalShortcutList(const QVariant &value);

} // namespace KeyboardShortcuts

Q_DECLARE_METATYPE(KeyboardShortcuts::PortalShortcutEntry)
Q_DECLARE_METATYPE(KeyboardShortcuts::PortalShortcutList)

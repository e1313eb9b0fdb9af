#pragma once

#include <QString>

namespace KeyboardShortcuts {

// Posted on NotificationCenter::defaultCenter() when a recorder starts and
// stops recording; userInfo "isActive" is a Boolean.
inline const QString recorderActiveStatusDidChangeNotification =
    QStringLiteral("KeyboardShortcuts_recorderActiveStatusDidChange");

void postRecorderActiveStatus(bool isActive);

} // namespace KeyboardShortcuts

#pragma once

#include <QString>

namespace KeyboardShortcuts {

// Posted on NotificationCenter::defaultCenter() by whoever opens one of
// Sayline's menus (the tray menu: on aboutToShow and aboutToHide). An open menu
// grabs the keyboard, so the passive hot-key grabs stay silent meanwhile; between
// the two notifications hot keys are released and key events reaching the
// application are matched against the registered shortcuts instead.
inline const QString menuDidBeginTrackingNotification = QStringLiteral("MenuDidBeginTracking");
inline const QString menuDidEndTrackingNotification = QStringLiteral("MenuDidEndTracking");

} // namespace KeyboardShortcuts

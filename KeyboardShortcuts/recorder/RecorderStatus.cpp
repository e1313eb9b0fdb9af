#include "RecorderStatus.h"

#include <NotificationCenter.h>

namespace KeyboardShortcuts {

void postRecorderActiveStatus(bool isActive)
{
    NotificationCenter::defaultCenter().post(recorderActiveStatusDidChangeNotification,
                                             {{QStringLiteral("isActive"), isActive}});
}

} // namespace KeyboardShortcuts

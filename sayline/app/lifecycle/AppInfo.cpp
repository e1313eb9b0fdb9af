#include "AppInfo.h"

QString AppInfo::version()
{
    return QStringLiteral(SAYLINE_VERSION);
}

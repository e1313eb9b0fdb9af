#pragma once

#include "Appcast.h"

#include <QString>

// What the updater tells its owner about a check, on the thread it runs on.
// After a feed was read, didFinishLoadingAppcast comes first and then exactly
// one of didFindValidUpdate and didNotFindUpdate; a check that fails ends with
// didAbortWithError alone.
class UpdaterDelegate
{
public:
    virtual ~UpdaterDelegate() = default;
    virtual void didFinishLoadingAppcast(const Appcast &appcast) = 0;
    virtual void didFindValidUpdate(const AppcastItem &item) = 0;
    virtual void didNotFindUpdate() = 0;
    virtual void didAbortWithError(const QString &description) = 0;
};

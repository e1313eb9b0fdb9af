#pragma once

#include "Appcast.h"

#include <QString>

#include <memory>

// How the updater tells the user about a check. Only informs: a found update
// offers to open its web page in the browser; nothing is downloaded by Sayline,
// installed or run.
class UpdateNotice
{
public:
    virtual ~UpdateNotice() = default;
    virtual void showUpdateFound(const AppcastItem &update, const QString &currentVersion) = 0;
    virtual void showUpToDate(const QString &currentVersion) = 0;
    virtual void showCheckFailed(const QString &description) = 0;
};

// Small non-modal message boxes (needs a QApplication; without one the notice
// goes to standard error).
std::unique_ptr<UpdateNotice> makeDefaultUpdateNotice();

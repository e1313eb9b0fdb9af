#pragma once

#include <QString>

#include <memory>

// Opens the system settings pages Sayline points the user to.
//
// openUrl() receives one of the fixed settings links Sayline knows, for
// instance "x-apple.systempreferences:com.apple.preference.security?Privacy_Accessibility"
// or "...?Privacy_Microphone", and opens the running desktop's matching
// settings page where one exists (the privacy or sound page of GNOME or KDE).
// Where the desktop has no such page it does nothing. It returns whether a
// page was opened; callers may ignore the result.
class Workspace
{
public:
    virtual ~Workspace() = default;
    virtual bool openUrl(const QString &url) = 0;
};

// The desktop's workspace, defined in linux/.
std::unique_ptr<Workspace> makeDefaultWorkspace();

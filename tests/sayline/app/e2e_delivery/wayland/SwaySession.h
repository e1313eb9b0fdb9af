#pragma once
// What the Wayland delivery tests ask of the headless sway session they run in
// (tests/support/with-sway): its focus, its layout, and programs run while our
// clipboard keeps being served.

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace SwaySession {

// The process id of the window that has the keyboard focus, 0 for none.
qint64 focusedPid();
// Waits up to 10 s until the window of this process has the keyboard focus.
bool waitForFocus(qint64 pid);
// Sets the layout of the session's keyboards (swaymsg input type:keyboard xkb_layout).
bool setLayout(const QString &layout);

struct Output
{
    int exitCode = -1;
    QByteArray standardOutput;
};
// Runs a program to its end (30 s at most) while this process keeps handling
// its events, so that it can serve what the program reads from it.
Output run(const QString &program, const QStringList &arguments);

} // namespace SwaySession

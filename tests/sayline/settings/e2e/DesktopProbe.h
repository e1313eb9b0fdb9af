#pragma once

#include <QList>
#include <QRect>
#include <QString>
#include <QStringList>

#include <optional>

// Looks at and drives the X desktop from outside, through the command-line
// tools xwininfo, xdotool and import, as a user's session would see it.
namespace DesktopProbe {

struct TopWindow
{
    QString id;
    QString name;
    QRect frame;         // absolute position and size
    bool viewable = false;
};

// Every window of the tree with a WM_CLASS naming `windowClass`.
QList<TopWindow> windowsOfClass(const QString &windowClass);
std::optional<TopWindow> findWindow(const QString &windowClass, bool (*matches)(const TopWindow &));

void click(QPoint point);
// A key combination in xdotool's spelling, e.g. "ctrl+alt+k".
void key(const QString &combination);
// Saves a screenshot of the rectangle of the screen.
bool screenshot(const QRect &area, const QString &path);

// Polls `condition` every 100 ms for up to `timeoutMs`.
bool waitFor(const std::function<bool()> &condition, int timeoutMs = 8000);

} // namespace DesktopProbe

#pragma once
// Helpers of the X11 end-to-end tests: the X tools that play the user and
// another X client holding a grab.

#include <QProcess>
#include <QStringList>

#include <cstdint>

namespace X11TestSupport {

// Runs an X tool (xdotool, setxkbmap) to completion; true when it exited with 0.
bool runTool(const QString &program, const QStringList &arguments);
inline bool xdotool(const QStringList &arguments) { return runTool(QStringLiteral("xdotool"), arguments); }

// X key code of the key left of S (Carbon 0, evdev 30), and the masks of the grab.
inline constexpr std::uint8_t xKeyCodeA = 38;
inline constexpr std::uint16_t controlSuperMask = 0x4 | 0x40;

// Runs x11_grab_holder (path in X11_GRAB_HOLDER), which holds one grab until destroyed.
class GrabHolder
{
public:
    // "grabbed" or "refused <code>", or the reason it did not start.
    QString start(std::uint8_t xKeyCode, std::uint16_t modifierMask);
    ~GrabHolder();

private:
    QProcess m_process;
};

} // namespace X11TestSupport

#pragma once
// Helpers of the X11 end-to-end tests: the X tools that play the user, another
// X client holding a grab, and a count of the key presses the server sends.

#include <QAbstractNativeEventFilter>
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

// Counts the key presses of one X key code that reach this client; installed
// last, it sees them before the filter under test can consume them.
class KeyPressCounter : public QAbstractNativeEventFilter
{
public:
    explicit KeyPressCounter(std::uint8_t xKeyCode);
    ~KeyPressCounter() override;
    bool nativeEventFilter(const QByteArray &eventType, void *message, qintptr *result) override;
    int presses() const { return m_presses; }

private:
    std::uint8_t m_keyCode;
    int m_presses = 0;
};

} // namespace X11TestSupport

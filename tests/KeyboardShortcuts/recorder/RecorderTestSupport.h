#pragma once

#include <RecorderAlert.h>

#include <QCoreApplication>
#include <QKeyEvent>
#include <QList>
#include <QPointer>
#include <QWindow>

// Answers recorder alerts with a chosen button and counts beeps.
struct FakeRecorderAlerts final : KeyboardShortcuts::RecorderAlertPresenter
{
    struct Shown
    {
        QPointer<QWindow> window;
        KeyboardShortcuts::RecorderAlert alert;
    };
    QList<Shown> shown;
    int response = KeyboardShortcuts::alertFirstButtonReturn;
    int beeps = 0;

    int runModal(QWindow *window, const KeyboardShortcuts::RecorderAlert &alert) override
    {
        shown.append({window, alert});
        return response;
    }
    void beep() override { ++beeps; }
};

// X key codes (evdev + 8) of the keys the tests press.
namespace XKey {
inline constexpr quint32 a = 38, k = 45, q = 24, x = 53, tab = 23, escape = 9, backspace = 22, del = 119, f5 = 71,
                         f12 = 96;
}

// A key press as the xcb platform delivers it: Qt key, modifiers, native code.
inline void pressKey(QWindow &window, Qt::Key key, Qt::KeyboardModifiers modifiers, quint32 xKeyCode,
                     const QString &text = {})
{
    QKeyEvent press(QEvent::KeyPress, key, modifiers, xKeyCode, 0, 0, text);
    QCoreApplication::sendEvent(&window, &press);
    QKeyEvent release(QEvent::KeyRelease, key, modifiers, xKeyCode, 0, 0, text);
    QCoreApplication::sendEvent(&window, &release);
}

#pragma once

#include <QProcess>
#include <QString>
#include <QTemporaryDir>

#include <functional>

// The recording window of typing_target, started for one test: it holds the
// keyboard focus once started() returns true.
class TypingTarget
{
public:
    TypingTarget();
    ~TypingTarget();

    // Starts the window and waits until it has the keyboard focus.
    bool start();
    // Waits until the window holds `expected` (then a little longer, so that
    // stray extra characters show up too) or gives up; returns what it holds.
    QString waitForText(const QString &expected);
    // The same while this process's event loop runs: for a paste of text this
    // process serves from the clipboard.
    QString waitForPaste(const QString &expected);
    // What the window has recorded so far.
    QString readText() const;

private:
    QString waitFor(const QString &expected, const std::function<void(int ms)> &pause);

    QTemporaryDir m_dir;
    QString m_output;
    QProcess m_process;
};

// AppState: handing a finished transcript to the output targets, and the
// accessibility (synthetic typing) trust checks.
#include "AppState.h"

#include "Alert.h"
#include "AppInfo.h"
#include "KeyboardInjector.h"
#include "Pasteboard.h"
#include "PreciseSleep.h"
#include "StandardOutput.h"
#include "Workspace.h"

#include <QPointer>
#include <QTimer>

#include <chrono>

void AppState::deliverTranscription()
{
    deliverText(speechRecognitionManager().transcriptionResult());
}

void AppState::deliverText(const QString &text)
{
    if (text.isEmpty())
        return;
    const QList<OutputTarget> targets = m_outputTargets;
    for (OutputTarget target : targets) {
        switch (target) {
        case OutputTarget::pasteboard:
            m_pasteboard->clearContents();
            if (!m_pasteboard->setString(text))
                writeLogLine(QStringLiteral("Could not put the transcript on the clipboard."));
            break;
        case OutputTarget::autoInsert:
            if (checkAccessibilityPermission()) {
                // Typed one event-loop turn later, after the caller has stopped
                // listening and closed the panel.
                QMetaObject::invokeMethod(this, [this, text] { insertText(text); }, Qt::QueuedConnection);
            } else {
                writeLogLine(QStringLiteral("Accessibility permission not granted. Cannot auto-insert text."));
            }
            break;
        }
    }
}

void AppState::copyToPasteboard(const QString &text)
{
    m_pasteboard->clearContents();
    m_pasteboard->setString(text);
}

void AppState::insertText(const QString &text)
{
    m_pendingInsertions.enqueue(text);
    if (!m_typing)
        typePendingInsertions();
}

// Types the queued texts one after the other, each only once no modifier key is
// held any more: the shortcut that ends a dictation is released key by key, and
// text typed while Control or Super is still down would reach the target
// application as a string of shortcuts. Keys held beyond the bound (a stuck
// key, a user who went on to another shortcut) cost the typing, never the text.
QCoro::Task<> AppState::typePendingInsertions()
{
    QPointer<AppState> self(this);
    m_typing = true;
    while (!m_pendingInsertions.isEmpty()) {
        const bool released = co_await waitUntilNoModifierHeld();
        if (!self)
            co_return;
        const QString text = m_pendingInsertions.dequeue();
        if (released) {
            m_keyboard->typeText(text); // nothing typed (no display): nothing reported
        } else if (!m_outputTargets.contains(OutputTarget::pasteboard)) {
            m_pasteboard->clearContents();
            m_pasteboard->setString(text);
        }
    }
    m_typing = false;
}

QCoro::Task<bool> AppState::waitUntilNoModifierHeld()
{
    using namespace std::chrono;
    QPointer<AppState> self(this);
    const auto deadline = steady_clock::now() + m_modifierReleaseTimeout;
    QStringList held = m_keyboard->heldModifiers();
    while (!held.isEmpty()) {
        if (steady_clock::now() >= deadline) {
            writeLogLine(QStringLiteral("Not typing the transcript: modifier keys still held after %1 s (%2); "
                                        "the text is on the clipboard.")
                             .arg(duration<double>(m_modifierReleaseTimeout).count())
                             .arg(held.join(QStringLiteral(", "))));
            co_return false;
        }
        co_await preciseSleep(milliseconds(modifierPollIntervalMs));
        if (!self)
            co_return false;
        held = m_keyboard->heldModifiers();
    }
    co_return true;
}

bool AppState::checkAccessibilityPermission()
{
    const bool trusted = m_keyboard->isTrusted();
    writeLogLine(QStringLiteral("Accessibility permission check: %1, Bundle ID: %2, App Name: %3")
                     .arg(trusted ? QStringLiteral("true") : QStringLiteral("false"), AppInfo::applicationId(),
                          AppInfo::name()));
    return trusted;
}

void AppState::scheduleAccessibilityCheck()
{
    if (!m_outputTargets.contains(OutputTarget::autoInsert))
        return;
    if (checkAccessibilityPermission())
        return;
    QTimer::singleShot(1000, Qt::PreciseTimer, this, &AppState::requestAccessibilityPermission);
}

void AppState::requestAccessibilityPermission()
{
    // Where the desktop asks the user itself (a consent dialog), that is the
    // request; elsewhere there is no prompt to raise: lead the user to the
    // settings while still untrusted.
    if (m_keyboard->isTrusted() || m_keyboard->requestTrust())
        return;
    QMetaObject::invokeMethod(this, &AppState::showAccessibilityAlert, Qt::QueuedConnection);
}

void AppState::recheckAccessibilityPermission()
{
    // Only the log line matters; the settings page asks again when it redraws.
    QTimer::singleShot(500, Qt::PreciseTimer, this, [this] { checkAccessibilityPermission(); });
}

void AppState::showAccessibilityAlert()
{
    const AlertContent alert{
        QStringLiteral("Accessibility Permission Required"),
        QStringLiteral("Sayline needs accessibility permission to insert text automatically. Please enable it in "
                       "System Preferences > Security & Privacy > Privacy > Accessibility."),
        {QStringLiteral("Open System Preferences"), QStringLiteral("Cancel")},
    };
    if (m_alertPresenter->runModal(alert) == alertFirstButtonReturn)
        openUrl(QString::fromLatin1(accessibilitySettingsUrl));
}

void AppState::openUrl(const QString &url)
{
    m_workspace->openUrl(url);
}

#pragma once

#include "DesktopSession.h"
#include "DictationHistory.h"
#include "OutputTarget.h"

#include <QList>
#include <QObject>
#include <QQueue>
#include <QString>
#include <QStringList>
#include <QtQml/qqmlregistration.h>

#include <qcoro/qcorotask.h>

#include <voxcore/RecordingManager.h>
#include <voxcore/SpeechRecognitionManager.h>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>

class AlertPresenter;
class KeyboardInjector;
class Pasteboard;
class QJSEngine;
class QQmlEngine;
class WindowManager;
class Workspace;
namespace KeyboardShortcuts {
class DesktopShortcutService;
}

// What AppState is built from. standard() gives the real engines and platform
// services; tests replace any of them with fakes.
struct AppStateDependencies
{
    // Called in this order during construction.
    std::function<std::unique_ptr<RecordingManager>()> makeRecordingManager;
    std::function<std::unique_ptr<SpeechRecognitionManager>()> makeSpeechRecognitionManager;

    std::unique_ptr<Pasteboard> pasteboard;
    std::unique_ptr<KeyboardInjector> keyboard;
    std::unique_ptr<Workspace> workspace;
    std::unique_ptr<AlertPresenter> alertPresenter;
    WindowManager *windowManager = nullptr; // not owned; WindowManager::shared() when null
    // How long typing waits for held modifier keys to be released before it
    // gives up (the text then stays on the clipboard).
    std::chrono::milliseconds modifierReleaseTimeout{10000};
    // The recent dictations; DictationHistory::standardFilePath()'s when null.
    std::unique_ptr<DictationHistory> history;
    // Not owned; set where the desktop binds the global shortcuts (a shortcut portal).
    KeyboardShortcuts::DesktopShortcutService *desktopShortcuts = nullptr;

    static AppStateDependencies standard();
};

// The application's central object: owns the two Voxcore engines for the whole
// run, holds the chosen output targets, delivers transcripts to them and runs
// the dictation flow that the global shortcuts, the menu and the panel drive.
//
// Settings are read from UserDefaults::standard(): "outputTargets" once, during
// construction. AppState never writes it; the settings page does.
//
// Main thread only.
class AppState : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON
    Q_PROPERTY(SpeechRecognitionManager *speechRecognitionManager READ speechRecognitionManagerPointer CONSTANT)
    Q_PROPERTY(RecordingManager *recordingManager READ recordingManagerPointer CONSTANT)
    // outputTargets as raw value strings, for QML.
    Q_PROPERTY(QStringList outputTargetValues READ outputTargetValues WRITE setOutputTargetValues NOTIFY outputTargetsChanged)
    // True where the compositor, not Sayline, owns the global shortcuts (Wayland
    // without a shortcut service): the user binds keys to `sayline --toggle`.
    Q_PROPERTY(bool shortcutsSetInCompositor READ shortcutsSetInCompositor NOTIFY desktopSessionChanged)
    // Why typing cannot be trusted where no permission could change it (a
    // compositor without a virtual keyboard); empty elsewhere.
    Q_PROPERTY(QString typingUnavailableReason READ typingUnavailableReason NOTIFY desktopSessionChanged)
    // True where the desktop binds the shortcuts Sayline asks for (the
    // GlobalShortcuts portal): it reports the triggers and decides the keys.
    Q_PROPERTY(bool shortcutsSetByDesktop READ shortcutsSetByDesktop CONSTANT)
    // The keys the panel names after "Submit", the trigger that really toggles
    // dictation: the one the desktop reports binding, the command the user binds
    // in the compositor, or the stored shortcut Sayline grabs; empty while none works.
    Q_PROPERTY(QStringList submitShortcutHint READ submitShortcutHint NOTIFY submitShortcutHintChanged)
public:
    // The settings link handed to the workspace from the accessibility alert.
    static constexpr const char *accessibilitySettingsUrl =
        "x-apple.systempreferences:com.apple.preference.security?Privacy_Accessibility";
    static constexpr int modifierPollIntervalMs = 20;

    // The one instance of the process, built on first use and never released:
    // from the given dependencies when the launch builds it (the adapters of
    // the desktop session), otherwise from standard().
    static AppState &shared();
    static AppState &shared(AppStateDependencies dependencies);
    // QML singleton factory: the shared instance, owned by C++.
    static AppState *create(QQmlEngine *, QJSEngine *);

    explicit AppState(AppStateDependencies dependencies, QObject *parent = nullptr);
    ~AppState() override;

    RecordingManager &recordingManager() { return *m_recordingManager; }
    SpeechRecognitionManager &speechRecognitionManager() { return *m_speechRecognitionManager; }

    QList<OutputTarget> outputTargets() const { return m_outputTargets; }
    // Notifies only when the list differs element by element.
    void setOutputTargets(QList<OutputTarget> targets);
    QStringList outputTargetValues() const;
    // Unknown raw values are ignored.
    void setOutputTargetValues(const QStringList &values);

    // Dictation flow.
    // Shows the panel and (re)starts listening; completes when the start has.
    QCoro::Task<> startDictation();
    Q_INVOKABLE void handleToggleShortcut();
    Q_INVOKABLE void handleCloseShortcut();
    // The menu's "Start/Stop Recording": like the toggle shortcut, without the delay.
    Q_INVOKABLE void toggleRecordingFromMenu();
    // The panel's "Submit": deliver, stop, clear, hide.
    Q_INVOKABLE void submitDictation();
    // The panel's Escape: stop, clear, hide; nothing is delivered.
    Q_INVOKABLE void cancelDictation();
    // Runs startDictation() as a task, for callers that cannot await it.
    Q_INVOKABLE void beginDictation();
    // The panel's language menu: set the language, stop, then start again one
    // event-loop turn later (whether or not it was listening).
    Q_INVOKABLE void changeLanguage(const QString &code);

    // Text delivery.
    Q_INVOKABLE void deliverTranscription();
    Q_INVOKABLE bool checkAccessibilityPermission();
    Q_INVOKABLE void requestAccessibilityPermission();
    Q_INVOKABLE void recheckAccessibilityPermission();
    // Hands a settings link (accessibility or microphone page) to the workspace.
    Q_INVOKABLE void openUrl(const QString &url);

    // The desktop Sayline runs in, decided at launch.
    void setDesktopSession(const DesktopSession &session);
    bool shortcutsSetInCompositor() const;
    QString typingUnavailableReason() const;
    // The compositor configuration line that binds the named shortcut
    // ("toggleMainWindow", "closeMainWindow") to its Sayline command.
    Q_INVOKABLE QString compositorBindingLine(const QString &shortcutName) const;
    // Every dictation's text as it grows, kept until the next ones push it out.
    DictationHistory &history() { return *m_history; }
    // Puts a text on the clipboard: an earlier dictation, or the line to bind.
    Q_INVOKABLE void copyToPasteboard(const QString &text);
    // Where the desktop binds the shortcuts: the trigger it reports for the
    // named shortcut (empty while unknown), what keeps it from working (empty
    // when nothing), and the desktop's own way to change it.
    bool shortcutsSetByDesktop() const { return m_desktopShortcuts != nullptr; }
    Q_INVOKABLE QString desktopShortcutTrigger(const QString &shortcutName) const;
    Q_INVOKABLE QString desktopShortcutProblem(const QString &shortcutName) const;
    Q_INVOKABLE void changeShortcutInDesktop();
    QStringList submitShortcutHint() const { return m_submitShortcutHint; }

signals:
    void outputTargetsChanged();
    void desktopSessionChanged();
    // The desktop reported other triggers or problems.
    void desktopShortcutsChanged();
    void submitShortcutHintChanged();

private:
    SpeechRecognitionManager *speechRecognitionManagerPointer() { return m_speechRecognitionManager.get(); }
    RecordingManager *recordingManagerPointer() { return m_recordingManager.get(); }
    WindowManager &windowManager() { return *m_windowManager; }

    void registerShortcutHandlers();
    void watchDesktopShortcuts(KeyboardShortcuts::DesktopShortcutService *service);
    // After the shortcut handlers: the names then exist, with their defaults stored.
    void followSubmitShortcutHint();
    QStringList workingToggleTrigger() const;
    void updateSubmitShortcutHint();
    void loadOutputTargets();
    void scheduleAccessibilityCheck();
    void showAccessibilityAlert();
    // The text to the output targets (nothing when empty).
    void deliverText(const QString &text);
    void insertText(const QString &text);
    QCoro::Task<> typePendingInsertions();
    QCoro::Task<bool> waitUntilNoModifierHeld();

    // Stop if listening, then start if not listening.
    QCoro::Task<> restartListening();
    QCoro::Task<> startDictationAfterShortcutDelay();
    void deliverStopClearHide();
    // Delivers a finished dictation's text once decoded, in the order the dictations ended.
    QCoro::Task<> deliverOnceDecoded(QCoro::Task<QString> finishing, QDateTime began);
    void stopClearHide();

    std::unique_ptr<RecordingManager> m_recordingManager;
    std::unique_ptr<SpeechRecognitionManager> m_speechRecognitionManager;
    QList<OutputTarget> m_outputTargets;
    std::unique_ptr<Pasteboard> m_pasteboard;
    std::unique_ptr<KeyboardInjector> m_keyboard;
    std::unique_ptr<Workspace> m_workspace;
    std::unique_ptr<AlertPresenter> m_alertPresenter;
    WindowManager *m_windowManager = nullptr;
    DesktopSession m_desktopSession;
    std::chrono::milliseconds m_modifierReleaseTimeout;
    std::unique_ptr<DictationHistory> m_history;
    KeyboardShortcuts::DesktopShortcutService *m_desktopShortcuts = nullptr;
    QStringList m_submitShortcutHint;

    // Texts waiting to be typed, oldest first, and whether a typing task runs.
    QQueue<QString> m_pendingInsertions;
    bool m_typing = false;
    // Ended dictations still decoding, oldest first; each holds its text once decoded.
    QQueue<std::shared_ptr<std::optional<QString>>> m_decodingDictations;
};

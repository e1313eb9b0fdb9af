// AppState: the dictation flow. Everywhere the order is the same: delivery
// first (it reads the transcript), then stop, then clear, then the panel closes.
#include "AppState.h"

#include "PreciseSleep.h"
#include "UserDefaults.h"
#include "WindowManager.h"

#include <QPointer>

#include <chrono>

QCoro::Task<> AppState::startDictation()
{
    windowManager().showMainWindow();
    co_await restartListening();
}

QCoro::Task<> AppState::restartListening()
{
    SpeechRecognitionManager &manager = speechRecognitionManager();
    if (manager.isTranscribing())
        manager.stopMicrophoneTranscription();
    // The microphone chosen on the Voice page (empty: the system default).
    manager.setAudioInput(UserDefaults::standard().string(QStringLiteral("audioInput")).value_or(QString()));
    if (!manager.isTranscribing())
        co_await manager.startMicrophoneTranscription();
}

void AppState::handleToggleShortcut()
{
    const bool shown = windowManager().toggleMainWindowVisibility();
    if (shown) {
        // Not awaited, and not cancelled by a later press: a second press
        // within the delay hides and delivers, then this task shows the panel
        // again and starts listening.
        startDictationAfterShortcutDelay();
    } else {
        deliverStopClearHide();
    }
}

QCoro::Task<> AppState::startDictationAfterShortcutDelay()
{
    QPointer<AppState> self(this);
    co_await preciseSleep(std::chrono::milliseconds(100));
    if (!self)
        co_return;
    co_await startDictation();
}

void AppState::handleCloseShortcut()
{
    stopClearHide();
}

void AppState::toggleRecordingFromMenu()
{
    if (windowManager().mainWindow() && windowManager().isMainWindowVisible())
        deliverStopClearHide();
    else
        startDictation();
}

void AppState::submitDictation()
{
    deliverStopClearHide();
}

void AppState::cancelDictation()
{
    stopClearHide();
}

void AppState::beginDictation()
{
    startDictation();
}

void AppState::changeLanguage(const QString &code)
{
    SpeechRecognitionManager &manager = speechRecognitionManager();
    manager.setLanguageCode(code);
    manager.stopMicrophoneTranscription();
    QMetaObject::invokeMethod(
        this, [this] { speechRecognitionManager().startMicrophoneTranscription(); }, Qt::QueuedConnection);
}

void AppState::deliverStopClearHide()
{
    // The words spoken just before the press are often not reported yet.
    speechRecognitionManager().catchUpWithSpeech();
    deliverTranscription();
    stopClearHide();
}

void AppState::stopClearHide()
{
    SpeechRecognitionManager &manager = speechRecognitionManager();
    manager.stopMicrophoneTranscription();
    manager.clearTranscription();
    windowManager().hideMainWindow();
}

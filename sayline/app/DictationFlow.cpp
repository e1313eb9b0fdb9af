// AppState: the dictation flow. Everywhere the order is the same: stop, clear,
// the panel closes; a delivering end then hands over the text once decoded.
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
    // Capture ends now and the panel closes at once; the text follows when the recognizer
    // has decoded every word spoken until now (the partial results trail the speech).
    auto finishing = speechRecognitionManager().finishMicrophoneTranscription();
    const QDateTime began = history().currentStart().value_or(QDateTime::currentDateTimeUtc());
    stopClearHide();
    deliverOnceDecoded(std::move(finishing), began);
}

QCoro::Task<> AppState::deliverOnceDecoded(QCoro::Task<QString> finishing, QDateTime began)
{
    QPointer<AppState> self(this);
    const auto decoded = std::make_shared<std::optional<QString>>();
    m_decodingDictations.enqueue(decoded);
    const QString text = co_await finishing;
    if (!self)
        co_return;
    *decoded = text;
    // The history had the partial text when the panel closed; now the whole of it.
    history().finishDictation(began, text);
    while (!m_decodingDictations.isEmpty() && m_decodingDictations.head()->has_value())
        deliverText(**m_decodingDictations.dequeue());
}

void AppState::stopClearHide()
{
    SpeechRecognitionManager &manager = speechRecognitionManager();
    manager.stopMicrophoneTranscription();
    manager.clearTranscription();
    windowManager().hideMainWindow();
}

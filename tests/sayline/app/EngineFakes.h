#pragma once

#include <voxcore/SpeechRecognitionProvider.h>

#include "platform/MicrophoneAuthorization.h"

#include <QStringList>

#include <memory>
#include <optional>

// A recognition back end that listens to nothing: a test feeds the transcript
// through `transcript` and reads what it was asked from `events`.
struct ProviderProbe
{
    QStringList *events = nullptr; // shared with the delivery fakes
    std::optional<TranscriptStream::Continuation> transcript;
};

class FakeSpeechProvider final : public SpeechRecognitionProvider
{
public:
    explicit FakeSpeechProvider(std::shared_ptr<ProviderProbe> probe) : m_probe(std::move(probe)) {}

    bool isAvailable() const override { return true; }
    QList<Locale> supportedLocales() const override
    {
        return {Locale(QStringLiteral("en-US")), Locale(QStringLiteral("de-DE"))};
    }
    bool hasPermission() const override { return true; }
    QCoro::Task<bool> requestAuthorization() override { co_return true; }
    QCoro::Task<QString> transcribeAudioFile(QUrl, Locale) override { co_return QString(); }
    QCoro::Task<TranscriptStream> transcribeMicrophone(Locale locale, std::function<void(float)>) override
    {
        auto [stream, continuation] = TranscriptStream::makeStream();
        auto probe = m_probe;
        probe->events->append(QStringLiteral("listen ") + locale.identifier());
        continuation.setOnTermination([probe] { probe->events->append(QStringLiteral("listening ended")); });
        probe->transcript = continuation;
        co_return stream;
    }

private:
    std::shared_ptr<ProviderProbe> m_probe;
};

class GrantedMicrophone final : public MicrophoneAuthorization
{
public:
    AuthorizationStatus authorizationStatus() override { return AuthorizationStatus::authorized; }
    void requestAccess(std::function<void(bool)> completion) override { completion(true); }
};

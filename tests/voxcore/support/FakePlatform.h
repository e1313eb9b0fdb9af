#pragma once

// Test doubles of Voxcore's platform seams. Each records what it was asked, and the tests
// drive the "platform" side (captured buffers, recognizer results) by hand.

#include "platform/AudioEngine.h"
#include "platform/AudioFile.h"
#include "platform/FileManager.h"
#include "platform/LocaleServices.h"
#include "platform/MicrophoneAuthorization.h"
#include "platform/SpeechRecognizer.h"

#include <QHash>
#include <QList>
#include <QMap>
#include <QPair>
#include <QStringList>

#include <memory>
#include <optional>

class FakeAudioBufferTask : public AudioBufferRecognitionTask
{
public:
    explicit FakeAudioBufferTask(RecognitionResultHandler handler) : handler(std::move(handler)) {}
    void append(const PcmBuffer &buffer) override { appended.append(buffer); }
    void endAudio() override
    {
        ++endAudioCalls;
        if (whenAudioEnds)
            whenAudioEnds();
    }
    void cancel() override { ++cancelCalls; }
    std::chrono::milliseconds decodedAudio() const override { return decoded; }

    void deliver(const QString &text, bool isFinal = false) { handler(RecognitionResult{text, isFinal}, std::nullopt); }
    void fail(const QString &error) { handler(std::nullopt, error); }

    RecognitionResultHandler handler;
    QList<PcmBuffer> appended;
    std::function<void()> whenAudioEnds;
    std::chrono::milliseconds decoded{0};
    int endAudioCalls = 0;
    int cancelCalls = 0;
};

class FakeFileTask : public RecognitionTask
{
public:
    void cancel() override {}
};

class FakeRecognizer : public SpeechRecognizer
{
public:
    bool isAvailable() const override { return available; }
    std::shared_ptr<AudioBufferRecognitionTask> recognitionTask(const AudioBufferRecognitionRequest &request,
                                                                RecognitionResultHandler handler) override
    {
        bufferRequests.append(request);
        auto task = std::make_shared<FakeAudioBufferTask>(std::move(handler));
        liveTasks.append(task);
        return task;
    }
    std::shared_ptr<RecognitionTask> recognitionTask(const FileRecognitionRequest &request,
                                                     RecognitionResultHandler handler) override
    {
        fileRequests.append(request);
        if (answerFile)
            answerFile(handler);
        return std::make_shared<FakeFileTask>();
    }

    bool available = true;
    QList<AudioBufferRecognitionRequest> bufferRequests;
    QList<FileRecognitionRequest> fileRequests;
    QList<std::shared_ptr<FakeAudioBufferTask>> liveTasks;
    std::function<void(const RecognitionResultHandler &)> answerFile; // how the file recognition answers
};

class FakeSpeechRecognition : public SpeechRecognition
{
public:
    QList<Locale> supportedLocales() const override { return locales; }
    std::shared_ptr<SpeechRecognizer> recognizer(const Locale &locale) override
    {
        return recognizers.value(locale.identifier());
    }
    AuthorizationStatus authorizationStatus() const override { return status; }
    void requestAuthorization(std::function<void(AuthorizationStatus)> completion) override
    {
        ++authorizationRequests;
        status = answer;
        completion(answer);
    }

    // A recognizer for each identifier, listed in the given order.
    void serve(const QStringList &identifiers)
    {
        for (const QString &identifier : identifiers) {
            locales.append(Locale(identifier));
            recognizers.insert(identifier, std::make_shared<FakeRecognizer>());
        }
    }
    std::shared_ptr<FakeRecognizer> recognizerFor(const QString &identifier) const { return recognizers.value(identifier); }

    QList<Locale> locales;
    QHash<QString, std::shared_ptr<FakeRecognizer>> recognizers;
    AuthorizationStatus status = AuthorizationStatus::authorized;
    AuthorizationStatus answer = AuthorizationStatus::authorized;
    int authorizationRequests = 0;
};

class FakeAudioEngine : public AudioEngine
{
public:
    AudioFormat inputFormat() override { return {48000, 2}; }
    void installTap(std::size_t, TapBlock block) override { tap = std::move(block); }
    void removeTap() override
    {
        ++removeTapCalls;
        tap = nullptr;
    }
    void setInterruptionHandler(std::function<void(const QString &)> handler) override { interruption = std::move(handler); }
    std::optional<QString> start() override
    {
        running = !startError;
        return startError;
    }
    void stop() override
    {
        ++stopCalls;
        running = false;
    }

    // The capture thread delivering a buffer (only while running with a tap, as the real one).
    void capture(const PcmBuffer &buffer)
    {
        if (running && tap)
            tap(buffer);
    }

    std::optional<QString> startError;
    TapBlock tap;
    std::function<void(const QString &)> interruption;
    bool running = false;
    int stopCalls = 0, removeTapCalls = 0;
};

// Hands out fresh fake engines and remembers them.
struct FakeAudioEngines
{
    std::function<std::shared_ptr<AudioEngine>()> factory()
    {
        return [this] {
            auto engine = std::make_shared<FakeAudioEngine>();
            if (startError)
                engine->startError = startError;
            made.append(engine);
            return engine;
        };
    }
    std::optional<QString> startError;
    QList<std::shared_ptr<FakeAudioEngine>> made;
};

class FakeAudioFileWriter : public AudioFileWriter
{
public:
    std::optional<QString> write(const PcmBuffer &buffer) override
    {
        if (writeError)
            return writeError;
        written.append(buffer);
        return std::nullopt;
    }
    QList<PcmBuffer> written;
    std::optional<QString> writeError;
};

class FakeAudioFiles : public AudioFiles
{
public:
    AudioFileOpening openForWriting(const QUrl &url, const AudioFileSettings &) override
    {
        opened.append(url);
        if (openError)
            return {nullptr, *openError};
        auto file = std::make_shared<FakeAudioFileWriter>();
        files.append(file);
        return {file, QString()};
    }
    std::optional<QString> openError;
    QList<QUrl> opened;
    QList<std::shared_ptr<FakeAudioFileWriter>> files;
};

class FakeMicrophone : public MicrophoneAuthorization
{
public:
    explicit FakeMicrophone(AuthorizationStatus status = AuthorizationStatus::authorized) : status(status) {}
    AuthorizationStatus authorizationStatus() override { return status; }
    void requestAccess(std::function<void(bool)> completion) override
    {
        ++accessRequests;
        status = answer ? AuthorizationStatus::authorized : AuthorizationStatus::denied;
        completion(answer);
    }
    AuthorizationStatus status;
    bool answer = true;
    int accessRequests = 0;
};

class FakeLocaleServices : public LocaleServices
{
public:
    std::optional<QString> displayName(const QString &identifier, const Locale &inLocale) const override
    {
        const auto name = names.find({identifier, inLocale.identifier()});
        return name == names.end() ? std::nullopt : std::optional<QString>(*name);
    }
    Locale currentLocale() const override { return user; }

    Locale user{QStringLiteral("en-US")};
    QMap<QPair<QString, QString>, QString> names; // (identifier, in locale) -> name
};

class FakeFileManager : public FileManager
{
public:
    explicit FakeFileManager(QString folder) : folder(std::move(folder)) {}
    QUrl cachesDirectory() override { return QUrl::fromLocalFile(folder + QLatin1Char('/')); }
    std::optional<QString> removeItem(const QUrl &url) override
    {
        removed.append(url);
        return removeError;
    }
    QString folder;
    QList<QUrl> removed;
    std::optional<QString> removeError;
};

// A captured buffer of constant samples.
inline PcmBuffer constantBuffer(float sample, std::size_t frames = 1024, int channels = 1, bool interleaved = false)
{
    PcmBuffer buffer;
    buffer.sampleRate = 48000;
    buffer.channelCount = channels;
    buffer.interleaved = interleaved;
    buffer.frameLength = frames;
    buffer.floatData = std::vector<float>(frames * std::size_t(channels), sample);
    return buffer;
}

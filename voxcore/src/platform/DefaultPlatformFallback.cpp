// Default services for a build without platform adapters: nothing can be captured or
// recognised, and every operation says so instead of pretending to work.

#include "platform/AudioEngine.h"
#include "platform/AudioInputList.h"
#include "platform/AudioFile.h"
#include "platform/FileManager.h"
#include "platform/LocaleServices.h"
#include "platform/MicrophoneAuthorization.h"
#include "platform/SpeechRecognizer.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>

namespace {

const QString kNoAdapters = QStringLiteral("This build of Voxcore has no audio support");

class NoSpeechRecognition final : public SpeechRecognition
{
public:
    QList<Locale> supportedLocales() const override { return {}; }
    std::shared_ptr<SpeechRecognizer> recognizer(const Locale &) override { return nullptr; }
    AuthorizationStatus authorizationStatus() const override { return AuthorizationStatus::authorized; }
    void requestAuthorization(std::function<void(AuthorizationStatus)> completion) override
    {
        completion(AuthorizationStatus::authorized);
    }
};

class NoAudioEngine final : public AudioEngine
{
public:
    AudioFormat inputFormat() override { return {}; }
    void installTap(std::size_t, TapBlock) override {}
    void removeTap() override {}
    void setInterruptionHandler(std::function<void(const QString &)>) override {}
    std::optional<QString> start() override { return kNoAdapters; }
    void stop() override {}
};

class NoAudioInputs final : public AudioInputList
{
public:
    std::optional<QList<AudioInput>> inputs() override { return std::nullopt; }
};

class NoAudioFiles final : public AudioFiles
{
public:
    AudioFileOpening openForWriting(const QUrl &, const AudioFileSettings &) override { return {nullptr, kNoAdapters}; }
};

class NoMicrophone final : public MicrophoneAuthorization
{
public:
    AuthorizationStatus authorizationStatus() override { return AuthorizationStatus::denied; }
    void requestAccess(std::function<void(bool)> completion) override { completion(false); }
};

class NoLocaleNames final : public LocaleServices
{
public:
    std::optional<QString> displayName(const QString &, const Locale &) const override { return std::nullopt; }
    Locale currentLocale() const override { return Locale(QStringLiteral("en-US")); }
};

class PlainFileManager final : public FileManager
{
public:
    QUrl cachesDirectory() override
    {
        const QString path = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) + "/Sayline";
        QDir().mkpath(path);
        return QUrl::fromLocalFile(path + "/");
    }
    std::optional<QString> removeItem(const QUrl &url) override
    {
        QFile file(url.toLocalFile());
        if (file.remove())
            return std::nullopt;
        return file.errorString();
    }
};

} // namespace

std::shared_ptr<SpeechRecognition> defaultSpeechRecognition() { return std::make_shared<NoSpeechRecognition>(); }
std::shared_ptr<AudioEngine> makeDefaultAudioEngine() { return std::make_shared<NoAudioEngine>(); }
std::shared_ptr<AudioEngine> makeAudioEngineForInput(const QString &) { return std::make_shared<NoAudioEngine>(); }
std::shared_ptr<AudioInputList> defaultAudioInputList() { return std::make_shared<NoAudioInputs>(); }
std::shared_ptr<AudioFiles> defaultAudioFiles() { return std::make_shared<NoAudioFiles>(); }
std::shared_ptr<MicrophoneAuthorization> defaultMicrophoneAuthorization() { return std::make_shared<NoMicrophone>(); }
std::shared_ptr<LocaleServices> defaultLocaleServices() { return std::make_shared<NoLocaleNames>(); }
std::shared_ptr<FileManager> defaultFileManager() { return std::make_shared<PlainFileManager>(); }

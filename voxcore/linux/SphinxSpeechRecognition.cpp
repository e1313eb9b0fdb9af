// The speech recognizer seam on PocketSphinx: one recognizer per installed
// model folder, live tasks fed from the capture thread, file tasks reading any
// format libsndfile understands.

#include "platform/SpeechRecognizer.h"

#include "SndfileSpeechReader.h"
#include "SphinxLiveRecognition.h"
#include "SphinxModel.h"
#include "SphinxUtterances.h"
#include "SphinxVoiceAdaptation.h"

#include <atomic>
#include <optional>
#include <stdexcept>
#include <thread>

using namespace std::chrono_literals;

namespace {

SphinxModel::Vocabulary vocabularyFor(bool expectsCommandWords)
{
    return expectsCommandWords ? SphinxModel::Vocabulary::withCommandWords : SphinxModel::Vocabulary::plain;
}

class SphinxAudioBufferTask : public AudioBufferRecognitionTask
{
public:
    SphinxAudioBufferTask(std::shared_ptr<SphinxModel> model, const AudioBufferRecognitionRequest &request,
                          RecognitionResultHandler handler)
        : m_recognition(
              std::move(model), vocabularyFor(request.expectsCommandWords), request.shouldReportPartialResults,
              [handler](const std::string &transcript, bool isFinal) {
                  handler(RecognitionResult{QString::fromStdString(transcript), isFinal}, std::nullopt);
              },
              [handler](const std::string &message) { handler(std::nullopt, QString::fromStdString(message)); })
    {
    }

    void append(const PcmBuffer &buffer) override { m_recognition.append(buffer); }
    void endAudio() override { m_recognition.endAudio(); }
    std::chrono::milliseconds decodedAudio() const override { return m_recognition.decodedAudio(); }
    void cancel() override { m_recognition.cancel(); }

private:
    SphinxLiveRecognition m_recognition;
};

// Decodes a whole file on a thread of its own and reports the final result once.
class SphinxFileTask : public RecognitionTask
{
public:
    SphinxFileTask(std::shared_ptr<SphinxModel> model, const FileRecognitionRequest &request,
                   RecognitionResultHandler handler)
        : m_state(std::make_shared<State>())
    {
        m_thread = std::thread([state = m_state, model = std::move(model), url = request.url,
                                vocabulary = vocabularyFor(request.expectsCommandWords),
                                handler = std::move(handler)] { state->run(*model, vocabulary, url, handler); });
    }

    // Returns at once; the thread keeps its state and finishes on its own.
    ~SphinxFileTask() override
    {
        cancel();
        m_thread.detach();
    }

    void cancel() override { m_state->cancelled = true; }

private:
    struct Cancelled {};
    struct State {
        std::atomic<bool> cancelled = false;

        void run(SphinxModel &model, SphinxModel::Vocabulary vocabulary, const QUrl &url,
                 const RecognitionResultHandler &handler)
        {
            try {
                if (!url.isLocalFile())
                    throw std::runtime_error("Not a local file: " + url.toString().toStdString());
                std::optional<SphinxModel::Lease> lease;
                while (!lease) {
                    if (cancelled)
                        return;
                    lease = model.acquire(50ms, vocabulary);
                }
                SphinxUtterances utterances(lease->decoder());
                readSpeechSamples(url.toLocalFile().toStdString(), [&](const std::int16_t *samples, std::size_t count) {
                    if (cancelled)
                        throw Cancelled{};
                    utterances.process(samples, count);
                });
                utterances.finish();
                if (!cancelled)
                    handler(RecognitionResult{QString::fromStdString(utterances.transcript()), true}, std::nullopt);
            } catch (const Cancelled &) {
            } catch (const std::exception &error) {
                if (!cancelled)
                    handler(std::nullopt, QString::fromStdString(error.what()));
            }
        }
    };
    std::shared_ptr<State> m_state;
    std::thread m_thread;
};

class SphinxSpeechRecognizer : public SpeechRecognizer
{
public:
    explicit SphinxSpeechRecognizer(std::shared_ptr<SphinxModel> model) : m_model(std::move(model)) {}

    bool isAvailable() const override { return SphinxModel::findFiles(m_model->files().languageModel.parent_path()).has_value(); }

    std::shared_ptr<AudioBufferRecognitionTask> recognitionTask(const AudioBufferRecognitionRequest &request,
                                                                RecognitionResultHandler handler) override
    {
        return std::make_shared<SphinxAudioBufferTask>(m_model, request, std::move(handler));
    }

    std::shared_ptr<RecognitionTask> recognitionTask(const FileRecognitionRequest &request,
                                                     RecognitionResultHandler handler) override
    {
        return std::make_shared<SphinxFileTask>(m_model, request, std::move(handler));
    }

private:
    std::shared_ptr<SphinxModel> m_model;
};

// Recognition runs offline, so there is nobody to ask: always authorized.
class SphinxSpeechRecognition : public SpeechRecognition
{
public:
    QList<Locale> supportedLocales() const override
    {
        QList<Locale> locales;
        for (const auto &identifier : SphinxModel::installedLocaleIdentifiers())
            locales.append(Locale(QString::fromStdString(identifier)));
        return locales;
    }

    QString modelLocation(const Locale &locale) const override
    {
        const auto folder = SphinxModel::modelsFolder()
                            / SphinxModel::folderForLocaleIdentifier(locale.identifier().toStdString());
        return QString::fromStdString(folder.string());
    }

    std::shared_ptr<SpeechRecognizer> recognizer(const Locale &locale) override
    {
        auto model = SphinxModel::forLocale(locale.identifier().toStdString());
        if (!model)
            return nullptr;
        return std::make_shared<SphinxSpeechRecognizer>(std::move(model));
    }

    std::shared_ptr<SpeechRecognizer> recognizerWithVoiceProfile(const Locale &locale,
                                                                 const std::filesystem::path &voiceProfile) override
    {
        auto model = SphinxModel::forLocale(locale.identifier().toStdString(), voiceProfile);
        if (!model)
            return nullptr;
        return std::make_shared<SphinxSpeechRecognizer>(std::move(model));
    }

    std::shared_ptr<VoiceAdaptation> voiceAdaptation() override { return makeSphinxVoiceAdaptation(); }

    AuthorizationStatus authorizationStatus() const override { return AuthorizationStatus::authorized; }

    void requestAuthorization(std::function<void(AuthorizationStatus)> completion) override
    {
        completion(AuthorizationStatus::authorized);
    }
};

} // namespace

std::shared_ptr<SpeechRecognition> defaultSpeechRecognition()
{
    static const auto shared = std::make_shared<SphinxSpeechRecognition>();
    return shared;
}

#include <voxcore/VoiceTrainer.h>

#include <voxcore/VoiceProfiles.h>

#include "async/AwaitCallback.h"
#include "platform/SpeechRecognizer.h"
#include "platform/VoiceAdaptation.h"

#include <QDir>
#include <QFileInfo>
#include <QPointer>

#include <cstdint>
#include <mutex>
#include <optional>
#include <thread>

namespace fs = std::filesystem;

namespace {

// Less room than this left where the model was built: a step may have failed for want of
// space, or a tool may have written a file short without saying so. Far below what a training
// writes (some megabytes per step), far above a file system's rounding.
constexpr std::uintmax_t kTooLittleRoom = 512 * 1024;

bool diskIsFull(const fs::path &folder)
{
    std::error_code error;
    const fs::space_info space = fs::space(folder, error);
    return !error && space.available < kTooLittleRoom;
}

} // namespace

// What the training thread shares with the trainer; it outlives either.
struct VoiceTrainer::Run
{
    std::atomic<bool> cancelled = false;
    std::mutex lock;
    double progress = 0;
    QString step;
};

VoiceTrainer::VoiceTrainer(QObject *parent) : VoiceTrainer(defaultSpeechRecognition(), parent) {}

VoiceTrainer::VoiceTrainer(std::shared_ptr<SpeechRecognition> engine, QObject *parent)
    : QObject(parent), m_adaptation(engine ? engine->voiceAdaptation() : nullptr)
{
    m_progressPoll.setInterval(100);
    connect(&m_progressPoll, &QTimer::timeout, this, &VoiceTrainer::pollProgress);
}

VoiceTrainer::~VoiceTrainer()
{
    cancel();
}

QString VoiceTrainer::missingTools() const
{
    if (!m_adaptation)
        return QStringLiteral("This speech recognizer cannot adapt to a voice.");
    return m_adaptation->missingTools();
}

QStringList VoiceTrainer::unknownWords(const Locale &locale, const QString &prompt) const
{
    return m_adaptation ? m_adaptation->unknownWords(locale, prompt) : QStringList();
}

void VoiceTrainer::cancel()
{
    if (m_run)
        m_run->cancelled = true;
}

void VoiceTrainer::fail(const QString &message)
{
    if (m_errorMessage != message) {
        m_errorMessage = message;
        emit errorMessageChanged();
    }
}

void VoiceTrainer::pollProgress()
{
    if (!m_run)
        return;
    std::lock_guard guard(m_run->lock);
    if (m_run->progress != m_progress || m_run->step != m_step) {
        m_progress = m_run->progress;
        m_step = m_run->step;
        emit progressChanged();
    }
}

QCoro::Task<bool> VoiceTrainer::train(Locale locale, QList<VoiceSample> samples)
{
    if (m_isTraining)
        co_return false;
    fail(QString());
    if (const QString missing = missingTools(); !missing.isEmpty()) {
        fail(missing);
        co_return false;
    }

    // Every sample the statistics cannot use is named, never dropped in silence.
    std::vector<AdaptationSample> usable;
    QStringList skipped;
    for (const VoiceSample &sample : samples) {
        if (!QFileInfo(sample.audioFile).isFile()) {
            skipped.append(QStringLiteral("\"%1\": no recording").arg(sample.prompt));
            continue;
        }
        const QStringList unknown = m_adaptation->unknownWords(locale, sample.prompt);
        if (!unknown.isEmpty()) {
            skipped.append(QStringLiteral("\"%1\": unknown words: %2").arg(sample.prompt, unknown.join(", ")));
            continue;
        }
        usable.push_back({fs::path(sample.audioFile.toStdString()), sample.prompt});
    }
    if (skipped != m_skippedPrompts) {
        m_skippedPrompts = skipped;
        emit skippedPromptsChanged();
    }
    if (usable.empty()) {
        fail(QStringLiteral("None of the recordings can be used for training"));
        co_return false;
    }

    QString training;
    if (auto problem = voiceProfiles::makeTrainingFolder(locale, training)) {
        fail(*problem);
        co_return false;
    }
    const fs::path work = fs::path(training.toStdString()) / "work";
    const fs::path output = fs::path(training.toStdString()) / "model";
    std::error_code made;
    if (!fs::create_directories(work, made) || !fs::create_directories(output, made)) {
        fail(QStringLiteral("Cannot create %1: %2")
                 .arg(training, QString::fromStdString(made ? made.message() : "it exists")));
        std::error_code ignored;
        fs::remove_all(training.toStdString(), ignored);
        co_return false;
    }

    auto run = std::make_shared<Run>();
    m_run = run;
    m_isTraining = true;
    emit isTrainingChanged();
    m_progressPoll.start();

    // The thread's answer: empty when the model is built, else what went wrong.
    std::function<void(std::function<void(QString)>)> start =
        [adaptation = m_adaptation, run, locale, usable = std::move(usable), work,
         output](std::function<void(QString)> done) {
            std::thread([=] {
                QString problem;
                try {
                    adaptation->buildProfile(locale, usable, work, output,
                                             [run](double fraction, const QString &step) {
                                                 std::lock_guard guard(run->lock);
                                                 run->progress = fraction;
                                                 run->step = step;
                                             },
                                             run->cancelled);
                } catch (const std::exception &error) {
                    problem = QString::fromStdString(error.what());
                }
                done(problem);
            }).detach();
        };
    QPointer<VoiceTrainer> self(this);
    auto building = awaitCallback<QString>(std::move(start), QStringLiteral("Voice adaptation stopped"));
    const QString failure = co_await building;
    std::optional<QString> problem;
    if (!failure.isEmpty())
        problem = failure;
    // Judged before the work files go: a full disk is what the user can mend.
    if (diskIsFull(work) && !run->cancelled)
        problem = QStringLiteral("No space left on device for the training in %1%2")
                      .arg(voiceProfiles::folder(locale), problem ? " (" + *problem + ")" : QString());

    std::error_code ignored;
    fs::remove_all(work, ignored);
    if (!problem && run->cancelled)
        problem = AdaptationCancelled().what();
    if (!problem)
        problem = voiceProfiles::install(locale, QString::fromStdString(output.string()));
    fs::remove_all(training.toStdString(), ignored);
    if (!self)
        co_return !problem;

    pollProgress();
    m_progressPoll.stop();
    m_run.reset();
    if (problem)
        fail(*problem);
    m_isTraining = false;
    emit isTrainingChanged();
    co_return !problem;
}

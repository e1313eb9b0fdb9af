// voxcore-cli adapt: the user's voice profile trained from prompts read into WAV files.

#include "Commands.h"

#include "InterruptSignal.h"

#include <voxcore/SpeechRecognitionManager.h>
#include <voxcore/VoiceProfiles.h>
#include <voxcore/VoiceTrainer.h>

#include <QDir>
#include <QFile>
#include <QPointer>

#include <cstdio>

namespace commands {
namespace {

void printError(const QString &text)
{
    std::fputs(("voxcore-cli: " + text.toUtf8() + '\n').constData(), stderr);
}

// Line N of the prompts file (counting every line) with DIR/N.wav; empty lines are no prompts.
std::optional<QList<VoiceSample>> readSamples(const QString &promptsFile, const QString &recordingsFolder)
{
    QFile prompts(promptsFile);
    if (!prompts.open(QIODevice::ReadOnly | QIODevice::Text)) {
        printError(QStringLiteral("cannot read %1").arg(promptsFile));
        return std::nullopt;
    }
    if (!QDir(recordingsFolder).exists()) {
        printError(QStringLiteral("no folder %1").arg(recordingsFolder));
        return std::nullopt;
    }
    QList<VoiceSample> samples;
    const QList<QByteArray> lines = prompts.readAll().split('\n');
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString text = QString::fromUtf8(lines[i]).trimmed();
        if (!text.isEmpty())
            samples.append({QDir(recordingsFolder).filePath(QString::number(i + 1) + ".wav"), text});
    }
    return samples;
}

} // namespace

QCoro::Task<int> adapt(QString language, QString promptsFile, QString recordingsFolder)
{
    const Locale locale(language);
    {
        SpeechRecognitionManager manager(SpeechRecognitionManager::Provider::apple);
        if (!manager.isLanguageSupported(locale)) {
            printError(QStringLiteral("no speech model for %1").arg(language));
            co_return 2;
        }
    }
    const auto samples = readSamples(promptsFile, recordingsFolder);
    if (!samples)
        co_return 1;

    VoiceTrainer trainer;
    InterruptSignal interrupt;
    QObject::connect(&interrupt, &InterruptSignal::interrupted, &trainer, &VoiceTrainer::cancel);
    QObject::connect(&trainer, &VoiceTrainer::progressChanged, [&] {
        std::fprintf(stderr, "%3d %% %s\n", int(trainer.progress() * 100), trainer.step().toUtf8().constData());
    });
    auto training = trainer.train(locale, *samples);
    const bool trained = co_await training;
    for (const QString &skipped : trainer.skippedPrompts())
        printError(QStringLiteral("skipped %1").arg(skipped));
    if (!trained) {
        printError(trainer.errorMessage());
        co_return 1;
    }
    std::printf("voice profile for %s trained on %lld recordings: %s\n", language.toUtf8().constData(),
                static_cast<long long>(samples->size() - trainer.skippedPrompts().size()),
                voiceProfiles::folder(locale).toUtf8().constData());
    co_return 0;
}

} // namespace commands

#pragma once

#include <voxcore/Locale.h>

#include <QCoro/QCoroTask>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <memory>

class SpeechRecognition;
class VoiceAdaptation;

// One read prompt: the recording of the user reading it, and its text.
struct VoiceSample
{
    QString audioFile;
    QString prompt;
};

// Builds the user's voice profile for one language from read prompts, in the background,
// and installs it (see voiceProfiles) when it is complete: a training that fails, is
// cancelled or is killed leaves the previous profile as it was. Main thread only.
class VoiceTrainer : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool isTraining READ isTraining NOTIFY isTrainingChanged)
    // 0 to 1 while training, with the name of the step under way.
    Q_PROPERTY(double progress READ progress NOTIFY progressChanged)
    Q_PROPERTY(QString step READ step NOTIFY progressChanged)
    // Empty when the last training succeeded (or none ran).
    Q_PROPERTY(QString errorMessage READ errorMessage NOTIFY errorMessageChanged)
    // The prompts the last training could not use, each with the reason.
    Q_PROPERTY(QStringList skippedPrompts READ skippedPrompts NOTIFY skippedPromptsChanged)
    // Empty when training can run; otherwise what is missing.
    Q_PROPERTY(QString missingTools READ missingTools CONSTANT)

public:
    // On the system's recognizer.
    explicit VoiceTrainer(QObject *parent = nullptr);
    // On a given recognition engine (tests).
    explicit VoiceTrainer(std::shared_ptr<SpeechRecognition> engine, QObject *parent = nullptr);
    ~VoiceTrainer() override;

    bool isTraining() const { return m_isTraining; }
    double progress() const { return m_progress; }
    QString step() const { return m_step; }
    QString errorMessage() const { return m_errorMessage; }
    QStringList skippedPrompts() const { return m_skippedPrompts; }
    QString missingTools() const;
    // The words of a prompt that the language's dictionary lacks.
    QStringList unknownWords(const Locale &locale, const QString &prompt) const;

    // True when the new profile is in place. Samples whose recording is missing or whose
    // prompt has a word the recognizer does not know are skipped and listed in
    // skippedPrompts.
    QCoro::Task<bool> train(Locale locale, QList<VoiceSample> samples);
    // Stops a training under way; it ends with false and the previous profile.
    Q_INVOKABLE void cancel();

signals:
    void isTrainingChanged();
    void progressChanged();
    void errorMessageChanged();
    void skippedPromptsChanged();

private:
    struct Run;
    void fail(const QString &message);
    void pollProgress();

    std::shared_ptr<VoiceAdaptation> m_adaptation;
    std::shared_ptr<Run> m_run;
    QTimer m_progressPoll;
    bool m_isTraining = false;
    double m_progress = 0;
    QString m_step;
    QString m_errorMessage;
    QStringList m_skippedPrompts;
};

#include "VoiceSettings.h"

#include "AppState.h"
#include "UserDefaults.h"

#include <voxcore/AudioInputs.h>
#include <voxcore/RecordingManager.h>
#include <voxcore/SpeechRecognitionManager.h>
#include <voxcore/VoiceProfiles.h>
#include <voxcore/VoicePrompts.h>
#include <voxcore/VoiceTrainer.h>

#include <QDir>
#include <QFile>
#include <QVariantMap>

namespace {

const QString kInputKey = QStringLiteral("audioInput");
// The prompt each recording reads, one a line (line N: N.wav), beside the recordings.
const QString kPromptsFile = QStringLiteral("prompts.txt");

} // namespace

VoiceSettings::VoiceSettings(QObject *parent)
    : QObject(parent), m_recorder(std::make_unique<RecordingManager>()), m_trainer(std::make_unique<VoiceTrainer>())
{
    SpeechRecognitionManager &speech = AppState::shared().speechRecognitionManager();
    m_locale = speech.currentLocale();
    for (const auto &language : speech.supportedLanguages())
        m_languages.append(
            QVariantMap{{"code", language.code}, {"name", language.name}, {"folder", language.modelLocation}});
    m_prompts = voicePrompts(m_locale);
    // Recordings kept from an earlier session count: "Train more" adds to them.
    while (QFile::exists(recordingFile(m_recorded)))
        ++m_recorded;

    connect(m_recorder.get(), &RecordingManager::currentAmplitudeChanged, this, &VoiceSettings::levelChanged);
    connect(&m_meter, &InputLevelMeter::levelChanged, this, &VoiceSettings::levelChanged);
    // A device brings several events at once (its source, its monitor): one refresh for them.
    m_refreshSoon.setSingleShot(true);
    m_refreshSoon.setInterval(100);
    connect(&m_refreshSoon, &QTimer::timeout, this, &VoiceSettings::refreshInputs);
    connect(m_recorder.get(), &RecordingManager::recordingStateChanged, this, &VoiceSettings::sessionChanged);
    connect(m_trainer.get(), &VoiceTrainer::isTrainingChanged, this, &VoiceSettings::profileChanged);
    refreshInputs();
}

VoiceSettings::~VoiceSettings() = default;

QString VoiceSettings::selectedInput() const
{
    return UserDefaults::standard().string(kInputKey).value_or(QString());
}

void VoiceSettings::setSelectedInput(const QString &name)
{
    if (name == selectedInput())
        return;
    UserDefaults::standard().setString(kInputKey, name);
    emit selectedInputChanged();
    updateInputs(true);
}

void VoiceSettings::refreshInputs()
{
    updateInputs(false);
}

void VoiceSettings::updateInputs(bool inputChosen)
{
    QVariantList inputs{QVariantMap{{"name", QString()}, {"description", QStringLiteral("System default")}}};
    const auto found = audioInputs();
    bool chosenPresent = selectedInput().isEmpty();
    for (const AudioInput &input : found.value_or(QList<AudioInput>())) {
        inputs.append(QVariantMap{{"name", input.name}, {"description", input.description}});
        chosenPresent = chosenPresent || input.name == selectedInput();
    }
    const QString message = !found ? QStringLiteral("The sound server cannot be reached.")
                            : chosenPresent
                                ? QString()
                                : QStringLiteral("The chosen microphone is not connected; dictation uses the system "
                                                 "default until it is back.");
    m_recorder->setAudioInput(selectedInput());
    // A capture starting or stopping is an event of its source too: only a real change
    // restarts the meter, or it would keep restarting itself.
    const bool changed = inputs != m_inputs || message != m_inputMessage;
    if (changed) {
        m_inputs = inputs;
        m_inputMessage = message;
        emit inputsChanged();
    }
    if (changed || inputChosen || !m_meter.isRunning())
        restartMeter();
}

void VoiceSettings::setMonitoring(bool monitoring)
{
    if (monitoring == m_monitoring)
        return;
    m_monitoring = monitoring;
    if (monitoring) {
        // Plugging a device in or out shows at once, not only when the list is opened.
        m_inputWatcher = std::make_unique<AudioInputWatcher>();
        connect(m_inputWatcher.get(), &AudioInputWatcher::inputsChanged, &m_refreshSoon,
                qOverload<>(&QTimer::start));
        refreshInputs();
    } else {
        m_inputWatcher.reset();
        m_meter.stop();
    }
    emit monitoringChanged();
}

// Measures the input dictation would use now (the chosen one, or the default in its absence).
void VoiceSettings::restartMeter()
{
    if (!m_monitoring)
        return;
    if (auto problem = m_meter.start(selectedInput()))
        setMessage(*problem);
}

QString VoiceSettings::missingTools() const
{
    return m_trainer->missingTools();
}

bool VoiceSettings::hasProfile() const
{
    return voiceProfiles::exists(m_locale);
}

bool VoiceSettings::profileEnabled() const
{
    return voiceProfiles::isEnabled(m_locale);
}

void VoiceSettings::setProfileEnabled(bool enabled)
{
    if (auto problem = voiceProfiles::setEnabled(m_locale, enabled))
        setMessage(*problem);
    emit profileChanged();
}

QString VoiceSettings::prompt() const
{
    return m_prompts.isEmpty() ? QString() : m_prompts.at(m_recorded % m_prompts.size());
}

bool VoiceSettings::isRecording() const
{
    return m_recorder->isRecording();
}

double VoiceSettings::level() const
{
    return m_recorder->isRecording() ? m_recorder->currentAmplitude() : m_meter.level();
}

QString VoiceSettings::recordingFile(int index) const
{
    return QDir(voiceProfiles::recordingsFolder(m_locale)).filePath(QString::number(index + 1) + ".wav");
}

void VoiceSettings::setMessage(const QString &message)
{
    if (message == m_message)
        return;
    m_message = message;
    emit messageChanged();
}

void VoiceSettings::record()
{
    // Re-record: the take so far is thrown away.
    if (m_recorder->isRecording()) {
        m_recorder->stop();
        if (const auto take = m_recorder->currentRecordingURL())
            QFile::remove(take->toLocalFile());
    }
    m_recorder->setAudioInput(selectedInput());
    m_recorder->start();
    emit sessionChanged();
}

// Moves the finished recording into the profile's folder (only the user may enter it) and
// notes its prompt.
void VoiceSettings::keepRecording()
{
    if (!m_recorder->isRecording())
        return;
    m_recorder->stop();
    const QString recorded = m_recorder->currentRecordingURL().value_or(QUrl()).toLocalFile();
    const QString folder = voiceProfiles::recordingsFolder(m_locale);
    if (recorded.isEmpty() || !QDir().mkpath(folder)) {
        setMessage(m_recorder->errorMessage().value_or(QStringLiteral("The recording was not kept")));
        return;
    }
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    const QString target = recordingFile(m_recorded);
    QFile::remove(target);
    if (!QFile::rename(recorded, target) && !(QFile::copy(recorded, target) && QFile::remove(recorded))) {
        setMessage(QStringLiteral("Cannot keep the recording in %1").arg(folder));
        return;
    }
    QFile prompts(QDir(folder).filePath(kPromptsFile));
    if (prompts.open(QIODevice::Append | QIODevice::Text))
        prompts.write(prompt().toUtf8() + '\n');
    ++m_recorded;
    emit sessionChanged();
}

void VoiceSettings::next()
{
    keepRecording();
}

void VoiceSettings::finish()
{
    keepRecording();
    QList<VoiceSample> samples;
    QFile prompts(QDir(voiceProfiles::recordingsFolder(m_locale)).filePath(kPromptsFile));
    if (prompts.open(QIODevice::ReadOnly | QIODevice::Text)) {
        const QList<QByteArray> lines = prompts.readAll().split('\n');
        for (int i = 0; i < lines.size() && i < m_recorded; ++i)
            samples.append({recordingFile(i), QString::fromUtf8(lines[i])});
    }
    m_trainer->train(m_locale, samples);
}

void VoiceSettings::deleteProfile()
{
    if (auto problem = voiceProfiles::remove(m_locale))
        setMessage(*problem);
    m_recorded = 0;
    emit sessionChanged();
    emit profileChanged();
}

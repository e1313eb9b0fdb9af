#pragma once

#include <voxcore/AudioInputs.h>
#include <voxcore/InputLevelMeter.h>
#include <voxcore/Locale.h>
#include <voxcore/VoiceTrainer.h>

#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <QVariantList>
#include <QtQml/qqmlregistration.h>

#include <memory>

class RecordingManager;

// The "Voice" page's model: the microphone to dictate with (stored by the input's name
// under "audioInput"; empty: the system default), the recognition languages, and training
// to the user's voice for the dictation language: prompts read one at a time into the
// profile's recordings folder, then the adaptation, the profile switched on or off, deleted.
// While `monitoring` (the page is shown) the selected input's level is measured live and the
// inputs follow the sound server's devices as they come and go.
class VoiceSettings : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    // {name, description} maps; the first is the system default (empty name).
    Q_PROPERTY(QVariantList inputs READ inputs NOTIFY inputsChanged)
    Q_PROPERTY(QString selectedInput READ selectedInput WRITE setSelectedInput NOTIFY selectedInputChanged)
    // Why the chosen input is not used; empty while it is.
    Q_PROPERTY(QString inputMessage READ inputMessage NOTIFY inputsChanged)
    // {code, name, folder} maps: each recognition language and where its model comes from.
    Q_PROPERTY(QVariantList languages READ languages CONSTANT)
    Q_PROPERTY(QString language READ language CONSTANT)
    Q_PROPERTY(QString missingTools READ missingTools CONSTANT)
    Q_PROPERTY(bool hasProfile READ hasProfile NOTIFY profileChanged)
    Q_PROPERTY(bool profileEnabled READ profileEnabled WRITE setProfileEnabled NOTIFY profileChanged)
    // The guided session: the prompt to read, how many are recorded, recording now.
    Q_PROPERTY(QString prompt READ prompt NOTIFY sessionChanged)
    Q_PROPERTY(int recordedCount READ recordedCount NOTIFY sessionChanged)
    Q_PROPERTY(int promptCount READ promptCount CONSTANT)
    Q_PROPERTY(bool isRecording READ isRecording NOTIFY sessionChanged)
    // The selected input's level: the recording's while recording, else the live meter's.
    Q_PROPERTY(double level READ level NOTIFY levelChanged)
    Q_PROPERTY(bool monitoring READ monitoring WRITE setMonitoring NOTIFY monitoringChanged)
    Q_PROPERTY(VoiceTrainer *trainer READ trainer CONSTANT)
    Q_PROPERTY(QString message READ message NOTIFY messageChanged)

public:
    static constexpr int minimumPrompts = 20;

    explicit VoiceSettings(QObject *parent = nullptr);
    ~VoiceSettings() override;

    QVariantList inputs() const { return m_inputs; }
    QString selectedInput() const;
    void setSelectedInput(const QString &name);
    QString inputMessage() const { return m_inputMessage; }
    QVariantList languages() const { return m_languages; }
    QString language() const { return m_locale.identifier(); }
    QString missingTools() const;
    bool hasProfile() const;
    bool profileEnabled() const;
    void setProfileEnabled(bool enabled);
    QString prompt() const;
    int recordedCount() const { return m_recorded; }
    int promptCount() const { return int(m_prompts.size()); }
    bool isRecording() const;
    double level() const;
    bool monitoring() const { return m_monitoring; }
    void setMonitoring(bool monitoring);
    VoiceTrainer *trainer() const { return m_trainer.get(); }
    QString message() const { return m_message; }

    // Asks the sound server for its inputs again (devices come and go).
    Q_INVOKABLE void refreshInputs();
    // Records the current prompt (again, when it was recorded) until next() or finish().
    Q_INVOKABLE void record();
    // Keeps the recording of the current prompt and moves to the next one.
    Q_INVOKABLE void next();
    // Keeps the recording and adapts to every prompt recorded so far.
    Q_INVOKABLE void finish();
    Q_INVOKABLE void deleteProfile();

signals:
    void inputsChanged();
    void selectedInputChanged();
    void profileChanged();
    void sessionChanged();
    void levelChanged();
    void messageChanged();
    void monitoringChanged();

private:
    void updateInputs(bool inputChosen);
    void keepRecording();
    void restartMeter();
    void setMessage(const QString &message);
    QString recordingFile(int index) const;

    Locale m_locale;
    QVariantList m_inputs;
    QString m_inputMessage;
    QVariantList m_languages;
    QStringList m_prompts;
    int m_recorded = 0;
    QString m_message;
    std::unique_ptr<RecordingManager> m_recorder;
    std::unique_ptr<VoiceTrainer> m_trainer;
    InputLevelMeter m_meter;
    std::unique_ptr<AudioInputWatcher> m_inputWatcher;
    QTimer m_refreshSoon;
    bool m_monitoring = false;
};

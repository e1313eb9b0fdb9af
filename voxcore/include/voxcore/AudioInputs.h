#pragma once

#include <QList>
#include <QObject>
#include <QString>

#include <memory>
#include <optional>

// One input of the sound server (a microphone, a line in, the monitor of an output): the
// name the server knows it by, and the description to show.
struct AudioInput
{
    QString name;
    QString description;
    friend bool operator==(const AudioInput &, const AudioInput &) = default;
};

// The sound server's inputs now; nothing when the server cannot be reached.
std::optional<QList<AudioInput>> audioInputs();

// Tells, for as long as it lives, when the sound server's inputs change: a device plugged in
// or out, a sink or source loaded or unloaded, the server gone. Main thread.
class AudioInputWatcher : public QObject
{
    Q_OBJECT

public:
    explicit AudioInputWatcher(QObject *parent = nullptr);
    ~AudioInputWatcher() override;
    // False when the server could not be reached at construction (nothing is reported then).
    bool isWatching() const { return m_watch != nullptr; }

signals:
    void inputsChanged();

private:
    struct Watch;
    std::unique_ptr<Watch> m_watch;
};

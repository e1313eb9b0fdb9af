#pragma once

#include <QObject>
#include <QString>

#include <memory>
#include <optional>

class AudioEngine;

// The live level (0 to 1) of one sound-server input, for a meter shown while a page is open:
// it captures from start() until stop() or its end, and keeps no audio. Main thread.
class InputLevelMeter : public QObject
{
    Q_OBJECT
    Q_PROPERTY(double level READ level NOTIFY levelChanged)

public:
    explicit InputLevelMeter(QObject *parent = nullptr);
    ~InputLevelMeter() override;

    double level() const { return m_level; }
    bool isRunning() const { return m_engine != nullptr; }
    // Measures the input of that name (empty: the default input) from now on, in place of
    // any other; what went wrong when capture cannot start.
    std::optional<QString> start(const QString &inputName);
    void stop();

signals:
    void levelChanged();

private:
    void setLevel(double level);

    std::shared_ptr<AudioEngine> m_engine;
    double m_level = 0;
};

#include <voxcore/InputLevelMeter.h>

#include <voxcore/AppleSpeechProvider.h>

#include "MainThread.h"
#include "platform/AudioEngine.h"

#include <QPointer>

namespace {

// About 20 levels a second at 44.1 kHz: as lively as the recorder's meter.
constexpr std::size_t kTapBufferSize = 2048;

} // namespace

InputLevelMeter::InputLevelMeter(QObject *parent) : QObject(parent) {}

InputLevelMeter::~InputLevelMeter()
{
    stop();
}

std::optional<QString> InputLevelMeter::start(const QString &inputName)
{
    stop();
    auto engine = makeAudioEngineForInput(inputName);
    if (!engine)
        return QStringLiteral("No audio engine to measure the input with");
    // Levels still queued when the meter goes are dropped.
    QPointer<InputLevelMeter> self(this);
    engine->installTap(kTapBufferSize, [self](const PcmBuffer &buffer) {
        if (const std::optional<float> level = AppleSpeechProvider::inputLevel(buffer)) {
            postToMainThread([self, value = *level] {
                if (self && self->isRunning())
                    self->setLevel(value);
            });
        }
    });
    // A capture that fails later (the input or the server gone) leaves the meter at rest
    // until it is started again.
    engine->setInterruptionHandler([self](const QString &) {
        postToMainThread([self] {
            if (self)
                self->setLevel(0);
        });
    });
    if (auto problem = engine->start()) {
        engine->removeTap();
        return problem;
    }
    m_engine = std::move(engine);
    return std::nullopt;
}

void InputLevelMeter::stop()
{
    if (!m_engine)
        return;
    m_engine->stop();
    m_engine->removeTap();
    m_engine.reset();
    setLevel(0);
}

void InputLevelMeter::setLevel(double level)
{
    if (level == m_level)
        return;
    m_level = level;
    emit levelChanged();
}

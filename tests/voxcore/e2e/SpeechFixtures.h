#pragma once

// Speech and sound-server helpers shared by the end-to-end tests and benchmarks.
// They expect to run under tests/support/with-services --pulse.

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QList>
#include <QPair>
#include <QProcess>
#include <QRegularExpression>
#include <QString>
#include <QTest>
#include <QTextStream>

#include <algorithm>
#include <optional>

namespace speechfixtures {

inline const QString librivoxFolder = QStringLiteral("/usr/share/pocketsphinx/test/data/librivox");

// Renders `text` with flite's slt voice into `path` (16 kHz mono WAV).
inline bool renderSpeech(const QString &text, const QString &path)
{
    return QProcess::execute(QStringLiteral("flite"), {"-voice", "slt", "-t", text, "-o", path}) == 0;
}

// Starts tests/support/say-into-mic for `text`; the caller waits for it. `kept`
// receives the padded WAV that was played.
inline QProcess *sayIntoMic(const QString &text, const QString &kept = {})
{
    auto *process = new QProcess;
    QStringList arguments;
    if (!kept.isEmpty())
        arguments << "--keep" << kept;
    arguments << text;
    process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process->start(QStringLiteral(VOXCORE_E2E_SAY_INTO_MIC), arguments);
    return process;
}

// Waits for a process while the event loop keeps running (timers, posted
// levels); true when it ended with status 0.
inline bool finishedWell(QProcess *process, int timeoutMs = 20000)
{
    return QTest::qWaitFor([process] { return process->state() == QProcess::NotRunning; }, timeoutMs)
           && process->exitStatus() == QProcess::NormalExit && process->exitCode() == 0;
}

// Waits until `changed` has not fired for `stillMs` (the recognizer has
// caught up with the audio), at most `timeoutMs`.
template<typename Sender, typename Signal>
inline void waitForStillness(Sender *sender, Signal changed, int stillMs = 1500, int timeoutMs = 20000)
{
    QElapsedTimer sinceChange, overall;
    sinceChange.start();
    overall.start();
    const auto connection = QObject::connect(sender, changed, [&] { sinceChange.restart(); });
    while (sinceChange.elapsed() < stillMs && overall.elapsed() < timeoutMs)
        QTest::qWait(50);
    QObject::disconnect(connection);
}

// The sound server started for this test by with-services.
inline bool soundServerRuns()
{
    QProcess pactl;
    pactl.setStandardOutputFile(QProcess::nullDevice());
    pactl.setStandardErrorFile(QProcess::nullDevice());
    pactl.start(QStringLiteral("pactl"), {"info"});
    return pactl.waitForFinished(5000) && pactl.exitCode() == 0;
}

// Asks the test's sound server to quit, as a user stopping it would.
inline bool stopSoundServer()
{
    QProcess::execute(QStringLiteral("pactl"), {"exit"});
    return QTest::qWaitFor([] { return !soundServerRuns(); }, 5000);
}

// The librivox test clips with their reference texts ("<s> words </s> (id)" lines).
inline QList<QPair<QString, QString>> librivoxClips()
{
    QList<QPair<QString, QString>> clips;
    QFile file(librivoxFolder + QStringLiteral("/transcription"));
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return clips;
    static const QRegularExpression line(QStringLiteral("^<s>\\s*(.*?)\\s*</s>\\s*\\((\\S+)\\)"));
    QTextStream in(&file);
    while (!in.atEnd()) {
        const auto match = line.match(in.readLine().trimmed());
        if (match.hasMatch())
            clips.append({librivoxFolder + u'/' + match.captured(2) + QStringLiteral(".wav"), match.captured(1)});
    }
    return clips;
}

// A PCM WAV file as its header says and its 16-bit samples (interleaved).
struct WavFile {
    int audioFormat = 0; // 1: integer PCM
    int channels = 0;
    int sampleRate = 0;
    int bitsPerSample = 0;
    qint64 frames = 0;
    QList<qint16> samples;
};

inline std::optional<WavFile> readWav(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray bytes = file.readAll();
    auto u16 = [&](qsizetype at) { return quint16(quint8(bytes[at]) | quint8(bytes[at + 1]) << 8); };
    auto u32 = [&](qsizetype at) { return quint32(u16(at)) | quint32(u16(at + 2)) << 16; };
    if (bytes.size() < 12 || !bytes.startsWith("RIFF") || bytes.mid(8, 4) != "WAVE")
        return std::nullopt;
    WavFile wav;
    bool haveFormat = false;
    for (qsizetype at = 12; at + 8 <= bytes.size();) {
        const QByteArray id = bytes.mid(at, 4);
        const quint32 size = u32(at + 4);
        const qsizetype body = at + 8;
        if (id == "fmt " && body + 16 <= bytes.size()) {
            wav.audioFormat = u16(body);
            wav.channels = u16(body + 2);
            wav.sampleRate = int(u32(body + 4));
            wav.bitsPerSample = u16(body + 14);
            haveFormat = true;
        } else if (id == "data" && haveFormat && wav.channels > 0 && wav.bitsPerSample > 0) {
            const qsizetype length = std::min<qsizetype>(size, bytes.size() - body);
            wav.frames = length / (wav.channels * wav.bitsPerSample / 8);
            if (wav.bitsPerSample == 16)
                for (qsizetype i = 0; i + 1 < length; i += 2)
                    wav.samples.append(qint16(u16(body + i)));
            return wav;
        }
        at = body + size + (size & 1);
    }
    return std::nullopt;
}

// The recorder's file format: integer PCM, one channel, 44100 Hz, 16 bits.
inline bool isMono16Bit44100(const WavFile &wav)
{
    return wav.audioFormat == 1 && wav.channels == 1 && wav.sampleRate == 44100 && wav.bitsPerSample == 16;
}

} // namespace speechfixtures

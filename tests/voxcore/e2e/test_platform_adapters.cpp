// The Linux platform services behind Voxcore's seams, on a real sound server
// (tests/support/with-services --pulse --home), the installed PocketSphinx
// model and real files. The last test stops the sound server.

#include "SpeechFixtures.h"
#include "WordErrorRate.h"

#include "platform/AudioEngine.h"
#include "platform/AudioFile.h"
#include "platform/FileManager.h"
#include "platform/LocaleServices.h"
#include "platform/MicrophoneAuthorization.h"
#include "platform/SpeechRecognizer.h"

#include <QDataStream>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QtTest>

#include <atomic>
#include <sndfile.h>

#include <cmath>
#include <mutex>

using namespace speechfixtures;

namespace {

// Collects what a recognition task reports, from its own thread.
struct ResultLog {
    std::mutex lock;
    QStringList partials;
    std::optional<QString> final;
    std::optional<QString> error;
    int calls = 0;

    RecognitionResultHandler handler()
    {
        return [this](const std::optional<RecognitionResult> &result, const std::optional<QString> &failure) {
            std::lock_guard guard(lock);
            ++calls;
            if (failure)
                error = failure;
            else if (result && result->isFinal)
                final = result->formattedString;
            else if (result)
                partials << result->formattedString;
        };
    }
    bool ended()
    {
        std::lock_guard guard(lock);
        return final || error;
    }
};

// Buffers as the capture delivers them: 1024 frames, interleaved stereo float, 44100 Hz.
QList<PcmBuffer> captureLikeBuffers(const QList<qint16> &samples16k)
{
    // Stretch 16 kHz to 44.1 kHz by linear interpolation; the recognizer resamples back.
    QList<PcmBuffer> buffers;
    const double step = 16000.0 / 44100.0;
    const qsizetype outFrames = qsizetype(samples16k.size() / step);
    for (qsizetype start = 0; start < outFrames; start += 1024) {
        PcmBuffer buffer;
        buffer.sampleRate = 44100;
        buffer.channelCount = 2;
        buffer.interleaved = true;
        buffer.frameLength = 1024;
        buffer.floatData.emplace(2048, 0.0f);
        for (qsizetype f = 0; f < 1024 && start + f < outFrames; ++f) {
            const double at = (start + f) * step;
            const auto i = qsizetype(at);
            const double next = i + 1 < samples16k.size() ? samples16k[i + 1] : samples16k[i];
            const float value = float((samples16k[i] + (next - samples16k[i]) * (at - i)) / 32768.0);
            (*buffer.floatData)[2 * f] = (*buffer.floatData)[2 * f + 1] = value;
        }
        buffers.append(std::move(buffer));
    }
    return buffers;
}

PcmBuffer sineBuffer(double rate, int channels, std::size_t frames, double &phase)
{
    PcmBuffer buffer;
    buffer.sampleRate = rate;
    buffer.channelCount = channels;
    buffer.interleaved = true;
    buffer.frameLength = frames;
    buffer.floatData.emplace(frames * channels);
    for (std::size_t f = 0; f < frames; ++f) {
        const float value = float(0.5 * std::sin(phase));
        phase += 2 * M_PI * 440.0 / rate;
        for (int c = 0; c < channels; ++c)
            (*buffer.floatData)[f * channels + c] = value;
    }
    return buffer;
}

// A sentence as flite's slt voice says it, read back from the rendered file.
std::optional<WavFile> spoken(const QString &sentence)
{
    QTemporaryDir folder;
    const QString path = folder.filePath("speech.wav");
    return renderSpeech(sentence, path) ? readWav(path) : std::nullopt;
}

} // namespace

class PlatformAdapters : public QObject
{
    Q_OBJECT

private slots:
    void supportedLocalesAreTheInstalledModels();
    void recognizerForUninstalledLocaleIsNone();
    void liveRecognitionKeepsEverySentence();
    void oneDecodingAtATime();
    void liveAndFileDecodeAlike();
    void localeNames_data();
    void localeNames();
    void userLocaleFromEnvironment_data();
    void userLocaleFromEnvironment();
    void cachesFolderIsCreated();
    void audioFileIsMono16Bit44100_data();
    void audioFileIsMono16Bit44100();
    void audioEngineCapturesTheDefaultSource();
    void microphoneAndEngineFollowTheServer();
    void serverGoneDuringCapture(); // stops the server: keep last
};

void PlatformAdapters::supportedLocalesAreTheInstalledModels()
{
    QVERIFY(defaultSpeechRecognition()->supportedLocales().contains(Locale("en-US")));

    // More model folders, more languages; incomplete folders do not count.
    QTemporaryDir models;
    const QString english = QStringLiteral("/usr/share/pocketsphinx/model/en-us");
    QVERIFY(QFile::link(english, models.filePath("en-us")));
    QVERIFY(QFile::link(english, models.filePath("de-de")));
    QVERIFY(QDir(models.path()).mkpath("fr-fr"));
    QVERIFY(QFile::link(english + "/cmudict-en-us.dict", models.filePath("fr-fr/fr.dict")));
    qputenv("VOXCORE_SPHINX_MODELS", models.path().toUtf8());
    const auto locales = defaultSpeechRecognition()->supportedLocales();
    qunsetenv("VOXCORE_SPHINX_MODELS");
    QCOMPARE(locales, (QList<Locale>{Locale("de-DE"), Locale("en-US")}));
}

void PlatformAdapters::recognizerForUninstalledLocaleIsNone()
{
    QVERIFY(!defaultSpeechRecognition()->recognizer(Locale("fr-FR")));
    auto english = defaultSpeechRecognition()->recognizer(Locale("en-US"));
    QVERIFY(english);
    QVERIFY(english->isAvailable());
}

void PlatformAdapters::liveRecognitionKeepsEverySentence()
{
    // Two sentences with a pause between them, fed the way the capture
    // delivers audio. Past the pause every partial result must still start
    // with the first sentence: the transcript is the whole text so far.
    const QString first = QStringLiteral("The weather is nice today.");
    const QString second = QStringLiteral("Please call me tomorrow morning.");
    const auto a = spoken(first), b = spoken(second);
    QVERIFY(a && b);
    QCOMPARE(a->sampleRate, 16000);
    QList<qint16> speech = QList<qint16>(16000 / 2, 0) + a->samples + QList<qint16>(16000 * 2, 0) + b->samples
                           + QList<qint16>(16000 / 2, 0);

    ResultLog log;
    auto task = defaultSpeechRecognition()->recognizer(Locale("en-US"))->recognitionTask(
        AudioBufferRecognitionRequest{}, log.handler());
    for (const PcmBuffer &buffer : captureLikeBuffers(speech))
        task->append(buffer);
    task->endAudio();
    QTRY_VERIFY_WITH_TIMEOUT(log.ended(), 30000);
    QVERIFY2(!log.error, qPrintable(log.error.value_or(QString())));
    QVERIFY(!log.partials.isEmpty());
    for (int i = 1; i < log.partials.size(); ++i)
        QVERIFY2(log.partials[i] != log.partials[i - 1], "a partial result was repeated");
    // Every later result starts with the first sentence as the decoder settled on it.
    const qsizetype settled = settledFirstSentence(log.partials, *log.final, first);
    QVERIFY2(settled >= 0 && wordErrorRate(first, log.partials[settled]) <= 0.2, qPrintable(log.partials.join(" | ")));
    const QStringList later = log.partials.mid(settled + 1);
    QVERIFY(!later.isEmpty());
    for (const QString &partial : later)
        QVERIFY2(partial.startsWith(log.partials[settled] + ' '), qPrintable(partial));
    // flite's slt voice is recognised nearly word for word; allow one word in
    // ten to differ (the model's vocabulary and the synthetic voice).
    const double wer = wordErrorRate(first + ' ' + second, *log.final);
    qInfo("final: %s (WER %.2f)", qPrintable(*log.final), wer);
    QVERIFY2(wer <= 0.1, qPrintable(*log.final));
}

void PlatformAdapters::oneDecodingAtATime()
{
    // Two live tasks on the one loaded model: the second waits (its audio
    // queued) until the first lets go, then decodes all of it.
    const QString sentence = QStringLiteral("Good night and good luck.");
    const auto wav = spoken(sentence);
    QVERIFY(wav);
    const QList<PcmBuffer> buffers = captureLikeBuffers(QList<qint16>(8000, 0) + wav->samples + QList<qint16>(8000, 0));
    auto recognizer = defaultSpeechRecognition()->recognizer(Locale("en-US"));
    ResultLog first, second;
    auto holder = recognizer->recognitionTask(AudioBufferRecognitionRequest{}, first.handler());
    for (const PcmBuffer &buffer : buffers)
        holder->append(buffer); // no end of audio: it keeps the decoder
    QTRY_VERIFY_WITH_TIMEOUT([&] { std::lock_guard g(first.lock); return first.calls > 0; }(), 10000);
    auto waiting = recognizer->recognitionTask(AudioBufferRecognitionRequest{}, second.handler());
    for (const PcmBuffer &buffer : buffers)
        waiting->append(buffer);
    waiting->endAudio();
    QTest::qWait(500);
    QVERIFY(!second.ended()); // still waiting for the decoder
    holder->cancel();
    holder.reset();
    QTRY_VERIFY_WITH_TIMEOUT(second.ended(), 20000);
    QVERIFY(!second.error);
    QVERIFY2(wordErrorRate(sentence, *second.final) <= 0.2, qPrintable(*second.final));
    std::lock_guard guard(first.lock);
    QVERIFY(!first.final && !first.error); // a cancelled task reports nothing more
}

void PlatformAdapters::liveAndFileDecodeAlike()
{
    // The same human speech, live in the capture's odd-sized pieces and read
    // from its file: the decoder is fed in the same steps, so it splits and
    // decodes the two alike, word for word.
    const auto clips = librivoxClips();
    QVERIFY(clips.size() >= 2);
    QList<qint16> speech;
    for (const auto &clip : clips.mid(0, 2)) {
        const auto wav = readWav(clip.first);
        QVERIFY(wav && wav->sampleRate == 16000 && wav->channels == 1);
        speech += wav->samples;
    }
    QTemporaryDir folder;
    const QString path = folder.filePath("speech.wav");
    {
        // 16-bit mono PCM as it is, so that the file holds exactly the samples fed live.
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QDataStream out(&file);
        out.setByteOrder(QDataStream::LittleEndian);
        const quint32 bytes = quint32(speech.size() * 2);
        out.writeRawData("RIFF", 4);
        out << quint32(36 + bytes);
        out.writeRawData("WAVEfmt ", 8);
        out << quint32(16) << quint16(1) << quint16(1) << quint32(16000) << quint32(32000) << quint16(2) << quint16(16);
        out.writeRawData("data", 4);
        out << bytes;
        for (qint16 sample : speech)
            out << sample;
    }
    auto recognizer = defaultSpeechRecognition()->recognizer(Locale("en-US"));
    ResultLog fromFile, live;
    FileRecognitionRequest request;
    request.url = QUrl::fromLocalFile(path);
    auto fileTask = recognizer->recognitionTask(request, fromFile.handler());
    QTRY_VERIFY_WITH_TIMEOUT(fromFile.ended(), 60000);

    auto liveTask = recognizer->recognitionTask(AudioBufferRecognitionRequest{}, live.handler());
    for (qsizetype at = 0; at < speech.size(); at += 1000) {
        PcmBuffer buffer;
        buffer.sampleRate = 16000;
        buffer.channelCount = 1;
        buffer.frameLength = std::size_t(std::min<qsizetype>(1000, speech.size() - at));
        buffer.floatData.emplace();
        for (qsizetype i = at; i < at + qsizetype(buffer.frameLength); ++i)
            buffer.floatData->push_back(speech[i] / 32768.0f);
        liveTask->append(buffer);
    }
    liveTask->endAudio();
    QTRY_VERIFY_WITH_TIMEOUT(live.ended(), 60000);
    QVERIFY(fromFile.final && live.final);
    QVERIFY2(!fromFile.final->isEmpty(), "the clips are speech");
    QCOMPARE(*live.final, *fromFile.final);
}

void PlatformAdapters::localeNames_data()
{
    QTest::addColumn<QString>("identifier");
    QTest::addColumn<QString>("inLocale");
    QTest::addColumn<QString>("expected"); // empty: no name
    QTest::newRow("region in English") << "en-US" << "en-US" << "English (United States)";
    QTest::newRow("language in German") << "de" << "de-DE" << "Deutsch";
    QTest::newRow("region in German") << "en-US" << "de-DE" << "Englisch (Vereinigte Staaten)";
    QTest::newRow("unknown language") << "xx-YY" << "en-US" << "";
    QTest::newRow("empty") << "" << "en-US" << "";
}

void PlatformAdapters::localeNames()
{
    QFETCH(QString, identifier);
    QFETCH(QString, inLocale);
    QFETCH(QString, expected);
    const auto name = defaultLocaleServices()->displayName(identifier, Locale(inLocale));
    QCOMPARE(name.value_or(QString()), expected);
}

void PlatformAdapters::userLocaleFromEnvironment_data()
{
    QTest::addColumn<QString>("lcAll");
    QTest::addColumn<QString>("lcMessages");
    QTest::addColumn<QString>("lang");
    QTest::addColumn<QString>("expected");
    QTest::newRow("LANG") << "" << "" << "de_DE.UTF-8" << "de-DE";
    QTest::newRow("LC_MESSAGES before LANG") << "" << "fr_FR.UTF-8" << "de_DE.UTF-8" << "fr-FR";
    QTest::newRow("LC_ALL first") << "pt_BR" << "fr_FR.UTF-8" << "de_DE" << "pt-BR";
    QTest::newRow("C means unset") << "C" << "" << "it_IT.UTF-8@euro" << "it-IT";
    QTest::newRow("nothing set") << "" << "" << "" << "en-US";
}

void PlatformAdapters::userLocaleFromEnvironment()
{
    QFETCH(QString, lcAll);
    QFETCH(QString, lcMessages);
    QFETCH(QString, lang);
    QFETCH(QString, expected);
    const QByteArray saved[3] = {qgetenv("LC_ALL"), qgetenv("LC_MESSAGES"), qgetenv("LANG")};
    qputenv("LC_ALL", lcAll.toUtf8());
    qputenv("LC_MESSAGES", lcMessages.toUtf8());
    qputenv("LANG", lang.toUtf8());
    const QString identifier = defaultLocaleServices()->currentLocale().identifier();
    qputenv("LC_ALL", saved[0]);
    qputenv("LC_MESSAGES", saved[1]);
    qputenv("LANG", saved[2]);
    QCOMPARE(identifier, expected);
}

void PlatformAdapters::cachesFolderIsCreated()
{
    QTemporaryDir home;
    const QByteArray saved = qgetenv("XDG_CACHE_HOME");
    qputenv("XDG_CACHE_HOME", home.filePath("cache").toUtf8());
    const QUrl folder = defaultFileManager()->cachesDirectory();
    qputenv("XDG_CACHE_HOME", saved);
    QCOMPARE(folder.toLocalFile(), home.filePath("cache/Sayline"));
    QVERIFY(QFileInfo(folder.toLocalFile()).isDir());

    QFile file(home.filePath("cache/Sayline/x.wav"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    QCOMPARE(defaultFileManager()->removeItem(QUrl::fromLocalFile(file.fileName())), std::nullopt);
    QVERIFY(!file.exists());
    const auto again = defaultFileManager()->removeItem(QUrl::fromLocalFile(file.fileName()));
    QVERIFY(again && again->contains("x.wav"));
}

void PlatformAdapters::audioFileIsMono16Bit44100_data()
{
    QTest::addColumn<double>("rate");
    QTest::addColumn<int>("channels");
    QTest::newRow("44100 stereo (the test source)") << 44100.0 << 2;
    QTest::newRow("48000 stereo") << 48000.0 << 2;
    QTest::newRow("16000 mono") << 16000.0 << 1;
}

void PlatformAdapters::audioFileIsMono16Bit44100()
{
    QFETCH(double, rate);
    QFETCH(int, channels);
    QTemporaryDir folder;
    const QString path = folder.filePath("recording.wav");
    auto opening = defaultAudioFiles()->openForWriting(QUrl::fromLocalFile(path), AudioFileSettings{});
    QVERIFY2(opening.file, qPrintable(opening.error));
    // 2.5 s of a 440 Hz tone in 1024-frame buffers.
    const std::size_t total = std::size_t(rate * 2.5);
    double phase = 0;
    for (std::size_t done = 0; done < total; done += 1024)
        QCOMPARE(opening.file->write(sineBuffer(rate, channels, std::min<std::size_t>(1024, total - done), phase)),
                 std::nullopt);
    opening.file.reset(); // closes

    const auto wav = readWav(path);
    QVERIFY(wav);
    QVERIFY2(isMono16Bit44100(*wav), qPrintable(QStringLiteral("format %1, %2 channels, %3 Hz, %4 bits")
                                                     .arg(wav->audioFormat).arg(wav->channels)
                                                     .arg(wav->sampleRate).arg(wav->bitsPerSample)));
    // The file holds the audio at its real length (within one millisecond).
    QVERIFY2(std::abs(wav->frames - qint64(44100 * 2.5)) <= 44, qPrintable(QString::number(wav->frames)));
    // ... and the audio itself: a 0.5 tone has an RMS of 0.354 full scale.
    double sum = 0;
    for (qint16 s : wav->samples.mid(4410, 44100))
        sum += double(s) * s;
    const double rms = std::sqrt(sum / 44100) / 32768.0;
    QVERIFY2(std::abs(rms - 0.3536) < 0.01, qPrintable(QString::number(rms)));
}

void PlatformAdapters::audioEngineCapturesTheDefaultSource()
{
    auto engine = makeDefaultAudioEngine();
    const AudioFormat format = engine->inputFormat();
    QCOMPARE(format.sampleRate, 44100.0); // the test's null sink
    QCOMPARE(format.channelCount, 2);

    std::mutex lock;
    int buffers = 0, wrongShape = 0;
    float loudest = 0;
    engine->installTap(1024, [&](const PcmBuffer &buffer) {
        std::lock_guard guard(lock);
        ++buffers;
        if (buffer.frameLength != 1024 || buffer.channelCount != 2 || buffer.sampleRate != 44100
            || !buffer.channelData(1))
            ++wrongShape;
        else
            for (std::size_t f = 0; f < 1024; ++f)
                loudest = std::max(loudest, std::abs(buffer.channelData(0)[f * buffer.stride()]));
    });
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(engine->start(), std::nullopt);
    QTRY_VERIFY_WITH_TIMEOUT([&] { std::lock_guard guard(lock); return buffers > 0; }(), 2000);
    qInfo("start to first buffer: %lld ms", clock.elapsed());

    std::unique_ptr<QProcess> speaker(sayIntoMic("Testing the microphone."));
    QVERIFY(finishedWell(speaker.get()));
    engine->stop();
    engine->removeTap();
    int afterStop;
    {
        std::lock_guard guard(lock);
        afterStop = buffers;
        QCOMPARE(wrongShape, 0);
        QVERIFY2(loudest > 0.05, qPrintable(QString::number(loudest))); // the speech reached us
        // At least the played length arrived (about 3 s of 1024-frame buffers).
        QVERIFY2(buffers * 1024 >= 44100 * 2, qPrintable(QString::number(buffers)));
    }
    QTest::qWait(200);
    std::lock_guard guard(lock);
    QCOMPARE(buffers, afterStop); // nothing after stop
}

void PlatformAdapters::microphoneAndEngineFollowTheServer()
{
    auto microphone = defaultMicrophoneAuthorization();
    QCOMPARE(microphone->authorizationStatus(), AuthorizationStatus::authorized);
    bool granted = false;
    microphone->requestAccess([&](bool answer) { granted = answer; });
    QVERIFY(granted);

    // Without a server there is no microphone (said quickly), and the engine says why it cannot start.
    const QByteArray server = qgetenv("PULSE_SERVER");
    qputenv("PULSE_SERVER", "unix:/nonexistent/native");
    QElapsedTimer clock;
    clock.start();
    const auto status = microphone->authorizationStatus();
    const qint64 statusMs = clock.elapsed();
    auto engine = makeDefaultAudioEngine();
    const AudioFormat format = engine->inputFormat();
    engine->installTap(1024, [](const PcmBuffer &) {});
    const auto error = engine->start();
    engine->stop();
    engine->removeTap();
    qputenv("PULSE_SERVER", server);
    QCOMPARE(status, AuthorizationStatus::denied);
    QVERIFY(statusMs < 2000);
    QCOMPARE(format.channelCount, 0);
    QVERIFY2(error && error->startsWith("Cannot connect to the sound server"), qPrintable(error.value_or(QString())));
}

void PlatformAdapters::serverGoneDuringCapture()
{
    auto engine = makeDefaultAudioEngine();
    std::atomic<int> buffers = 0;
    std::mutex lock;
    QStringList interruptions;
    engine->installTap(1024, [&](const PcmBuffer &) { ++buffers; });
    engine->setInterruptionHandler([&](const QString &why) {
        std::lock_guard guard(lock);
        interruptions << why;
    });
    QCOMPARE(engine->start(), std::nullopt);
    QTRY_VERIFY_WITH_TIMEOUT(buffers > 5, 3000);
    QVERIFY(stopSoundServer());
    QTRY_VERIFY_WITH_TIMEOUT([&] { std::lock_guard guard(lock); return !interruptions.isEmpty(); }(), 5000);
    QElapsedTimer clock;
    clock.start();
    engine->stop();
    engine->removeTap();
    QVERIFY(clock.elapsed() < 1000);
    std::lock_guard guard(lock);
    QCOMPARE(interruptions.size(), 1);
    QVERIFY2(interruptions.first().startsWith("Connection to the sound server lost")
                 || interruptions.first().startsWith("Audio capture stream ended"),
             qPrintable(interruptions.first()));
}

QTEST_GUILESS_MAIN(PlatformAdapters)
#include "test_platform_adapters.moc"

// Lists the recognition languages of an installed Voxcore and, given a WAV
// file, prints its transcript: the public interface used from outside.
#include <voxcore/SpeechRecognitionManager.h>

#include <QCoreApplication>
#include <QCoro/QCoroTask>

#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication application(argc, argv);
    SpeechRecognitionManager manager(SpeechRecognitionManager::Provider::apple);
    for (const auto &language : manager.supportedLanguages())
        std::printf("language %s\n", qPrintable(language.code));
    if (argc > 1) {
        manager.setLanguageCode(QStringLiteral("en-US"));
        QCoro::waitFor(manager.transcribeAudioFile(QUrl::fromLocalFile(QString::fromLocal8Bit(argv[1]))));
        if (manager.errorMessage()) {
            std::fprintf(stderr, "error %s\n", qPrintable(manager.errorMessageText()));
            return 1;
        }
        std::printf("transcript %s\n", qPrintable(manager.transcriptionResult()));
    }
    return 0;
}

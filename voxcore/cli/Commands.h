#pragma once

#include <QCoro/QCoroTask>
#include <QString>

#include <optional>

// The tool's commands; each completes with the process exit status and reports failures on
// standard error. Transcripts go to standard output (beside the recognizer's own log lines,
// which start with "[AppleSpeechProvider] "): written text, or with `raw` the recognizer's
// words as they came.
namespace commands {

struct ListenOptions
{
    std::optional<QString> language;
    bool usesVoiceProfile = true;
    bool raw = false;
    QString input; // sound server input; empty: the default
    bool untilSilence = false;
    double silenceSeconds = 1.5;
    std::optional<double> maxSeconds;
};

QCoro::Task<int> transcribe(QString file, std::optional<QString> language, bool usesVoiceProfile, bool raw);
QCoro::Task<int> listen(ListenOptions options);
QCoro::Task<int> record(QString file, double seconds, QString input);
int languages();
// The sound server's inputs: name, a tab, description.
int inputs();
// Builds the user's voice profile for a language from FILE's prompts (line N read in N.wav).
QCoro::Task<int> adapt(QString language, QString promptsFile, QString recordingsFolder);

} // namespace commands

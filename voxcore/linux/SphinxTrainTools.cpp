#include "SphinxTrainTools.h"

#include "platform/VoiceAdaptation.h"

#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>

namespace sphinxTrainTools {
namespace {

const QStringList kTrainingTools{"bw", "mllr_solve", "mllr_transform", "map_adapt", "mk_s2sendump"};
const QStringList kUtilities{"sphinx_fe", "pocketsphinx_mdef_convert"};
// Less free space than a tool's smallest write.
constexpr std::uintmax_t kFullDisk = 64 * 1024;

QString trainingFolder()
{
    if (const char *folder = std::getenv("VOXCORE_SPHINXTRAIN_DIR"); folder && *folder)
        return QString::fromLocal8Bit(folder);
    return QStringLiteral("/usr/lib/sphinxtrain");
}

} // namespace

QString path(const QString &tool)
{
    if (kTrainingTools.contains(tool)) {
        const QFileInfo program(trainingFolder() + '/' + tool);
        return program.isExecutable() ? program.filePath() : QString();
    }
    return QStandardPaths::findExecutable(tool);
}

QString missing()
{
    QStringList packages, tools;
    for (const QString &tool : kTrainingTools + kUtilities) {
        if (!path(tool).isEmpty())
            continue;
        tools.append(tool);
        const QString package = kTrainingTools.contains(tool) ? QStringLiteral("sphinxtrain")
                                : tool == QLatin1String("sphinx_fe") ? QStringLiteral("sphinxbase-utils")
                                                                     : QStringLiteral("pocketsphinx");
        if (!packages.contains(package))
            packages.append(package);
    }
    if (tools.isEmpty())
        return QString();
    return QStringLiteral("Training to your voice needs the package%1 %2 (missing: %3).")
        .arg(packages.size() > 1 ? "s" : "", packages.join(" and "), tools.join(", "));
}

void run(const QString &tool, const QStringList &arguments, const std::filesystem::path &folder,
         const std::atomic<bool> &cancelled)
{
    const QString program = path(tool);
    if (program.isEmpty())
        throw std::runtime_error(missing().toStdString());
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.setWorkingDirectory(QString::fromStdString(folder.string()));
    process.start(program, arguments);
    if (!process.waitForStarted())
        throw std::runtime_error("Cannot start " + program.toStdString());
    QByteArray output;
    // Some tools (bw) wait and retry for ever when they cannot write: a disk that stays full
    // for a second ends them.
    int fullPolls = 0;
    while (!process.waitForFinished(100)) {
        output += process.readAll();
        if (output.size() > 64 * 1024)
            output = output.right(16 * 1024); // only the end explains a failure
        if (cancelled) {
            process.kill();
            process.waitForFinished();
            throw AdaptationCancelled();
        }
        if (process.state() == QProcess::NotRunning)
            break;
        std::error_code error;
        const auto space = std::filesystem::space(folder, error);
        fullPolls = !error && space.available < kFullDisk ? fullPolls + 1 : 0;
        if (fullPolls >= 10) {
            process.kill();
            process.waitForFinished();
            throw std::runtime_error(QStringLiteral("%1 stopped: No space left on device in %2")
                                         .arg(tool, QString::fromStdString(folder.string()))
                                         .toStdString());
        }
    }
    output += process.readAll();
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        const QList<QByteArray> lines = output.trimmed().split('\n');
        QStringList last;
        for (qsizetype i = std::max<qsizetype>(0, lines.size() - 3); i < lines.size(); ++i)
            last.append(QString::fromLocal8Bit(lines[i]).trimmed());
        throw std::runtime_error(QStringLiteral("%1 failed: %2").arg(tool, last.join(" / ")).toStdString());
    }
}

} // namespace sphinxTrainTools

#include <voxcore/VoicePrompts.h>

#include <QFile>
#include <QStandardPaths>

QStringList voicePrompts(const Locale &locale)
{
    const QString name = locale.identifier() + QStringLiteral(".txt");
    QStringList candidates;
    for (const QString &data : QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation))
        candidates.append(data + QStringLiteral("/sayline/prompts/") + name);
    candidates.append(QStringLiteral(":/voxcore/") + name);
    for (const QString &candidate : candidates) {
        QFile file(candidate);
        if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
            continue;
        QStringList prompts;
        for (const QByteArray &line : file.readAll().split('\n')) {
            const QString prompt = QString::fromUtf8(line).trimmed();
            if (!prompt.isEmpty() && !prompt.startsWith('#'))
                prompts.append(prompt);
        }
        return prompts;
    }
    return {};
}

#include "TranscriptFormattingSettings.h"

#include "StandardOutput.h"
#include "UserDefaults.h"

#include <voxcore/SpeechRecognitionManager.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace TranscriptFormattingSettings {

QList<TextReplacement> decodeReplacements(const QString &json)
{
    const QJsonDocument document = QJsonDocument::fromJson(json.toUtf8());
    if (!document.isArray()) {
        writeLogLine(QStringLiteral("Ignoring the text replacements: not a JSON array"));
        return {};
    }
    QList<TextReplacement> replacements;
    for (const QJsonValue &entry : document.array()) {
        const QJsonValue spoken = entry.toObject().value(QStringLiteral("spoken"));
        const QJsonValue written = entry.toObject().value(QStringLiteral("written"));
        if (!spoken.isString() || spoken.toString().trimmed().isEmpty() || !written.isString()) {
            const QJsonArray shown{entry};
            writeLogLine(QStringLiteral("Ignoring a text replacement without a spoken phrase and a written text: ")
                         + QString::fromUtf8(QJsonDocument(shown).toJson(QJsonDocument::Compact)));
            continue;
        }
        replacements.append({spoken.toString().trimmed(), written.toString()});
    }
    return replacements;
}

QString encodeReplacements(const QList<TextReplacement> &replacements)
{
    QJsonArray array;
    for (const TextReplacement &replacement : replacements)
        array.append(QJsonObject{{QStringLiteral("spoken"), replacement.spoken},
                                 {QStringLiteral("written"), replacement.written}});
    return QString::fromUtf8(QJsonDocument(array).toJson(QJsonDocument::Compact));
}

TranscriptFormatting stored(const UserDefaults &defaults)
{
    TranscriptFormatting formatting;
    formatting.spokenPunctuation = defaults.boolValue(QLatin1String(spokenPunctuationKey), true);
    formatting.capitals = defaults.boolValue(QLatin1String(capitalsKey), true);
    formatting.numbers = defaults.boolValue(QLatin1String(numbersKey), true);
    if (const std::optional<QString> replacements = defaults.string(QLatin1String(replacementsKey)))
        formatting.replacements = decodeReplacements(*replacements);
    return formatting;
}

void follow(SpeechRecognitionManager &manager, UserDefaults &defaults)
{
    manager.setTranscriptFormatting(stored(defaults));
    QObject::connect(&defaults, &UserDefaults::valueChanged, &manager, [&manager, &defaults](const QString &key) {
        for (const char *own : {spokenPunctuationKey, capitalsKey, numbersKey, replacementsKey}) {
            if (key == QLatin1String(own))
                return manager.setTranscriptFormatting(stored(defaults));
        }
    });
}

} // namespace TranscriptFormattingSettings

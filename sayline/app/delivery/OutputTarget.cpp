#include "OutputTarget.h"

#include <QJsonArray>
#include <QJsonDocument>

QString rawValue(OutputTarget target)
{
    switch (target) {
    case OutputTarget::pasteboard:
        return QStringLiteral("pasteboard");
    case OutputTarget::autoInsert:
        return QStringLiteral("autoInsert");
    }
    return {};
}

template <>
std::optional<OutputTarget> fromRawValue<OutputTarget>(const QString &value)
{
    for (OutputTarget target : allOutputTargets) {
        if (rawValue(target) == value)
            return target;
    }
    return std::nullopt;
}

QByteArray encodeOutputTargets(const QList<OutputTarget> &targets)
{
    QJsonArray array;
    for (OutputTarget target : targets)
        array.append(rawValue(target));
    return QJsonDocument(array).toJson(QJsonDocument::Compact);
}

std::optional<QList<OutputTarget>> decodeOutputTargets(const QByteArray &utf8Json)
{
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(utf8Json, &error);
    if (error.error != QJsonParseError::NoError || !document.isArray())
        return std::nullopt;
    QList<OutputTarget> targets;
    for (const QJsonValue &element : document.array()) {
        if (!element.isString())
            return std::nullopt;
        const auto target = fromRawValue<OutputTarget>(element.toString());
        if (!target)
            return std::nullopt;
        targets.append(*target);
    }
    return targets;
}

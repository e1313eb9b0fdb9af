#include "formatting/FormattingRules.h"

#include "LogLine.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStandardPaths>

namespace {

QStringList strings(const QJsonValue &value)
{
    QStringList list;
    for (const QJsonValue &item : value.toArray()) {
        if (item.isString())
            list.append(item.toString());
    }
    return list;
}

// "space": where a mark keeps the space of a word: "after" (","), "before" ("("), "both"
// (a dash between words) or "none" ("-", a line break).
WrittenMark writtenMark(const QJsonObject &entry)
{
    const QString space = entry.value(QStringLiteral("space")).toString(QStringLiteral("after"));
    WrittenMark mark;
    mark.text = entry.value(QStringLiteral("write")).toString();
    mark.spaceBefore = space == QLatin1String("before") || space == QLatin1String("both");
    mark.spaceAfter = space == QLatin1String("after") || space == QLatin1String("both");
    mark.endsSentence = entry.value(QStringLiteral("endsSentence")).toBool();
    return mark;
}

void addNumberWords(FormattingRules &rules, const QJsonValue &table, NumberWord::Kind kind)
{
    const QJsonObject object = table.toObject();
    for (auto it = object.begin(); it != object.end(); ++it)
        rules.numberWords.insert(it.key().toLower(), NumberWord{kind, std::int64_t(it.value().toDouble())});
}

void addFlagWords(FormattingRules &rules, const QJsonValue &list, NumberWord::Kind kind, std::int64_t value)
{
    for (const QString &word : strings(list))
        rules.numberWords.insert(word.toLower(), NumberWord{kind, value});
}

void readNumbers(FormattingRules &rules, const QJsonObject &numbers)
{
    addNumberWords(rules, numbers.value(QStringLiteral("ones")), NumberWord::ones);
    addNumberWords(rules, numbers.value(QStringLiteral("teens")), NumberWord::teen);
    addNumberWords(rules, numbers.value(QStringLiteral("tens")), NumberWord::tens);
    addNumberWords(rules, numbers.value(QStringLiteral("scales")), NumberWord::scale);
    addFlagWords(rules, numbers.value(QStringLiteral("hundred")), NumberWord::hundred, 100);
    addFlagWords(rules, numbers.value(QStringLiteral("and")), NumberWord::conjunction, 0);
    addFlagWords(rules, numbers.value(QStringLiteral("point")), NumberWord::point, 0);
    rules.decimalSeparator = numbers.value(QStringLiteral("decimalSeparator")).toString(rules.decimalSeparator);
    rules.groupSeparator = numbers.value(QStringLiteral("groupSeparator")).toString(rules.groupSeparator);
    rules.groupFrom = std::int64_t(numbers.value(QStringLiteral("groupFrom")).toDouble(double(rules.groupFrom)));
    rules.wordsBelow = std::int64_t(numbers.value(QStringLiteral("wordsBelow")).toDouble(double(rules.wordsBelow)));
    const QJsonObject symbols = numbers.value(QStringLiteral("symbols")).toObject();
    for (auto it = symbols.begin(); it != symbols.end(); ++it)
        rules.numberSymbols.add(it.key(), WrittenMark{it.value().toString(), false, true, false});
    for (const QString &unit : strings(numbers.value(QStringLiteral("units"))))
        rules.units.insert(unit.toLower(), true);
    const QJsonObject time = numbers.value(QStringLiteral("time")).toObject();
    for (const QString &word : strings(time.value(QStringLiteral("after"))))
        rules.timeAfter.insert(word.toLower(), true);
    for (const QString &word : strings(time.value(QStringLiteral("zero"))))
        rules.zeroBeforeMinutes.insert(word.toLower(), true);
    rules.timeSeparator = time.value(QStringLiteral("separator")).toString(rules.timeSeparator);
}

std::optional<FormattingRules> readFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    std::optional<FormattingRules> rules = FormattingRules::fromJson(file.readAll());
    if (!rules)
        writeLogLine(QStringLiteral("Ignoring the formatting rules in ") + path + QStringLiteral(": not a JSON object"));
    return rules;
}

} // namespace

std::optional<FormattingRules> FormattingRules::fromJson(const QByteArray &json)
{
    const QJsonDocument document = QJsonDocument::fromJson(json);
    if (!document.isObject())
        return std::nullopt;
    const QJsonObject root = document.object();
    FormattingRules rules;
    for (const QJsonValue &value : root.value(QStringLiteral("marks")).toArray()) {
        const QJsonObject entry = value.toObject();
        // "heardAs": what the recognizer writes for the command word when it mishears it.
        const SpokenCommand command{SpokenCommand::mark, writtenMark(entry)};
        for (const char *said : {"say", "heardAs"}) {
            for (const QString &phrase : strings(entry.value(QLatin1String(said))))
                rules.commands.add(phrase, command);
        }
        SpokenCommand beforePause = command;
        beforePause.onlyBeforePause = true;
        for (const QString &phrase : strings(entry.value(QStringLiteral("heardAsBeforePause"))))
            rules.commands.add(phrase, beforePause);
    }
    for (const QString &phrase : strings(root.value(QStringLiteral("scratch"))))
        rules.commands.add(phrase, SpokenCommand{SpokenCommand::scratch, {}});
    const QJsonObject capitalized = root.value(QStringLiteral("capitalized")).toObject();
    for (auto it = capitalized.begin(); it != capitalized.end(); ++it)
        rules.capitalized.insert(it.key().toLower(), it.value().toString());
    readNumbers(rules, root.value(QStringLiteral("numbers")).toObject());
    return rules;
}

FormattingRules FormattingRules::forLocale(const Locale &locale)
{
    const QString language = locale.identifier().section(QLatin1Char('-'), 0, 0).section(QLatin1Char('_'), 0, 0).toLower();
    const QString name = QStringLiteral("formatting/") + language + QStringLiteral(".json");
    QStringList candidates;
    for (const QString &data : QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation))
        candidates.append(data + QStringLiteral("/sayline/") + name);
    candidates.append(QStringLiteral(":/voxcore/") + name);
    for (const QString &path : std::as_const(candidates)) {
        if (std::optional<FormattingRules> rules = readFile(path))
            return std::move(*rules);
    }
    return {};
}

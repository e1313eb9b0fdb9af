#include "Localization.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>

#include <cstdio>
#include <optional>

namespace KeyboardShortcuts {
namespace {

const QString bundleName = QStringLiteral("KeyboardShortcuts_KeyboardShortcuts");

struct Localization
{
    QStringList searchPaths{QStringLiteral(":/")};
    std::optional<QHash<QString, QString>> texts; // loaded on first lookup; empty when no bundle
};

Localization &localization()
{
    static Localization instance;
    return instance;
}

void mergeTexts(const QString &file, QHash<QString, QString> &texts)
{
    QFile json(file);
    if (!json.open(QIODevice::ReadOnly))
        return;
    const QJsonObject object = QJsonDocument::fromJson(json.readAll()).object();
    for (auto it = object.begin(); it != object.end(); ++it) {
        if (it.value().isString())
            texts.insert(it.key(), it.value().toString());
    }
}

// English first, then the user's languages from the least to the most preferred,
// so that the preferred language's texts win and missing ones stay English.
QHash<QString, QString> loadBundle(const QDir &bundle)
{
    QHash<QString, QString> texts;
    mergeTexts(bundle.filePath(QStringLiteral("en.json")), texts);
    QStringList languages = QLocale().uiLanguages();
    for (auto it = languages.crbegin(); it != languages.crend(); ++it) {
        QString language = *it;
        language.replace(QLatin1Char('-'), QLatin1Char('_'));
        const QString base = language.section(QLatin1Char('_'), 0, 0);
        if (base != QLatin1String("en"))
            mergeTexts(bundle.filePath(base + QStringLiteral(".json")), texts);
        if (language != base)
            mergeTexts(bundle.filePath(language + QStringLiteral(".json")), texts);
    }
    return texts;
}

const QHash<QString, QString> &texts()
{
    Localization &state = localization();
    if (!state.texts) {
        for (const QString &path : std::as_const(state.searchPaths)) {
            const QDir bundle(QDir(path).filePath(bundleName));
            if (bundle.exists()) {
                state.texts = loadBundle(bundle);
                return *state.texts;
            }
        }
        std::fputs("unable to find bundle named KeyboardShortcuts_KeyboardShortcuts\n", stdout);
        std::fflush(stdout);
        state.texts.emplace();
    }
    return *state.texts;
}

} // namespace

QString localized(const QString &key)
{
    return texts().value(key, key);
}

QStringList localizationBundleSearchPaths()
{
    return localization().searchPaths;
}

void setLocalizationBundleSearchPaths(const QStringList &paths)
{
    localization().searchPaths = paths;
    localization().texts.reset();
}

} // namespace KeyboardShortcuts

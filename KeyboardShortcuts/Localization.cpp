#include "Localization.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>
#include <QStandardPaths>

#include <cstdio>
#include <optional>

namespace KeyboardShortcuts {
namespace {

const QString bundleName = QStringLiteral("KeyboardShortcuts_KeyboardShortcuts");

// The compiled-in English first, then translations installed for the user and
// for the system (<data dir>/sayline/KeyboardShortcuts_KeyboardShortcuts/).
QStringList defaultSearchPaths()
{
    QStringList paths{QStringLiteral(":/")};
    for (const QString &data : QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation))
        paths.append(data + QStringLiteral("/sayline"));
    return paths;
}

struct Localization
{
    QStringList searchPaths = defaultSearchPaths();
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
// so that the preferred language's texts win and missing ones stay English. Each
// language's file is read from every bundle, the earlier search path winning.
QHash<QString, QString> loadBundles(const QList<QDir> &bundles)
{
    QHash<QString, QString> texts;
    const auto merge = [&](const QString &file) {
        for (auto bundle = bundles.crbegin(); bundle != bundles.crend(); ++bundle)
            mergeTexts(bundle->filePath(file), texts);
    };
    merge(QStringLiteral("en.json"));
    QStringList languages = QLocale().uiLanguages();
    for (auto it = languages.crbegin(); it != languages.crend(); ++it) {
        QString language = *it;
        language.replace(QLatin1Char('-'), QLatin1Char('_'));
        const QString base = language.section(QLatin1Char('_'), 0, 0);
        if (base != QLatin1String("en"))
            merge(base + QStringLiteral(".json"));
        if (language != base)
            merge(language + QStringLiteral(".json"));
    }
    return texts;
}

const QHash<QString, QString> &texts()
{
    Localization &state = localization();
    if (!state.texts) {
        QList<QDir> bundles;
        for (const QString &path : std::as_const(state.searchPaths)) {
            const QDir bundle(QDir(path).filePath(bundleName));
            if (bundle.exists())
                bundles.append(bundle);
        }
        if (!bundles.isEmpty()) {
            state.texts = loadBundles(bundles);
            return *state.texts;
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

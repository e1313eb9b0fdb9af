#include "TextReplacementList.h"

#include "TranscriptFormattingSettings.h"
#include "UserDefaults.h"

#include <QVariantMap>

namespace {

const QString key = QString::fromLatin1(TranscriptFormattingSettings::replacementsKey);

QVariantMap entry(const QString &spoken, const QString &written)
{
    return {{QStringLiteral("spoken"), spoken}, {QStringLiteral("written"), written}};
}

} // namespace

TextReplacementList::TextReplacementList(QObject *parent) : TextReplacementList(UserDefaults::standard(), parent) {}

TextReplacementList::TextReplacementList(UserDefaults &defaults, QObject *parent) : QObject(parent), m_defaults(defaults)
{
    connect(&m_defaults, &UserDefaults::valueChanged, this, [this](const QString &changed) {
        if (changed == key)
            emit entriesChanged();
    });
}

QVariantList TextReplacementList::entries() const
{
    QVariantList list;
    if (const std::optional<QString> stored = m_defaults.string(key)) {
        for (const TextReplacement &replacement : TranscriptFormattingSettings::decodeReplacements(*stored))
            list.append(entry(replacement.spoken, replacement.written));
    }
    return list;
}

bool TextReplacementList::add(const QString &spoken, const QString &written)
{
    if (spoken.trimmed().isEmpty())
        return false;
    QVariantList list = entries();
    list.append(entry(spoken.trimmed(), written));
    store(list);
    return true;
}

bool TextReplacementList::edit(int index, const QString &spoken, const QString &written)
{
    QVariantList list = entries();
    if (index < 0 || index >= list.size() || spoken.trimmed().isEmpty())
        return false;
    list[index] = entry(spoken.trimmed(), written);
    store(list);
    return true;
}

void TextReplacementList::remove(int index)
{
    QVariantList list = entries();
    if (index < 0 || index >= list.size())
        return;
    list.removeAt(index);
    store(list);
}

void TextReplacementList::store(const QVariantList &entries)
{
    QList<TextReplacement> replacements;
    for (const QVariant &item : entries) {
        const QVariantMap map = item.toMap();
        replacements.append({map.value(QStringLiteral("spoken")).toString(), map.value(QStringLiteral("written")).toString()});
    }
    m_defaults.setString(key, TranscriptFormattingSettings::encodeReplacements(replacements));
}

#include "DictationHistory.h"

#include "JsonFile.h"
#include "UserDefaults.h"

#include <algorithm>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

#include <cstdio>
#include <utility>

namespace {

void report(const QString &line)
{
    std::fprintf(stderr, "Sayline: %s\n", qPrintable(line));
}

const QString dictationsKey = QStringLiteral("dictations");
const QString textKey = QStringLiteral("text");
const QString timeKey = QStringLiteral("time");

} // namespace

const QString DictationHistory::keepSettingKey = QStringLiteral("keepRecentDictations");

QString DictationHistory::standardFilePath()
{
    QString base = qEnvironmentVariable("XDG_DATA_HOME");
    if (base.isEmpty())
        base = QDir::homePath() + QStringLiteral("/.local/share");
    return base + QStringLiteral("/Sayline/history.json");
}

DictationHistory::DictationHistory(QString filePath, UserDefaults &defaults, QObject *parent)
    : QObject(parent), m_filePath(std::move(filePath)), m_defaults(defaults)
{
    m_saveTimer.setSingleShot(true);
    m_saveTimer.setInterval(saveInterval);
    connect(&m_saveTimer, &QTimer::timeout, this, &DictationHistory::save);
    connect(&m_defaults, &UserDefaults::valueChanged, this, [this](const QString &key) {
        if (key == keepSettingKey && !isKept())
            forgetAll();
    });
    if (isKept())
        load();
    else
        QFile::remove(m_filePath); // switched off while Sayline was not running
}

DictationHistory::~DictationHistory()
{
    if (m_dirty)
        save();
}

bool DictationHistory::isKept() const
{
    return m_defaults.boolValue(keepSettingKey, true);
}

void DictationHistory::followDictation(const QString &text)
{
    if (!isKept())
        return;
    if (text.isEmpty()) {
        if (!m_inProgress)
            return;
        m_inProgress = false;
        save(); // the dictation ended: its last text is kept at once
        return;
    }
    if (m_inProgress) {
        if (m_entries.first().text == text)
            return;
        m_entries.first().text = text;
    } else {
        m_entries.prepend(Entry{text, QDateTime::currentDateTimeUtc()});
        if (m_entries.size() > capacity)
            m_entries.resize(capacity);
        m_inProgress = true;
    }
    m_dirty = true;
    if (!m_saveTimer.isActive())
        m_saveTimer.start();
    emit entriesChanged();
}

std::optional<QDateTime> DictationHistory::currentStart() const
{
    if (!m_inProgress)
        return std::nullopt;
    return m_entries.first().time;
}

void DictationHistory::finishDictation(const QDateTime &began, const QString &text)
{
    if (!isKept() || text.isEmpty())
        return;
    const auto entry = std::find_if(m_entries.begin(), m_entries.end(),
                                    [&began](const Entry &e) { return e.time == began; });
    if (entry != m_entries.end()) {
        if (entry->text == text)
            return;
        entry->text = text;
    } else {
        // Newest first: after every entry that began later.
        const auto later = std::find_if(m_entries.begin(), m_entries.end(),
                                        [&began](const Entry &e) { return e.time < began; });
        m_entries.insert(later, Entry{text, began});
        if (m_entries.size() > capacity)
            m_entries.resize(capacity);
    }
    save();
    emit entriesChanged();
}

void DictationHistory::clear()
{
    forgetAll();
}

void DictationHistory::forgetAll()
{
    m_saveTimer.stop();
    m_dirty = false;
    m_inProgress = false;
    if (m_writable)
        QFile::remove(m_filePath);
    if (m_entries.isEmpty())
        return;
    m_entries.clear();
    emit entriesChanged();
}

void DictationHistory::load()
{
    QFile file(m_filePath);
    if (!file.exists())
        return;
    if (!file.open(QIODevice::ReadOnly)) {
        m_writable = false;
        report(QStringLiteral("cannot read %1: %2; recent dictations are not kept").arg(m_filePath, file.errorString()));
        return;
    }
    const QJsonDocument document = QJsonDocument::fromJson(file.readAll());
    file.close();
    const QJsonValue dictations = document.object().value(dictationsKey);
    if (!document.isObject() || !dictations.isArray()) {
        if (const auto aside = JsonFile::moveAside(m_filePath)) {
            report(QStringLiteral("%1 is no dictation history; kept as %2").arg(m_filePath, *aside));
        } else {
            m_writable = false;
            report(QStringLiteral("%1 is no dictation history and cannot be moved aside; recent dictations are not kept")
                       .arg(m_filePath));
        }
        return;
    }
    for (const QJsonValue &value : dictations.toArray()) {
        const QString text = value[textKey].toString();
        if (text.isEmpty())
            continue; // an entry a newer or older Sayline wrote differently
        m_entries.append(Entry{text, QDateTime::fromString(value[timeKey].toString(), Qt::ISODate)});
        if (m_entries.size() == capacity)
            break;
    }
}

void DictationHistory::save()
{
    m_saveTimer.stop();
    m_dirty = false;
    if (!m_writable || !isKept())
        return;
    QJsonArray dictations;
    for (const Entry &entry : std::as_const(m_entries))
        dictations.append(QJsonObject{{textKey, entry.text}, {timeKey, entry.time.toString(Qt::ISODate)}});
    const QByteArray json = QJsonDocument(QJsonObject{{dictationsKey, dictations}}).toJson(QJsonDocument::Indented);
    if (const auto error = JsonFile::writeAtomically(m_filePath, json, QFileDevice::ReadOwner | QFileDevice::WriteOwner))
        report(*error);
}

QString DictationHistory::headline(const QString &text, int words)
{
    static const QRegularExpression space(QStringLiteral("\\s+"));
    const QStringList all = text.simplified().split(space, Qt::SkipEmptyParts);
    const QString first = all.first(std::min<qsizetype>(words, all.size())).join(QLatin1Char(' '));
    return all.size() > words ? first + QStringLiteral("…") : first;
}

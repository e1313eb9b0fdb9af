#pragma once

#include <QDateTime>
#include <QList>
#include <QObject>
#include <QString>
#include <QTimer>

#include <chrono>
#include <optional>

class UserDefaults;

// The recent dictations, so that no dictated text is ever lost: the last 20
// with text, delivered or cancelled, newest first, each with the time it began.
// They live in one JSON file ($XDG_DATA_HOME/Sayline/history.json), readable by
// the user alone and rewritten atomically. The dictation in progress is kept
// too: its text is saved at most every saveInterval while it changes, and at
// once when it ends, so a crash loses at most that interval.
//
// "keepRecentDictations" (Boolean, default true) in the defaults store decides
// whether anything is kept; switching it off forgets every entry and deletes
// the file. A file that cannot be read as a history is moved aside to
// history.json.corrupt (said on standard error) and the history starts empty.
//
// Main thread only.
class DictationHistory : public QObject
{
    Q_OBJECT
public:
    struct Entry
    {
        QString text;
        QDateTime time;
    };

    static constexpr int capacity = 20;
    static constexpr std::chrono::milliseconds saveInterval{2000};
    static const QString keepSettingKey;

    static QString standardFilePath();

    DictationHistory(QString filePath, UserDefaults &defaults, QObject *parent = nullptr);
    ~DictationHistory() override;

    QString filePath() const { return m_filePath; }
    bool isKept() const;
    // Newest first.
    QList<Entry> entries() const { return m_entries; }

    // The whole text of the dictation in progress each time it changes; an
    // empty text ends that dictation (the next text begins a new entry).
    void followDictation(const QString &text);
    // When the dictation in progress began (none between dictations).
    std::optional<QDateTime> currentStart() const;
    // The final text of the dictation that began at `began`, decoded after it
    // ended: it replaces that entry's text, or becomes an entry of its own when
    // none was kept (nothing had been heard yet).
    void finishDictation(const QDateTime &began, const QString &text);
    // Forgets every entry and deletes the file.
    void clear();

    // The first words of a text, for a menu item: at most `words` of them,
    // "…" when there are more.
    static QString headline(const QString &text, int words = 6);

signals:
    void entriesChanged();

private:
    void load();
    void save();
    void forgetAll();

    QString m_filePath;
    UserDefaults &m_defaults;
    QList<Entry> m_entries;
    // Whether m_entries.first() is the dictation in progress.
    bool m_inProgress = false;
    bool m_dirty = false;
    // False after a file that could not be read nor moved aside: never written over.
    bool m_writable = true;
    QTimer m_saveTimer;
};

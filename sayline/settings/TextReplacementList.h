#pragma once

#include <QObject>
#include <QVariantList>
#include <QtQml/qqmlregistration.h>

class UserDefaults;

// The replacement list of the Transcription settings page: spoken phrases and the text written
// in their place, stored as "textReplacements" in the user defaults (see
// TranscriptFormattingSettings.h). Follows changes of the stored list made elsewhere.
class TextReplacementList : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    // A list of {spoken, written} maps, in the stored order.
    Q_PROPERTY(QVariantList entries READ entries NOTIFY entriesChanged)
public:
    // On UserDefaults::standard().
    explicit TextReplacementList(QObject *parent = nullptr);
    TextReplacementList(UserDefaults &defaults, QObject *parent = nullptr);

    QVariantList entries() const;

    // Each stores the whole list. A phrase without words is refused (false).
    Q_INVOKABLE bool add(const QString &spoken, const QString &written);
    Q_INVOKABLE bool edit(int index, const QString &spoken, const QString &written);
    Q_INVOKABLE void remove(int index);

signals:
    void entriesChanged();

private:
    void store(const QVariantList &entries);

    UserDefaults &m_defaults;
};

#pragma once

#include <QObject>
#include <QString>
#include <QTimer>
#include <QtQml/qqmlregistration.h>

#include <optional>

// The calmed copy of the live transcript that the transcript line shows.
//
// Every transcript value goes in through send(). A value is published only
// after 300 ms without a newer one (each send restarts the timer on the main
// thread); a published value equal to the previous published one is dropped.
// Publishing sets debouncedText and flips animationTrigger when the text is
// not empty and differs from what was shown; an empty text never flips it.
class TranscriptionDisplayStore : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(QString debouncedText READ debouncedText NOTIFY debouncedTextChanged)
    Q_PROPERTY(bool animationTrigger READ animationTrigger NOTIFY animationTriggerChanged)
public:
    static constexpr int debounceIntervalMs = 300;
    static constexpr int maximumDisplayedWords = 30;

    explicit TranscriptionDisplayStore(QObject *parent = nullptr);

    QString debouncedText() const { return m_debouncedText; }
    bool animationTrigger() const { return m_animationTrigger; }

    // The entry point: every new transcript value.
    Q_INVOKABLE void send(const QString &value);

    // The line's text: the trimmed transcript, or "..." and its last 30 words
    // (split at single spaces) when it has more.
    Q_INVOKABLE static QString displayText(const QString &text);

signals:
    void debouncedTextChanged();
    void animationTriggerChanged();

private:
    void setupDebounce();
    void deliverDebounced();
    void receive(const QString &text);

    QString m_debouncedText;
    bool m_animationTrigger = false;
    QTimer m_debounce;
    QString m_pending;
    std::optional<QString> m_lastPassed;
};
